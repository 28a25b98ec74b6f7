#pragma once
// What discovery finds, in fixed records that are copied by value. The widths are those of the
// report's texts; nothing longer than a field is ever stored in it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kelpin {

// A zero-terminated text of at most Capacity - 1 characters.
template <std::size_t Capacity>
class FixedText {
public:
    static constexpr std::size_t kMaxLength = Capacity - 1;

    // For texts that are only shown or compared: a longer text is cut to the field. A zero byte
    // ends the text, as it would in any C string the text came through.
    void Assign(std::string_view text) {
        text = text.substr(0, text.find('\0'));
        const std::size_t length = text.size() < kMaxLength ? text.size() : kMaxLength;
        std::memcpy(text_.data(), text.data(), length);
        text_[length] = '\0';
    }

    // For paths: a cut path names another folder, so a text that does not fit is refused and
    // the field is left as it was.
    bool AssignWhole(std::string_view text) {
        text = text.substr(0, text.find('\0'));
        if (text.size() > kMaxLength) return false;
        Assign(text);
        return true;
    }

    void Clear() { text_[0] = '\0'; }
    bool Empty() const { return text_[0] == '\0'; }
    std::string_view View() const { return std::string_view(text_.data()); }

private:
    std::array<char, Capacity> text_{};
};

struct ToolRecord {
    FixedText<20> version;
    FixedText<140> path;
};

// The two families whose project generator is patched.
enum class Family { M16c, M32c };

// The kinds of tool that the tools database names; the values index `ToolInventory::kinds`.
enum class ToolKind : int { None = 0, Nc30wa = 1, Nc308wa = 2, FoUsbM16c = 3, FoUsbM32c = 4 };

// The entries of one kind found in the tools database (or through a compiler's environment
// variable). The current record is the last one stored.
struct KindTable {
    static constexpr int kEntries = 3;
    std::array<ToolRecord, kEntries> entries{};
    std::int8_t count = 0;
    bool found = false;

    const ToolRecord& Current() const { return entries[count > 0 ? count - 1 : 0]; }
};

struct ToolInventory {
    FixedText<200> sourceDir;

    ToolRecord hew;
    bool hewFound = false;
    ToolRecord workspace;

    std::array<KindTable, 5> kinds{};  // index 0 (no kind) stays unused

    ToolRecord kd30;
    bool kd30Found = false;
    ToolRecord kd3083;
    bool kd3083Found = false;

    ToolRecord pgM16c;
    bool pgM16cFound = false;
    ToolRecord pgM32c;
    bool pgM32cFound = false;

    KindTable& Kind(ToolKind kind) { return kinds[static_cast<int>(kind)]; }
    const KindTable& Kind(ToolKind kind) const { return kinds[static_cast<int>(kind)]; }
};

}  // namespace kelpin
