// The fast link against the design's: the same 64 KB R8C file written and verified by
// bramblet-cli through bramblet-sim on pseudo-terminals, in real time.
//   1. The design's link (19200 baud, 230 ms status windows, one-byte Page Read reads).
//   2. --baud 115200, against a lower bound: the bytes on the wire plus the chip's own
//      program and erase times.
//   3. --verify-by sum at 115200, against its own bound (no page read back) and the fast write.
//   4. A sparse image, 16 KB of code at the top of the 64 KB program ROM and 0xFF below, with
//      --skip-blank and --erase-block for the code's block, against the fast write of it.
//   5. Eight boards at once (eight simulators, one bramblet-cli), against one board.
//   6. Peak memory of bramblet-cli for 64 pages and for 256.
//   7. The same 64 KB at 115200 baud, verified by reading back and by the check data, through
//      each USB-serial adapter model of bramblet-sim, against the ideal line in the same run.
// Usage: link-bench BRAMBLET-SIM BRAMBLET-CLI [--skip-design | --adapters-only]
#include <fcntl.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "sim/Chip.h"

namespace bramblet {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;
using bench::Sim;

struct Run {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// bramblet-cli with `args`, its output thrown away; wall time and peak resident memory.
Run Cli(const char* cli, std::vector<std::string> args) {
    args.insert(args.begin(), cli);
    const int null = ::open("/dev/null", O_WRONLY);
    const auto start = Clock::now();
    const pid_t pid = bench::Spawn(args, null);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = Seconds(Clock::now() - start).count();
    close(null);
    run.peakKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Bytes on the wire and the chip's own work for a write and verify of `pages` pages at 115200
// baud, after a connection at 19200: nothing here waits for a window. Verified by the check data,
// no page is read back; the sum is read before and after the pages.
double LowerBound(int pages, bool bySum = false) {
    const sim::ChipConfig chip;
    const double fast = Seconds(sim::ByteTime(115200)).count();
    const double slow = Seconds(sim::ByteTime(19200)).count();
    // Connection at 19200: 17 zeros, 0xB0 and its echo, 0x70 and two status bytes, the rate
    // command and its echo.
    double t = (17 + 2 + 3 + 2) * slow;
    // At 115200: the confirming status (3), ID status (3), Version Read (9), ID Check of the
    // erased code and its status (15), Erase All (2) and its status (3).
    t += (3 + 3 + 9 + 15 + 2 + 3) * fast;
    t += Seconds(chip.blockEraseTime).count() *
         static_cast<double>(sim::DefaultBlocks(sim::Family::R8C).size());
    // Each page: Page Program (259), 0x70 and its answer (3), Page Read (3 + 256).
    const int read = bySum ? 0 : 259;
    t += pages * ((259 + 3 + read) * fast + Seconds(chip.pageProgramTime).count());
    // Read Check Data and its two bytes, twice.
    if (bySum) t += 2 * 3 * fast;
    return t;
}

// The 64 KB write at 115200 baud through each adapter model, read-verified and sum-verified,
// each as a ratio to the ideal line's time in this run. False when a write failed.
bool AdapterTable(const char* simProgram, const char* cli, const std::string& file,
                  const std::string& port) {
    const char* const adapters[] = {"ideal", "ftdi:16", "ftdi:1", "cp210x", "ch340"};
    std::printf("64 KB at --baud 115200 through bramblet-sim --adapter (ratio to ideal)\n");
    std::printf("  %-10s %18s %18s\n", "adapter", "read-verify", "--verify-by sum");
    double ideal[2] = {};
    bool ok = true;
    for (const char* adapter : adapters) {
        double seconds[2] = {};
        for (int bySum = 0; bySum < 2; ++bySum) {
            Sim sim(simProgram, port, {"--adapter", adapter});
            std::vector<std::string> args = {"write", file, "--port", port, "--baud", "115200"};
            if (bySum) args.insert(args.end(), {"--verify-by", "sum"});
            const Run run = Cli(cli, args);
            ok = ok && run.status == 0;
            seconds[bySum] = run.seconds;
            if (std::strcmp(adapter, "ideal") == 0) ideal[bySum] = run.seconds;
        }
        std::printf("  %-10s %8.3f s %6.2fx %8.3f s %6.2fx\n", adapter, seconds[0],
                    seconds[0] / ideal[0], seconds[1], seconds[1] / ideal[1]);
    }
    std::printf("  (targets: ftdi:1 at most 1.1x ideal in both columns)\n");
    return ok;
}

}  // namespace
}  // namespace bramblet

int main(int argc, char** argv) {
    using namespace bramblet;
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: link-bench BRAMBLET-SIM BRAMBLET-CLI [--skip-design | "
                     "--adapters-only]\n");
        return 2;
    }
    const char* simProgram = argv[1];
    const char* cli = argv[2];
    const bool adaptersOnly = argc > 3 && std::strcmp(argv[3], "--adapters-only") == 0;
    const bool skipDesign = argc > 3 && std::strcmp(argv[3], "--skip-design") == 0;
    const auto dir = std::filesystem::temp_directory_path() / "bramblet-link-bench";
    std::filesystem::create_directories(dir);
    const std::string file = bench::WriteBenchFile(dir / "64k.mot", 0x4000, 0x10000);
    const std::string quarter = bench::WriteBenchFile(dir / "16k.mot", 0x4000, 0x4000);
    auto link = [&](int i) { return (dir / ("chip" + std::to_string(i))).string(); };

