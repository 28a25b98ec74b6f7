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
    std::size_t got = kPageSize;
    if (FastReads()) {
        got = protocol::PageRead(*CommHandle, base, chip);
    } else {
        protocol::RequestPage(*CommHandle, base);
    }
    for (std::size_t offset = 0; offset < kPageSize; ++offset) {
        std::array<std::uint8_t, 1> b{chip[offset]};
        const bool came = FastReads() ? offset < got : CommHandle->Read(b) == 1;
        if (came && !(present[offset] && b[0] != image[offset])) continue;
        failedPage_ = base;
        mismatch_ = Mismatch{static_cast<std::uint32_t>(base + offset), image[offset],
                             came ? std::optional<std::uint8_t>(b[0]) : std::nullopt};
        return false;
    }
    return true;
}

void Writer::Fail(Outcome& outcome, Step step) const {
    outcome.failed = step;
    outcome.text = view_.Last();
    if (CommHandle) outcome.lost = CommHandle->Lost();
}

bool Writer::NoAnswer(Outcome& outcome) {
    view_.SetStatus(kNoAnswer);
    view_.Beep(kBeepFailure);
    Fail(outcome, Step::Connect);
    return false;
}

// Connects and unlocks; false after reporting the failure. The port is open on return exactly
// when CommHandle is set.
bool Writer::ConnectAndUnlock(Outcome& outcome) {
    view_.SetStatus(kConnecting);
    const int connected = ConnectBootMode();
    if (connected == 0) return NoAnswer(outcome);
    if (connected == 1) {
        view_.SetStatus(kNoPort);
        view_.Beep(kBeepFailure);
        Fail(outcome, Step::OpenPort);
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
        view_.SetStatus(kIdMismatch);
        view_.Beep(kBeepFailure);
        Fail(outcome, Step::IdCode);
        return false;
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
    failedPage_.reset();
    failedStatus_.reset();
    mismatch_.reset();
    view_.SetButtonEnabled(ActionButton::Write, false);
    view_.SetStatus("フラッシュ消去・書込み開始");
    view_.SetProgress(0);
    const std::int32_t size = StreamSFormatFile(kCheckMode, 0);
    if (size < 1) {
        Fail(outcome, Step::FileCheck);
    } else if (ConnectAndUnlock(outcome)) {
        view_.SetStatus(kErasing);
        if (!EraseStep()) {
            view_.SetStatus(kCannotErase);
            view_.Beep(kBeepFailure);
            Fail(outcome, Step::Erase);
            outcome.status = eraseStatus_;
        } else {
            view_.SetStatus("フラッシュ消去完了！");
            view_.SetProgress(10);
            if (StreamSFormatFile(kProgramMode, size) != size) {
                Fail(outcome, Step::Program);
                outcome.page = failedPage_;
                outcome.status = failedStatus_;
            } else if (StreamSFormatFile(kVerifyMode, size) != size) {
                Fail(outcome, Step::Verify);
                outcome.page = failedPage_;
                outcome.mismatch = mismatch_;
            } else {
                view_.SetProgress(99);
                view_.SetStatus("フラッシュ書き込みは無事完了しました");
                view_.Beep(kBeepSuccess);
                outcome.text = view_.Last();
            }
        }
    }
    CommHandle.reset();
    view_.SetButtonEnabled(ActionButton::Write, true);
    return outcome;
}

Outcome Writer::EraseSequence() {
    Outcome outcome;
    view_.SetButtonEnabled(ActionButton::Erase, false);
    view_.SetStatus("フラッシュ消去開始");
    view_.SetProgress(0);
    if (ConnectAndUnlock(outcome)) {
        view_.SetStatus(kErasing);
        if (EraseStep()) {
            view_.SetProgress(99);
            view_.SetStatus("フラッシュ消去は無事完了しました");
            view_.Beep(kBeepSuccess);
            outcome.text = view_.Last();
        } else {
            view_.SetStatus(kCannotErase);
            view_.Beep(kBeepFailure);
            Fail(outcome, Step::Erase);
            outcome.status = eraseStatus_;
        }
    }
    CommHandle.reset();
    view_.SetButtonEnabled(ActionButton::Erase, true);
    return outcome;
}

Outcome Writer::VerifySequence() {
    Outcome outcome;
    failedPage_.reset();
    mismatch_.reset();
    view_.SetButtonEnabled(ActionButton::Verify, false);
    view_.SetStatus("フラッシュベリファイ開始");
    view_.SetProgress(0);
    const std::int32_t size = StreamSFormatFile(kCheckMode, 0);
    if (size < 1) {
        Fail(outcome, Step::FileCheck);
    } else if (ConnectAndUnlock(outcome)) {
        if (StreamSFormatFile(kVerifyMode, size) == size) {
            view_.SetProgress(99);
            view_.SetStatus("フラッシュベリファイは無事完了しました");
            view_.Beep(kBeepSuccess);
            outcome.text = view_.Last();
        } else {
            view_.SetStatus("フラッシュベリファイに失敗しました! ");
            view_.Beep(kBeepFailure);
            Fail(outcome, Step::Verify);
            outcome.page = failedPage_;
            outcome.mismatch = mismatch_;
        }
    }
    CommHandle.reset();
    view_.SetButtonEnabled(ActionButton::Verify, true);
    return outcome;
}

}  // namespace bramblet
