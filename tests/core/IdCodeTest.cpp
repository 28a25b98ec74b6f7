// Unlocking the chip: the version read, the three sources of the ID code in order, the ID Check
// frames per family, against the simulated chip over the virtual line.
#include "tests/support/LinkFixture.h"
#include "tests/support/TempDir.h"

namespace bramblet::testing {
namespace {

const sim::IdCode kCode = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
const Bytes8 kErased(7, 0xFF);
const Bytes8 kZeros(7, 0x00);

class IdCodeTest : public LinkFixture {
protected:
    // Connects; the log then holds only what VerifyIdCode sends.
    void Connect() {
        ASSERT_EQ(W().ConnectBootMode(T()).What(), Connection::Kind::Answered);
        Link().ClearLog();
    }
    // The ID Checks sent: each is two writes, the 5-byte header and the 7 code bytes, and is
    // followed by exactly one Read Status Register.
    std::vector<std::pair<Bytes8, Bytes8>> IdChecks() {
        std::vector<std::pair<Bytes8, Bytes8>> checks;
        const auto frames = Frames();
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (frames[i][0] != 0xF5) continue;
            EXPECT_EQ(frames[i].size(), 5u);
            EXPECT_LT(i + 2, frames.size());
            if (i + 2 >= frames.size()) break;
            EXPECT_EQ(frames[i + 2], Bytes8{0x70});
            checks.emplace_back(frames[i], frames[i + 1]);
        }
        return checks;
    }
    std::string IdFileFor(const std::string& mot, const std::string& text) {
        view.fileName = dir.Write(mot, "S9030000FC\n");
        dir.Write(mot.substr(0, mot.rfind('.')) + ".id", text);
        return view.fileName;
    }
    static std::string IdFileText(const char* tag, sim::IdCode code) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "ID code\n%sDF%02X\nFFE3%02X\nFFEB%02X\nFFEF%02X\nFFF3%02X\n"
                      "FFF7%02X\nFFFB%02X\n",
                      tag, code[0], code[1], code[2], code[3], code[4], code[5], code[6]);
        return text;
    }
    TempDir dir;
};

TEST_F(IdCodeTest, BlankChipTakesTheErasedCodeOnly) {
    Connect();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x800C);
    const auto checks = IdChecks();
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].first, (Bytes8{0xF5, 0xDF, 0xFF, 0x00, 0x07}));
    EXPECT_EQ(checks[0].second, kErased);
    EXPECT_EQ(view.statuses, std::vector<std::string>{"ID all FF 照合中"});
    EXPECT_EQ(view.dialogShown, 0);
    EXPECT_EQ(W().IdCode(), IdCodeBytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(IdCodeTest, VersionIsReadBeforeTheIdSteps) {
    Connect();
    W().VerifyIdCode(T());
    const auto frames = Frames();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[0], Bytes8{0x70});
    EXPECT_EQ(frames[1], Bytes8{0xFB});
    EXPECT_EQ(W().BootVersion(), "VER.1.00");
    EXPECT_EQ(view.versionTexts, std::vector<std::string>{"VER.1.00"});
    // 8 bytes of 8 arrive and end the first read; the second waits out its 70 ms for nothing.
    const auto& reads = Link().Reads();
    EXPECT_EQ(reads[2].requested, 8u);
    EXPECT_EQ(reads[2].got, 8u);
    EXPECT_EQ(reads[3].requested, 10u);
    EXPECT_EQ(reads[3].end - reads[3].start, 70ms);
}

TEST_F(IdCodeTest, VersionRepliesOtherThanEightBytesLeaveTheLabelEmpty) {
    for (const char* version : {"VER.1.0", "VER.1.481", ""}) {
        // The session has read a version from another chip before.
        Chip({});
        Connect();
        W().VerifyIdCode(T());
        ASSERT_EQ(W().BootVersion(), "VER.1.00");
        sim::ChipConfig config;
        config.version = version;
        SwapChip(config);
        view.versionTexts.clear();
        Connect();
        W().VerifyIdCode(T());
        EXPECT_EQ(W().BootVersion(), "") << version;
        EXPECT_EQ(view.versionTexts, std::vector<std::string>{""}) << version;
    }
}

TEST_F(IdCodeTest, AlreadyVerifiedReadsTheVersionAndSendsNoIdCheck) {
    sim::ChipConfig config;
    config.verifiedWhenBlank = true;
    config.version = "VER.2.01";
    Chip(config);
    Connect();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x800C);
    EXPECT_EQ(Frames(), (std::vector<Bytes8>{{0x70}, {0xFB}}));
    EXPECT_EQ(view.versionTexts, std::vector<std::string>{"VER.2.01"});
    EXPECT_TRUE(view.statuses.empty());
}

TEST_F(IdCodeTest, NotReadyOrFlaggedStatusReturnsAtOnce) {
    Connect();
    W().VerifyIdCode(T());
    ASSERT_EQ(W().BootVersion(), "VER.1.00");
    view.versionTexts.clear();
    sim::ChipConfig config;
    config.faults.loopBack = true;
    SwapChip(config);
    view.modePin = true;  // the mode-pin link takes the echo 0x70 0x00 as 0x3000
    ASSERT_EQ(W().ConnectBootMode(T()).Word(), 0x3000);
    Link().ClearLog();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x3000);
    EXPECT_EQ(Frames(), std::vector<Bytes8>{{0x70}});
    EXPECT_TRUE(view.versionTexts.empty());  // Label3 keeps its text
    EXPECT_EQ(W().BootVersion(), "");
}

