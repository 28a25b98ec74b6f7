// The write, erase and verify sequences and the flash steps they are made of.
#include <array>

#include "writer/core/Writer.h"
#include "writer/flash/SRecordStream.h"

namespace bramblet {
namespace {

// The status poll repeats while a read brings fewer than two bytes; each silent repetition takes
// its whole 230 ms window. A chip erases all its blocks in seconds at worst and programs a page
// in milliseconds, so these bounds (about 60 s and 5 s) are reached only by a chip that has gone.
constexpr int kErasePollLimit = 261;
constexpr int kPagePollLimit = 22;

static_assert(kPageSize == protocol::kPageBytes);

bool Accepted(const std::optional<protocol::Status>& status) {
    return status && status->Word() == protocol::kWordAccepted;
}

const char* const kConnecting = "BOOTモードコネクト中";
const char* const kNoAnswer = "通信できません! ブートモードを確認してリセットしてください";
const char* const kNoPort = "COMポートがありません！";
const char* const kIdMismatch = "ID照合不一致";
const char* const kIdVerified = "ID照合完了！";
const char* const kErasing = "フラッシュ消去中";
const char* const kCannotErase = "フラッシュを消去できません! ";

}  // namespace

std::optional<protocol::Status> Writer::PollStatus() {
    return PollStatusBounded(kPagePollLimit);
}

std::optional<protocol::Status> Writer::PollStatusBounded(int limit) {
    return protocol::PollStatus(
        *CommHandle, limit,
        FastReads() ? protocol::PollRead::TwoBytes : protocol::PollRead::Window);
}

bool Writer::EraseStep() {
    protocol::EraseAll(*CommHandle);
    eraseStatus_ = PollStatusBounded(kErasePollLimit);
    return Accepted(eraseStatus_);
}

bool Writer::ProgramPage(std::uint32_t base, const PageImage& image) {
    protocol::PageProgram(*CommHandle, base, image);
    const std::optional<protocol::Status> status = PollStatus();
    if (Accepted(status)) return true;
    failedPage_ = base;
    failedStatus_ = status;
    return false;
}

bool Writer::VerifyPage(std::uint32_t base, const PageImage& image, const PageFlags& present) {
    // The design reads one byte per read, each with its own window, stopping at the first that
    // fails; the fast link takes the page in one read.
    PageImage chip{};
    std::size_t got = 0;
    if (FastReads()) {
        got = protocol::PageRead(*CommHandle, base, chip);
    } else {
        protocol::RequestPage(*CommHandle, base);
    }
    auto byteAt = [&](std::size_t offset) -> std::optional<std::uint8_t> {
        if (FastReads()) return offset < got ? std::optional(chip[offset]) : std::nullopt;
        std::array<std::uint8_t, 1> b{};
        return CommHandle->Read(b) == 1 ? std::optional(b[0]) : std::nullopt;
    };
    for (std::size_t offset = 0; offset < kPageSize; ++offset) {
        const std::optional<std::uint8_t> b = byteAt(offset);
        if (b && !(present[offset] && *b != image[offset])) continue;
        failedPage_ = base;
        mismatch_ = Mismatch{static_cast<std::uint32_t>(base + offset), image[offset], b};
        return false;
    }
    return true;
}

void Writer::Fail(Outcome& outcome, Step step) const {
    outcome.failed = step;
    outcome.text = view_.Last();
    if (CommHandle) outcome.lost = CommHandle->Lost();
}

bool Writer::Refuse(Outcome& outcome, Step step, const std::string& text) {
    view_.SetStatus(text);
    view_.Beep(kBeepFailure);
    Fail(outcome, step);
    return false;
}

bool Writer::NoAnswer(Outcome& outcome) {
    return Refuse(outcome, Step::Connect, kNoAnswer);
}

void Writer::FailPass(Outcome& outcome, Step step) const {
    Fail(outcome, step);
    outcome.page = failedPage_;
    if (step == Step::Program) outcome.status = failedStatus_;
    if (step == Step::Verify) outcome.mismatch = mismatch_;
}

void Writer::Succeed(Outcome& outcome, const char* text) {
    view_.SetProgress(99);
    view_.SetStatus(text);
    view_.Beep(kBeepSuccess);
    outcome.text = view_.Last();
}

void Writer::Begin(ActionButton button, const char* text) {
    failedPage_.reset();
    failedStatus_.reset();
    mismatch_.reset();
    view_.SetButtonEnabled(button, false);
    view_.SetStatus(text);
    view_.SetProgress(0);
}

// The port opened by the sequence is closed before its button comes back.
void Writer::End(ActionButton button) {
    CommHandle.reset();
    view_.SetButtonEnabled(button, true);
}

// Connects and unlocks; false after reporting the failure. The port is open on return exactly
// when CommHandle is set.
bool Writer::ConnectAndUnlock(Outcome& outcome) {
    view_.SetStatus(kConnecting);
    const int connected = ConnectBootMode();
    if (connected == 0) return NoAnswer(outcome);
    if (connected == 1) {
        Refuse(outcome, Step::OpenPort, kNoPort);
        outcome.openError = LastOpenError.error;
        outcome.detail = LastOpenError.detail;
        return false;
    }
    if (!SwitchRate(outcome)) return false;
    const int unlocked = VerifyIdCode();
    // A line gone before the chip was unlocked is a connection that failed: "ID照合不一致"
    // would send the user looking for an ID code.
    if (CommHandle->Lost()) return NoAnswer(outcome);
    if ((unlocked & protocol::kWordIdVerified) != protocol::kWordIdVerified) {
        return Refuse(outcome, Step::IdCode, kIdMismatch);
    }
    view_.SetStatus(kIdVerified);
    view_.SetProgress(5);
    return true;
}

Outcome Writer::Unlock() {
    Outcome outcome;
    if (ConnectAndUnlock(outcome)) {
        outcome.text = view_.Last();
    } else {
        CommHandle.reset();
    }
    return outcome;
}

Outcome Writer::WriteSequence() {
    Outcome outcome;
    Begin(ActionButton::Write, "フラッシュ消去・書込み開始");
    const std::int32_t size = StreamSFormatFile(kCheckMode, 0);
    if (size < 1) {
        Fail(outcome, Step::FileCheck);
    } else if (ConnectAndUnlock(outcome)) {
        view_.SetStatus(kErasing);
        if (!EraseStep()) {
            Refuse(outcome, Step::Erase, kCannotErase);
            outcome.status = eraseStatus_;
        } else {
            view_.SetStatus("フラッシュ消去完了！");
            view_.SetProgress(10);
            // A failed pass keeps its own text and sounds no beep.
            if (StreamSFormatFile(kProgramMode, size) != size) {
                FailPass(outcome, Step::Program);
            } else if (StreamSFormatFile(kVerifyMode, size) != size) {
                FailPass(outcome, Step::Verify);
            } else {
                Succeed(outcome, "フラッシュ書き込みは無事完了しました");
            }
        }
    }
    End(ActionButton::Write);
    return outcome;
}

Outcome Writer::EraseSequence() {
    Outcome outcome;
    Begin(ActionButton::Erase, "フラッシュ消去開始");
    if (ConnectAndUnlock(outcome)) {
        view_.SetStatus(kErasing);
        if (EraseStep()) {
            Succeed(outcome, "フラッシュ消去は無事完了しました");
        } else {
            Refuse(outcome, Step::Erase, kCannotErase);
            outcome.status = eraseStatus_;
        }
    }
    End(ActionButton::Erase);
    return outcome;
}

Outcome Writer::VerifySequence() {
    Outcome outcome;
    Begin(ActionButton::Verify, "フラッシュベリファイ開始");
    const std::int32_t size = StreamSFormatFile(kCheckMode, 0);
    if (size < 1) {
        Fail(outcome, Step::FileCheck);
    } else if (ConnectAndUnlock(outcome)) {
        if (StreamSFormatFile(kVerifyMode, size) == size) {
            Succeed(outcome, "フラッシュベリファイは無事完了しました");
        } else {
            // The verify button says it in its own words, with a beep.
            view_.SetStatus("フラッシュベリファイに失敗しました! ");
            view_.Beep(kBeepFailure);
            FailPass(outcome, Step::Verify);
        }
    }
    End(ActionButton::Verify);
    return outcome;
}

}  // namespace bramblet
