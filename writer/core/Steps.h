#pragma once
// Every step a sequence can fail at, once: what the JSON results call it, how a person is told
// where a run stopped, and what the detail of a failure there is made of.
#include <array>

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
    const char* id;     // in JSON results: "file-check"; empty for no failure
    const char* words;  // in a sentence: "stopped during the erase"
    FailureDetail detail;
    const char* place;  // where a failure happened when no page says it: "erase"
    const char* wordsJa;
    const char* placeJa;
    // The step waits on the chip's status poll, so no status means the chip fell silent.
    bool polled;
};

inline constexpr std::array<StepInfo, 12> kSteps{{
    {Step::None, "", "the end", FailureDetail::None, nullptr, "終了", nullptr, false},
    {Step::FileCheck, "file-check", "the file check", FailureDetail::Reason, nullptr,
     "ファイルチェック", nullptr, false},
    {Step::OpenPort, "open-port", "opening the port", FailureDetail::OpenError, nullptr,
     "ポートのオープン", nullptr, false},
    {Step::Connect, "connect", "the connection", FailureDetail::Loss, "connection", "接続", "接続",
     false},
    {Step::BaudRate, "baud-rate", "the rate change", FailureDetail::Reason, nullptr,
     "通信速度の変更", nullptr, false},
    {Step::IdCode, "id-code", "the ID check", FailureDetail::Place, nullptr, "ID チェック", nullptr,
     false},
    {Step::Erase, "erase", "the erase", FailureDetail::Place, "erase", "消去", "消去", true},
    {Step::Program, "program", "programming", FailureDetail::Place, nullptr, "書き込み", nullptr,
     true},
    {Step::Verify, "verify", "the verify", FailureDetail::Place, "verify", "ベリファイ",
     "ベリファイ", false},
    {Step::Read, "read", "the read", FailureDetail::Place, nullptr, "読み出し", nullptr, false},
    {Step::Lines, "lines", "the modem lines", FailureDetail::None, nullptr, "モデム制御線の操作",
     nullptr, false},
    {Step::Serial, "serial", "drawing the serial number", FailureDetail::Reason, nullptr,
     "シリアル番号の発行", nullptr, false},
}};

// The row of `step`; the table is in the order of Step.
constexpr const StepInfo& StepOf(Step step) {
    return kSteps[static_cast<std::size_t>(step)];
}

// The step's words and place in the reader's language.
constexpr const char* StepWords(Step step, text::Lang lang) {
    return lang == text::Lang::Ja ? StepOf(step).wordsJa : StepOf(step).words;
}
constexpr const char* StepPlace(Step step, text::Lang lang) {
    return lang == text::Lang::Ja ? StepOf(step).placeJa : StepOf(step).place;
}

static_assert([] {
    for (std::size_t i = 0; i < kSteps.size(); ++i) {
        if (static_cast<std::size_t>(kSteps[i].step) != i) return false;
    }
    return true;
}());

}  // namespace bramblet
