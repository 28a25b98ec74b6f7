#pragma once
// TForm2, the ID code dialog in Win32: its controls, made from the dialog's layout table, wired
// to the dialog's rules (IdCodeForm). Created once with the main window, which owns it and 100
// pixels right of and below which it stays; its fields keep their texts from one showing to the
// next.
#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "writer/form/IdCodeForm.h"
#include "writer/win32ui/Controls.h"

namespace bramblet::win32ui {

class TForm2 : public FormWindow, private form::IdDialogFace {
public:
    explicit TForm2(HWND mainWindow);
    ~TForm2() override;
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;

    HWND Label2 = nullptr;
    std::array<HWND, 7> Edits{};  // Edit1 to Edit7
    HWND Button2 = nullptr;
    HWND ComboBox1 = nullptr;
    HWND Button1 = nullptr;
    HWND Button3 = nullptr;
    HWND StatusBar1 = nullptr;

    // Shows the dialog modally, opening with `family`, the other windows of the program disabled
    // meanwhile; the code and the family text when OK closed it with valid fields, nothing when it
    // was cancelled or closed.
    // Its texts are in `lang`.
    std::optional<IdCodeAnswer> Execute(const std::string& family, text::Lang lang);

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ReportError(const std::string& text) override { ShowErrorBox(window_, text); }
    void FormPaint();

    // IdDialogFace.
    std::string FieldText(std::size_t index) const override;
    void SetFieldText(std::size_t index, const std::string& text) override;
    std::string FamilyText() const override;
    void SetFamilyText(const std::string& text) override;
    void SetStatus(const std::string& text) override;
    std::optional<std::string> ChooseFile(const form::OpenDialogDefaults& defaults) override;
    void CloseDialog() override { closed_ = true; }
    void ShowLanguage(text::Lang lang) override;

    HWND main_;
    bool closed_ = true;
    form::IdCodeForm form_;
};

}  // namespace bramblet::win32ui
