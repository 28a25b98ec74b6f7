#pragma once
// A writer wired to a simulated chip over the virtual line, with helpers to read what went on it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/VirtualLink.h"
#include "tests/support/RecordingView.h"
#include "writer/core/Writer.h"

namespace bramblet::testing {

using Bytes8 = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

class LinkFixture : public ::testing::Test {
protected:
    // Builds (or rebuilds) the chip; call before the first operation when the default will not do.
    void Chip(const sim::ChipConfig& config) {
        writer.reset();
        link = std::make_unique<sim::VirtualLink>(config);
        writer = std::make_unique<Writer>(view, link->Opener());
    }
    sim::VirtualLink& Link() {
        if (!link) Chip({});
        return *link;
    }
    Writer& W() {
        Link();
        return *writer;
    }

    // Each Write call as its bytes.
    std::vector<Bytes8> Frames() {
        std::vector<Bytes8> frames;
        for (const auto& frame : Link().Frames()) frames.push_back(frame.bytes);
        return frames;
    }
    // How many Write calls began with `first`.
    int Count(std::uint8_t first) {
        int n = 0;
        for (const auto& frame : Link().Frames())
            n += !frame.bytes.empty() && frame.bytes[0] == first;
        return n;
    }
    // The Write calls that followed the last synchronisation byte (the connection proper).
    std::vector<Bytes8> FramesFrom(std::size_t index) {
        auto frames = Frames();
        return std::vector<Bytes8>(frames.begin() + static_cast<std::ptrdiff_t>(index),
                                   frames.end());
    }

    RecordingView view;
    std::unique_ptr<sim::VirtualLink> link;
    std::unique_ptr<Writer> writer;
};

inline sim::ChipConfig Protected(sim::Family family, sim::IdCode code) {
    sim::ChipConfig config;
    config.family = family;
    config.idCode = code;
    return config;
}

}  // namespace bramblet::testing
