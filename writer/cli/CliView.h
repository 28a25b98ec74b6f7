#pragma once
// The window as a terminal: every status-line text becomes a line on standard output, the
// boot program's version and the progress bar go to standard error.
#include <cstdio>
#include <optional>
#include <string>

#include "core/WriterView.h"

namespace bramblet {

class CliView : public WriterView {
public:
    CliView(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    std::string fileName;
    std::string portName = "COM1";
    std::string cpuFamily = "R8C";
    bool modePin = false;
    // The answer the ID code dialog would give; without one the dialog counts as cancelled.
    std::optional<IdCodeBytes> dialogCode;
    // The family confirmed with it; by default the one the dialog opens with, the window's.
    std::optional<std::string> dialogFamily;
    bool quiet = false;         // status texts are not printed (choosing the family before a run)
    bool showProgress = false;  // a bar on standard error, for terminals

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

    void EndProgress();

private:
    std::FILE* out_;
    std::FILE* err_;
    bool progressShown_ = false;
};

}  // namespace bramblet
