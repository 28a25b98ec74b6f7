#include "writer/form/IdCodeForm.h"

#include "text/Catalogue.h"
#include "writer/common/Text.h"
#include "writer/form/Layout.h"

namespace bramblet::form {
namespace {

// Only the digits and the upper-case letters count: the fields turn typed letters into upper
// case, and anything else is for the user to correct.
int Nibble(char c) {
    return (c >= 'a' && c <= 'f') ? -1 : HexDigitValue(c);
}

}  // namespace

std::optional<IdCodeBytes> IdCodeFromFields(const std::array<std::string, 7>& fields) {
    IdCodeBytes code{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& text = fields[i];
        if (text.empty() || text.size() > 2) return std::nullopt;
        const int high = Nibble(text[0]);
        const int low = text.size() == 2 ? Nibble(text[1]) : 0;
        if (high < 0 || low < 0) return std::nullopt;
        code[i] = static_cast<std::uint8_t>(text.size() == 2 ? high << 4 | low : high);
    }
    return code;
}

void IdCodeForm::Opening(const std::string& family) {
    family_ = family;
    answer_.reset();
}

void IdCodeForm::FormShow() {
    face_.SetStatus(text::Say(text::Tx::Protected, text::Lang::Ja));
    face_.SetFamilyText(family_);
}

void IdCodeForm::Button1Click() {
    std::array<std::string, 7> fields;
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = face_.FieldText(i);
    const std::optional<IdCodeBytes> code = IdCodeFromFields(fields);
    if (!code) return;  // the user corrects the field or cancels
    answer_ = IdCodeAnswer{*code, face_.FamilyText()};
    face_.CloseDialog();
}

void IdCodeForm::Button2Click() {
    const std::optional<std::string> path = face_.ChooseFile(kIdFileDialog);
    if (!path) return;
    const std::optional<IdFileContents> contents = ReadIdFile(*path);
    if (!contents) return;
    for (std::size_t i = 0; i < contents->code.size(); ++i) {
        face_.SetFieldText(i, Hex(contents->code[i], 2));
    }
    if (contents->family) face_.SetFamilyText(FamilyName(*contents->family));
}

IdCodeForm::Position IdCodeForm::FormPaint(int mainLeft, int mainTop) {
    return {mainLeft + kForm2OffsetX, mainTop + kForm2OffsetY};
}

}  // namespace bramblet::form
