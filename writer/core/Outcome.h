#pragma once
// How a sequence ended, for the faces that report more than the status line does.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "text/Catalogue.h"
#include "writer/link/Protocol.h"
#include "writer/link/SerialPort.h"

namespace bramblet {

enum class Step {
    None,       // the sequence ended with its success text
    FileCheck,  // the write file could not be read as S-records, or holds no data
    OpenPort,
    Connect,   // no boot program answered
    BaudRate,  // the chip or the port did not move to the rate asked for
    IdCode,
    Erase,
    Program,
    Verify,
    Read,    // reading the chip back, for a command of the caller's own
    Lines,   // the modem lines could not be set as the target's sequences ask
    Serial,  // the board got no serial number, so nothing was sent to it
};

// FTDI's default latency timer; an adapter set slower than this is worth naming when no reply
// came through it.
constexpr std::chrono::milliseconds kUsualAdapterLatency{16};

// An adapter slower than usual that an awaited reply did not come through.
struct SlowAdapter {
    std::chrono::milliseconds timer;      // its latency timer, as read from the port or given
    std::chrono::milliseconds allowance;  // what the reply windows allowed for it
    bool operator==(const SlowAdapter&) const = default;
};

// The slow adapter in the words of a result's detail.
inline std::string SlowAdapterWords(const SlowAdapter& adapter, text::Lang lang = text::Lang::En) {
    return text::Say(text::Tx::CliSlowAdapter, lang, {std::to_string(adapter.timer.count())});
}

// The first byte a verification found wrong.
struct Mismatch {
    std::uint32_t address = 0;
    std::uint8_t expected = 0;
    std::optional<std::uint8_t> got;  // nothing when the chip sent no byte there
};

struct Outcome {
    Step failed = Step::None;
    std::string text;  // the status line as the sequence left it
    // The page a program or verify step failed on.
    std::optional<std::uint32_t> page;
    // The status that refused an erase or a page program; nothing when the chip stopped
    // answering the poll.
    std::optional<protocol::Status> status;
    std::optional<Mismatch> mismatch;
    // Why the port could not be opened.
    OpenError openError = OpenError::None;
    // Why the port stopped carrying bytes, when that ended the step.
    PortLoss lost;
    // What went wrong, in the words of the system or of the step, where the text does not say.
    std::string detail;
    // Why a line of the target's sequences could not be set, naming the port and the line. An
    // --after that fails leaves the outcome's step and text as its command ended them, or fails
    // at Lines a command that had succeeded.
    std::string lineError;
    // Set when the reply that did not come may have been held too long by the adapter.
    std::optional<SlowAdapter> slowAdapter;

    bool Succeeded() const { return failed == Step::None; }
    // The --after sequence could not be carried out: `error` says why.
    void AfterFailed(std::string error) {
        lineError = std::move(error);
        if (failed == Step::None) failed = Step::Lines;
    }
    // No reply came where one was due, the port still there. Every command's failure goes
    // through here, so the adapter is named alike whichever step missed its reply. The timer
    // read from the port is what the adapter does; without one, the allowance given for it.
    void NoReply(std::optional<std::chrono::milliseconds> timer,
                 std::chrono::milliseconds allowance) {
        const std::chrono::milliseconds held = timer.value_or(allowance);
        if (!lost && held > kUsualAdapterLatency) slowAdapter = SlowAdapter{held, allowance};
    }
};

}  // namespace bramblet
