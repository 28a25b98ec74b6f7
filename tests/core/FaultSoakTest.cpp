// Thousands of write, erase and verify runs over the virtual line, each with one fault placed at
// random: a byte lost, changed or added on the line either way, the chip reset or hung, the line
// pulled out, an erase or a page refused. Whatever happens, the writer must claim success only
// for flash that holds the file, end a failure with the text of the step that failed, finish in
// bounded time and not crash.
//
// Every run has its own seed, the soak's seed plus the run's number, and nothing else decides it:
//     BRAMBLET_SOAK_SEED=<seed> BRAMBLET_SOAK_RUNS=1 soak_tests
// repeats one run alone and prints what it did.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "sim/VirtualLink.h"
#include "tests/support/RecordingView.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"
#include "writer/core/Session.h"
#include "writer/core/Steps.h"

namespace bramblet::testing {
namespace {

using namespace std::chrono_literals;
using sim::Time;

enum class Operation { Write, Erase, Verify };

// What the writer is asked to do, in the words of its faces: the file, the chip, the link and
// what the user types when asked for the ID code (nothing: the dialog is cancelled).
struct Job {
    std::string writeFile;
    std::string family;
    bool modePin = false;
    std::uint32_t baud = 0;  // 0: the design's link
    std::optional<sim::IdCode> typedCode;
};

// What the user saw at the end: the status line, and the beeps in order ('s' the success beep,
// 'f' the failure beep).
struct Seen {
    std::string statusLine;
    std::string beeps;
};

// The one place that drives the writer's core; the rest of the soak knows only the line, the
// chip and the Outcome.
Outcome RunOnce(Operation operation, sim::VirtualLink& line, const Job& target, Seen& seen) {
    RecordingView view;
    view.fileName = target.writeFile;
    view.cpuFamily = target.family;
    view.modePin = target.modePin;
    if (target.typedCode) {
        view.dialog = [&target](const std::string&) {
            return IdCodeAnswer{*target.typedCode, target.family};
        };
    }
    Session session(line.Opener(), view, view);
    const Target asked = view.ToTarget(LinkOptions{target.baud});
    Outcome outcome;
    switch (operation) {
        case Operation::Write:
            outcome = session.WriteSequence(asked);
            break;
        case Operation::Erase:
            outcome = session.EraseSequence(asked);
            break;
        case Operation::Verify:
            outcome = session.VerifySequence(asked);
            break;
    }
    seen.statusLine = view.LastStatus();
    for (std::uint32_t beep : view.beeps) seen.beeps += beep == kBeepSuccess ? 's' : 'f';
    return outcome;
}

// ---- The texts a run may end with ----------------------------------------------------------

const std::string kNoRate = "通信速度を115200bpsに切り替えられません!";

// The status line a run of `operation` may end with when `step` failed (Step::None: succeeded).
// The files are sound and stay as they are, so no file text is right at any step.
std::vector<std::string> AllowedTexts(Operation operation, Step step, std::uint32_t baud) {
    const bool write = operation == Operation::Write;
    switch (step) {
        case Step::None:
            return {write ? "フラッシュ書き込みは無事完了しました"
                    : operation == Operation::Erase ? "フラッシュ消去は無事完了しました"
                                                    : "フラッシュベリファイは無事完了しました"};
        case Step::OpenPort:
            return {kNoPort};
        case Step::Connect:
            return {kNoAnswer};
        case Step::BaudRate:
            if (baud == 115200) return {kNoRate};
            return {};
        case Step::IdCode:
            return {kIdMismatch};
        case Step::Erase:
            if (operation == Operation::Verify) return {};
            return {kCannotErase};
        case Step::Program:
            if (!write) return {};
            return {kProgramFailed};
        case Step::Verify:
            if (operation == Operation::Erase) return {};
            // The verify button says it in its own words; the write keeps the pass's text.
            return {write ? kVerifyFailed : kVerifyFailed + " "};
        case Step::FileCheck:
        case Step::Read:
        case Step::Lines:
        case Step::Serial:
            return {};
    }
    return {};
}

const char* OperationName(Operation operation) {
    switch (operation) {
        case Operation::Write:
            return "write";
        case Operation::Erase:
            return "erase";
        case Operation::Verify:
            return "verify";
    }
    return "";
}

// ---- Seeded choices ---------------------------------------------------------------------------

// splitmix64: the same numbers from the same seed with every compiler and library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 to n - 1; 0 when n is 0.
    std::uint64_t Below(std::uint64_t n) { return n == 0 ? 0 : Next() % n; }
    bool OneIn(std::uint64_t n) { return Below(n) == 0; }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Next()); }
    template <typename T>
    const T& Pick(const std::vector<T>& from) {
        return from[Below(from.size())];
    }

