// Where the time of a write goes: a 64 KB file on an R8C at 19200 baud.
//   1. The write sequence over the virtual line: its protocol time, against the sum of read
//      windows and byte times worked out by hand from the protocol below.
//   2. The same write through the termios port to bramblet-sim on a pseudo-terminal, in real
//      time: its wall time against the protocol time.
// Usage: write-bench BRAMBLET-SIM [--virtual-only]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "sim/VirtualLink.h"
#include "writer/core/Session.h"
#include "writer/platform/posix/PosixSerial.h"

namespace bramblet {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr std::uint32_t kStart = 0x4000;
constexpr std::uint32_t kSize = 0x10000;  // all of an R8C's 64 KB program ROM: 256 pages

// Remembers the last status text; the dialog is cancelled.
class QuietView : public WriterView, public IdCodePrompt {
public:
    std::string last;
    void SetStatus(const std::string& text) override { last = text; }
    std::optional<IdCodeAnswer> AskIdCode() override { return std::nullopt; }
};

Target Chip(const std::string& port, const std::string& file) {
    Target target;
    target.port = port;
    target.family = Family::R8C;
    target.writeFile = file;
    return target;
}

std::string WriteFile() {
    return bench::WriteBenchFile(std::filesystem::temp_directory_path() / "bramblet-bench-64k.mot",
                                 kStart, kSize);
}

// The protocol time the exchanges imply, from the reply windows (30 ms + 4 ms per requested
// byte, waited out whenever fewer bytes come) and the byte time B (10 bits at 19200 baud).
struct Budget {
    sim::Time windows{0};
    long long bytes = 0;
    sim::Time Total(sim::Time B) const { return windows + bytes * B; }
};

Budget Expected(const sim::ChipConfig& chip) {
    const auto w = [](int n) { return sim::Time(ReplyWindow(n)); };
    Budget b;
    // Connection: stale input (100 bytes), 17 silent synchronisation reads, the echo read of 10
    // that gets one byte, then status: 0x70 out, 2 bytes back, and a second read of 2 that waits.
    b.windows += w(100) + 17 * w(1) + w(10) + w(2);
    b.bytes += 3;
    // ID: status again; Version Read (out 1, 8 back, then a read of 10 that waits); ID Check of
    // the erased code: 12 bytes out, 0x70 behind them, 2 back, and the waiting second read.
    b.windows += w(2) + w(10) + w(2);
    b.bytes += 3 + 9 + 15;
    // Erase: every poll of 50 waits its whole window; the first answer comes when the blocks are
    // erased, so the poll takes as many windows as it takes to cover that.
    const sim::Time erase =
        chip.blockEraseTime * static_cast<long>(sim::DefaultBlocks(sim::Family::R8C).size());
    const long polls = static_cast<long>(erase / w(50)) + 1;
    b.windows += polls * w(50);
    // Program: 259 bytes out, the chip programs, 2 bytes back: all inside one 230 ms window.
    b.windows += (kSize / 256) * w(50);
    // Verify: 3 bytes out, then 256 one-byte reads, each returning as its byte arrives.
    b.bytes += (kSize / 256) * (3 + 256);
    return b;
}

double RealTimeWrite(const char* simProgram, const std::string& file, std::string& outcome) {
    const std::string link =
        (std::filesystem::temp_directory_path() / "bramblet-bench-chip").string();
    const bench::Sim sim(simProgram, link);
    QuietView view;
    PosixPortOpener ports;
    Session session(ports, view, view);
    const auto start = Clock::now();
    session.WriteSequence(Chip(link, file));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    outcome = view.last;
    return seconds;
}

}  // namespace
}  // namespace bramblet

int main(int argc, char** argv) {
    using namespace bramblet;
    if (argc < 2) {
        std::fprintf(stderr, "usage: write-bench BRAMBLET-SIM [--virtual-only]\n");
        return 2;
    }
    const std::string file = WriteFile();
    sim::ChipConfig chip;
    sim::VirtualLink line(chip);
    QuietView view;
    Session session(line.Opener(), view, view);
    session.WriteSequence(Chip("COM1", file));
    const sim::Time B = sim::ByteTime(19200);
    const Budget budget = Expected(chip);
    const double protocol = Ms(line.Now()).count() / 1000;
    const double expected = Ms(budget.Total(B)).count() / 1000;

    std::printf("64 KB, R8C, 19200 baud: %s\n", view.last.c_str());
    std::printf("  protocol time over the virtual line   %9.3f s\n", protocol);
    std::printf(
        "  windows + byte times by hand          %9.3f s  (windows %.3f s, %lld bytes x %.4f ms)\n",
        expected, Ms(budget.windows).count() / 1000, budget.bytes, Ms(B).count());
    std::printf("  difference                            %9.6f s\n", protocol - expected);

    // Where the time goes, from the line's own log.
    double polls = 0, byteReads = 0, other = 0;
    for (const auto& r : line.Reads()) {
        const double ms = Ms(r.end - r.start).count();
        if (r.requested == 50)
            polls += ms;
        else if (r.requested == 1)
            byteReads += ms;
        else
            other += ms;
    }
    std::printf(
        "  status polls %.1f s, one-byte reads (sync, Page Read) %.1f s, other reads %.1f s\n",
        polls / 1000, byteReads / 1000, other / 1000);

    if (argc > 2 && std::strcmp(argv[2], "--virtual-only") == 0) return 0;
    std::string outcome;
    const double wall = RealTimeWrite(argv[1], file, outcome);
    std::printf("  wall time through bramblet-sim        %9.3f s  (%s)\n", wall, outcome.c_str());
    std::printf("  wall / protocol                       %9.4f  (within 3%%: %s)\n",
                wall / protocol, wall / protocol < 1.03 && wall / protocol > 0.97 ? "yes" : "NO");
    std::filesystem::remove(file);
    return 0;
}