    if (adaptersOnly) return AdapterTable(simProgram, cli, file, link(0)) ? 0 : 1;
    std::printf("64 KB (256 pages), R8C, through bramblet-sim in real time\n");
    Run design;
    if (!skipDesign) {
        Sim sim(simProgram, link(0));
        design = Cli(cli, {"write", file, "--port", link(0)});
        std::printf("  design link (19200)            %8.3f s  exit %d\n", design.seconds,
                    design.status);
    }
    Run one;
    {
        Sim sim(simProgram, link(0));
        one = Cli(cli, {"write", file, "--port", link(0), "--baud", "115200"});
    }
    const double bound = LowerBound(256);
    std::printf("  --baud 115200                  %8.3f s  exit %d  (target: at most 16 s)\n",
                one.seconds, one.status);
    if (!skipDesign) {
        std::printf("  design / fast                  %8.2f\n", design.seconds / one.seconds);
    }
    std::printf("  lower bound (wire + chip)      %8.3f s\n", bound);
    std::printf("  fast / bound                   %8.3f   (target: at most 1.15)\n",
                one.seconds / bound);

    Run sum;
    {
        Sim sim(simProgram, link(0));
        sum =
            Cli(cli, {"write", file, "--port", link(0), "--baud", "115200", "--verify-by", "sum"});
    }
    const double sumBound = LowerBound(256, true);
    std::printf("  --verify-by sum                %8.3f s  exit %d\n", sum.seconds, sum.status);
    std::printf("  its bound (wire + chip)        %8.3f s\n", sumBound);
    std::printf("  sum / its bound                %8.3f   (target: at most 1.1)\n",
                sum.seconds / sumBound);
    std::printf("  sum / fast                     %8.3f   (target: at most 0.7)\n",
                sum.seconds / one.seconds);

    // The code fills the top block, 0x10000-0x13FFF; the linker filled the rest with 0xFF.
    const std::string sparse = bench::WriteBenchFile(dir / "sparse.mot", 0x4000, 0x10000, 0x10000);
    Run sparseFast, sparseSkip, sparseSum;
    const std::vector<std::string> skip = {"--skip-blank", "--erase-block", "10000"};
    for (auto [run, extra] :
         {std::pair{&sparseFast, std::vector<std::string>{}}, std::pair{&sparseSkip, skip}}) {
        Sim sim(simProgram, link(0));
        std::vector<std::string> args = {"write", sparse, "--port", link(0), "--baud", "115200"};
        args.insert(args.end(), extra.begin(), extra.end());
        *run = Cli(cli, args);
    }
    {
        Sim sim(simProgram, link(0));
        std::vector<std::string> args = {"write",  sparse,   "--port",      link(0),
                                         "--baud", "115200", "--verify-by", "sum"};
        args.insert(args.end(), skip.begin(), skip.end());
        sparseSum = Cli(cli, args);
    }
    std::printf("sparse: 16 KB of code at 10000-13FFF, FF-filled from 4000\n");
    std::printf("  --baud 115200                  %8.3f s  exit %d\n", sparseFast.seconds,
                sparseFast.status);
    std::printf("  --skip-blank --erase-block     %8.3f s  exit %d  (%.3f of it)\n",
                sparseSkip.seconds, sparseSkip.status, sparseSkip.seconds / sparseFast.seconds);
    std::printf("  the same with --verify-by sum  %8.3f s  exit %d  (%.3f of it)\n",
                sparseSum.seconds, sparseSum.status, sparseSum.seconds / sparseFast.seconds);

    Run eight;
    {
        std::vector<std::unique_ptr<Sim>> sims;
        std::vector<std::string> args = {"write", file, "--baud", "115200", "--verify-by", "sum"};
        for (int i = 1; i <= 8; ++i) {
            sims.push_back(std::make_unique<Sim>(simProgram, link(i)));
            args.insert(args.end(), {"--port", link(i)});
        }
        eight = Cli(cli, args);
    }
    std::printf("eight boards at once, --baud 115200 --verify-by sum\n");
    std::printf("  eight boards                   %8.3f s  exit %d\n", eight.seconds, eight.status);
    std::printf("  eight / one                    %8.3f   (target: at most 1.25)\n",
                eight.seconds / sum.seconds);

    Run small;
    {
        Sim sim(simProgram, link(0));
        small = Cli(cli, {"write", quarter, "--port", link(0), "--baud", "115200"});
    }
    std::printf("  peak memory, 64 pages / 256    %6ld KB / %ld KB\n", small.peakKb, one.peakKb);
    const bool adaptersOk = AdapterTable(simProgram, cli, file, link(0));
    std::filesystem::remove_all(dir);
    const bool ok = adaptersOk && one.status == 0 && sum.status == 0 && sparseFast.status == 0 &&
                    sparseSkip.status == 0 && sparseSum.status == 0 && eight.status == 0 &&
                    small.status == 0 && (skipDesign || design.status == 0);
    return ok ? 0 : 1;
}