private:
    std::uint64_t state_;
};

// ---- Images -------------------------------------------------------------------------------------

using Bytes = std::vector<std::uint8_t>;

struct Image {
    std::map<std::uint32_t, std::uint8_t> bytes;  // what the file supplies
    std::string records;
    std::vector<std::uint32_t> flushes;  // the pages each pass sends, in its order
};

// A few runs of bytes at random places in the flash, in no particular order, some sharing pages,
// none sharing an address; records of random lengths, S1 below 64 KB and S2 above.
Image RandomImage(Random& random, const std::vector<sim::Block>& blocks) {
    Image image;
    image.records = "S00600004844521B\n";
    std::uint32_t page = 0;
    bool inPage = false;
    const int segments = 1 + static_cast<int>(random.Below(3));
    for (int s = 0; s < segments; ++s) {
        const sim::Block& block = random.Pick(blocks);
        const auto length =
            static_cast<std::uint32_t>(1 + random.Below(std::min<std::uint32_t>(320, block.size)));
        const auto start =
            block.start + static_cast<std::uint32_t>(random.Below(block.size - length + 1));
        bool free = true;
        for (std::uint32_t a = start; a < start + length && free; ++a) {
            free = image.bytes.count(a) == 0;
        }
        if (!free) continue;
        for (std::uint32_t done = 0; done < length;) {
            const auto n = std::min<std::uint32_t>(
                length - done, 1 + static_cast<std::uint32_t>(random.Below(32)));
            const std::uint32_t address = start + done;
            Bytes data(n);
            for (std::uint32_t i = 0; i < n; ++i) {
                data[i] = random.Byte();
                image.bytes[address + i] = data[i];
                if (!inPage || (address + i) >> 8 != page >> 8) {
                    page = (address + i) & ~0xFFu;
                    inPage = true;
                    image.flushes.push_back(page);
                }
            }
            image.records += SRecord(address + n - 1 <= 0xFFFF ? '1' : '2', address, data);
            done += n;
        }
    }
    image.records += "S9030000FC\n";
    return image;
}

// ---- Faults -------------------------------------------------------------------------------------

enum class FaultKind {
    DropToChip,
    FlipToChip,
    AddToChip,
    DropToHost,
    FlipToHost,
    AddToHost,
    ResetAtByte,
    ResetAtTime,
    Hang,
    Unplug,
    EraseRefused,
    ProgramRefused,
};
constexpr int kFaultKinds = 12;
const char* const kFaultNames[kFaultKinds] = {"byte to the chip lost",
                                              "byte to the chip changed",
                                              "byte to the chip added",
                                              "byte to the host lost",
                                              "byte to the host changed",
                                              "byte to the host added",
                                              "reset at a host byte",
                                              "reset at a moment",
                                              "chip hung at a host byte",
                                              "line unplugged",
                                              "erase refused",
                                              "page program refused"};

// Where in the run a fault was placed, by what the writer was doing then.
enum class Phase { Connect, Rate, Unlock, Erase, Program, Verify };
constexpr int kPhases = 6;
const char* const kPhaseNames[kPhases] = {"connect", "rate switch", "ID unlock",
                                          "erase",   "program",     "verify"};

struct Fault {
    FaultKind kind = FaultKind::DropToChip;
    Phase phase = Phase::Connect;
    std::uint64_t index = 0;  // the byte on the line, or the erase or page counted by the chip
    std::uint8_t value = 0;   // the bits flipped, or the byte added
    Time at{};
};

