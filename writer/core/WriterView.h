#pragma once
// The window as the operations see it. The operations read the controls' texts at the moment
// they run and report only through this interface, so the Qt window, the command line and the
// tests are interchangeable faces of one core.
#include <cstdint>
#include <optional>
#include <string>

#include "writer/flash/IdFile.h"

namespace bramblet {

// MessageBeep types: the simple beep on failure, MB_ICONEXCLAMATION on success.
constexpr std::uint32_t kBeepFailure = 0xFFFFFFFF;
constexpr std::uint32_t kBeepSuccess = 0x30;

enum class ActionButton { Write = 1, Erase = 2, Verify = 3 };

// What the ID code dialog answers when it is confirmed.
struct IdCodeAnswer {
    IdCodeBytes code{};
    std::string family;  // as typed; may be empty
};

class WriterView {
public:
    virtual ~WriterView() = default;

    virtual std::string FileName() const = 0;   // Edit1
    virtual std::string PortName() const = 0;   // ComboBox1
    virtual std::string CpuFamily() const = 0;  // ComboBox2
    virtual void SetCpuFamily(const std::string& family) = 0;
    virtual bool ModePin() const = 0;  // CheckBox1
    // The mode-pin box is shown for the R8C family only.
    virtual void UpdateModePinVisibility() = 0;

    virtual void SetStatus(const std::string& text) = 0;         // StatusBar1
    virtual void SetProgress(int position) = 0;                  // ProgressBar1, 0 to 100
    virtual void SetVersionText(const std::string& text) = 0;    // Label3
    virtual void SetFileCheckText(const std::string& text) = 0;  // Label4
    virtual void SetButtonEnabled(ActionButton button, bool enabled) = 0;
    virtual void Beep(std::uint32_t type) = 0;

    // Shows the ID code dialog modally, opening with `family`, and repaints the window when it
    // closes. Nothing when it was cancelled or closed.
    virtual std::optional<IdCodeAnswer> ShowIdCodeDialog(const std::string& family) = 0;
};

}  // namespace bramblet
