#pragma once
// One board's session: the design's operations on the board's port, and the link state the
// design keeps from one operation to the next. The window holds one session; the command line
// one per board, side by side. Every operation is given its target when it starts and reports only
// through the view and the ID code prompt.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "writer/core/Connection.h"
#include "writer/core/Outcome.h"
#include "writer/core/Target.h"
#include "writer/core/WriterView.h"
#include "writer/link/Protocol.h"
#include "writer/link/SerialPort.h"

namespace bramblet {

class Session {
public:
    Session(PortOpener& ports, WriterView& view, IdCodePrompt& prompt);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The boot-mode link. ConnectBootMode leaves the port open in CommHandle unless it could not
    // be opened. VerifyIdCode returns the last status word, and stops trying sources when the
    // line has gone.
    Connection ConnectBootMode(const Target& target);
    int VerifyIdCode(const Target& target);

    // The three button sequences: write (erase, program, verify), erase, verify. Each ends with
    // the port closed.
    Outcome WriteSequence(const Target& target);
    Outcome EraseSequence(const Target& target);
    Outcome VerifySequence(const Target& target);

    // Connects and unlocks as the sequences do, with their texts and beeps, for commands of the
    // caller's own; on success the port stays open in CommHandle until CloseCommHandle.
    Outcome Unlock(const Target& target);

    // The open port, or null.
    SerialPort* CommHandle() const { return commHandle_.get(); }
    // Closes the port, first running the target's --after on it while it carries bytes; returns
    // why a line of that sequence could not be set, or nothing.
    std::string CloseCommHandle();

    // The ID code sent with the latest ID Check.
    const IdCodeBytes& IdCode() const { return idCode_; }
    // The boot program's version text from the latest Version Read; empty when it was not read.
    const std::string& BootVersion() const { return bootVersion_; }
    // What the ID code dialog last confirmed: seven 0x00 and no family until then; the family is
    // emptied each time the dialog is about to be shown.
    const IdCodeBytes& DialogIdCode() const { return dialogIdCode_; }
    const std::string& DialogCpuFamily() const { return dialogCpuFamily_; }

private:
    class Run;
    class StatusTap;

    std::optional<Connection> StartLines(const Target& target);
    std::string DriveLines(const LineSequence& steps);

    PortOpener& ports_;
    std::unique_ptr<StatusTap> view_;
    IdCodePrompt& prompt_;

    std::unique_ptr<SerialPort> commHandle_;
    IdCodeBytes idCode_{};
    std::string bootVersion_;
    IdCodeBytes dialogIdCode_{};
    std::string dialogCpuFamily_;
    // The modem lines of the open port: its name for messages and the sequence to run before it
    // closes.
    std::string linePort_;
    LineSequence after_;
};

}  // namespace bramblet