std::string Describe(const Fault& fault) {
    char text[160];
    const auto kind = static_cast<int>(fault.kind);
    switch (fault.kind) {
        case FaultKind::ResetAtTime:
        case FaultKind::Unplug:
            std::snprintf(text, sizeof text, "%s at %.6f s (%s)", kFaultNames[kind],
                          std::chrono::duration<double>(fault.at).count(),
                          kPhaseNames[static_cast<int>(fault.phase)]);
            break;
        default:
            std::snprintf(text, sizeof text, "%s, #%" PRIu64 " value 0x%02X (%s)",
                          kFaultNames[kind], fault.index, fault.value,
                          kPhaseNames[static_cast<int>(fault.phase)]);
    }
    return text;
}

void Inject(const Fault& fault, sim::Faults& faults) {
    using Kind = sim::ByteFault::Kind;
    auto line = [&](sim::Direction direction, Kind kind) {
        faults.lineFaults.push_back({direction, kind, fault.index, fault.value});
    };
    switch (fault.kind) {
        case FaultKind::DropToChip:
            return line(sim::Direction::ToChip, Kind::Drop);
        case FaultKind::FlipToChip:
            return line(sim::Direction::ToChip, Kind::Flip);
        case FaultKind::AddToChip:
            return line(sim::Direction::ToChip, Kind::Add);
        case FaultKind::DropToHost:
            return line(sim::Direction::ToHost, Kind::Drop);
        case FaultKind::FlipToHost:
            return line(sim::Direction::ToHost, Kind::Flip);
        case FaultKind::AddToHost:
            return line(sim::Direction::ToHost, Kind::Add);
        case FaultKind::ResetAtByte:
            faults.resetAtHostByte = fault.index;
            return;
        case FaultKind::ResetAtTime:
            faults.resetAt = fault.at;
            return;
        case FaultKind::Hang:
            faults.silentFromHostByte = fault.index;
            return;
        case FaultKind::EraseRefused:
            faults.eraseErrorAt = static_cast<int>(fault.index);
            return;
        case FaultKind::ProgramRefused:
            faults.programErrorAt = static_cast<int>(fault.index);
            return;
        case FaultKind::Unplug:
            return;  // on the line, not the chip
    }
}

// ---- One run ------------------------------------------------------------------------------------

struct Scenario {
    Operation operation = Operation::Write;
    sim::ChipConfig chip;
    // Flash contents before the run, over what the chip's ID code put there.
    std::vector<std::pair<std::uint32_t, Bytes>> preload;
    Image image;
    Job target;
    sim::IdCode code{};  // the chip's ID code once preloaded
    std::string idSource;
    bool unlockable = true;  // the right code is somewhere the writer looks
    // The cable: each model as it comes, within the design's windows.
    std::size_t adapterModel = 0;
    sim::Adapter adapter;
};

std::unique_ptr<sim::VirtualLink> MakeLine(const Scenario& scenario, const Fault* fault) {
    sim::ChipConfig config = scenario.chip;
    if (fault) Inject(*fault, config.faults);
    auto line = std::make_unique<sim::VirtualLink>(config, scenario.adapter);
    for (const auto& [address, bytes] : scenario.preload) line->Target().Load(address, bytes);
    if (fault && fault->kind == FaultKind::Unplug) line->UnplugAt(fault->at);
    return line;
}

std::string IdFileText(const std::string& tag, const sim::IdCode& code) {
    char pair[4];
    std::string text = "x\n" + tag + "DF:";
    for (std::size_t i = 0; i < code.size(); ++i) {
        std::snprintf(pair, sizeof pair, "%02X\n", code[i]);
        text += pair;
    }
    return text;
}

sim::IdCode RandomCode(Random& random) {
    sim::IdCode code;
    for (auto& b : code) b = random.Byte();
    code[0] &= 0x7F;  // never the erased code
    return code;
}

