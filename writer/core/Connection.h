#pragma once
// What a connection to the boot program came to: the status word it answered with, or why
// there is no connection to speak over.
#include <string>
#include <utility>

#include "writer/link/SerialPort.h"

namespace bramblet {

class Connection {
public:
    enum class Kind {
        Answered,      // a status word came back; the port is open
        NoAnswer,      // the port is open and nothing answered, or the line went meanwhile
        NotOpened,     // the port could not be opened: OpenFailure and Detail say why
        LinesRefused,  // the port could not drive the modem lines asked for: Detail says why
    };

    // A status word of 0 is what a silent line reads as.
    static Connection Answer(int word) {
        return word == 0 ? NoAnswer() : Connection(Kind::Answered, word, OpenError::None, {});
    }
    static Connection NoAnswer() { return {Kind::NoAnswer, 0, OpenError::None, {}}; }
    static Connection NotOpened(OpenError error, std::string detail) {
        return {Kind::NotOpened, 0, error, std::move(detail)};
    }
    static Connection LinesRefused(std::string error) {
        return {Kind::LinesRefused, 0, OpenError::None, std::move(error)};
    }

    Kind What() const { return kind_; }
    // The status word; 0 without an answer.
    int Word() const { return word_; }
    OpenError OpenFailure() const { return openError_; }
    // In the system's words for a port not opened; naming the port and the line for lines
    // refused; else empty.
    const std::string& Detail() const { return detail_; }

private:
    Connection(Kind kind, int word, OpenError openError, std::string detail)
        : kind_(kind), word_(word), openError_(openError), detail_(std::move(detail)) {}

    Kind kind_;
    int word_;
    OpenError openError_;
    std::string detail_;
};

}  // namespace bramblet
