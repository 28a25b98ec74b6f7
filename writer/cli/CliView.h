#pragma once
// The window as a terminal: every status-line text becomes a line on standard output, the
// boot program's version and the progress bar go to standard error. With several boards at
// once, each board has its own view and every line starts with its port.
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "writer/core/WriterView.h"

namespace bramblet {

// Standard output and standard error shared by the boards: each line is written whole, and a
// progress bar (one board on a terminal) is ended before any line.
class Console {
public:
    Console(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}
    void Out(const std::string& prefix, const std::string& text) { Line(out_, prefix, text); }
    void Err(const std::string& prefix, const std::string& text) { Line(err_, prefix, text); }
    void Progress(int position);
    void EndProgress();

private:
    void Line(std::FILE* stream, const std::string& prefix, const std::string& text);
    void EndProgressLocked();

    std::mutex mutex_;
    std::FILE* out_;
    std::FILE* err_;
    bool progressShown_ = false;
};

class CliView : public WriterView {
public:
    // `prefix` starts every line ("" for one board, "PORT: " for several).
    CliView(Console& console, std::string prefix) : console_(console), prefix_(std::move(prefix)) {}

    std::string fileName;
    std::string portName = "COM1";
    std::string cpuFamily = "R8C";
    bool modePin = false;
    // The answer the ID code dialog would give; without one the dialog counts as cancelled.
    std::optional<IdCodeBytes> dialogCode;
    // The family confirmed with it; by default the one the dialog opens with, the window's.
    std::optional<std::string> dialogFamily;
    bool quiet = false;         // status texts are not printed (choosing the family before a run)
    bool showProgress = false;  // a bar on standard error, for one board on a terminal

    std::string FileName() const override { return fileName; }
    std::string PortName() const override { return portName; }
    std::string CpuFamily() const override { return cpuFamily; }
    void SetCpuFamily(const std::string& family) override { cpuFamily = family; }
    bool ModePin() const override { return modePin; }
    void UpdateModePinVisibility() override {}

    void SetStatus(const std::string& text) override;
    void SetProgress(int position) override;
    void SetVersionText(const std::string& text) override;
    void SetFileCheckText(const std::string&) override {}
    void SetButtonEnabled(ActionButton, bool) override {}
    void Beep(std::uint32_t) override {}
    std::optional<IdCodeAnswer> ShowIdCodeDialog(const std::string& family) override;

    // Lines of the command line's own, after the board's prefix.
    void Print(const std::string& text) { console_.Out(prefix_, text); }
    void Error(const std::string& text) { console_.Err(prefix_, text); }

private:
    Console& console_;
    const std::string prefix_;
};

}  // namespace bramblet
