// write --set-id against bramblet-sim on pseudo-terminals: the chip ends up protected with the
// code, the ID file beside the write file lets later commands and the window unlock it, and every
// refusal comes before a byte is sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/SimChips.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "writer/core/FileChoice.h"
#include "writer/form/IdCodeForm.h"

namespace bramblet::testing {
namespace {

using Lines = std::vector<std::string>;

// "4B656C70696E21" spelt out, at the R8C's ID addresses.
constexpr std::uint8_t kCode[7] = {0x4B, 0x65, 0x6C, 0x70, 0x69, 0x6E, 0x21};
constexpr std::uint32_t kIdAt[7] = {0xFFDF, 0xFFE3, 0xFFEB, 0xFFEF, 0xFFF3, 0xFFF7, 0xFFFB};
const std::string kCodeText = "4B656C70696E21";
const std::string kIdFileBytes =
    "R8C\r\n0FFDF:4B\r\n0FFE3:65\r\n0FFEB:6C\r\n0FFEF:70\r\n0FFF3:69\r\n0FFF7:6E\r\n0FFFB:21\r\n";

// The dialog's face, answering its file-open dialog with one file.
class DialogFace : public form::IdDialogFace {
public:
    explicit DialogFace(std::string file) : file_(std::move(file)) {}
    std::string FieldText(std::size_t i) const override { return fields[i]; }
    void SetFieldText(std::size_t i, const std::string& text) override { fields[i] = text; }
    std::string FamilyText() const override { return family; }
    void SetFamilyText(const std::string& text) override { family = text; }
    void SetStatus(const std::string&) override {}
    std::optional<std::string> ChooseFile(const form::OpenDialogDefaults&) override {
        return file_;
    }
    void CloseDialog() override {}
    void ShowLanguage(text::Lang) override {}

    std::array<std::string, 7> fields;
    std::string family = "M16C";

private:
    std::string file_;
};

class CliProtectTest : public SimChipsTest {
protected:
    bool Exists(const std::string& name) {
        return std::filesystem::exists(TempDir::Utf8(dir.Name(name)));
    }
    // The command lines a simulator's --verbose log holds ("   1.234 ms  F5 00FFDF ...").
    Lines Commands(const std::string& log) {
        std::istringstream in(Contents(log));
        Lines commands;
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            std::string time, ms, code;
            if (fields >> time >> ms >> code && ms == "ms" && code.size() == 2) {
                commands.push_back(line);
            }
        }
        return commands;
    }

    // A program at 0x4000 and its reset vector in the fixed vector page, which the ID bytes share.
    const std::string records =
        SRecords('1', 0x4000, 0x180, 3) + SRecord('1', 0xFFFC, {0x00, 0x40, 0x00, 0x00});
};

TEST_F(CliProtectTest, ProtectedChipUnlocksWithTheIdFileWrittenBesideTheFile) {
    // The file may hold the code's own bytes where they go: ID1 here.
    const std::string file = dir.Write("prog.mot", records + SRecord('1', 0xFFDF, {0x4B}));
    auto chip = Sim("chip");
    const RunResult write = Cli({"write", file, "--port", dir.Name("chip"), "--set-id", kCodeText,
                                 "--verify-by", "sum", "--baud", "115200"});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.Lines().back(), kWritten);
    EXPECT_EQ(Contents("prog.id"), kIdFileBytes);
    EXPECT_NE(write.err.find("prog.id"), std::string::npos) << write.err;

    // The window's rules read it: the family when the file is chosen, the code in the dialog.
    EXPECT_EQ(ReadIdFileFamily(file), Family::R8C);
    DialogFace face(dir.Name("prog.id"));
    form::IdCodeForm dialog(face);
    dialog.Button2Click();
    EXPECT_EQ(face.fields, (std::array<std::string, 7>{"4B", "65", "6C", "70", "69", "6E", "21"}));
    EXPECT_EQ(face.family, "R8C");

    // After a reset the chip asks for the code: without the file nothing unlocks it, with the
    // file its ID file does.
    chip->Signal(SIGUSR1);
    const RunResult bare = Cli({"info", "--port", dir.Name("chip")});
    EXPECT_EQ(bare.status, 1);
    EXPECT_EQ(bare.Lines().back(), kIdMismatch);
    const RunResult info = Cli({"info", file, "--port", dir.Name("chip")});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.Lines(), (Lines{kConnecting, kIdAllFF, kIdFile, kIdVerified, "version: VER.1.00",
                                   "SRD: 80 (ready)", "SRD1: 0C (ID verified)", "family: R8C"}));
    // A verify of the same file, also without --id; the code's bytes are the chip's now.
    chip->Signal(SIGUSR1);
    EXPECT_EQ(Cli({"verify", file, "--port", dir.Name("chip")}).Lines().back(), kVerified);

    ASSERT_EQ(chip->Stop(), 0);
    const sim::Chip saved = Saved("chip");
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(saved.Read(kIdAt[i]), kCode[i]) << i;
    for (std::uint32_t a = 0x4000; a < 0x4180; ++a) ASSERT_EQ(saved.Read(a), (a + 3) & 0xFF);
    EXPECT_EQ(saved.Read(0xFFFD), 0x40);
    EXPECT_EQ(saved.Read(0xFFE0), 0xFF);  // beside the code, what the file does not supply
}

