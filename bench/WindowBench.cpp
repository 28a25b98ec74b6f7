// The window's write with its fast link against the design's: the window's rules (MainForm) with
// the settings a user's menu leaves, a 64 KB R8C file written by a click over the virtual line.
//   1. Neither "Baud" nor "VerifyBy" in the settings: the design's link and page reads.
//   2. "Baud"=115200 and "VerifyBy"="sum": against the first, and against the command line's
//      target for --baud 115200 --verify-by sum, which must take the same protocol time.
// Usage: window-bench
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "bench/Bench.h"
#include "sim/VirtualLink.h"
#include "writer/form/MainForm.h"
#include "writer/platform/RegFile.h"

namespace bramblet {
namespace {

using Seconds = std::chrono::duration<double>;

// The settings file, in memory.
class MemoryFile : public WholeFile {
public:
    explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {}
    std::optional<std::string> Read() override { return bytes_; }
    void Replace(const std::string& bytes) override { bytes_ = bytes; }
    std::string Name() const override { return "memory"; }

private:
    std::string bytes_;
};

// The window's controls as plain values; the last status text is the outcome.
class QuietFace : public form::MainFace, public form::BrowserFace {
public:
    std::string fileName, portName, family, status;
    bool modePin = false;

    std::string FileName() const override { return fileName; }
    void SetFileName(const std::string& t) override { fileName = t; }
    std::string PortName() const override { return portName; }
    void SetPortName(const std::string& t) override { portName = t; }
    void SetPortItems(const std::vector<std::string>&) override {}
    std::string CpuFamily() const override { return family; }
    void SetCpuFamily(const std::string& t) override { family = t; }
    bool ModePin() const override { return modePin; }
    void SetModePin(bool c) override { modePin = c; }
    void SetModePinVisible(bool) override {}
    int Top() const override { return 0; }
    int Left() const override { return 0; }
    void SetTop(int) override {}
    void SetLeft(int) override {}
    void FocusFileName() override {}
    void AcceptDrops() override {}
    void SetStatus(const std::string& t) override { status = t; }
    void SetProgress(int) override {}
    void SetVersionText(const std::string&) override {}
    void SetFileCheckText(const std::string&) override {}
    void SetButtonEnabled(ActionButton, bool) override {}
    void ShowError(const std::string& t) override {
        std::fprintf(stderr, "error: %s\n", t.c_str());
    }
    std::optional<std::string> ChooseFile(const form::OpenDialogDefaults&) override { return {}; }
    std::optional<IdCodeAnswer> ShowIdCodeDialog(const std::string&) override { return {}; }
    void BeginOperation() override {}
    void EndOperation() override {}
    void KeepPainted() override {}
    void Close() override {}
    std::string SelectedFile() const override { return {}; }
    void ShowFolder(const std::string&) override {}
    void SetMask(const std::string&) override {}
    void SelectFile(const std::string&) override {}
};

struct Run {
    double seconds = 0;  // protocol time on the virtual line
    std::string outcome;
};

// A window opened on settings holding the design's values and `extra`, then a click on the write
// button.
Run WindowWrite(const std::string& file, const std::string& extra) {
    const std::string settings =
        std::string("Windows Registry Editor Version 5.00\n\n[") + kSettingsKeyPath +
        "]\n\"WindowTop\"=dword:00000000\n" + "\"WindowLeft\"=dword:00000000\n\"FileName\"=\"" +
        file + "\"\n\"COM\"=\"COM1\"\n\"ModePin\"=dword:00000000\n" + "\"CPU\"=\"R8C\"\n" + extra;
    RegFileStore store(std::make_unique<MemoryFile>(settings));
    sim::VirtualLink line;
    QuietFace face;
    form::FormServices services;
    services.ports = &line.Opener();
    services.settings = &store;
    services.portNames = [] { return std::optional<std::vector<std::string>>(); };
    form::MainForm form(face, face, services, {});
    form.FormCreate();
    form.FormShow();
    form.Button1Click();
    return {Seconds(line.Now()).count(), face.status};
}

// The command line's target for --baud 115200 --verify-by sum, run by the core alone.
Run CommandLineWrite(const std::string& file) {
    class Quiet : public WriterView, public IdCodePrompt {
    public:
        std::string last;
        void SetStatus(const std::string& text) override { last = text; }
        std::optional<IdCodeAnswer> AskIdCode() override { return std::nullopt; }
    } view;
    sim::VirtualLink line;
    Session session(line.Opener(), view, view);
    Target target;
    target.port = "COM1";
    target.family = Family::R8C;
    target.writeFile = file;
    target.link.baud = 115200;
    target.flash.verifyBySum = true;
    session.WriteSequence(target);
    return {Seconds(line.Now()).count(), view.last};
}

}  // namespace
}  // namespace bramblet

int main() {
    using namespace bramblet;
    const auto name = std::filesystem::temp_directory_path() / "bramblet-window-bench-64k.mot";
    // Backslashes would need escaping in the settings file; the bench's path has none.
    const std::string file = bench::WriteBenchFile(name, 0x4000, 0x10000);
    const Run design = WindowWrite(file, "");
    const Run fast = WindowWrite(file, "\"Baud\"=dword:0001c200\n\"VerifyBy\"=\"sum\"\n");
    const Run cli = CommandLineWrite(file);
    std::filesystem::remove(name);

    std::printf("64 KB (256 pages), R8C, the window's write over the virtual line\n");
    std::printf("  design's link                    %8.3f s  %s\n", design.seconds,
                design.outcome.c_str());
    std::printf("  Baud 115200, VerifyBy sum        %8.3f s  %s\n", fast.seconds,
                fast.outcome.c_str());
    std::printf("  fast / design                    %8.3f   (target: at most 0.15)\n",
                fast.seconds / design.seconds);
    std::printf("  --baud 115200 --verify-by sum    %8.3f s  (the same: %s)\n", cli.seconds,
                cli.seconds == fast.seconds ? "yes" : "NO");
    const bool ok = design.outcome == fast.outcome && fast.outcome == cli.outcome &&
                    cli.seconds == fast.seconds && fast.seconds <= 0.15 * design.seconds;
    return ok ? 0 : 1;
}
