// bramblet-sim: a simulated chip in its boot mode behind a pseudo-terminal, in real time.
// A writer opens the terminal side like a serial port; every answer leaves at the byte time of
// the chip's rate, as it would from a real chip. A terminal carries bytes, not bits: the rate
// the writer set on its side, read back through termios, is the rate the line model sends the
// writer's bytes at and samples the chip's answers at.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "sim/Adapter.h"
#include "sim/Chip.h"
#include "sim/SRecordFile.h"
#include "text/Catalogue.h"
#include "writer/platform/posix/SimulatedPorts.h"

namespace {

using namespace bramblet::sim;
using Clock = std::chrono::steady_clock;
using text::Say;
using text::Tx;

// The language of the help and the messages: the last --lang that names one, else the
// environment's, else English, which they have always been in. Read before the options, so
// that the help or an error met before --lang speaks it too.
text::Lang MessageLanguage(int argc, char** argv) {
    std::optional<text::Lang> asked;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--lang") != 0) continue;
        if (const std::optional<text::Lang> named = text::ParseLang(argv[i + 1])) asked = named;
    }
    return text::ChosenLang(asked, std::getenv(text::kLangVariable)).value_or(text::Lang::En);
}

volatile sig_atomic_t gStop = 0;
volatile sig_atomic_t gReset = 0;

void OnStop(int) {
    gStop = 1;
}
void OnReset(int) {
    gReset = 1;
}

bool ParseHex(const std::string& text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (text.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = text.substr(i, 2);
        const long value = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0') return false;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

bool ParseInt(const std::string& text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 1'000'000) return false;
    value = static_cast<int>(v);
    return true;
}

// "dtr", "rts", "dtr:inverted" or "rts:inverted".
std::optional<PinWire> ParsePinWire(const std::string& text) {
    const std::string line = text.substr(0, text.find(':'));
    const bool inverted = line.size() < text.size();
    if ((line != "dtr" && line != "rts") || (inverted && text.substr(4) != "inverted")) {
        return std::nullopt;
    }
    return PinWire{line == "dtr" ? bramblet::ModemLine::Dtr : bramblet::ModemLine::Rts, inverted};
}

bool ParseMilliseconds(const std::string& text, Time& value) {
    char* end = nullptr;
    const double ms = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || ms < 0 || ms > 1e6) return false;
    value = Time(static_cast<std::int64_t>(ms * 1e6));
    return true;
}

std::uint32_t BaudOf(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        case B460800:
            return 460800;
        case B921600:
            return 921600;
        default:
            return 9600;
    }
}

struct Options {
    ChipConfig chip;
    Adapter adapter;
    std::string load, save, link;
    bool publish = true;
    bool verbose = false;
};

bool ParseIdCode(const std::string& v, Options& o) {
    std::vector<std::uint8_t> bytes;
    if (!ParseHex(v, bytes) || bytes.size() != 7) return false;
    IdCode code;
    std::copy(bytes.begin(), bytes.end(), code.begin());
    o.chip.idCode = code;
    return true;
}

bool ParsePinOption(const std::string& v, std::optional<PinWire>& wire) {
    wire = ParsePinWire(v);
    return wire.has_value();
}

bool ParseSyncAnswer(const std::string& v, Faults& faults) {
    const auto colon = v.find(':');
    if (!ParseInt(v.substr(0, colon), faults.syncAnswerAfter)) return false;
    return colon == std::string::npos || ParseHex(v.substr(colon + 1), faults.syncAnswer);
}

bool ParseCount(const std::string& v, std::optional<int>& out) {
    int n = 0;
    if (!ParseInt(v, n)) return false;
    out = n;
    return true;
}

bool ParseAddress(const std::string& v, std::optional<std::uint32_t>& out) {
    char* end = nullptr;
    if (v.empty()) return false;
    const unsigned long address = std::strtoul(v.c_str(), &end, 16);
    if (*end != '\0') return false;
    out = static_cast<std::uint32_t>(address);
    return true;
}

// One row an option: its name, whether a value follows it, and what it does with that value
// (false: the value will not do).
struct OptionRow {
    const char* name;
    bool takesValue;
    bool (*apply)(const std::string& value, Options& options);
};

