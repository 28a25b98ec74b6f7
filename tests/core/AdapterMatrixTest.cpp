// Every job the writer does, for each family and the mode-pin link, through each USB-serial
// adapter model, in virtual time: it must succeed, leave the flash as it should, and take no
// longer than the same job over an ideal line plus what the adapter may add to each read.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>

#include "sim/VirtualLink.h"
#include "tests/support/RecordingView.h"
#include "tests/support/SRecords.h"
#include "tests/support/TempDir.h"
#include "writer/core/Session.h"
#include "writer/link/AllowancePort.h"

namespace bramblet::testing {
namespace {

using namespace std::chrono_literals;
using sim::Time;

struct Through {
    const char* adapter;
    std::chrono::milliseconds allowance;  // the reply windows' allowance for it
};

// ftdi:64 holds a reply longer than the design's one-byte window: it needs the allowance.
constexpr std::array<Through, 7> kAdapters{{
    {"ideal", 0ms},
    {"ftdi", 0ms},
    {"ftdi:1", 0ms},
    {"ftdi:64", 64ms},
    {"cp210x", 0ms},
    {"ch340", 0ms},
    {"pl2303", 0ms},
}};

struct Board {
    sim::Family family;
    bool modePin;
};
constexpr std::array<Board, 4> kBoards{{
    {sim::Family::R8C, false},
    {sim::Family::M16C, false},
    {sim::Family::M32C, false},
    {sim::Family::R8C, true},
}};

enum class Job {
    WriteDesign,
    WriteFast,
    WriteBySum,
    WriteSkipBlank,
    Verify,
    Erase,
    Info,
    Read,
    BlankCheck
};
constexpr std::array<const char*, 9> kJobNames = {"WriteDesign",    "WriteFast", "WriteBySum",
                                                  "WriteSkipBlank", "Verify",    "Erase",
                                                  "Info",           "Read",      "BlankCheck"};

using Case = std::tuple<std::size_t, std::size_t, Job>;

// Three pages at the start of a program block away from the ID code: data, a blank page the
// file spells out, and a part page.
std::uint32_t Base(sim::Family family) {
    const std::uint32_t id = sim::IdAddresses(family)[0];
    std::uint32_t base = 0;
    for (const auto& block : sim::DefaultBlocks(family)) {
        const bool holdsId = id >= block.start && id < block.start + block.size;
        if (!holdsId && block.size >= 0x800) base = std::max(base, block.start);
    }
    return base;
}

std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> FilePages(std::uint32_t base) {
    return {{base, Bytes(base, 256, 3)},
            {base + 0x100, std::vector<std::uint8_t>(256, 0xFF)},
            {base + 0x200, Bytes(base + 0x200, 100, 5)}};
}

std::string FileText(std::uint32_t base) {
    std::string text;
    for (const auto& [address, bytes] : FilePages(base)) {
        for (std::size_t i = 0; i < bytes.size(); i += 32) {
            const std::size_t n = std::min<std::size_t>(32, bytes.size() - i);
            text += SRecord('2', address + static_cast<std::uint32_t>(i),
                            std::vector<std::uint8_t>(bytes.begin() + i, bytes.begin() + i + n));
        }
    }
    return text + "S804000000FB\n";
}

struct Result {
    bool ok = false;
    std::string what;  // why not
    Time took{};
    std::size_t reads = 0;
    std::size_t shortReads = 0;
};

Result RunJob(const Board& board, Job job, const sim::Adapter& adapter,
              std::chrono::milliseconds allowance, const TempDir& dir) {
    sim::ChipConfig config;
    config.family = board.family;
    if (board.modePin) config.fixedBaud = kBaudModePin;
    sim::VirtualLink link(config, adapter);
    const std::uint32_t base = Base(board.family);
    const auto pages = FilePages(base);
    if (job == Job::Verify || job == Job::Read) {
        for (const auto& [address, bytes] : pages) link.Target().Load(address, bytes);
    }
    // Something for the erase to clear, and a byte just past the blank-checked pages.
    if (job == Job::Erase || job == Job::BlankCheck) {
        link.Target().Load(base + 0x300, std::vector<std::uint8_t>{0x5A});
    }

    RecordingView view;
    view.fileName = dir.Write("prog.mot", FileText(base));
    view.cpuFamily = FamilyName(board.family);
    view.modePin = board.modePin;
    LinkOptions options;
    options.adapterLatency = allowance;
    if (job == Job::WriteFast || job == Job::WriteBySum || job == Job::Read) options.baud = 115200;
    Target target = view.ToTarget(options);
    target.flash.verifyBySum = job == Job::WriteBySum;
    target.flash.skipBlank = job == Job::WriteSkipBlank;

    Session session(link.Opener(), view, view);
    Result result;
    auto pageRead = [&](std::uint32_t page, std::array<std::uint8_t, 256>& out) {
        return protocol::PageRead(*session.CommHandle(), page, out) == out.size();
    };
    switch (job) {
        case Job::WriteDesign:
        case Job::WriteFast:
        case Job::WriteBySum:
        case Job::WriteSkipBlank:
            result.ok = session.WriteSequence(target).Succeeded();
            for (const auto& [address, bytes] : pages) {
                for (std::size_t i = 0; i < bytes.size(); ++i) {
                    if (link.Target().Read(address + static_cast<std::uint32_t>(i)) != bytes[i]) {
                        result.ok = false;
                    }
                }
            }
            break;
        case Job::Verify:
            result.ok = session.VerifySequence(target).Succeeded();
            break;
        case Job::Erase:
            result.ok = session.EraseSequence(target).Succeeded() &&
                        link.Target().Read(base + 0x300) == 0xFF;
            break;
        case Job::Info:
            result.ok = session.Unlock(target).Succeeded() && session.BootVersion() == "VER.1.00" &&
                        protocol::ReadStatus(*session.CommHandle()).Word() == 0x800C;
            session.CloseCommHandle();
            break;
        case Job::Read:
            result.ok = session.Unlock(target).Succeeded();
            for (const auto& [address, bytes] : pages) {
                std::array<std::uint8_t, 256> got{};
                result.ok = result.ok && pageRead(address, got) &&
                            std::equal(bytes.begin(), bytes.end(), got.begin());
            }
            session.CloseCommHandle();
            break;
        case Job::BlankCheck:
            result.ok = session.Unlock(target).Succeeded();
            for (std::uint32_t page = base; page < base + 0x300; page += 0x100) {
                std::array<std::uint8_t, 256> got{};
                result.ok = result.ok && pageRead(page, got) &&
                            std::all_of(got.begin(), got.end(), [](auto b) { return b == 0xFF; });
            }
            session.CloseCommHandle();
            break;
    }
    result.what = view.LastStatus();
    result.took = link.Now();
    result.reads = link.Reads().size();
    for (const auto& read : link.Reads()) result.shortReads += read.got < read.requested;
    return result;
}

class AdapterMatrix : public ::testing::TestWithParam<Case> {};

TEST_P(AdapterMatrix, SucceedsWithinTheIdealLinesTimeAndWhatTheAdapterAddsToEachRead) {
    const auto [adapterIndex, boardIndex, job] = GetParam();
    const Through& through = kAdapters[adapterIndex];
    const Board& board = kBoards[boardIndex];
    TempDir dir;
    const sim::Adapter adapter = *sim::ParseAdapter(through.adapter);
    const Result ideal = RunJob(board, job, {}, 0ms, dir);
    ASSERT_TRUE(ideal.ok) << ideal.what;
    const Result got = RunJob(board, job, adapter, through.allowance, dir);
    EXPECT_TRUE(got.ok) << got.what;
    // Each read may wait a frame for its command and the adapter's latency for its reply; a
    // read that ends short waits the allowance more, in reads of up to one one-byte window.
    const Time perRead = adapter.frame + adapter.latency;
    const Time perShortRead =
        through.allowance > 0ms ? Time(through.allowance + ReplyWindow(1)) : Time{0};
    const Time bound = ideal.took + static_cast<std::int64_t>(got.reads) * perRead +
                       static_cast<std::int64_t>(got.shortReads) * perShortRead;
    EXPECT_LE(got.took, bound) << "ideal " << ideal.took.count() << " ns in " << ideal.reads
                               << " reads; " << got.reads << " reads, " << got.shortReads
                               << " short";
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name = kAdapters[std::get<0>(info.param)].adapter;
    std::replace(name.begin(), name.end(), ':', '_');
    const Board& b = kBoards[std::get<1>(info.param)];
    return name + "_" + FamilyName(b.family) + (b.modePin ? "ModePin" : "") + "_" +
           kJobNames[static_cast<std::size_t>(std::get<2>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(EveryAdapter, AdapterMatrix,
                         ::testing::Combine(::testing::Range<std::size_t>(0, kAdapters.size()),
                                            ::testing::Range<std::size_t>(0, kBoards.size()),
                                            ::testing::Values(Job::WriteDesign, Job::WriteFast,
                                                              Job::WriteBySum, Job::WriteSkipBlank,
                                                              Job::Verify, Job::Erase, Job::Info,
                                                              Job::Read, Job::BlankCheck)),
                         CaseName);

// The allowance is what lets a slow adapter through, and a failure through one says so.
TEST(AdapterAllowance, ASlowAdapterFailsTheDesignsWindowsAndSaysSoOnceItsLatencyIsKnown) {
    TempDir dir;
    const Board r8c{sim::Family::R8C, false};
    const sim::Adapter slow = *sim::ParseAdapter("ftdi:64");
    EXPECT_FALSE(RunJob(r8c, Job::WriteDesign, slow, 0ms, dir).ok);
    EXPECT_TRUE(RunJob(r8c, Job::WriteDesign, slow, 64ms, dir).ok);

    // A chip that falls silent mid-write: the detail names the adapter only when it is slower
    // than FTDI's default.
    for (const auto& [adapter, allowance, named] :
         {std::tuple{"ftdi:64", 64ms, true}, std::tuple{"ftdi", 16ms, false}}) {
        sim::ChipConfig config;
        config.faults.silentAfterPages = 1;
        sim::VirtualLink link(config, *sim::ParseAdapter(adapter));
        RecordingView view;
        view.fileName = dir.Write("prog.mot", FileText(Base(sim::Family::R8C)));
        LinkOptions options;
        options.baud = 115200;
        options.adapterLatency = allowance;
        Session session(link.Opener(), view, view);
        const Outcome outcome = session.WriteSequence(view.ToTarget(options));
        EXPECT_EQ(outcome.failed, Step::Program) << adapter;
        EXPECT_EQ(outcome.detail == "no reply came through an adapter whose latency timer is 64 ms",
                  named)
            << adapter << ": " << outcome.detail;
    }
}

// A read through the allowance returns as soon as its bytes are there, and when they do not
// come it waits at least the allowance more than the design's window.
TEST(AdapterAllowance, ReadsReturnOnArrivalAndWaitTheAllowanceWhenNothingComes) {
    sim::VirtualLink link({}, *sim::ParseAdapter("ftdi:64"));
    OpenResult opened = link.Opener().Open("COM1");
    AllowancePort port(std::move(opened.port), 64ms);
    port.Setup(kBaudNormal);
    // The Baud Rate Check's echo arrives when the adapter's timer runs out, 64 ms after it.
    const std::array<std::uint8_t, 1> check{0xB0};
    port.Write(check);
    std::array<std::uint8_t, 10> echo{};
    const Time start = link.Now();
    EXPECT_EQ(port.Read(echo), 1u);
    const Time echoed = link.Now() - start;
    EXPECT_GT(echoed, ReplyWindow(10) + 64ms);  // the window of 10, then the allowance
    EXPECT_LT(echoed, ReplyWindow(10) + 64ms + ReplyWindow(1));

    std::array<std::uint8_t, 2> status{};
    port.Write(std::array<std::uint8_t, 1>{0x70});
    const Time asked = link.Now();
    EXPECT_EQ(port.Read(status), 2u);
    EXPECT_LT(link.Now() - asked, 64ms + 4ms);  // at the packet, not at a window's end
}

}  // namespace
}  // namespace bramblet::testing
