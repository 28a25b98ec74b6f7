#include "writer/flash/TextFile.h"

#include <bit>
#include <cstring>

#include "writer/flash/OpenForReading.h"

namespace bramblet {
namespace {

// Large enough that a read costs little per character, small enough to stay in the CPU's cache
// between the kernel's copy and the parse: measured faster here than 256 KB blocks.
constexpr std::size_t kBlock = 64 * 1024;

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHigh = kOnes * 0x80;
constexpr std::uint64_t kLow = kOnes * 0x0F;

// True when any of the eight bytes of x is c.
constexpr bool HasByte(std::uint64_t x, std::uint8_t c) {
    const std::uint64_t y = x ^ (kOnes * c);
    return ((y - kOnes) & ~y & kHigh) != 0;
}

// HexNibble on eight characters at once, then the four pairs combined: the result holds byte k
// of the output in bits 16k to 16k + 7. Characters as little-endian bytes of x.
constexpr std::uint64_t DecodePairs(std::uint64_t x) {
    // 0x80 in every byte that is 0x41 or above; no borrow crosses a byte.
    const std::uint64_t letter = (((x | kHigh) - kOnes * 0x41) | x) & kHigh;
    const std::uint64_t nibble = ((x & kLow) + (letter >> 7) * 9) & kLow;
    constexpr std::uint64_t kEven = 0x00FF00FF00FF00FF;
    return ((nibble & kEven) << 4) | ((nibble >> 8) & kEven);
}

}  // namespace

bool TextFile::Open(const std::string& utf8Name) {
    // Whatever was open before is finished, whether or not the new name opens.
    stream_.close();
    stream_.clear();
    pos_ = end_ = nullptr;
    ended_ = failed_ = false;
    if (!OpenForReading(stream_, utf8Name)) return false;
    if (!buffer_) buffer_ = std::make_unique<char[]>(kBlock);
    return true;
}

bool TextFile::Refill() {
    if (ended_ || !stream_.is_open()) return false;
    stream_.read(buffer_.get(), kBlock);
    const auto got = stream_.gcount();
    if (got <= 0) {
        ended_ = true;
        failed_ = stream_.bad();
        return false;
    }
    if (stream_.bad()) failed_ = true;
    pos_ = reinterpret_cast<const unsigned char*>(buffer_.get());
    end_ = pos_ + got;
    return true;
}

bool TextFile::SkipPast(unsigned char target) {
    for (;;) {
        if (pos_ < end_) {
            const auto* hit =
                static_cast<const unsigned char*>(std::memchr(pos_, target, end_ - pos_));
            const unsigned char* stop = hit ? hit : end_;
            if (std::memchr(pos_, 0x1A, stop - pos_)) {
                pos_ = end_;
                ended_ = true;
                return false;
            }
            pos_ = hit ? hit + 1 : end_;
            if (hit) return true;
        }
        if (!Refill()) return false;
    }
}

int TextFile::GetHexBytes(std::uint8_t* out, int count) {
    std::uint8_t* o = out;
    std::uint8_t* const stop = out + count;
    while (o < stop) {
        const unsigned char* p = pos_;
        if constexpr (std::endian::native == std::endian::little) {
            // Four pairs a step, eight characters at a time in one 64-bit word.
            while (stop - o >= 4 && end_ - p >= 8) {
                std::uint64_t x;
                std::memcpy(&x, p, 8);
                if (HasByte(x, '\r') || HasByte(x, 0x1A)) break;
                const std::uint64_t r = DecodePairs(x);
                o[0] = static_cast<std::uint8_t>(r);
                o[1] = static_cast<std::uint8_t>(r >> 16);
                o[2] = static_cast<std::uint8_t>(r >> 32);
                o[3] = static_cast<std::uint8_t>(r >> 48);
                p += 8;
                o += 4;
            }
        }
        for (; o < stop && end_ - p >= 2 && Plain(p[0]) && Plain(p[1]); p += 2) {
            *o++ = static_cast<std::uint8_t>(HexNibble(p[0]) << 4 | HexNibble(p[1]));
        }
        pos_ = p;
        if (o == stop) break;
        // A carriage return, a 0x1A or the block's end: one pair the slow way.
        const int hi = Get();
        if (hi == kEnd) break;
        const int lo = Get();
        if (lo == kEnd) break;
        *o++ = static_cast<std::uint8_t>(HexNibble(hi) << 4 | HexNibble(lo));
    }
    return static_cast<int>(o - out);
}

}  // namespace bramblet