const OptionRow kOptions[] = {
    {"--family", true,
     [](const std::string& v, Options& o) {
         const auto family = ParseChipFamily(v);
         if (family) o.chip.family = *family;
         return family.has_value();
     }},
    {"--id", true, ParseIdCode},
    {"--verified-when-blank", false,
     [](const std::string&, Options& o) {
         o.chip.verifiedWhenBlank = true;
         return true;
     }},
    {"--version", true,
     [](const std::string& v, Options& o) {
         o.chip.version = v;
         return true;
     }},
    {"--mode-pin", false,
     [](const std::string&, Options& o) {
         o.chip.fixedBaud = 38400;
         return true;
     }},
    {"--max-baud", true,
     [](const std::string& v, Options& o) {
         int n = 0;
         if (!ParseInt(v, n) || !IsBootRate(static_cast<std::uint32_t>(n))) return false;
         o.chip.maxBaud = static_cast<std::uint32_t>(n);
         return true;
     }},
    {"--load", true,
     [](const std::string& v, Options& o) {
         o.load = v;
         return true;
     }},
    {"--save", true,
     [](const std::string& v, Options& o) {
         o.save = v;
         return true;
     }},
    {"--link", true,
     [](const std::string& v, Options& o) {
         o.link = v;
         return true;
     }},
    {"--no-publish", false,
     [](const std::string&, Options& o) {
         o.publish = false;
         return true;
     }},
    {"--program-time", true,
     [](const std::string& v, Options& o) { return ParseMilliseconds(v, o.chip.pageProgramTime); }},
    {"--erase-time", true,
     [](const std::string& v, Options& o) { return ParseMilliseconds(v, o.chip.blockEraseTime); }},
    {"--adapter", true,
     [](const std::string& v, Options& o) {
         const std::optional<Adapter> adapter = ParseAdapter(v);
         if (adapter) o.adapter = *adapter;
         return adapter.has_value();
     }},
    {"--verbose", false,
     [](const std::string&, Options& o) {
         o.verbose = true;
         return true;
     }},
    // Taken before the others by MessageLanguage; here it is only checked.
    {"--lang", true, [](const std::string& v, Options&) { return text::ParseLang(v).has_value(); }},
    {"--reset-line", true,
     [](const std::string& v, Options& o) { return ParsePinOption(v, o.chip.wiring.reset); }},
    {"--mode-line", true,
     [](const std::string& v, Options& o) { return ParsePinOption(v, o.chip.wiring.mode); }},
    {"--sync-answer", true,
     [](const std::string& v, Options& o) { return ParseSyncAnswer(v, o.chip.faults); }},
    {"--echo", true,
     [](const std::string& v, Options& o) {
         std::vector<std::uint8_t> bytes;
         if (!ParseHex(v, bytes)) return false;
         o.chip.faults.baudEcho = bytes;
         return true;
     }},
    {"--status-bytes", true,
     [](const std::string& v, Options& o) { return ParseInt(v, o.chip.faults.statusReplyLength); }},
    {"--page-read-bytes", true,
     [](const std::string& v, Options& o) { return ParseInt(v, o.chip.faults.pageReadLength); }},
    {"--loopback", false,
     [](const std::string&, Options& o) {
         o.chip.faults.loopBack = true;
         return true;
     }},
    {"--silent-after-pages", true,
     [](const std::string& v, Options& o) {
         return ParseCount(v, o.chip.faults.silentAfterPages);
     }},
    {"--reset-after-pages", true,
     [](const std::string& v, Options& o) { return ParseCount(v, o.chip.faults.resetAfterPages); }},
    {"--corrupt-read", true,
     [](const std::string& v, Options& o) {
         return ParseAddress(v, o.chip.faults.corruptReadAddress);
     }},
    {"--noise", true,
     [](const std::string& v, Options& o) { return ParseHex(v, o.chip.faults.powerOnNoise); }},
};

// False after printing why, in `lang`.
bool ParseOptions(int argc, char** argv, Options& options, text::Lang lang) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(Say(Tx::SimUsage, lang), stdout);
            std::exit(0);
        }
        const auto row = std::find_if(std::begin(kOptions), std::end(kOptions),
                                      [&option](const OptionRow& r) { return option == r.name; });
        if (row == std::end(kOptions)) {
            std::fputs(Say(Tx::SimUnknownOption, lang, {option}).c_str(), stderr);
            std::fputs(Say(Tx::SimUsage, lang), stderr);
            return false;
        }
        const bool hasValue = !row->takesValue || i + 1 < argc;
        const std::string value = row->takesValue && hasValue ? argv[++i] : std::string();
        if (!hasValue || !row->apply(value, options)) {
            std::fputs(Say(Tx::SimBadValue, lang, {option}).c_str(), stderr);
            return false;
        }
    }
    return true;
}

