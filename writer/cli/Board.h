#pragma once
// One board of a run: its own port, view and session, so that several can run side by side.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "writer/cli/CliView.h"
#include "writer/cli/Options.h"
#include "writer/cli/ReadBack.h"
#include "writer/cli/Report.h"
#include "writer/cli/Stop.h"
#include "writer/common/PortDescription.h"
#include "writer/core/Session.h"

namespace bramblet {

// Where a board stands in its run.
struct BoardPlace {
    std::string port;
    bool several = false;                    // lines are prefixed with the port
    std::optional<PortDescription> adapter;  // what the system says of the port
    std::optional<std::uint64_t> serial;     // the number it is given
    std::string noSerial;  // why it has none where it should: it then fails before anything is sent
    std::optional<ImageDigest> image;  // of what it writes or compares
    ImagePatch patch = {};             // its own bytes: its number, the ID code
};

// The family a board works with: --family, else the one the window would show after choosing
// the file, else the window's first family.
Family BoardFamily(const Options& options);

class Board {
public:
    Board(const Options& options, BoardPlace place, Console& console);

    // Runs the command and explains a failure on the board's standard error.
    Outcome Run();

    // How the run ended, once it has.
    const BoardReport& Report() const { return report_; }
    const std::string& BootVersion() const { return session_.BootVersion(); }
    // A line of the board's own on standard error.
    void Error(const std::string& text) { view_.Error(text); }

private:
    Outcome OwnCommand();
    void Info(SerialPort& port, Outcome& outcome);
    void BlankCheck(SerialPort& port, Outcome& outcome);
    void Failed(const SerialPort& port, Outcome& outcome,
                const std::optional<ReadFailure>& failure);
    std::function<void(int)> Progress();
    void Opened(SerialPort& port);

    const Options& options_;
    const std::string port_;
    const std::string noSerial_;
    Target target_;
    std::unique_ptr<CliView> face_;
    CliView& view_;
    BoardReport report_;
    CliPrompt prompt_;
    std::unique_ptr<PortOpener> system_;
    StoppablePorts ports_;
    std::unique_ptr<PortOpener> watched_;
    Session session_;
};

}  // namespace bramblet
