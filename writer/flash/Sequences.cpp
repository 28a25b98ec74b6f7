// The write, erase and verify sequences and the flash steps they are made of.
#include <array>

#include "core/Writer.h"
#include "flash/SRecordStream.h"
#include "link/Protocol.h"

namespace bramblet {
namespace {

// The status poll repeats while a read brings fewer than two bytes; each silent repetition takes
// its whole 230 ms window. A chip erases all its blocks in seconds at worst and programs a page
// in milliseconds, so these bounds (about 60 s and 5 s) are reached only by a chip that has gone.
constexpr int kErasePollLimit = 261;
constexpr int kPagePollLimit = 22;

constexpr bool Accepted(std::uint8_t srd, std::uint8_t srd1) {
    return StatusWord(srd, srd1) == 0x800C;
}

const char* const kConnecting = "BOOTモードコネクト中";
const char* const kNoAnswer = "通信できません! ブートモードを確認してリセットしてください";
const char* const kNoPort = "COMポートがありません！";
const char* const kIdMismatch = "ID照合不一致";
const char* const kIdVerified = "ID照合完了！";
const char* const kErasing = "フラッシュ消去中";
const char* const kCannotErase = "フラッシュを消去できません! ";

}  // namespace

Writer::StatusPair Writer::PollStatus() { return PollStatusBounded(kPagePollLimit); }

Writer::StatusPair Writer::PollStatusBounded(int limit) {
    std::array<std::uint8_t, 50> reply{};
    for (int i = 0; i < limit; ++i) {
        CommHandle->Write(std::array<std::uint8_t, 1>{kReadStatus});
        if (CommHandle->Read(reply) >= 2) return {reply[0], reply[1]};
    }
    return {};
}

bool Writer::EraseStep() {
    CommHandle->Write(std::array<std::uint8_t, 2>{kEraseAll, kEraseConfirm});
    const StatusPair status = PollStatusBounded(kErasePollLimit);
    return Accepted(status.srd, status.srd1);
}

bool Writer::ProgramPage(std::uint32_t base, const PageImage& image) {
    CommHandle->Write(std::array<std::uint8_t, 3>{kPageProgram, AddressMid(base), AddressHigh(base)});
    CommHandle->Write(image);
    const StatusPair status = PollStatus();
    return Accepted(status.srd, status.srd1);
}

bool Writer::VerifyPage(std::uint32_t base, const PageImage& image, const PageFlags& present) {
    CommHandle->Write(std::array<std::uint8_t, 3>{kPageRead, AddressMid(base), AddressHigh(base)});
    for (std::size_t offset = 0; offset < kPageSize; ++offset) {
        std::array<std::uint8_t, 1> b{};
        if (CommHandle->Read(b) != 1) return false;
        if (present[offset] && b[0] != image[offset]) return false;
    }
    return true;
}

// Connects and unlocks; false after reporting the failure. The port is open on return exactly
// when CommHandle is set.
bool Writer::ConnectAndUnlock() {
    view_.SetStatus(kConnecting);
    const int connected = ConnectBootMode();
    if (connected == 0) {
        view_.SetStatus(kNoAnswer);
        view_.Beep(kBeepFailure);
        return false;
    }
    if (connected == 1) {
        view_.SetStatus(kNoPort);
        view_.Beep(kBeepFailure);
        return false;
    }
    if ((VerifyIdCode() & 0x000C) != 0x000C) {
        view_.SetStatus(kIdMismatch);
        view_.Beep(kBeepFailure);
        return false;
    }
    view_.SetStatus(kIdVerified);
    view_.SetProgress(5);
    return true;
}

void Writer::WriteSequence() {
    view_.SetButtonEnabled(ActionButton::Write, false);
    view_.SetStatus("フラッシュ消去・書込み開始");
    view_.SetProgress(0);
    const std::int32_t size = StreamSFormatFile(kCheckMode, 0);
    if (size >= 1 && ConnectAndUnlock()) {
        view_.SetStatus(kErasing);
        if (!EraseStep()) {
            view_.SetStatus(kCannotErase);
            view_.Beep(kBeepFailure);
        } else {
            view_.SetStatus("フラッシュ消去完了！");
            view_.SetProgress(10);
            if (StreamSFormatFile(kProgramMode, size) == size &&
                StreamSFormatFile(kVerifyMode, size) == size) {
                view_.SetProgress(99);
                view_.SetStatus("フラッシュ書き込みは無事完了しました");
                view_.Beep(kBeepSuccess);
            }
        }
    }
    CommHandle.reset();
    view_.SetButtonEnabled(ActionButton::Write, true);
}

void Writer::EraseSequence() {
    view_.SetButtonEnabled(ActionButton::Erase, false);
    view_.SetStatus("フラッシュ消去開始");
    view_.SetProgress(0);
    if (ConnectAndUnlock()) {
        view_.SetStatus(kErasing);
        if (EraseStep()) {
            view_.SetProgress(99);
            view_.SetStatus("フラッシュ消去は無事完了しました");
            view_.Beep(kBeepSuccess);
        } else {
            view_.SetStatus(kCannotErase);
            view_.Beep(kBeepFailure);
        }
    }
    CommHandle.reset();
    view_.SetButtonEnabled(ActionButton::Erase, true);
}

void Writer::VerifySequence() {
    view_.SetButtonEnabled(ActionButton::Verify, false);
    view_.SetStatus("フラッシュベリファイ開始");
    view_.SetProgress(0);
    const std::int32_t size = StreamSFormatFile(kCheckMode, 0);
    if (size >= 1 && ConnectAndUnlock()) {
        if (StreamSFormatFile(kVerifyMode, size) == size) {
            view_.SetProgress(99);
            view_.SetStatus("フラッシュベリファイは無事完了しました");
            view_.Beep(kBeepSuccess);
        } else {
            view_.SetStatus("フラッシュベリファイに失敗しました! ");
            view_.Beep(kBeepFailure);
        }
    }
    CommHandle.reset();
    view_.SetButtonEnabled(ActionButton::Verify, true);
}

}  // namespace bramblet
