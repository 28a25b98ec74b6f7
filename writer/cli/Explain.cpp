#include "writer/cli/Explain.h"

#include "writer/cli/ReadBack.h"

#include "writer/common/Text.h"
#include "writer/core/Steps.h"
#include "writer/platform/PortList.h"

namespace bramblet {
namespace {

void ExplainOpenFailure(CliView& view, const std::string& port, const Outcome& outcome) {
    view.Error("bramblet-cli: cannot open port " + port + ": " + outcome.detail);
    for (const std::string& line : OpenFailureHelp(port, outcome.openError)) view.Error(line);
}

// The page, else the step's place; empty when neither says where.
std::string Where(const StepInfo& step, const Outcome& outcome) {
    if (outcome.page) return "page " + Hex(*outcome.page, 6);
    if (!step.place) return "";
    // An erase of chosen blocks names them.
    if (step.step == Step::Erase && !outcome.detail.empty()) {
        return std::string(step.place) + " of " + outcome.detail;
    }
    return step.place;
}

}  // namespace

std::string SrdWords(const protocol::Status& s) {
    std::string words = s.Ready() ? "ready" : "busy";
    if (s.EraseError()) words += ", erase error";
    if (s.ProgramError()) words += ", program error";
    return words;
}

std::string Srd1Words(const protocol::Status& s) {
    std::string words;
    switch (s.srd1 & protocol::Status::kIdState) {
        case 0x00:
            words = "ID not checked";
            break;
        case protocol::Status::kIdMismatch:
            words = "ID mismatch";
            break;
        case protocol::Status::kIdVerified:
            words = "ID verified";
            break;
        default:
            words = "ID state 10";
    }
    if (s.ReceiveTimeout()) words += ", receive time-out";
    return words;
}

void ExplainFailure(CliView& view, const std::string& port, const Outcome& outcome) {
    const StepInfo& step = StepOf(outcome.failed);
    if (outcome.lost.kind == PortLoss::Kind::Stopped) {
        view.Error("bramblet-cli: stopped during " + std::string(step.words) +
                   (outcome.page ? ", at page " + Hex(*outcome.page, 6) : std::string()));
        return;
    }
    if (!outcome.lineError.empty()) view.Error("bramblet-cli: " + outcome.lineError);
    switch (step.detail) {
        case FailureDetail::None:
            return;
        case FailureDetail::OpenError:
            ExplainOpenFailure(view, port, outcome);
            return;
        case FailureDetail::Reason:
            if (!outcome.detail.empty()) view.Error("bramblet-cli: " + outcome.detail);
            return;
        case FailureDetail::Loss:
            if (!outcome.lost && !outcome.page) return;
            break;
        case FailureDetail::Place:
            break;
    }
    const std::string where = Where(step, outcome);
    if (where.empty()) return;
    if (outcome.lost) {
        view.Error("bramblet-cli: " + where + ": " + LossText(outcome.lost));
        return;
    }
    if (outcome.mismatch) {
        const Mismatch& m = *outcome.mismatch;
        view.Error("bramblet-cli: " + where +
                   (m.got ? ": byte " + Hex(m.address, 6) + " is " + Hex(*m.got, 2) +
                                ", expected " + Hex(m.expected, 2)
                          : ": no byte came for " + Hex(m.address, 6)));
    } else if (outcome.status) {
        const protocol::Status& s = *outcome.status;
        std::string bits = SrdWords(s);
        if (s.ReceiveTimeout()) bits += ", receive time-out";
        view.Error("bramblet-cli: " + where + ": SRD " + Hex(s.srd, 2) + " SRD1 " + Hex(s.srd1, 2) +
                   " (" + bits + ")");
    } else if (step.polled) {
        view.Error("bramblet-cli: " + where + ": the chip did not answer the status poll");
    } else if (!outcome.detail.empty()) {
        view.Error("bramblet-cli: " + where + ": " + outcome.detail);
    }
}

}  // namespace bramblet
