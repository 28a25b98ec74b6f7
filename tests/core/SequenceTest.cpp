// The write, erase and verify sequences against the simulated chip, in virtual time.
#include <algorithm>

#include "tests/support/Elf.h"
#include "tests/support/LinkFixture.h"
#include "tests/support/SRecords.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"
#include "writer/flash/Image.h"

namespace bramblet::testing {
namespace {

using Statuses = std::vector<std::string>;
using Beeps = std::vector<std::uint32_t>;

class SequenceTest : public LinkFixture {
protected:
    void File(const std::string& records, const std::string& name = "prog.mot") {
        view.fileName = dir.Write(name, records);
    }
    // Page Program and Page Read frames in the order they went out: (command, page base).
    std::vector<std::pair<std::uint8_t, std::uint32_t>> PageFrames() {
        std::vector<std::pair<std::uint8_t, std::uint32_t>> pages;
        for (const auto& frame : Frames()) {
            if (frame.size() == 3 && (frame[0] == 0x41 || frame[0] == 0xFF))
                pages.emplace_back(frame[0], frame[1] << 8 | frame[2] << 16);
        }
        return pages;
    }
    void ExpectButton(ActionButton button) {
        EXPECT_EQ(view.buttons,
                  (std::vector<std::pair<ActionButton, bool>>{{button, false}, {button, true}}));
    }

