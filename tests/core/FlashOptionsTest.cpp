// The command line's ways of erasing, programming and verifying a write, over the virtual line:
// block erase, no erase, blank pages left out, and verify by the chip's check data.
#include <algorithm>

#include "tests/support/LinkFixture.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"

namespace bramblet::testing {
namespace {

using Pages = std::vector<std::pair<std::uint8_t, std::uint32_t>>;

class FlashOptionsTest : public LinkFixture {
protected:
    void File(const std::string& records) { view.fileName = dir.Write("prog.mot", records); }
    bool Shown(const std::string& text) const {
        return std::find(view.statuses.begin(), view.statuses.end(), text) != view.statuses.end();
    }
    // Page Program and Page Read frames in order: (command, page).
    Pages PageFrames() {
        Pages pages;
        for (const auto& frame : Frames()) {
            if (frame.size() == 3 && (frame[0] == 0x41 || frame[0] == 0xFF))
                pages.emplace_back(frame[0], frame[1] << 8 | frame[2] << 16);
        }
        return pages;
    }
    // The frames from the first that begins with `first`.
    std::vector<Bytes8> From(std::uint8_t first) {
        const auto frames = Frames();
        auto it = std::find_if(frames.begin(), frames.end(),
                               [&](const Bytes8& f) { return !f.empty() && f[0] == first; });
        return {it, frames.end()};
    }

