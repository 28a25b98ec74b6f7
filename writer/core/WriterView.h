#pragma once
// The window as the operations see it. The operations read the controls' texts at the moment
// they run and report only through this interface, so the Qt window, the command line and the
// tests are interchangeable faces of one core.
#include <array>
#include <cstdint>
#include <string>

namespace bramblet {

using IdCodeBytes = std::array<std::uint8_t, 7>;

// MessageBeep types: the simple beep on failure, MB_ICONEXCLAMATION on success.
constexpr std::uint32_t kBeepFailure = 0xFFFFFFFF;
constexpr std::uint32_t kBeepSuccess = 0x30;

enum class ActionButton { Write = 1, Erase = 2, Verify = 3 };

class WriterView {
public:
    virtual ~WriterView() = default;

    virtual std::string FileName() const = 0;   // Edit1
    virtual std::string PortName() const = 0;   // ComboBox1
    virtual std::string CpuFamily() const = 0;  // ComboBox2
    virtual void SetCpuFamily(const std::string& family) = 0;
    virtual bool ModePin() const = 0;  // CheckBox1

    virtual void SetStatus(const std::string& text) = 0;       // StatusBar1
    virtual void SetProgress(int position) = 0;                // ProgressBar1, 0 to 100
    virtual void SetVersionText(const std::string& text) = 0;  // Label3
    virtual void SetFileCheckText(const std::string& text) = 0;  // Label4
    virtual void SetButtonEnabled(ActionButton button, bool enabled) = 0;
    virtual void Beep(std::uint32_t type) = 0;

    // Shows the ID code dialog modally and repaints the window when it closes. On OK the
    // dialog stores both fields; on Cancel or the close box it stores nothing.
    virtual void ShowIdCodeDialog(IdCodeBytes& dialogIdCode, std::string& dialogCpuFamily) = 0;
};

}  // namespace bramblet
