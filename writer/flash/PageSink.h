#pragma once
#include <array>
#include <cstdint>

namespace bramblet {

constexpr std::size_t kPageSize = 256;
using PageImage = std::array<std::uint8_t, kPageSize>;
using PageFlags = std::array<std::uint8_t, kPageSize>;

// Receives the finished pages of a program or verify pass, in the order the file enters them.
class PageSink {
public:
    virtual ~PageSink() = default;
    virtual bool ProgramPage(std::uint32_t base, const PageImage& image) = 0;
    virtual bool VerifyPage(std::uint32_t base, const PageImage& image,
                            const PageFlags& present) = 0;
    // A check pass hands its pages to VerifyPage too when the sink asks for them, for figures
    // over the image in the check's one pass; such a sink must not fail a page.
    virtual bool TakesCheckPages() const { return false; }
};

}  // namespace bramblet
