#pragma once
// UTF-16, as Windows keeps text in its API, the registry and some files, and the UTF-8 that both
// programs work in. Every conversion of one into the other goes through here, so that malformed
// input is replaced the same way everywhere: a byte that does not start a well-formed UTF-8
// sequence becomes one U+FFFD, and so does a surrogate without its partner.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view units);

// The units of a UTF-8 text as UTF-16LE bytes, without a byte-order mark or terminating zero.
std::string Utf8ToUtf16Le(std::string_view utf8);
// UTF-16LE bytes (without their byte-order mark) as UTF-8; an odd last byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);

// The length in bytes of the longest start of a UTF-8 text that takes at most `units` UTF-16
// units, never ending in half of a character that needs two.
std::size_t Utf8PrefixInUtf16Units(std::string_view utf8, std::size_t units);

// Appends UTF-16 units one at a time to a UTF-8 text, for readers whose units arrive between
// other bytes (escaped text).
class Utf16Decoder {
public:
    explicit Utf16Decoder(std::string& out) : out_(out) {}
    void Unit(char16_t unit);
    // A byte taken as it is, between units; it ends a pending surrogate.
    void Byte(char c);
    // Ends the text: a pending surrogate becomes U+FFFD.
    void Finish();

private:
    std::string& out_;
    char16_t high_ = 0;
};

}  // namespace text
