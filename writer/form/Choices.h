#pragma once
// The window's own choices beyond the design's: the items of its menu (the title bar's menu on
// Windows, a context menu of the window on Linux), each a check mark kept as a value of the
// settings key. A choice never made has no value, and no value is the design's way, so a window
// whose settings hold none behaves and saves exactly as the design's.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "text/Catalogue.h"
#include "writer/core/Target.h"
#include "writer/platform/Settings.h"

namespace bramblet::form {

struct Choice {
    text::Tx text;        // the menu item
    const char* setting;  // the settings value that keeps it
    RegType type;         // RegType::Dword or RegType::Sz
    // The values written when the item is ticked and when it is cleared, as text: a REG_DWORD in
    // decimal. The item shows its check mark when the value in force is `checked`.
    const char* checked;
    const char* unchecked;
    // What the value in force (the stored one, else `unchecked`) does to an operation's target.
    void (*apply)(const std::string& value, Target& target);
};

// The rows in the order of the menu; their settings are read and written in this order too.
std::span<const Choice> WindowChoices();

// A menu item as a window shows it.
struct MenuItem {
    std::string text;
    bool checked = false;
};

// The choices' values between the settings key and the menu.
class ChoiceValues {
public:
    ChoiceValues();
    // Takes each value the key holds with its row's type. A value of another type stays
    // unknown: the design's way is in force, and it is left in the key as it is.
    void Read(const SettingsKey& key);
    // Writes the values read or chosen, in the table's order; those never known are not written.
    void Write(SettingsKey& key) const;

    std::vector<MenuItem> Items() const;
    // The user picked the item: a ticked one is cleared, any other ticked.
    void Toggle(std::size_t row);
    void Apply(Target& target) const;

private:
    struct Value {
        std::string setting;
        RegType type;
        std::optional<std::string> text;  // nothing: not in the settings, or of another type
    };
    Value& Of(const Choice& row);
    const Value& Of(const Choice& row) const;
    std::string InForce(const Choice& row) const;

    // One per setting the rows name, in the order of their first row.
    std::vector<Value> values_;
};

}  // namespace bramblet::form