Scenario MakeScenario(Random& random, const TempDir& dir) {
    Scenario s;
    s.operation = static_cast<Operation>(random.Below(3));
    constexpr sim::Family kChips[] = {sim::Family::R8C, sim::Family::M16C, sim::Family::M32C};
    const sim::Family family = kChips[random.Below(3)];
    s.chip.family = family;
    s.target.family = FamilyName(family);
    if (family == sim::Family::R8C && random.OneIn(4)) {
        s.chip.fixedBaud = 38400;  // started by its MODE pin
        s.target.modePin = true;
    }
    s.target.baud = random.OneIn(3) ? 115200 : 0;
    const bool protectedChip = random.OneIn(3);
    if (protectedChip) s.chip.idCode = RandomCode(random);

    const auto blocks = sim::DefaultBlocks(family);
    s.image = RandomImage(random, blocks);
    std::vector<std::uint32_t> pages = s.image.flushes;
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    if (s.operation == Operation::Verify) {
        // The chip holds the file, with other data around it or not, and now and then one byte
        // of it wrong.
        for (std::uint32_t page : pages) {
            Bytes bytes(256, 0xFF);
            if (random.OneIn(2)) {
                for (auto& b : bytes) b = random.Byte();
            }
            for (std::uint32_t a = page; a < page + 256; ++a) {
                if (auto it = s.image.bytes.find(a); it != s.image.bytes.end()) {
                    bytes[a - page] = it->second;
                }
            }
            s.preload.emplace_back(page, bytes);
        }
        if (random.OneIn(5)) {
            auto it = s.image.bytes.begin();
            std::advance(it, static_cast<long>(random.Below(s.image.bytes.size())));
            s.preload.emplace_back(
                it->first, Bytes{static_cast<std::uint8_t>(it->second ^ (1u << random.Below(8)))});
        }
    } else if (!random.OneIn(4)) {
        // An older program in the pages the file writes, which the erase must clear first.
        for (std::uint32_t page : pages) {
            Bytes bytes(256);
            for (auto& b : bytes) b = random.Byte();
            s.preload.emplace_back(page, bytes);
        }
    }

    // The code the chip holds once preloaded, and where the writer may find it.
    const auto addresses = sim::IdAddresses(family);
    s.code = s.chip.idCode.value_or(sim::IdCode{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    for (const auto& [address, bytes] : s.preload) {
        for (std::size_t i = 0; i < 7; ++i) {
            if (addresses[i] >= address && addresses[i] - address < bytes.size()) {
                s.code[i] = bytes[addresses[i] - address];
            }
        }
    }
    const bool blank = std::all_of(s.code.begin(), s.code.end(), [](auto b) { return b == 0xFF; });
    const std::string tag = family == sim::Family::R8C    ? "0FFD"
                            : family == sim::Family::M16C ? "FFFD"
                                                          : "FFFF";
    sim::IdCode wrong = RandomCode(random);
    if (wrong == s.code) wrong[6] ^= 1;
    s.adapterModel = random.Below(sim::kAdapterModels.size());
    s.adapter = sim::AdapterOf(sim::kAdapterModels[s.adapterModel]);
    s.target.writeFile = dir.Write("prog.mot", s.image.records);
    const std::string idFile = dir.Name("prog.id");
    std::filesystem::remove(TempDir::Utf8(idFile));
    const auto choice = random.Below(6);
    if (blank) {
        s.idSource = "blank ID area";
    } else if (choice < 3) {
        s.idSource = "ID file";
        dir.Write("prog.id", IdFileText(tag, s.code));
    } else if (choice < 5) {
        s.idSource = "ID dialog";
        if (choice == 4) dir.Write("prog.id", IdFileText(tag, wrong));
        s.target.typedCode = s.code;
    } else {
        s.idSource = "no right code";
        s.unlockable = false;
        if (random.OneIn(2)) s.target.typedCode = wrong;
    }
    return s;
}

// The longest a run may take in virtual time. The virtual clock moves only while the writer
// reads, and every read ends within its reply window (30 ms + 4 ms a byte asked for), so a run
// takes at most the windows of every read its sequence may make:
// - connecting: the read of stale input (100 bytes), 17 synchronisation reads (1 byte), the
//   Baud Rate Check (10) and Read Status Register (2, then 2 more); on the mode-pin link only
//   the first and the last;
// - moving to another rate: its echo (1) and one two-byte poll;
// - unlocking: Read Status Register, Version Read (8, then 10), and three ID checks, each with
//   its Read Status Register;
// - erasing: 261 polls, then the answers still owed for them, 2 a poll, read 50 at a time;
// - each page flushed: 22 polls and their owed answers when programming; 256 one-byte reads
//   when verifying, or one read of 256 on the fast link.
// A poll is one read of 50 bytes, or on the fast link up to six reads of 2. The poll limits are
// those of the sequences (writer/core/Sequences.cpp).
Time Bound(const Scenario& s) {
    constexpr int kErasePolls = 261;
    constexpr int kPagePolls = 22;
    const bool fast = s.target.baud != 0;
    const Time readStatus = 2 * ReplyWindow(2);
    const Time poll = fast ? 6 * ReplyWindow(2) : ReplyWindow(50);
    auto polls = [&](int n) { return n * poll + (2 * n + 49) / 50 * ReplyWindow(50); };

    Time bound = ReplyWindow(100) + readStatus;
    if (!s.target.modePin) bound += 17 * ReplyWindow(1) + ReplyWindow(10);
    if (fast) bound += ReplyWindow(1) + 6 * ReplyWindow(2);
    bound += readStatus + ReplyWindow(8) + ReplyWindow(10) + 3 * readStatus;
    const auto pages = static_cast<std::int64_t>(s.image.flushes.size());
    const Time verifyPage = fast ? Time(ReplyWindow(256)) : Time(256 * ReplyWindow(1));
    switch (s.operation) {
        case Operation::Write:
            bound += polls(kErasePolls) + pages * (polls(kPagePolls) + verifyPage);
            break;
        case Operation::Erase:
            bound += polls(kErasePolls);
            break;
        case Operation::Verify:
            bound += pages * verifyPage;
            break;
    }
    return bound;
}

// What a fault-free run of the scenario recorded: where each phase began on the line.
struct Rehearsal {
    Outcome outcome;
    std::vector<sim::VirtualLink::Frame> frames;
    Time end{};
    std::uint64_t fromHost = 0;
    std::uint64_t toHost = 0;
    std::vector<std::pair<Phase, std::size_t>> phases;  // the phase and its first frame
    std::optional<std::uint64_t> eraseByte;             // where Erase All went out
};

Rehearsal Rehearse(const Scenario& s) {
    Rehearsal r;
    const auto line = MakeLine(s, nullptr);
    Seen seen;
    r.outcome = RunOnce(s.operation, *line, s.target, seen);
    r.frames = line->Frames();
    r.end = line->Now();
    r.fromHost = line->Target().BytesFromHost();
    r.toHost = line->Target().BytesToHost();
    auto find = [&](std::size_t from, auto&& match) {
        for (std::size_t i = from; i < r.frames.size(); ++i) {
            if (match(r.frames[i].bytes)) return std::optional<std::size_t>(i);
        }
        return std::optional<std::size_t>();
    };
    r.phases.emplace_back(Phase::Connect, 0);
    auto mark = [&](Phase phase, std::optional<std::size_t> at) {
        if (at && *at > r.phases.back().second) r.phases.emplace_back(phase, *at);
    };
    if (s.target.baud) mark(Phase::Rate, find(0, [](const Bytes& b) { return b == Bytes{0xB4}; }));
    // The unlock begins with the status read before Version Read.
    if (auto version = find(0, [](const Bytes& b) { return b == Bytes{0xFB}; })) {
        mark(Phase::Unlock, *version - 1);
    }
    const auto erase = find(0, [](const Bytes& b) { return b == Bytes{0xA7, 0xD0}; });
    if (erase) r.eraseByte = r.frames[*erase].fromHost;
    mark(Phase::Erase, erase);
    mark(Phase::Program, find(0, [](const Bytes& b) { return b.size() == 3 && b[0] == 0x41; }));
    mark(Phase::Verify, find(0, [](const Bytes& b) { return b.size() == 3 && b[0] == 0xFF; }));
    return r;
}

Fault PlaceFault(Random& random, const Scenario& s, const Rehearsal& r) {
    std::vector<FaultKind> kinds;
    for (int k = 0; k <= static_cast<int>(FaultKind::Unplug); ++k) {
        kinds.push_back(static_cast<FaultKind>(k));
    }
    auto reached = [&](Phase phase) {
        return std::any_of(r.phases.begin(), r.phases.end(),
                           [phase](const auto& p) { return p.first == phase; });
    };
    if (reached(Phase::Erase)) kinds.push_back(FaultKind::EraseRefused);
    if (reached(Phase::Program) && !s.image.flushes.empty()) {
        kinds.push_back(FaultKind::ProgramRefused);
    }

    Fault fault;
    fault.kind = random.Pick(kinds);
    fault.value = static_cast<std::uint8_t>(1 + random.Below(255));
    if (fault.kind == FaultKind::EraseRefused) {
        fault.phase = Phase::Erase;
        return fault;
    }
    if (fault.kind == FaultKind::ProgramRefused) {
        fault.phase = Phase::Program;
        fault.index = random.Below(s.image.flushes.size());
        return fault;
    }
    const std::size_t p = random.Below(r.phases.size());
    fault.phase = r.phases[p].first;
    const auto& first = r.frames[r.phases[p].second];
    const bool last = p + 1 == r.phases.size();
    const auto* next = last ? nullptr : &r.frames[r.phases[p + 1].second];
    auto within = [&](std::uint64_t from, std::uint64_t to) {
        return from + random.Below(to - from);
    };
    switch (fault.kind) {
        case FaultKind::DropToHost:
        case FaultKind::FlipToHost:
        case FaultKind::AddToHost: {
            const std::uint64_t to = next ? next->toHost : r.toHost;
            // A phase whose commands got no answer: a byte anywhere the chip sent.
            fault.index = first.toHost < to ? within(first.toHost, to) : random.Below(r.toHost);
            break;
        }
        case FaultKind::ResetAtTime:
        case FaultKind::Unplug: {
            const Time to = next ? next->at : r.end;
            fault.at = first.at + Time(static_cast<std::int64_t>(random.Below(
                                      static_cast<std::uint64_t>((to - first.at).count()) + 1)));
            break;
        }
        default:
            fault.index = within(first.fromHost, next ? next->fromHost : r.fromHost);
    }
    return fault;
}

std::string Describe(const Scenario& s) {
    std::ostringstream out;
    out << OperationName(s.operation) << " on " << s.target.family
        << (s.target.modePin ? " (mode pin)" : "")
        << (s.target.baud ? " at 115200 baud" : " at the design's rate") << " through "
        << s.adapter.Spelled() << ", " << s.idSource << ", " << s.image.bytes.size()
        << " bytes in pages";
    char page[12];
    for (std::uint32_t p : s.image.flushes) {
        std::snprintf(page, sizeof page, " %06X", p);
        out << page;
    }
    return out.str();
}

std::string Describe(const Outcome& o) {
    std::ostringstream out;
    out << (o.Succeeded() ? "succeeded"
                          : std::string("failed at ") + StepWords(o.failed, text::Lang::En))
        << ": \"" << o.text << "\"";
    if (o.page) out << std::hex << ", page " << *o.page << std::dec;
    return out.str();
}

std::uint64_t FromEnvironment(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

struct Counts {
    int runs = 0;
    int byOperation[3] = {};
    int byKind[kFaultKinds] = {};
    int byPhase[kPhases] = {};
    int byAdapter[sim::kAdapterModels.size()] = {};
    int successes = 0;
    int failuresByStep[kSteps.size()] = {};
    int failedChecks = 0;
    int blindErases = 0;
};

// Noise that turns Erase All into a command the chip answers (0xA7 arriving as 0x70, Read Status
// Register, or 0x71, Read Lock Bit) leaves a chip that never erased and a status that says all
// is well: the erase button trusts the status alone and cannot tell. The write is safe from it,
// as its verify pass reads the flash back.
bool EraseCommandSpoiled(const Fault& fault, const Rehearsal& r, const sim::Chip& chip) {
    if (fault.kind != FaultKind::FlipToChip && fault.kind != FaultKind::AddToChip) return false;
    if (!r.eraseByte || fault.index < *r.eraseByte || fault.index > *r.eraseByte + 1) return false;
    return std::none_of(chip.Log().begin(), chip.Log().end(),
                        [](const auto& e) { return e.command == 0xA7 && !e.refused; });
}

TEST(FaultSoak, EveryRunEndsTruthfullyInBoundedTime) {
    const std::uint64_t seed = FromEnvironment("BRAMBLET_SOAK_SEED", 20250101);
    const std::uint64_t runs = FromEnvironment("BRAMBLET_SOAK_RUNS", BRAMBLET_SOAK_RUNS);
    const bool alone = runs == 1;
    TempDir dir;
    Counts counts;
    for (std::uint64_t n = 0; n < runs; ++n) {
        const std::uint64_t runSeed = seed + n;
        Random random(runSeed);
        const Scenario s = MakeScenario(random, dir);
        const Rehearsal rehearsal = Rehearse(s);
        const Fault fault = PlaceFault(random, s, rehearsal);
        const auto line = MakeLine(s, &fault);
        const Time bound = Bound(s);
        // Should the writer loop on past every bound, the line goes and ends it.
        if (fault.kind != FaultKind::Unplug) line->UnplugAt(bound + 1s);

        std::vector<std::uint8_t> before;
        for (const auto& [address, value] : s.image.bytes) {
            before.push_back(line->Target().Read(address));
        }
        Seen seen;
        const Outcome outcome = RunOnce(s.operation, *line, s.target, seen);
        const sim::Chip& chip = line->Target();

        std::vector<std::string> problems;
        auto check = [&problems](bool ok, const std::string& what) {
            if (!ok) problems.push_back(what);
        };
        // Without the fault the run ends as the scenario says it must.
        const bool flashHeldFile =
            std::equal(before.begin(), before.end(), s.image.bytes.begin(),
                       [](std::uint8_t b, const auto& supplied) { return b == supplied.second; });
        const Step planned = !s.unlockable                                        ? Step::IdCode
                             : s.operation == Operation::Verify && !flashHeldFile ? Step::Verify
                                                                                  : Step::None;
        check(rehearsal.outcome.failed == planned,
              "without the fault the run " + Describe(rehearsal.outcome));

        const auto allowed = AllowedTexts(s.operation, outcome.failed, s.target.baud);
        check(std::find(allowed.begin(), allowed.end(), outcome.text) != allowed.end(),
              "the text does not belong to the step");
        check(seen.statusLine == outcome.text, "the status line says \"" + seen.statusLine + "\"");
        // One beep for every end but the write's failed passes, which keep their own text.
        const bool quietEnd = s.operation == Operation::Write &&
                              (outcome.failed == Step::Program || outcome.failed == Step::Verify);
        check(seen.beeps == (outcome.Succeeded() ? "s"
                             : quietEnd          ? ""
                                                 : "f"),
              "beeps \"" + seen.beeps + "\"");
        if (outcome.Succeeded()) {
            bool holds = true;
            if (s.operation == Operation::Write) {
                for (const auto& [address, value] : s.image.bytes) {
                    holds = holds && chip.Read(address) == value;
                }
            } else if (s.operation == Operation::Verify) {
                holds = flashHeldFile;
            } else {
                for (const auto& [address, bytes] : s.preload) {
                    for (std::size_t i = 0; i < bytes.size(); ++i) {
                        holds = holds && chip.Read(static_cast<std::uint32_t>(address + i)) == 0xFF;
                    }
                }
                for (std::uint32_t a : sim::IdAddresses(s.chip.family)) {
                    holds = holds && chip.Read(a) == 0xFF;
                }
            }
            if (!holds && s.operation == Operation::Erase &&
                EraseCommandSpoiled(fault, rehearsal, chip)) {
                ++counts.blindErases;
            } else {
                check(holds, "succeeded, but the flash does not hold what it should");
            }
            const auto& log = chip.Log();
            check(std::any_of(log.begin(), log.end(),
                              [](const auto& e) { return e.command == 0xF5 && !e.refused; }),
                  "succeeded, but the chip never verified an ID code");
        }
        check(line->Now() <= bound, "took longer than the bound");
        check(!line->PortOpen(), "left the port open");
        check(!outcome.lost || fault.kind == FaultKind::Unplug, "says the line went");
        if (fault.kind == FaultKind::EraseRefused) {
            check(outcome.failed == Step::Erase, "a refused erase did not end the run");
        }
        if (fault.kind == FaultKind::ProgramRefused) {
            check(outcome.failed == Step::Program && outcome.page == s.image.flushes[fault.index],
                  "a refused page did not end the run at that page");
        }
        if (fault.kind == FaultKind::Hang) {
            check(!outcome.Succeeded(), "succeeded with a chip that had stopped answering");
        }

        ++counts.runs;
        ++counts.byOperation[static_cast<int>(s.operation)];
        ++counts.byKind[static_cast<int>(fault.kind)];
        ++counts.byPhase[static_cast<int>(fault.phase)];
        ++counts.byAdapter[s.adapterModel];
        if (outcome.Succeeded()) {
            ++counts.successes;
        } else {
            ++counts.failuresByStep[static_cast<int>(outcome.failed)];
        }
        const std::string story =
            Describe(s) +
            (s.operation != Operation::Verify ? ""
             : flashHeldFile                  ? ", the chip holds the file"
                                              : ", one byte of the file differs in the chip") +
            "\n  fault: " + Describe(fault) + "\n  outcome: " + Describe(outcome) + " after " +
            std::to_string(std::chrono::duration<double>(line->Now()).count()) + " s (bound " +
            std::to_string(std::chrono::duration<double>(bound).count()) + " s)";
        if (alone) std::printf("run seed %" PRIu64 ": %s\n", runSeed, story.c_str());
        if (!problems.empty() && ++counts.failedChecks <= 20) {
            std::string all;
            for (const auto& p : problems) all += "\n  - " + p;
            ADD_FAILURE() << "run " << n << ", seed " << runSeed << ": " << story << all
                          << "\n  repeat it alone: BRAMBLET_SOAK_SEED=" << runSeed
                          << " BRAMBLET_SOAK_RUNS=1 soak_tests";
        }
    }

    std::printf("fault soak, seed %" PRIu64 ": %d runs (%d write, %d erase, %d verify)\n", seed,
                counts.runs, counts.byOperation[0], counts.byOperation[1], counts.byOperation[2]);
    std::printf("  faults by kind:\n");
    for (int k = 0; k < kFaultKinds; ++k) {
        std::printf("    %-26s %6d\n", kFaultNames[k], counts.byKind[k]);
    }
    std::printf("  faults by phase:\n");
    for (int p = 0; p < kPhases; ++p) {
        std::printf("    %-26s %6d\n", kPhaseNames[p], counts.byPhase[p]);
    }
    std::printf("  adapters:\n");
    for (std::size_t a = 0; a < sim::kAdapterModels.size(); ++a) {
        std::printf("    %-26s %6d\n", sim::kAdapterModels[a].name, counts.byAdapter[a]);
    }
    std::printf("  successes %d\n  failures by step:\n", counts.successes);
    for (std::size_t step = 1; step < kSteps.size(); ++step) {
        if (counts.failuresByStep[step]) {
            std::printf("    %-26s %6d\n", StepWords(kSteps[step].step, text::Lang::En),
                        counts.failuresByStep[step]);
        }
    }
    std::printf("  erases reported done that never reached the chip: %d\n", counts.blindErases);
    std::printf("  runs that broke a rule: %d\n", counts.failedChecks);
}

}  // namespace
}  // namespace bramblet::testing
