#pragma once
// Every step a sequence can fail at, once: what the JSON results call it, how a person is told
// where a run stopped, and what the detail of a failure there is made of.
#include <array>
#include <optional>

#include "text/Catalogue.h"
#include "writer/core/Outcome.h"

namespace bramblet {

// What says more about a failure than the status text.
enum class FailureDetail {
    None,       // the status text says it all
    OpenError,  // the port's open error and the system's words
    Reason,     // the outcome's detail, as it stands, when there is one
    Place,      // the page, status, mismatch or loss, at `place` when no page is named
    Loss,       // as Place, but only when the port was lost there
};

struct StepInfo {
    Step step;
    const char* id;  // in JSON results: "file-check"; empty for no failure
    text::Tx words;  // in a sentence: "stopped during the erase"
    FailureDetail detail;
    std::optional<text::Tx> place;  // where a failure happened when no page says it: "erase"
    // The step waits on the chip's status poll, so no status means the chip fell silent.
    bool polled;
};

inline constexpr std::array<StepInfo, 12> kSteps{{
    {Step::None, "", text::Tx::StepNone, FailureDetail::None, std::nullopt, false},
    {Step::FileCheck, "file-check", text::Tx::StepFileCheck, FailureDetail::Reason, std::nullopt,
     false},
    {Step::OpenPort, "open-port", text::Tx::StepOpenPort, FailureDetail::OpenError, std::nullopt,
     false},
    {Step::Connect, "connect", text::Tx::StepConnect, FailureDetail::Loss, text::Tx::StepAtConnect,
     false},
    {Step::BaudRate, "baud-rate", text::Tx::StepBaudRate, FailureDetail::Reason, std::nullopt,
     false},
    {Step::IdCode, "id-code", text::Tx::StepIdCode, FailureDetail::Place, std::nullopt, false},
    {Step::Erase, "erase", text::Tx::StepErase, FailureDetail::Place, text::Tx::StepAtErase, true},
    {Step::Program, "program", text::Tx::StepProgram, FailureDetail::Place, std::nullopt, true},
    {Step::Verify, "verify", text::Tx::StepVerify, FailureDetail::Place, text::Tx::StepAtVerify,
     false},
    {Step::Read, "read", text::Tx::StepRead, FailureDetail::Place, std::nullopt, false},
    {Step::Lines, "lines", text::Tx::StepLines, FailureDetail::None, std::nullopt, false},
    {Step::Serial, "serial", text::Tx::StepSerial, FailureDetail::Reason, std::nullopt, false},
}};

// The row of `step`; the table is in the order of Step.
constexpr const StepInfo& StepOf(Step step) {
    return kSteps[static_cast<std::size_t>(step)];
}

// The step's words and place in the reader's language; no place for a step that has none.
constexpr const char* StepWords(Step step, text::Lang lang) {
    return text::Say(StepOf(step).words, lang);
}
constexpr const char* StepPlace(Step step, text::Lang lang) {
    const std::optional<text::Tx> place = StepOf(step).place;
    return place ? text::Say(*place, lang) : nullptr;
}

static_assert([] {
    for (std::size_t i = 0; i < kSteps.size(); ++i) {
        if (static_cast<std::size_t>(kSteps[i].step) != i) return false;
    }
    return true;
}());

}  // namespace bramblet
