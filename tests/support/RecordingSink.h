#pragma once
// A page sink that keeps every page handed to it and can fail one of them.
#include <vector>

#include "writer/flash/PageSink.h"

namespace bramblet::testing {

struct Flush {
    bool program;
    std::uint32_t base;
    PageImage image;
    PageFlags present;  // all zero for a program flush
    bool operator==(const Flush&) const = default;
};

class RecordingSink : public PageSink {
public:
    std::vector<Flush> flushes;
    int failAt = -1;  // index of the flush that fails

    bool ProgramPage(std::uint32_t base, const PageImage& image) override {
        flushes.push_back({true, base, image, {}});
        return static_cast<int>(flushes.size()) - 1 != failAt;
    }
    bool VerifyPage(std::uint32_t base, const PageImage& image, const PageFlags& present) override {
        flushes.push_back({false, base, image, present});
        return static_cast<int>(flushes.size()) - 1 != failAt;
    }
};

}  // namespace bramblet::testing