TEST_F(CliProtectTest, RefusalsSendNothingAndTouchNoFile) {
    const std::string log = dir.Name("sim.log");
    const std::string old = dir.Write("old.mot", SRecords('1', 0x4000, 0x10, 9));
    auto chip = Sim("chip", {"--verbose", "--load", old}, log);
    const std::string file = dir.Write("prog.mot", records);
    // An 0xFF in the file is a byte it supplies, and the code would silently replace it.
    const std::string erasedLooking = dir.Write("ff.mot", records + SRecord('1', 0xFFEB, {0xFF}));
    const std::string otherCode =
        "R8C\r\n0FFDF:01\r\n0FFE3:02\r\n0FFEB:03\r\n0FFEF:04\r\n0FFF3:05\r\n0FFF7:06\r\n0FFFB:"
        "07\r\n";
    dir.Write("prog.id", otherCode);

    struct Case {
        std::vector<std::string> args;
        std::string said;  // on standard error
    };
    const std::vector<Case> refused = {
        {{"write", erasedLooking, "--set-id", kCodeText}, "00FFEB holds FF, not 6C"},
        {{"write", file, "--set-id", kCodeText}, dir.Name("prog.id")},
        {{"write", file, "--set-id", "4B656C70696E2"}, "--set-id takes 14 hex digits"},
        {{"write", file, "--set-id", "4B656C70696E2G"}, "--set-id takes 14 hex digits"},
        {{"write", file, "--force"}, "--force goes only with --set-id"},
        {{"verify", file, "--set-id", kCodeText}, "unknown option --set-id"},
        {{"write", file, "--set-id", kCodeText, "--serial", "FFEB:1:" + dir.Name("n.txt")},
         "--serial and --set-id"},
    };
    dir.Write("n.txt", "1\n");
    for (Case c : refused) {
        c.args.insert(c.args.end(), {"--port", dir.Name("chip")});
        const RunResult run = Cli(c.args);
        EXPECT_EQ(run.status, 2) << c.said;
        EXPECT_EQ(run.out, "") << c.said;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    }
    EXPECT_EQ(Contents("prog.id"), otherCode);
    EXPECT_FALSE(Exists("ff.id"));
    EXPECT_EQ(Contents("n.txt"), "1\n");
    EXPECT_EQ(Commands("sim.log"), Lines{});

    // --force replaces the other code's file once the chip holds the new one.
    const RunResult forced =
        Cli({"write", file, "--port", dir.Name("chip"), "--set-id", kCodeText, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(Contents("prog.id"), kIdFileBytes);
    EXPECT_FALSE(Commands("sim.log").empty());  // the log shows what is sent
    ASSERT_EQ(chip->Stop(), 0);
    const sim::Chip saved = Saved("chip");
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(saved.Read(kIdAt[i]), kCode[i]) << i;
}

TEST_F(CliProtectTest, IdFileOnlyForChipsWrittenAndOnceForSeveral) {
    const std::string old = dir.Write("old.mot", SRecords('1', 0x4000, 0x10, 1));
    auto a = Sim("a");
    auto b = Sim("b", {"--id", "0123456789ABCD", "--load", old});  // locked, and no code given
    auto c = Sim("c");

    // No board written: no ID file, though the code was given.
    const std::string lost = dir.Write("lost.mot", records);
    const RunResult none = Cli({"write", lost, "--port", dir.Name("b"), "--set-id", kCodeText});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.Lines().back(), kIdMismatch);
    EXPECT_FALSE(Exists("lost.id"));

    // The same code on every board; the file is written for those that were.
    const std::string file = dir.Write("prog.mot", records);
    const RunResult write = Cli({"write", file, "--port", dir.Name("a"), "--port", dir.Name("b"),
                                 "--port", dir.Name("c"), "--set-id", kCodeText});
    EXPECT_EQ(write.status, 1);
    const Lines lines = write.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{dir.Name("a") + ": ok", dir.Name("b") + ": failed: ID照合不一致",
                     dir.Name("c") + ": ok"}));
    EXPECT_EQ(Contents("prog.id"), kIdFileBytes);

    // An ID file that already holds the code is left as it is, in whatever hand it was written.
    const std::string own =
        "r8c by hand\n0FFDF:4b\n0FFE3:65\n0FFEB:6c\n0FFEF:70\n0FFF3:69\n"
        "0FFF7:6e\n0FFFB:21\n";
    dir.Write("prog.id", own);
    a->Signal(SIGUSR1);
    EXPECT_EQ(Cli({"write", file, "--port", dir.Name("a"), "--set-id", kCodeText}).status, 0);
    EXPECT_EQ(Contents("prog.id"), own);

    for (auto* sim : {a.get(), b.get(), c.get()}) ASSERT_EQ(sim->Stop(), 0);
    for (const char* name : {"a", "c"}) {
        const sim::Chip saved = Saved(name);
        for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(saved.Read(kIdAt[i]), kCode[i]) << name;
    }
    const sim::Chip locked = Saved("b");
    for (std::uint32_t x = 0x4000; x < 0x4010; ++x) ASSERT_EQ(locked.Read(x), (x + 1) & 0xFF);
}

}  // namespace
}  // namespace bramblet::testing
