#include "writer/cli/Station.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "text/Catalogue.h"
#include "writer/cli/Board.h"
#include "writer/cli/Ports.h"
#include "writer/cli/Protect.h"
#include "writer/cli/Stop.h"
#include "writer/common/Text.h"
#include "writer/platform/PortList.h"
#include "writer/platform/Programs.h"
#include "writer/platform/SharedFiles.h"
#include "writer/platform/System.h"

namespace bramblet {
namespace {

using text::Say;
using text::Tx;

// What the boards of a run share besides their options: the write file's image, the log, the
// serial numbers and the programs that hand them out and book them, and the ID code they are
// protected with.
class Station {
public:
    Station(const Options& options, std::vector<ChosenPort> ports)
        : options_(options),
          lang_(options.OwnLanguage()),
          ports_(std::move(ports)),
          programs_(SystemProgramRunner(lang_)) {
        if (options.setId) protection_.emplace(options, BoardFamily(options));
    }

    // Opens the log and takes the boards' serial numbers, before anything is sent; the reason the
    // run is refused when one of them cannot be done.
    std::optional<std::string> Prepare();

    // Where board `i` stands: its port, number and image.
    BoardPlace Place(std::size_t i) const;

    // The board's line in the log and the booking of its number, from its thread as soon as it
    // has ended.
    void Ended(Board& board);
    bool Failed() const { return logFailed_ || bookingFailed_; }

    // Once the boards have ended: the ID code kept for the chips written with it, in one ID file
    // however many there are; false when it could not be.
    bool KeepIdCode(const std::vector<Outcome>& outcomes) const;

private:
    std::optional<std::string> TakeNumbers();
    // A board's own bytes over the file's: its number, if it has one, and the ID code.
    ImagePatch Patch(std::optional<std::uint64_t> serial) const;
    std::optional<ImageScan> Scan(const ImagePatch& patch) const {
        return ScanImage(options_.file, patch, options_.Reading());
    }