// A descriptor closed when it goes out of scope.
class Fd {
public:
    Fd() = default;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int* Out() { return &fd_; }
    int get() const { return fd_; }

private:
    int fd_ = -1;
};

// The pseudo-terminal: the chip's side (master) and the writer's (slave, by its name).
struct Terminal {
    Fd master, slave;
    char name[128] = {};
};

// False after printing why.
bool OpenTerminal(Terminal& terminal, text::Lang lang) {
    if (openpty(terminal.master.Out(), terminal.slave.Out(), terminal.name, nullptr, nullptr) !=
        0) {
        std::fputs(Say(Tx::SimOpenpty, lang, {std::strerror(errno)}).c_str(), stderr);
        return false;
    }
    // The terminal side stays open here, so the writer may open and close it as often as it
    // likes; it starts raw, since a serial line never echoes.
    termios tio{};
    tcgetattr(terminal.slave.get(), &tio);
    cfmakeraw(&tio);
    tcsetattr(terminal.slave.get(), TCSANOW, &tio);
    const int master = terminal.master.get();
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
}

// A symbolic link to the terminal, removed again at the end if it still points there.
class PublishedLink {
public:
    PublishedLink(std::string path, const std::string& target, text::Lang lang)
        : path_(std::move(path)) {
        ::unlink(path_.c_str());  // a stale link of a simulator that did not end cleanly
        ok_ = ::symlink(target.c_str(), path_.c_str()) == 0;
        if (!ok_) {
            std::fputs(Say(Tx::SimCannotPublish, lang, {path_, std::strerror(errno)}).c_str(),
                       stderr);
        }
        target_ = target;
    }
    ~PublishedLink() {
        char buffer[256];
        const ssize_t n = ::readlink(path_.c_str(), buffer, sizeof buffer - 1);
        if (ok_ && n > 0 && std::string(buffer, static_cast<std::size_t>(n)) == target_) {
            ::unlink(path_.c_str());
        }
    }
    PublishedLink(const PublishedLink&) = delete;
    PublishedLink& operator=(const PublishedLink&) = delete;
    bool ok() const { return ok_; }

private:
    std::string path_, target_;
    bool ok_ = false;
};

// The links the options ask for; false when the one named by --link cannot be made.
bool Publish(const Options& options, const std::string& name, std::deque<PublishedLink>& links,
             text::Lang lang) {
    if (!options.link.empty()) {
        links.emplace_back(options.link, name, lang);
        if (!links.back().ok()) return false;
    }
    if (options.publish) {
        const std::string folder = bramblet::SimulatedPortFolder();
        ::mkdir(folder.c_str(), 0700);
        links.emplace_back(
            folder + "/" + FamilyName(options.chip.family) + "-" + std::to_string(::getpid()), name,
            lang);
    }
    return true;
}

// Stops on SIGTERM, SIGINT or SIGHUP and resets on SIGUSR1. The signals are held except while
// waiting, so none is lost between a test and the wait: the mask to wait with.
sigset_t CatchSignals() {
    struct sigaction stop {};
    stop.sa_handler = OnStop;
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGHUP, &stop, nullptr);
    struct sigaction reset {};
    reset.sa_handler = OnReset;
    sigaction(SIGUSR1, &reset, nullptr);
    sigset_t held, waiting;
    sigemptyset(&held);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaddset(&held, s);
    sigprocmask(SIG_BLOCK, &held, &waiting);
    return waiting;
}

void LogEvents(const Chip& chip, std::size_t& logged, text::Lang lang) {
    for (; logged < chip.Log().size(); ++logged) {
        const Chip::Event& e = chip.Log()[logged];
        std::fprintf(stderr, "%10.3f ms  %02X  %06X%s\n", e.at.count() / 1e6, e.command, e.address,
                     e.refused ? Say(Tx::SimLogRefused, lang) : "");
    }
}

// The chip on the terminal in real time until a stop signal.
class Server {
public:
    Server(Chip& chip, HostLine& line, const Terminal& terminal, bool verbose, text::Lang lang)
        : chip_(chip),
          line_(line),
          terminal_(terminal),
          verbose_(verbose),
          lang_(lang),
          chipBaud_(chip.Baud()) {}