    TempDir dir;
};

TEST_F(FlashOptionsTest, BlockEraseErasesEachBlockNamedOnceWithItsPoll) {
    Link().Target().Load(0x2400, std::vector<std::uint8_t>{0x11});  // data flash
    Link().Target().Load(0x8000, std::vector<std::uint8_t>{0x22});
    Link().Target().Load(0xC200, std::vector<std::uint8_t>{0x33});
    File(SRecords('1', 0xC010, 16));
    linkOptions = {};
    Target target = T();
    target.flash.eraseBlocks = {0xC123, 0x4000, 0xC000};
    ASSERT_TRUE(W().WriteSequence(target).Succeeded()) << view.LastStatus();
    EXPECT_TRUE(Shown(kErasing) && Shown(kErased));
    EXPECT_EQ(Count(0xA7), 0);
    const auto erase = From(0x20);
    ASSERT_GE(erase.size(), 4u);
    EXPECT_EQ(erase[0], (Bytes8{0x20, 0xC1, 0x00, 0xD0}));  // the address given, bits 8-23
    EXPECT_EQ(erase[1], Bytes8{0x70});
    EXPECT_EQ(erase[2], (Bytes8{0x20, 0x40, 0x00, 0xD0}));
    EXPECT_EQ(erase[3], Bytes8{0x70});
    EXPECT_EQ(Count(0x20), 2);  // 0xC000 lies in the block already erased
    EXPECT_EQ(Link().Target().Read(0x2400), 0x11);
    EXPECT_EQ(Link().Target().Read(0x8000), 0x22);
    EXPECT_EQ(Link().Target().Read(0xC200), 0xFF);
    EXPECT_EQ(Link().Target().Read(0xC010), 0x10);

    // A block the chip refuses ends the erase as Erase All's refusal does, naming the block.
    sim::ChipConfig failing;
    failing.faults.eraseErrorAt = 1;
    Chip(failing);
    view = {};
    target.flash.eraseBlocks = {0xC000, 0x4000, 0x8000};
    const Outcome outcome = W().EraseSequence(target);
    EXPECT_EQ(outcome.failed, Step::Erase);
    EXPECT_EQ(outcome.text, "フラッシュを消去できません! ");
    EXPECT_EQ(outcome.detail, "block 004000-007FFF");
    ASSERT_TRUE(outcome.status);
    EXPECT_TRUE(outcome.status->EraseError());
    EXPECT_EQ(Count(0x20), 2);
}

TEST_F(FlashOptionsTest, BlankPagesAreNotProgrammedButAreVerified) {
    // The middle page is all 0xFF in the file, as a linker fills a gap.
    File(SRecords('1', 0xC000, 0x100) + SRecord('1', 0xC100, std::vector<std::uint8_t>(16, 0xFF)) +
         SRecords('1', 0xC200, 0x10));
    Target target = T();
    target.flash.skipBlank = true;
    ASSERT_TRUE(W().WriteSequence(target).Succeeded()) << view.LastStatus();
    EXPECT_EQ(
        PageFrames(),
        (Pages{{0x41, 0xC000}, {0x41, 0xC200}, {0xFF, 0xC000}, {0xFF, 0xC100}, {0xFF, 0xC200}}));

    // Without an erase, what the chip holds in that page is found by the verify.
    Chip({});
    Link().Target().Load(0xC108, std::vector<std::uint8_t>{0x00});
    view = {};
    view.fileName = dir.Name("prog.mot");
    target.flash.noErase = true;
    const Outcome outcome = W().WriteSequence(target);
    EXPECT_FALSE(Shown(kErasing));
    EXPECT_EQ(Count(0xA7) + Count(0x20), 0);
    EXPECT_EQ(outcome.failed, Step::Verify);
    EXPECT_EQ(outcome.page, 0xC100u);
    ASSERT_TRUE(outcome.mismatch);
    EXPECT_EQ(outcome.mismatch->address, 0xC108u);
    EXPECT_EQ(outcome.mismatch->got, 0x00);
}

TEST_F(FlashOptionsTest, CheckDataVerifiesTheWriteWithoutReadingPagesBack) {
    // One whole page and half of the next, padded with 0xFF: 0x7F80 + 0x1FC0 + 0x7F80 = 0x1EC0.
    File(SRecords('1', 0xC000, 0x180));
    Target target = T();
    target.flash.verifyBySum = true;
    ASSERT_TRUE(W().WriteSequence(target).Succeeded()) << view.LastStatus();
    EXPECT_EQ(view.statuses.end()[-3], kProgramming);
    EXPECT_EQ(view.statuses.end()[-2], kVerifying);
    EXPECT_EQ(PageFrames(), (Pages{{0x41, 0xC000}, {0x41, 0xC100}}));
    // Read once after the erase's poll to clear the sum, once after the last page's poll.
    const auto erase = From(0xA7);
    const auto frames = From(0xFD);
    ASSERT_GE(erase.size(), frames.size() + 2);
    EXPECT_TRUE(std::all_of(erase.begin() + 1, erase.end() - frames.size(),
                            [](const Bytes8& f) { return f == Bytes8{0x70}; }));
    EXPECT_EQ(frames[1], (Bytes8{0x41, 0xC0, 0x00}));
    EXPECT_EQ(frames.end()[-2], Bytes8{0x70});
    EXPECT_EQ(frames.back(), Bytes8{0xFD});
    EXPECT_EQ(Count(0xFD), 2);

    // A data byte spoilt on its way (0x10 arrives as 0x11) is programmed without an error flag;
    // only the sum sees it.
    std::uint64_t index = 0;
    for (const auto& frame : Link().Frames()) {
        if (frame.bytes.size() == 256) {
            index = frame.fromHost + 0x10;
            break;
        }
    }
    sim::ChipConfig noisy;
    noisy.faults.lineFaults = {{sim::Direction::ToChip, sim::ByteFault::Kind::Flip, index, 0x01}};
    Chip(noisy);
    view = {};
    view.fileName = dir.Name("prog.mot");
    const Outcome outcome = W().WriteSequence(target);
    EXPECT_EQ(Link().Target().Read(0xC010), 0x11);
    EXPECT_EQ(outcome.failed, Step::Verify);
    EXPECT_EQ(outcome.text, kVerifyFailed);
    EXPECT_EQ(outcome.detail, "the chip's check data is 1EC1, the bytes sent sum to 1EC0");
    EXPECT_FALSE(outcome.page);
    EXPECT_TRUE(view.beeps.empty());
}

}  // namespace
}  // namespace bramblet::testing