    const Options& options_;
    const text::Lang lang_;  // of the program's own texts
    const std::vector<ChosenPort> ports_;
    std::unique_ptr<ProgramRunner> programs_;
    std::optional<ImageScan> image_;  // write and verify, when the file can be read
    // Drawn before any board starts, so that no two boards of the run can get one number.
    std::vector<DrawnSerial> serials_;
    std::unique_ptr<AppendFile> log_;
    std::atomic<bool> logFailed_{false};
    std::atomic<bool> bookingFailed_{false};
    // Booking commands are the station's own scripts, seldom written to run twice at once.
    std::mutex booking_;
    std::optional<Protection> protection_;
};

ImagePatch Station::Patch(std::optional<std::uint64_t> serial) const {
    ImagePatch patch = serial ? SerialPatch(*options_.serial, *serial) : ImagePatch{};
    if (protection_) patch.Add(protection_->Patch());
    return patch;
}

// Whether the file supplies a byte where the number goes: the number's bytes come first in a
// board's patch.
bool SerialClashes(const ImageScan& scan, const SerialOption& serial) {
    const auto end = scan.held.begin() + std::min<std::size_t>(serial.width, scan.held.size());
    return std::any_of(scan.held.begin(), end, [](const auto& held) { return held.has_value(); });
}

std::optional<std::string> Station::Prepare() {
    std::string error;
    if (options_.log) {
        log_ = OpenAppendFile(*options_.log, error, lang_);
        if (!log_) return Say(Tx::CliCannotOpenLog, lang_, {error});
    }
    if (options_.command == Command::Write || options_.command == Command::Verify) {
        image_ = Scan(Patch(options_.serial ? std::optional<std::uint64_t>(0) : std::nullopt));
    }
    if (protection_) {
        if (options_.serial) {
            const ImagePatch number = SerialPatch(*options_.serial, 0);
            for (const ImagePatch::Byte& b : protection_->Patch().All()) {
                if (b.address >= number.address && b.address < number.address + number.bytes.size())
                    return Say(Tx::CliSerialSetIdClash, lang_, {Hex(b.address, 6)});
            }
        }
        // The code's bytes alone, to tell the file's bytes there from the number's.
        const std::optional<ImageScan> code =
            options_.serial && image_ ? Scan(protection_->Patch()) : image_;
        if (auto why = protection_->Refusal(code)) return why;
    }
    // A file that the write's check will refuse is given no number.
    if (!options_.serial || !image_ || image_->empty) return std::nullopt;
    return TakeNumbers();
}

std::optional<std::string> Station::TakeNumbers() {
    const SerialOption& serial = *options_.serial;
    if (SerialClashes(*image_, serial)) {
        return Say(Tx::CliSerialFileClash, lang_,
                   {Hex(serial.address, 6), Hex(serial.address + serial.width - 1, 6)});
    }
    std::string error;
    const std::optional<std::vector<DrawnSerial>> drawn =
        MakeSerialSource(serial, *programs_, lang_)->Draw(ports_.size(), error);
    if (!drawn) return "--serial: " + error;
    serials_ = *drawn;
    return std::nullopt;
}

BoardPlace Station::Place(std::size_t i) const {
    BoardPlace place;
    place.port = ports_[i].name;
    place.several = ports_.size() > 1;
    place.adapter = ports_[i].identity;
    if (i < serials_.size()) {
        place.serial = serials_[i].number;
        if (!place.serial) place.noSerial = "--serial: " + serials_[i].why;
    }
    place.patch = Patch(place.serial);
    // A board that is sent nothing has no image to report.
    if (!image_ || !place.noSerial.empty()) return place;
    // A board with a number of its own has an image of its own.
    if (!place.serial) {
        place.image = image_->digest;
    } else if (const auto own = Scan(place.patch)) {
        place.image = own->digest;
    }
    return place;
}

void Station::Ended(Board& board) {
    const BoardReport& report = board.Report();
    std::string error;
    if (log_ && !log_->Append(
                    LogLine(report, LocalTimeIso8601(), options_.file, board.BootVersion()) + "\n",
                    error)) {
        board.Error("bramblet-cli: " + Say(Tx::CliCannotWriteLog, lang_, {error}));
        logFailed_ = true;
    }
    if (!options_.serialDone || !report.serial) return;
    const std::lock_guard<std::mutex> one(booking_);
    if (const auto failed = BookSerial(*programs_, *options_.serialDone, *report.serial,
                                       report.port, report.outcome.Succeeded(), lang_)) {
        board.Error("bramblet-cli: " + *failed);
        bookingFailed_ = true;
    }
}

bool Station::KeepIdCode(const std::vector<Outcome>& outcomes) const {
    if (!protection_ || std::none_of(outcomes.begin(), outcomes.end(),
                                     [](const Outcome& o) { return o.Succeeded(); })) {
        return true;
    }
    std::string done;
    const std::optional<std::string> error = protection_->Record(done);
    std::fprintf(stderr, "bramblet-cli: %s\n", (error ? *error : done).c_str());
    return !error;
}

std::string Summary(const Outcome& outcome, text::Lang lang) {
    return outcome.Succeeded() ? Say(Tx::CliSummaryOk, lang)
                               : Say(Tx::CliSummaryFailed, lang, {outcome.text});
}

}  // namespace

int RunBoards(const Options& options) {
    // A port chosen by what it is or where it is plugged is found before anything is sent.
    std::string refusal;
    std::optional<std::vector<ChosenPort>> chosen =
        ChoosePorts(options.ports, SystemPortDescriptions(), refusal, options.OwnLanguage());
    if (!chosen) {
        std::fprintf(stderr, "bramblet-cli: %s\n", refusal.c_str());
        return 2;
    }
    std::vector<std::string> names;
    for (const ChosenPort& port : *chosen) names.push_back(port.name);
    Station station(options, std::move(*chosen));
    if (const auto refusal = station.Prepare()) {
        std::fprintf(stderr, "bramblet-cli: %s\n%s", refusal->c_str(),
                     Usage(options.command, options.OwnLanguage()).c_str());
        return 2;
    }
    CatchStopSignals();
    Console console(stdout, stderr);
    const bool several = options.ports.size() > 1;
    std::vector<std::unique_ptr<Board>> boards;
    for (std::size_t i = 0; i < options.ports.size(); ++i) {
        boards.push_back(std::make_unique<Board>(options, station.Place(i), console));
    }
    std::vector<Outcome> outcomes(boards.size());
    const auto run = [&](std::size_t i) {
        outcomes[i] = boards[i]->Run();
        station.Ended(*boards[i]);
    };
    if (!several) {
        run(0);
    } else {
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < boards.size(); ++i) threads.emplace_back(run, i);
        for (std::thread& t : threads) t.join();
        // With --json standard output is the programs', and the results say it for them.
        for (std::size_t i = 0; i < boards.size(); ++i) {
            if (options.json) {
                console.Err(names[i] + ": ", Summary(outcomes[i], options.OwnLanguage()));
            } else {
                console.Out(names[i] + ": ", Summary(outcomes[i], options.OwnLanguage()));
            }
        }
    }
    console.EndProgress();
    if (options.json) {
        for (const auto& board : boards) console.Out("", ResultLine(board->Report()));
    }
    const bool kept = station.KeepIdCode(outcomes);
    // A board that had finished when the request came has done its work; one that was stopped
    // makes the run a stopped one.
    const bool stopped = std::any_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) {
        return o.lost.kind == PortLoss::Kind::Stopped;
    });
    if (stopped) return 128 + StopSignal();
    return kept && !station.Failed() &&
                   std::all_of(outcomes.begin(), outcomes.end(),
                               [](const Outcome& o) { return o.Succeeded(); })
               ? 0
               : 1;
}

}  // namespace bramblet
