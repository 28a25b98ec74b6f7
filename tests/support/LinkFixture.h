#pragma once
// A writer wired to a simulated chip over the virtual line, with helpers to read what went on it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/VirtualLink.h"
#include "tests/support/RecordingView.h"
#include "writer/core/Session.h"

namespace bramblet::testing {

using Bytes8 = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

class LinkFixture : public ::testing::Test {
protected:
    // Builds (or rebuilds) the chip and a new session; call before the first operation when the
    // default will not do.
    void Chip(const sim::ChipConfig& config) {
        writer.reset();
        link = std::make_unique<sim::VirtualLink>(config);
        writer = std::make_unique<Session>(opener, view, view);
    }
    // Another chip on the line, for the session that has run on the one before.
    void SwapChip(const sim::ChipConfig& config) {
        // The session's port belongs to the old chip's line and must go before it.
        W().CloseCommHandle();
        link = std::make_unique<sim::VirtualLink>(config);
    }
    sim::VirtualLink& Link() {
        if (!link) Chip({});
        return *link;
    }
    Session& W() {
        Link();
        return *writer;
    }
    // What the window shows now, as an operation takes it, with the fixture's link options.
    Target T() const { return view.ToTarget(linkOptions); }

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

    // Opens the line of whichever chip is there now.
    class CurrentLink : public PortOpener {
    public:
        explicit CurrentLink(std::unique_ptr<sim::VirtualLink>& link) : link_(link) {}
        OpenResult Open(const std::string& name) override { return link_->Opener().Open(name); }

    private:
        std::unique_ptr<sim::VirtualLink>& link_;
    };

    RecordingView view;
    LinkOptions linkOptions;
    std::unique_ptr<sim::VirtualLink> link;
    CurrentLink opener{link};
    std::unique_ptr<Session> writer;
};

inline sim::ChipConfig Protected(sim::Family family, sim::IdCode code) {
    sim::ChipConfig config;
    config.family = family;
    config.idCode = code;
    return config;
}

}  // namespace bramblet::testing