TEST_F(IdCodeTest, ErrorFlagsStillSetAfterTheClearStopTheIdSteps) {
    Connect();
    Link().Target().HostSends(0x33, Link().Now());  // the chip flags an error after connecting
    EXPECT_EQ(W().VerifyIdCode(T()), 0xB000);
    EXPECT_EQ(Frames(), std::vector<Bytes8>{{0x70}});
}

TEST_F(IdCodeTest, ProtectedChipUnlockedByTheIdFile) {
    Chip(Protected(sim::Family::R8C, kCode));
    IdFileFor("prog.mot", IdFileText("0FFD", kCode));
    Connect();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x800C);
    const auto checks = IdChecks();
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0].second, kErased);
    EXPECT_EQ(checks[1].second, Bytes8(kCode.begin(), kCode.end()));
    EXPECT_EQ(view.statuses, (std::vector<std::string>{"ID all FF 照合中", "IDファイル 照合中"}));
    EXPECT_EQ(view.dialogShown, 0);

    // The chip stays unlocked until it is reset: the next connection finds it verified.
    W().CloseCommHandle();
    Connect();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x800C);
    EXPECT_EQ(Count(0xF5), 0);
}

TEST_F(IdCodeTest, NoIdFileSendsSevenZerosThenAsksTheDialog) {
    Chip(Protected(sim::Family::M16C, kCode));
    view.cpuFamily = "M16C";
    view.fileName = dir.Name("missing.mot");
    view.dialog = [](const std::string&) { return IdCodeAnswer{kCode, "M16C"}; };
    Connect();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x800C);
    const auto checks = IdChecks();
    ASSERT_EQ(checks.size(), 3u);
    for (const auto& check : checks) EXPECT_EQ(check.first, (Bytes8{0xF5, 0xDF, 0xFF, 0x0F, 0x07}));
    EXPECT_EQ(checks[0].second, kErased);
    EXPECT_EQ(checks[1].second, kZeros);
    EXPECT_EQ(checks[2].second, Bytes8(kCode.begin(), kCode.end()));
    EXPECT_EQ(view.dialogShown, 1);
    EXPECT_EQ(view.statuses.size(), 2u);  // the dialog step shows no status text
    EXPECT_EQ(W().IdCode(), kCode);
}

TEST_F(IdCodeTest, WrongCodeEverywhereStopsAfterThreeIdChecks) {
    Chip(Protected(sim::Family::M32C, kCode));
    view.cpuFamily = "M32C";
    IdFileFor("prog.mot", IdFileText("FFFF", {1, 2, 3, 4, 5, 6, 7}));
    view.dialog = [](const std::string&) {
        return IdCodeAnswer{IdCodeBytes{9, 9, 9, 9, 9, 9, 9}, "M32C"};
    };
    Connect();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x8004);  // ready, ID mismatch
    const auto checks = IdChecks();
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(checks[0].first, (Bytes8{0xF5, 0xDF, 0xFF, 0xFF, 0x07}));
    EXPECT_EQ(checks[1].second, (Bytes8{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(checks[2].second, (Bytes8{9, 9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(Count(0x70), 4);  // the first status, then one after each ID Check
}

TEST_F(IdCodeTest, CancelledDialogReturnsTheIdFileStatus) {
    // A first chip was unlocked through the dialog with the family "R8C".
    Chip(Protected(sim::Family::R8C, kCode));
    view.dialog = [](const std::string&) { return IdCodeAnswer{kCode, "R8C"}; };
    Connect();
    ASSERT_EQ(W().VerifyIdCode(T()), 0x800C);
    ASSERT_EQ(W().DialogCpuFamily(), "R8C");
    // OK with no family counts as a cancel; the family is emptied before the dialog is shown.
    SwapChip(Protected(sim::Family::R8C, kCode));
    view.dialog = [](const std::string&) { return IdCodeAnswer{kCode, ""}; };
    view.dialogShown = 0;
    Connect();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x8004);
    EXPECT_EQ(W().DialogCpuFamily(), "");
    EXPECT_EQ(IdChecks().size(), 2u);
    EXPECT_EQ(view.dialogShown, 1);
    EXPECT_EQ(view.cpuFamily, "R8C");
}

TEST_F(IdCodeTest, DialogFamilyR8CMUsesTheM16CAddressAndStaysInTheWindow) {
    Chip(Protected(sim::Family::M16C, kCode));
    view.cpuFamily = "R8C";  // the window guessed wrong; the user corrects it in the dialog
    view.dialog = [](const std::string&) { return IdCodeAnswer{kCode, "R8CM"}; };
    Connect();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x800C);
    const auto checks = IdChecks();
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(checks[0].first, (Bytes8{0xF5, 0xDF, 0xFF, 0x00, 0x07}));  // R8C's address first
    EXPECT_EQ(checks[2].first, (Bytes8{0xF5, 0xDF, 0xFF, 0x0F, 0x07}));
    EXPECT_EQ(view.cpuFamily, "R8CM");
}

TEST_F(IdCodeTest, ShortIdFileLeavesZerosForTheMissingLines) {
    Chip(Protected(sim::Family::R8C, {0xA1, 0xB2, 0xC3, 0, 0, 0, 0}));
    IdFileFor("short.mot", "hdr\n0FFDDFa1\nFFE3B2\nFFEBc3\n");
    Connect();
    EXPECT_EQ(W().VerifyIdCode(T()), 0x800C);
    EXPECT_EQ(IdChecks().back().second, (Bytes8{0xA1, 0xB2, 0xC3, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace bramblet::testing
