#include "writer/form/Choices.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "writer/link/Rates.h"

namespace bramblet::form {
namespace {

// "Baud" holds the rate itself, so a rate set by hand in the settings is used too; a number that
// is no rate of the boot programs leaves the design's link.
void ApplyBaud(const std::string& value, Target& target) {
    std::uint32_t baud = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), baud);
    const bool whole = error == std::errc() && end == value.data() + value.size();
    target.link.baud = whole && IsLinkRate(baud) ? baud : 0;
}

void ApplyVerifyBy(const std::string& value, Target& target) {
    target.flash.verifyBySum = value == "sum";
}

constexpr std::array<Choice, 2> kChoices = {{
    {text::Tx::MenuFastLink, "Baud", RegType::Dword, "115200", "0", ApplyBaud},
    {text::Tx::MenuVerifyBySum, "VerifyBy", RegType::Sz, "sum", "read", ApplyVerifyBy},
}};

std::optional<std::string> ValueText(const RegValue& value, RegType type) {
    if (value.type != type) return std::nullopt;
    if (type == RegType::Sz) return StringFromData(value.data);
    if (value.data.size() != 4) return std::nullopt;
    const auto& d = value.data;
    return std::to_string(static_cast<std::uint32_t>(d[0]) | d[1] << 8 | d[2] << 16 |
                          static_cast<std::uint32_t>(d[3]) << 24);
}

}  // namespace

std::span<const Choice> WindowChoices() {
    return kChoices;
}

ChoiceValues::ChoiceValues() {
    for (const Choice& row : WindowChoices()) {
        bool known = false;
        for (const Value& value : values_) known = known || value.setting == row.setting;
        if (!known) values_.push_back({row.setting, row.type, std::nullopt});
    }
}

void ChoiceValues::Read(const SettingsKey& key) {
    for (Value& value : values_) {
        if (const std::optional<RegValue> stored = key.Query(value.setting)) {
            value.text = ValueText(*stored, value.type);
        }
    }
}

void ChoiceValues::Write(SettingsKey& key) const {
    for (const Value& value : values_) {
        if (!value.text) continue;
        if (value.type == RegType::Sz) {
            WriteString(key, value.setting, *value.text);
        } else {
            WriteDword(key, value.setting, static_cast<std::int32_t>(std::stoul(*value.text)));
        }
    }
}

std::vector<MenuItem> ChoiceValues::Items() const {
    std::vector<MenuItem> items;
    for (const Choice& row : WindowChoices()) {
        items.push_back({text::Say(row.text, text::Lang::Ja), InForce(row) == row.checked});
    }
    return items;
}

void ChoiceValues::Toggle(std::size_t row) {
    const Choice& choice = WindowChoices()[row];
    Of(choice).text = InForce(choice) == choice.checked ? choice.unchecked : choice.checked;
}

void ChoiceValues::Apply(Target& target) const {
    for (const Choice& row : WindowChoices()) {
        if (row.apply) row.apply(InForce(row), target);
    }
}

ChoiceValues::Value& ChoiceValues::Of(const Choice& row) {
    // Every row's setting has its value from the constructor on.
    return *std::find_if(values_.begin(), values_.end(),
                         [&row](const Value& value) { return value.setting == row.setting; });
}

const ChoiceValues::Value& ChoiceValues::Of(const Choice& row) const {
    return const_cast<ChoiceValues&>(*this).Of(row);
}

std::string ChoiceValues::InForce(const Choice& row) const {
    const Value& value = Of(row);
    return value.text ? *value.text : row.unchecked;
}

}  // namespace bramblet::form
