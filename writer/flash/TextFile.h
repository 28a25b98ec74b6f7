#pragma once
// Write files and ID files are text: carriage returns are dropped and a byte 0x1A ends the file,
// the same on every platform and without the C runtime's text mode. Reads in large blocks so a
// character costs a few instructions, with constant memory whatever the file's size.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

namespace bramblet {

class TextFile {
public:
    static constexpr int kEnd = -1;

    // Opens a file named in UTF-8. False for anything that cannot be read as a file: a missing
    // name, a folder, no permission.
    bool Open(const std::string& utf8Name);

    // The next character (0 to 255), or kEnd at the end of the file or at a byte 0x1A.
    int Get() {
        for (;;) {
            if (pos_ < end_) {
                const unsigned char c = *pos_++;
                if (c == '\r') continue;
                if (c == 0x1A) {
                    pos_ = end_;
                    ended_ = true;
                    return kEnd;
                }
                return c;
            }
            if (!Refill()) return kEnd;
        }
    }

    // Decodes up to `count` hex pairs (HexNibble rule, high nibble first) into `out`, reading the
    // characters exactly as Get() would; returns how many pairs were complete before the end of
    // the file. Runs of plain characters are decoded straight from the buffer.
    int GetHexBytes(std::uint8_t* out, int count);

    // Reads up to and including the next `target`, as a loop of Get() would, scanning whole
    // blocks at a time; false when the file ends first. `target` must not be CR or 0x1A.
    bool SkipPast(unsigned char target);

    // True when the end came from a read error rather than the file's end.
    bool Failed() const { return failed_; }

private:
    static bool Plain(unsigned char c) { return c != '\r' && c != 0x1A; }
    bool Refill();

    std::ifstream stream_;
    std::unique_ptr<char[]> buffer_;
    const unsigned char* pos_ = nullptr;
    const unsigned char* end_ = nullptr;
    bool ended_ = false;
    bool failed_ = false;
};

// The nibble rule shared by the S-record and ID file readers: no character is rejected.
constexpr std::uint8_t HexNibble(int c) {
    return static_cast<std::uint8_t>(c >= 0x41 ? (c - 0x37) & 0x0F : (c - 0x30) & 0x0F);
}

}  // namespace bramblet
