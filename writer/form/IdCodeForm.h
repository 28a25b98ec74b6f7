#pragma once
// TForm2's rules without a toolkit: the ID code dialog's fields, its ID file loading and its place
// beside the main window. Created once with the main window, so its fields keep their texts from
// one showing to the next.
#include <array>
#include <optional>
#include <string>

#include "writer/core/WriterView.h"
#include "writer/form/MainForm.h"

namespace bramblet::form {

class IdDialogFace {
public:
    virtual ~IdDialogFace() = default;
    virtual std::string FieldText(std::size_t index) const = 0;  // Edit1 to Edit7, from 0
    virtual void SetFieldText(std::size_t index, const std::string& text) = 0;
    virtual std::string FamilyText() const = 0;  // ComboBox1
    virtual void SetFamilyText(const std::string& text) = 0;
    virtual void SetStatus(const std::string& text) = 0;  // StatusBar1
    // OpenDialog1, modally: the full path chosen, nothing when cancelled.
    virtual std::optional<std::string> ChooseFile(const OpenDialogDefaults& defaults) = 0;
    // Ends the modal showing.
    virtual void CloseDialog() = 0;
    // Every caption, label and button in `lang`, each control where that language places it.
    virtual void ShowLanguage(text::Lang lang) = 0;
};

// The code that seven field texts spell, or nothing when one is not one or two hex digits (0 to 9,
// A to F): one digit is the whole byte, two are its high and low nibble.
std::optional<IdCodeBytes> IdCodeFromFields(const std::array<std::string, 7>& fields);

class IdCodeForm {
public:
    explicit IdCodeForm(IdDialogFace& face) : face_(face) {}

    // Before the modal showing: the family it opens with and the main window's language; no
    // answer yet.
    void Opening(const std::string& family, text::Lang lang);
    // The answer of the showing that has ended: the code and the family text as typed when OK
    // closed it, nothing when it was cancelled or closed.
    std::optional<IdCodeAnswer> Answer() const { return answer_; }

    void FormShow();
    void Button1Click();  // OK: with valid fields the answer, and the dialog closes
    void Button2Click();  // an ID file fills the fields and may name the family
    void Button3Click() { face_.CloseDialog(); }

    struct Position {
        int left, top;
    };
    // Where the dialog keeps to, on every paint, from the main window's position.
    static Position FormPaint(int mainLeft, int mainTop);

private:
    IdDialogFace& face_;
    std::string family_;
    text::Lang language_ = text::Lang::Ja;
    text::Lang shown_ = text::Lang::Ja;  // the controls' language, the design's until changed
    std::optional<IdCodeAnswer> answer_;
};

}  // namespace bramblet::form
