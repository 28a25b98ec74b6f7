#include "writer/cli/Explain.h"

#include "writer/cli/ReadBack.h"

#include "writer/common/Text.h"
#include "writer/core/Steps.h"
#include "writer/platform/PortList.h"

namespace bramblet {
namespace {

using text::Say;
using text::Tx;

void ExplainOpenFailure(CliView& view, const std::string& port, const Outcome& outcome,
                        text::Lang lang) {
    view.Error("bramblet-cli: " + Say(Tx::CliCannotOpenPort, lang, {port, outcome.detail}));
    for (const std::string& line : OpenFailureHelp(port, outcome.openError, lang)) view.Error(line);
}

// The page, else the step's place; empty when neither says where.
std::string Where(const StepInfo& step, const Outcome& outcome, text::Lang lang) {
    if (outcome.page) return Say(Tx::CliPage, lang, {Hex(*outcome.page, 6)});
    const char* place = StepPlace(step.step, lang);
    if (!place) return "";
    // An erase of chosen blocks names them.
    if (step.step == Step::Erase && !outcome.detail.empty()) {
        return Say(Tx::CliEraseOf, lang, {place, outcome.detail});
    }
    return place;
}

// `words` with `more` after a list separator.
void Add(std::string& words, Tx more, text::Lang lang) {
    words += text::Say(Tx::ListComma, lang);
    words += text::Say(more, lang);
}

}  // namespace

std::string SrdWords(const protocol::Status& s, text::Lang lang) {
    std::string words = Say(s.Ready() ? Tx::CliSrdReady : Tx::CliSrdBusy, lang);
    if (s.EraseError()) Add(words, Tx::CliSrdEraseError, lang);
    if (s.ProgramError()) Add(words, Tx::CliSrdProgramError, lang);
    return words;
}

std::string Srd1Words(const protocol::Status& s, text::Lang lang) {
    Tx state = Tx::CliIdState10;
    switch (s.srd1 & protocol::Status::kIdState) {
        case 0x00:
            state = Tx::CliIdNotChecked;
            break;
        case protocol::Status::kIdMismatch:
            state = Tx::CliIdMismatchWords;
            break;
        case protocol::Status::kIdVerified:
            state = Tx::CliIdVerifiedWords;
            break;
        default:
            break;
    }
    std::string words = Say(state, lang);
    if (s.ReceiveTimeout()) Add(words, Tx::CliReceiveTimeout, lang);
    return words;
}

// What the step itself says about its failure.
void ExplainStep(CliView& view, const std::string& port, const Outcome& outcome, text::Lang lang) {
    const StepInfo& step = StepOf(outcome.failed);
    if (outcome.lost.kind == PortLoss::Kind::Stopped) {
        view.Error(
            "bramblet-cli: " + Say(Tx::CliStoppedDuring, lang, {StepWords(step.step, lang)}) +
            (outcome.page ? Say(Tx::CliAtPage, lang, {Hex(*outcome.page, 6)}) : std::string()));
        return;
    }
    if (!outcome.lineError.empty()) view.Error("bramblet-cli: " + outcome.lineError);
    switch (step.detail) {
        case FailureDetail::None:
            return;
        case FailureDetail::OpenError:
            ExplainOpenFailure(view, port, outcome, lang);
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
    const std::string where = Where(step, outcome, lang);
    if (where.empty()) return;
    if (outcome.lost) {
        view.Error("bramblet-cli: " + where + ": " + LossText(outcome.lost, lang));
        return;
    }
    if (outcome.mismatch) {
        const Mismatch& m = *outcome.mismatch;
        view.Error("bramblet-cli: " +
                   (m.got ? Say(Tx::CliByteIs, lang,
                                {where, Hex(m.address, 6), Hex(*m.got, 2), Hex(m.expected, 2)})
                          : Say(Tx::CliNoByteFor, lang, {where, Hex(m.address, 6)})));
    } else if (outcome.status) {
        const protocol::Status& s = *outcome.status;
        std::string bits = SrdWords(s, lang);
        if (s.ReceiveTimeout()) Add(bits, Tx::CliReceiveTimeout, lang);
        view.Error("bramblet-cli: " + where + ": SRD " + Hex(s.srd, 2) + " SRD1 " + Hex(s.srd1, 2) +
                   " (" + bits + ")");
    } else if (step.polled) {
        view.Error("bramblet-cli: " + Say(Tx::CliNoStatusPoll, lang, {where}));
    } else if (!outcome.detail.empty()) {
        view.Error("bramblet-cli: " + where + ": " + outcome.detail);
    }
}

void ExplainFailure(CliView& view, const std::string& port, const Outcome& outcome,
                    text::Lang lang) {
    ExplainStep(view, port, outcome, lang);
    if (!outcome.slowAdapter) return;
    // The chip is named by the step; the cable may be what failed, so the way out is said too.
    const SlowAdapter& adapter = *outcome.slowAdapter;
    std::string advice =
        "bramblet-cli: " + Say(Tx::CliLowerLatency, lang,
                               {SlowAdapterWords(adapter, lang), LatencyRemedy(port, lang)});
    if (adapter.allowance < adapter.timer) {
        advice += Say(Tx::CliOrPassLatency, lang, {std::to_string(adapter.timer.count())});
    }
    view.Error(advice);
}

}  // namespace bramblet
