#pragma once
// UTF-16 text, as Windows keeps it in registry hives and some INI files, turned into the UTF-8
// that the installer works in on POSIX.
#include <cstdint>
#include <string>
#include <string_view>

namespace kelpin {

// Appends UTF-16 code units to a UTF-8 text. Surrogates pair up; one without its partner
// becomes U+FFFD.
class Utf16Decoder {
public:
    explicit Utf16Decoder(std::string& out) : out_(out) {}
    void Unit(std::uint32_t unit);
    // A byte taken as it is, between units; it ends a pending surrogate.
    void Byte(char c);
    // Ends the text: a pending surrogate becomes U+FFFD.
    void Finish();

private:
    std::string& out_;
    std::uint32_t high_ = 0;
};

// UTF-16LE bytes (without their byte-order mark) as UTF-8; an odd last byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);

}  // namespace kelpin