    void Run(const sigset_t& waiting) {
        FollowHost(Time{0});
        while (!gStop) {
            const Time t = Now();
            if (gReset) {
                gReset = 0;
                chip_.Reset(t);
                if (verbose_) {
                    std::fprintf(stderr, "%10.3f ms  %s\n", t.count() / 1e6,
                                 Say(Tx::SimLogReset, lang_));
                }
            }
            FollowHost(t);
            if (!SendDue(t)) break;
            if (verbose_) Log(t);
            Wait(waiting);
        }
    }

private:
    Time Now() const { return std::chrono::duration_cast<Time>(Clock::now() - start_); }

    // The writer's rate as it last set it on its side of the terminal.
    void FollowHost(Time t) {
        termios current{};
        if (tcgetattr(terminal_.slave.get(), &current) != 0) return;
        const std::uint32_t baud = BaudOf(cfgetospeed(&current));
        if (baud != hostBaud_) line_.SetHostBaud(baud, t);
        hostBaud_ = baud;
    }

    // Every byte leaves when its stop bit would reach the writer. False when the terminal fails.
    bool SendDue(Time t) {
        std::vector<std::uint8_t> due;
        while (const HostLine::Reply* reply = line_.NextReply(t)) {
            due.push_back(reply->byte);
            line_.PopReply();
        }
        // Nobody reading and the terminal's queue full: the bytes are lost, as on a line.
        return due.empty() || ::write(terminal_.master.get(), due.data(), due.size()) >= 0 ||
               errno == EAGAIN;
    }

    void Log(Time t) {
        LogEvents(chip_, logged_, lang_);
        if (chip_.Baud() != chipBaud_) {
            chipBaud_ = chip_.Baud();
            std::fprintf(stderr, "%10.3f ms  %s\n", t.count() / 1e6,
                         Say(Tx::SimLogRate, lang_, {std::to_string(chipBaud_)}).c_str());
        }
    }

    // Until the writer sends, the chip's next byte is due, or a signal comes.
    void Wait(const sigset_t& waiting) {
        timespec timeout{};
        timespec* wait = nullptr;
        if (const std::optional<Time> next = line_.NextEvent()) {
            const auto left = std::max(*next - Now(), Time{0});
            timeout.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
            wait = &timeout;
        }
        pollfd p{terminal_.master.get(), POLLIN, 0};
        const int ready = ::ppoll(&p, 1, wait, &waiting);
        if (ready > 0 && (p.revents & POLLIN)) {
            std::uint8_t buffer[4096];
            const ssize_t n = ::read(terminal_.master.get(), buffer, sizeof buffer);
            const Time sent = Now();
            FollowHost(sent);
            for (ssize_t i = 0; i < n; ++i) line_.HostSends(buffer[i], sent);
        }
    }

    Chip& chip_;
    HostLine& line_;  // the chip's line, through the adapter when there is one
    const Terminal& terminal_;
    const bool verbose_;
    const text::Lang lang_;
    const Clock::time_point start_ = Clock::now();
    std::size_t logged_ = 0;
    std::uint32_t hostBaud_ = 0;
    std::uint32_t chipBaud_;
};

}  // namespace

int main(int argc, char** argv) {
    const text::Lang lang = MessageLanguage(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options, lang)) return 2;

    Chip chip(options.chip);
    if (!options.load.empty()) {
        std::string error;
        if (!LoadSRecordFile(options.load, chip, error, lang)) {
            std::fprintf(stderr, "bramblet-sim: %s\n", error.c_str());
            return 1;
        }
    }
    // Declared in this order so that the links go before the terminal they point at.
    Terminal terminal;
    if (!OpenTerminal(terminal, lang)) return 1;
    std::deque<PublishedLink> links;
    if (!Publish(options, terminal.name, links, lang)) return 1;

    const sigset_t waiting = CatchSignals();
    std::printf("%s\n", terminal.name);
    std::fflush(stdout);
    // The writer's end of the line: the adapter's, when there is one.
    std::optional<AdapterLine> adapter;
    if (!options.adapter.Ideal()) adapter.emplace(chip, options.adapter);
    HostLine& line = adapter ? static_cast<HostLine&>(*adapter) : chip;
    Server(chip, line, terminal, options.verbose, lang).Run(waiting);

    if (!options.save.empty() && !SaveSRecordFile(options.save, chip)) {
        std::fputs(Say(Tx::SimCannotSave, lang, {options.save}).c_str(), stderr);
        return 1;
    }
    return 0;
}