    TempDir dir;
};

TEST_F(SequenceTest, WriteErasesProgramsAndVerifiesPageByPage) {
    // 0x80F0..0x810F crosses into a second page; 0xC000 comes after them in the file.
    File(SRecords('1', 0x80F0, 32) + SRecords('1', 0xC000, 8));
    W().WriteSequence(T());

    EXPECT_EQ(view.statuses, (Statuses{kStartWrite, kChecking, kConnecting, kIdAllFF, kIdVerified,
                                       kErasing, kErased, kProgramming, kVerifying, kWritten}));
    // 40 bytes: page changes after 16 and 32 bytes in each pass.
    EXPECT_EQ(view.progress, (std::vector<int>{0, 5, 10, 10 + 16 * 90 / 40, 10 + 32 * 90 / 40,
                                               10 + 16 * 90 / 40, 10 + 32 * 90 / 40, 99}));
    EXPECT_EQ(view.beeps, Beeps{kBeepSuccess});
    ExpectButton(ActionButton::Write);
    EXPECT_FALSE(Link().PortOpen());

    EXPECT_EQ(PageFrames(), (std::vector<std::pair<std::uint8_t, std::uint32_t>>{{0x41, 0x8000},
                                                                                 {0x41, 0x8100},
                                                                                 {0x41, 0xC000},
                                                                                 {0xFF, 0x8000},
                                                                                 {0xFF, 0x8100},
                                                                                 {0xFF, 0xC000}}));
    // Each page is two writes: the header, then all 256 bytes with 0xFF where the file is silent.
    const auto frames = Frames();
    const auto header = std::find(frames.begin(), frames.end(), Bytes8{0x41, 0x80, 0x00});
    ASSERT_NE(header, frames.end());
    const Bytes8& data = *(header + 1);
    ASSERT_EQ(data.size(), 256u);
    for (std::size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(data[i], i < 0xF0 ? 0xFF : static_cast<std::uint8_t>(0x8000 + i)) << i;
    }
    EXPECT_EQ(*(header + 2), Bytes8{0x70});
    for (std::uint32_t a = 0x80F0; a < 0x8110; ++a) EXPECT_EQ(Link().Target().Read(a), a & 0xFF);
    EXPECT_EQ(Link().Target().Read(0x8110), 0xFF);
    // The erase comes once, before the first page.
    EXPECT_EQ(Count(0xA7), 1);
}

TEST_F(SequenceTest, PagesTouchedTwiceAreSentTwiceAndHighAddressesUseBothBytes) {
    sim::ChipConfig config;
    config.family = sim::Family::M16C;
    Chip(config);
    view.cpuFamily = "M16C";
    File(SRecord('2', 0x0F0010, {1}) + SRecord('2', 0x0FFF00, {2}) + SRecord('2', 0x0F0020, {3}));
    W().WriteSequence(T());
    EXPECT_EQ(view.LastStatus(), kWritten);
    EXPECT_EQ(PageFrames(),
              (std::vector<std::pair<std::uint8_t, std::uint32_t>>{{0x41, 0x0F0000},
                                                                   {0x41, 0x0FFF00},
                                                                   {0x41, 0x0F0000},
                                                                   {0xFF, 0x0F0000},
                                                                   {0xFF, 0x0FFF00},
                                                                   {0xFF, 0x0F0000}}));
    const auto frames = Frames();
    EXPECT_NE(std::find(frames.begin(), frames.end(), Bytes8{0x41, 0xFF, 0x0F}), frames.end());
    EXPECT_EQ(Link().Target().Read(0x0F0010), 1);
    EXPECT_EQ(Link().Target().Read(0x0F0020), 3);
}

TEST_F(SequenceTest, FileWithoutDataNeverOpensThePort) {
    File("S00600004844521B\nS9030000FC\n");
    W().WriteSequence(T());
    EXPECT_EQ(view.statuses, (Statuses{kStartWrite, kChecking}));
    EXPECT_EQ(view.progress, std::vector<int>{0});
    EXPECT_TRUE(view.beeps.empty());
    EXPECT_EQ(Link().Opens(), 0);
    ExpectButton(ActionButton::Write);

    view = {};
    view.fileName = dir.Name("missing.txt");
    W().VerifySequence(T());
    EXPECT_EQ(view.statuses,
              (Statuses{"フラッシュベリファイ開始", "Sフォーマットファイルではありません！"}));
    EXPECT_EQ(Link().Opens(), 0);
    ExpectButton(ActionButton::Verify);
}

TEST_F(SequenceTest, ConnectFailuresBeepAndCloseWhatWasOpened) {
    File(SRecords('1', 0xC000, 16));
    Link().SetPortMissing(true);
    W().WriteSequence(T());
    EXPECT_EQ(view.statuses, (Statuses{kStartWrite, kChecking, kConnecting, kNoPort}));
    EXPECT_EQ(view.beeps, Beeps{kBeepFailure});
    EXPECT_EQ(view.progress, std::vector<int>{0});

    // A chip that hears nothing: the port opens, the connection gets no answer, the port closes,
    // and the next press can open it again.
    sim::ChipConfig deaf;
    deaf.fixedBaud = 9600;
    Chip(deaf);
    for (auto run : {&Session::WriteSequence, &Session::EraseSequence, &Session::VerifySequence}) {
        view = {};
        view.fileName = dir.Name("prog.mot");
        ((*writer).*run)(T());
        EXPECT_EQ(view.LastStatus(), kNoAnswer);
        EXPECT_EQ(view.beeps, Beeps{kBeepFailure});
        EXPECT_FALSE(Link().PortOpen());
    }
    EXPECT_EQ(Link().Opens(), 3);
}

TEST_F(SequenceTest, WrongIdEverywhereSendsNoErase) {
    Chip(Protected(sim::Family::R8C, {1, 2, 3, 4, 5, 6, 7}));
    File(SRecords('1', 0xC000, 16));
    dir.Write("prog.id", "x\n0FFDDF:01\n02\n03\n04\n05\n06\n08\n");
    view.dialog = [](const std::string&) {
        return IdCodeAnswer{IdCodeBytes{7, 6, 5, 4, 3, 2, 1}, "R8C"};
    };
    W().WriteSequence(T());
    EXPECT_EQ(view.LastStatus(), kIdMismatch);
    EXPECT_EQ(view.beeps, Beeps{kBeepFailure});
    EXPECT_EQ(view.dialogShown, 1);
    EXPECT_EQ(Count(0xF5), 3);
    EXPECT_EQ(Count(0xA7), 0);
    EXPECT_EQ(view.progress, std::vector<int>{0});
    EXPECT_FALSE(Link().PortOpen());
}

TEST_F(SequenceTest, ProtectedChipUnlocksWithTheIdFileBesideTheWriteFile) {
    Chip(Protected(sim::Family::R8C, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
    File(SRecords('1', 0xC000, 16));
    dir.Write("prog.id", "x\n0FFDDF:11\n22\n33\n44\n55\n66\n77\n");
    W().EraseSequence(T());
    EXPECT_EQ(view.statuses,
              (Statuses{"フラッシュ消去開始", kConnecting, kIdAllFF, "IDファイル 照合中",
                        kIdVerified, kErasing, "フラッシュ消去は無事完了しました"}));
    EXPECT_EQ(view.progress, (std::vector<int>{0, 5, 99}));
    EXPECT_EQ(view.beeps, Beeps{kBeepSuccess});
    ExpectButton(ActionButton::Erase);
    EXPECT_EQ(Link().Target().Read(0xFFDF), 0xFF);  // the ID area is erased with the rest
}

// A view whose chip is reset the moment a given status text appears.
class ResettingView : public RecordingView {
public:
    std::function<void()> onErase;
    void SetStatus(const std::string& text) override {
        RecordingView::SetStatus(text);
        if (text == kErasing && onErase) onErase();
    }
};

TEST_F(SequenceTest, RefusedEraseEndsBothSequencesThatErase) {
    for (bool write : {true, false}) {
        ResettingView resetting;
        sim::VirtualLink line;
        Session w(line.Opener(), resetting, resetting);
        resetting.fileName = dir.Write("prog.mot", SRecords('1', 0xC000, 16));
        // A chip reset between the unlock and the erase has forgotten its ID check.
        resetting.onErase = [&] { line.Target().Reset(line.Now()); };
        write ? w.WriteSequence(resetting.ToTarget()) : w.EraseSequence(resetting.ToTarget());
        EXPECT_EQ(resetting.LastStatus(), kCannotErase);
        EXPECT_EQ(resetting.beeps, Beeps{kBeepFailure});
        EXPECT_EQ(resetting.progress, (std::vector<int>{0, 5}));
        EXPECT_FALSE(line.PortOpen());
    }
}

TEST_F(SequenceTest, ChipFallingSilentEndsTheProgramPassInBoundedTime) {
    sim::ChipConfig config;
    config.faults.silentAfterPages = 2;
    Chip(config);
    File(SRecords('1', 0xC000, 0x400));
    W().WriteSequence(T());
    EXPECT_EQ(view.LastStatus(), kProgramFailed);
    EXPECT_TRUE(view.beeps.empty());  // a failed pass keeps its own text and does not beep
    EXPECT_FALSE(Link().PortOpen());
    EXPECT_EQ(PageFrames().size(), 3u);  // three Page Programs, no Page Read
    // The third page's poll gives up after a bounded number of silent 230 ms windows.
    const auto& reads = Link().Reads();
    const auto silentPolls = std::count_if(
        reads.begin(), reads.end(), [](const auto& r) { return r.requested == 50 && r.got == 0; });
    EXPECT_GT(silentPolls, 0);
    EXPECT_LT(Link().Now(), std::chrono::seconds(10));
}

TEST_F(SequenceTest, VerifyComparesOnlyTheBytesTheFileSupplies) {
    // The chip holds other data around the file's bytes, in the same pages.
    sim::ChipConfig config;
    Chip(config);
    const std::vector<std::uint8_t> around(512, 0x00);
    Link().Target().Load(0xC000, around);
    const auto data = Bytes(0xC010, 8);
    Link().Target().Load(0xC010, data);
    Link().Target().Load(0xC110, data);
    File(SRecord('1', 0xC010, data) + SRecord('1', 0xC110, data));
    W().VerifySequence(T());
    EXPECT_EQ(view.statuses,
              (Statuses{"フラッシュベリファイ開始", kChecking, kConnecting, kIdAllFF, kIdVerified,
                        kVerifying, "フラッシュベリファイは無事完了しました"}));
    EXPECT_EQ(view.progress, (std::vector<int>{0, 5, 10 + 8 * 90 / 16, 99}));
    EXPECT_EQ(view.beeps, Beeps{kBeepSuccess});
    EXPECT_EQ(Count(0xA7), 0);
    EXPECT_EQ(Count(0x41), 0);
    ExpectButton(ActionButton::Verify);
}

TEST_F(SequenceTest, FirstFailingPageEndsTheVerifyPass) {
    sim::ChipConfig config;
    config.faults.corruptReadAddress = 0xC180;
    Chip(config);
    File(SRecords('1', 0xC000, 0x400));
    W().WriteSequence(T());
    EXPECT_EQ(view.LastStatus(), kVerifyFailed);
    EXPECT_TRUE(view.beeps.empty());
    // Pages 0xC000 and 0xC100 are read back; 0xC200 and 0xC300 never are.
    const auto pages = PageFrames();
    ASSERT_EQ(pages.size(), 6u);
    EXPECT_EQ(pages[4], std::make_pair(std::uint8_t{0xFF}, std::uint32_t{0xC000}));
    EXPECT_EQ(pages[5], std::make_pair(std::uint8_t{0xFF}, std::uint32_t{0xC100}));
    // Reading stopped at the mismatch: 0x80 bytes of the second page are left unread.
    const auto& reads = Link().Reads();
    const auto oneByteReads =
        std::count_if(reads.begin(), reads.end(), [](const auto& r) { return r.requested == 1; });
    EXPECT_EQ(oneByteReads, 17 + 256 + 0x81);

    // The verify button reports a mismatch in its own words, with a beep. A fresh, blank chip:
    // the one above is still sending the rest of the page that was not read.
    Chip(config);
    view = {};
    view.fileName = dir.Name("prog.mot");
    W().VerifySequence(T());
    EXPECT_EQ(view.LastStatus(), "フラッシュベリファイに失敗しました! ");
    EXPECT_EQ(view.beeps, Beeps{kBeepFailure});
    EXPECT_FALSE(Link().PortOpen());
}

TEST_F(SequenceTest, ShortPageReadFailsAtTheFirstMissingByte) {
    sim::ChipConfig config;
    config.faults.pageReadLength = 200;
    Chip(config);
    // The file's bytes all lie below offset 200, but the whole page must come back.
    File(SRecords('1', 0xC000, 16));
    W().WriteSequence(T());
    EXPECT_EQ(view.LastStatus(), kVerifyFailed);
    EXPECT_EQ(Link().Reads().back().requested, 1u);
    EXPECT_EQ(Link().Reads().back().got, 0u);
}

TEST_F(SequenceTest, AnswersQueuedBehindALongEraseAreNotTakenForTheFirstPage) {
    // Six blocks at 1.1 s: the chip answers the 29 polls of its erase at once when it is done.
    sim::ChipConfig config;
    config.blockEraseTime = std::chrono::milliseconds(1100);
    Chip(config);
    // The first page lies outside the flash: its Page Program fails with the program error.
    File(SRecords('1', 0x3000, 16) + SRecords('1', 0xC000, 16));
    const Outcome outcome = W().WriteSequence(T());
    EXPECT_EQ(view.LastStatus(), kProgramFailed);
    EXPECT_EQ(outcome.failed, Step::Program);
    EXPECT_EQ(outcome.text, kProgramFailed);
    EXPECT_EQ(outcome.page, 0x3000u);
    ASSERT_TRUE(outcome.status);
    EXPECT_TRUE(outcome.status->ProgramError());
    EXPECT_EQ(PageFrames(), (std::vector<std::pair<std::uint8_t, std::uint32_t>>{{0x41, 0x3000}}));
    EXPECT_GT(Link().Now(), std::chrono::milliseconds(6600));
}

TEST_F(SequenceTest, ErasePollGivesUpOnAChipThatNeverFinishes) {
    sim::ChipConfig config;
    config.blockEraseTime = std::chrono::hours(1);
    Chip(config);
    const Outcome outcome = W().EraseSequence(T());
    EXPECT_EQ(view.LastStatus(), kCannotErase);
    EXPECT_EQ(outcome.failed, Step::Erase);
    EXPECT_EQ(outcome.status, std::nullopt);  // no answer at all
    // About a minute of silent 230 ms windows, long past any real erase.
    EXPECT_GT(Link().Now(), std::chrono::seconds(55));
    EXPECT_LT(Link().Now(), std::chrono::seconds(65));
}

TEST_F(SequenceTest, ErrorFlagsLeftByAFailedPageAreClearedBeforeTheNextErase) {
    File(SRecords('1', 0x3000, 16));  // outside the flash: SRD bit 4 stays set
    EXPECT_EQ(W().WriteSequence(T()).failed, Step::Program);
    EXPECT_EQ(Link().Target().Srd() & 0x30, 0x10);
    Link().ClearLog();
    const Outcome erased = W().EraseSequence(T());
    EXPECT_TRUE(erased.Succeeded()) << erased.text;
    EXPECT_EQ(Count(0x50), 1);
}

TEST_F(SequenceTest, PageStepAcceptsOnlyAReadyChipWithTheIdVerifiedAndNoFlag) {
    struct Case {
        std::uint8_t srd, srd1;
        bool accepted;
    };
    const Case cases[] = {{0x80, 0x0C, true},  {0xC0, 0x0D, true},  {0x90, 0x0C, false},
                          {0xA0, 0x0C, false}, {0x00, 0x0C, false}, {0x80, 0x08, false},
                          {0x80, 0x04, false}, {0x80, 0x0E, false}};
    File(SRecords('1', 0xC000, 16));
    for (const Case& c : cases) {
        // A chip that connects, is unlocked and erases as it should, and answers the status poll
        // after the Page Program with the case's status.
        Script script;
        bool data = false, programmed = false;
        script.answer = [&](const Bytes8& w) -> Bytes8 {
            if (std::exchange(data, false)) return {};
            switch (w[0]) {
                case 0x00:
                    return {0x00};
                case 0xB0:
                    return {0xB0};
                case 0xFB:
                    return Bytes8{'V', 'E', 'R', '.', '1', '.', '0', '0'};
                case 0x41:
                    data = programmed = true;
                    return {};
                case 0x70:
                    if (programmed) return Bytes8{c.srd, c.srd1};
                    return {0x80, 0x0C};
                default:
                    return {};
            }
        };
        ScriptedPorts ports(script);
        Session session(ports, view, view);
        const Outcome outcome = session.WriteSequence(T());
        ASSERT_TRUE(programmed) << outcome.text;
        EXPECT_EQ(outcome.failed != Step::Program, c.accepted)
            << std::hex << int{c.srd} << " " << int{c.srd1};
    }
}

TEST_F(SequenceTest, PassThatNoLongerMatchesTheCheckEndsTheSequence) {
    // The file loses its last page after the check: the pass completes with another count.
    const std::string whole = SRecords('1', 0xC000, 0x200);
    const std::string shorter = SRecords('1', 0xC000, 0x100);
    for (const std::string& when : {kErased, kIdVerified}) {
        const bool write = when == kErased;
        Chip({});
        Link().Target().Load(0xC000, Bytes(0xC000, 0x200));  // what the file held
        view = {};
        File(whole);
        view.onStatus = [&](const std::string& text) {
            if (text == when) File(shorter);
        };
        const Outcome outcome = write ? W().WriteSequence(T()) : W().VerifySequence(T());
        EXPECT_FALSE(outcome.Succeeded()) << when;
        if (write) {
            EXPECT_EQ(outcome.failed, Step::Program);
            EXPECT_EQ(view.LastStatus(), kProgramming);  // the pass's own text stays
            EXPECT_EQ(PageFrames().size(), 1u);          // and nothing is verified
            EXPECT_TRUE(view.beeps.empty());
        } else {
            EXPECT_EQ(outcome.failed, Step::Verify);
            EXPECT_EQ(view.LastStatus(), "フラッシュベリファイに失敗しました! ");
            EXPECT_EQ(view.beeps, Beeps{kBeepFailure});
        }
    }

    // The same after programming: the write's verify pass no longer counts the whole file. The
    // program pass read the small file whole before its first page change.
    Chip({});
    view = {};
    File(whole);
    bool changed = false;
    view.onProgress = [&](int position) {
        if (position == 10 + 256 * 90 / 0x200 && !changed) {
            File(shorter);
            changed = true;
        }
    };
    const Outcome outcome = W().WriteSequence(T());
    EXPECT_EQ(outcome.failed, Step::Verify);
    EXPECT_EQ(view.LastStatus(), kVerifying);
    EXPECT_TRUE(view.beeps.empty());
    EXPECT_EQ(Count(0x41), 2);
}

TEST_F(SequenceTest, OutcomeNamesTheFirstWrongByte) {
    sim::ChipConfig config;
    config.faults.corruptReadAddress = 0xC105;
    Chip(config);
    File(SRecords('1', 0xC000, 0x200));
    const Outcome outcome = W().WriteSequence(T());
    EXPECT_EQ(outcome.failed, Step::Verify);
    EXPECT_EQ(outcome.page, 0xC100u);
    ASSERT_TRUE(outcome.mismatch);
    EXPECT_EQ(outcome.mismatch->address, 0xC105u);
    EXPECT_EQ(outcome.mismatch->expected, 0x05);
    EXPECT_EQ(outcome.mismatch->got, 0x04);
}

TEST_F(SequenceTest, AnElfFileReadByContentWritesAsItsSRecordsDo) {
    const std::vector<std::uint8_t> low = Bytes(0xC010, 0x130), high = testing::Bytes(0xD000, 8);
    File(SRecords('1', 0xC010, low.size()) + SRecords('1', 0xD000, high.size()));
    EXPECT_TRUE(W().WriteSequence(T()).Succeeded()) << view.LastStatus();
    const auto fromSRecords = Frames();

    Chip({});
    File(Elf32({{1, 0xC010, 0xC010, low, 0},
                {1, 0x400, 0x400, {}, 0x80},
                {1, 0xD000, 0xD000, high, 0}}),
         "prog.elf");
    Target target = T();
    target.reading.byContent = true;
    EXPECT_TRUE(W().WriteSequence(target).Succeeded()) << view.LastStatus();
    EXPECT_EQ(Frames(), fromSRecords);
    // The window's way refuses the name.
    EXPECT_FALSE(W().WriteSequence(T()).Succeeded());
}

TEST_F(SequenceTest, BoardBytesGoOutWithTheFilesPageAndInAPageOfTheirOwn) {
    File(SRecords('1', 0xC000, 0x20));
    Target target = T();
    target.patch = {0xC0FE, {0x11, 0x22, 0x33, 0x44}};
    EXPECT_TRUE(W().WriteSequence(target).Succeeded()) << view.LastStatus();
    EXPECT_EQ(PageFrames(), (std::vector<std::pair<std::uint8_t, std::uint32_t>>{
                                {0x41, 0xC000}, {0x41, 0xC100}, {0xFF, 0xC000}, {0xFF, 0xC100}}));
    const auto frames = Frames();
    const auto own = std::find(frames.begin(), frames.end(), Bytes8{0x41, 0xC1, 0x00});
    ASSERT_NE(own, frames.end());
    Bytes8 expected(256, 0xFF);
    expected[0] = 0x33;
    expected[1] = 0x44;
    EXPECT_EQ(*(own + 1), expected);

    // The chip holds the file and the patch, and the image's CRC-32 is that of its pages.
    std::vector<std::uint8_t> chip;
    for (std::uint32_t a = 0xC000; a < 0xC200; ++a) chip.push_back(Link().Target().Read(a));
    EXPECT_EQ(chip[0x1F], 0x1F);
    EXPECT_EQ(Bytes8(chip.begin() + 0xFE, chip.begin() + 0x102), (Bytes8{0x11, 0x22, 0x33, 0x44}));
    const auto image = ScanImage(target.writeFile, target.patch);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->digest.crc32, Crc32(0, chip.data(), chip.size()));

    // Its bytes are verified as the file's are.
    sim::ChipConfig config;
    config.faults.corruptReadAddress = 0xC101;
    Chip(config);
    const Outcome outcome = W().WriteSequence(target);
    EXPECT_EQ(outcome.failed, Step::Verify);
    EXPECT_EQ(outcome.page, 0xC100u);
    ASSERT_TRUE(outcome.mismatch);
    EXPECT_EQ(outcome.mismatch->address, 0xC101u);
    EXPECT_EQ(outcome.mismatch->expected, 0x44);
}

}  // namespace
}  // namespace bramblet::testing
