// The write, erase and verify sequences and the flash steps they are made of.
#include <algorithm>
#include <array>

#include "writer/common/Text.h"
#include "writer/core/SessionRun.h"
#include "writer/core/WriteFile.h"
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

// A block as the family's table knows it, else by the address that names it.
std::string BlockName(const std::optional<Family>& family, std::uint32_t address, text::Lang lang) {
    const std::optional<FlashBlock> block = family ? BlockHolding(*family, address) : std::nullopt;
    if (!block) return text::Say(Tx::CoreBlockHolding, lang, {Hex(address, 6)});
    return text::Say(Tx::CoreBlock, lang,
                     {Hex(block->start, 6), Hex(block->start + block->size - 1, 6)});
}

}  // namespace

std::optional<protocol::Status> Session::Run::Poll(int limit) {
    std::optional<protocol::Status> status = protocol::PollStatus(
        Port(), limit, FastReads() ? protocol::PollRead::TwoBytes : protocol::PollRead::Window);
    noReply_ = !status;
    return status;
}

bool Session::Run::EraseStep() {
    const std::vector<std::uint32_t>& blocks = target_.flash.eraseBlocks;
    if (blocks.empty()) {
        protocol::EraseAll(Port());
        eraseStatus_ = Poll(kErasePollLimit);
        return Accepted(eraseStatus_);
    }
    // Each block once, however many of the addresses it holds; the chip is sent the address
    // given, since it knows its own blocks better than any table.
    std::vector<std::string> erased;
    for (const std::uint32_t address : blocks) {
        std::string name = BlockName(target_.family, address, View().OwnLanguage());
        if (std::find(erased.begin(), erased.end(), name) != erased.end()) continue;
        protocol::BlockErase(Port(), address);
        eraseStatus_ = Poll(kErasePollLimit);
        if (!Accepted(eraseStatus_)) {
            outcome_.detail = std::move(name);
            return false;
        }
        erased.push_back(std::move(name));
    }
    return true;
}

bool Session::Run::EraseForWrite() {
    if (target_.flash.noErase) return true;
    View().SetStatus(Say(Tx::Erasing));
    if (!EraseStep()) {
        RefuseErase();
        return false;
    }
    View().SetStatus(Say(Tx::Erased));
    return true;
}

void Session::Run::RefuseErase() {
    Refuse(Step::Erase, Say(Tx::CannotErase));
    outcome_.status = eraseStatus_;
}

bool Session::Run::SumFailed(std::string detail) {
    View().SetStatus(Say(Tx::VerifyFailed));
    outcome_.detail = std::move(detail);
    return false;
}

bool Session::Run::ClearCheckData() {
    if (!target_.flash.verifyBySum || protocol::ReadCheckData(Port())) return true;
    noReply_ = true;
    return SumFailed(Own(Tx::CoreNoCheckData, {}));
}

// The check data proves that every byte sent arrived and that each page was programmed without
// an error flag; unlike reading the pages back, it cannot see a byte disturbed afterwards.
bool Session::Run::VerifyWrite(std::int32_t size) {
    if (!target_.flash.verifyBySum) return Stream(kVerifyMode, size) == size;
    View().SetStatus(Say(Tx::Verifying));
    const std::optional<std::uint16_t> sum = protocol::ReadCheckData(Port());
    if (sum == sentSum_) return true;
    noReply_ = !sum;
    if (!sum) return SumFailed(Own(Tx::CoreNoCheckData, {}));
    return SumFailed(Own(Tx::CoreCheckDataDiffers, {Hex(*sum, 4), Hex(sentSum_, 4)}));
}

bool Session::Run::ProgramPage(std::uint32_t base, const PageImage& image) {
    if (target_.flash.skipBlank &&
        std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0xFF; })) {
        return true;
    }
    protocol::PageProgram(Port(), base, image);
    for (const std::uint8_t b : image) sentSum_ = static_cast<std::uint16_t>(sentSum_ + b);
    const std::optional<protocol::Status> status = Poll(kPagePollLimit);
    if (Accepted(status)) return true;
    failedPage_ = base;
    failedStatus_ = status;
    return false;
}

bool Session::Run::VerifyPage(std::uint32_t base, const PageImage& image,
                              const PageFlags& present) {
    // The design reads one byte per read, each with its own window, stopping at the first that
    // fails; the fast link takes the page in one read.
    PageImage chip{};
    std::size_t got = 0;
    if (FastReads()) {
        got = protocol::PageRead(Port(), base, chip);
    } else {
        protocol::RequestPage(Port(), base);
    }
    auto byteAt = [&](std::size_t offset) -> std::optional<std::uint8_t> {
        if (FastReads()) return offset < got ? std::optional(chip[offset]) : std::nullopt;
        std::array<std::uint8_t, 1> b{};
        return Port().Read(b) == 1 ? std::optional(b[0]) : std::nullopt;
    };
    for (std::size_t offset = 0; offset < kPageSize; ++offset) {
        const std::optional<std::uint8_t> b = byteAt(offset);
        if (b && !(present[offset] && *b != image[offset])) continue;
        noReply_ = !b;
        failedPage_ = base;
        mismatch_ = Mismatch{static_cast<std::uint32_t>(base + offset), image[offset], b};
        return false;
    }
    return true;
}

std::int32_t Session::Run::Stream(std::uint8_t mode, std::int32_t expectedSize) {
    StreamResult result = StreamSFormatFile(View(), *this, target_.writeFile, mode, expectedSize,
                                            &target_.patch, target_.reading);
    if (!result.problem.empty()) outcome_.detail = std::move(result.problem);
    return result.count;
}

void Session::Run::Fail(Step step) {
    outcome_.failed = step;
    outcome_.text = View().Last();
    if (session_.CommHandle()) outcome_.lost = Port().Lost();
    // A chip that did not answer through a slow adapter may have answered too late for it.
    if (noReply_ && session_.CommHandle()) {
        outcome_.NoReply(Port().AdapterLatency(), target_.link.adapterLatency);
    }
}

bool Session::Run::Refuse(Step step, const std::string& text) {
    View().SetStatus(text);
    View().Beep(kBeepFailure);
    Fail(step);
    return false;
}

bool Session::Run::NoAnswer() {
    noReply_ = true;
    return Refuse(Step::Connect, Say(Tx::NoAnswer));
}

// The user is told, as when no boot program answers, to bring the chip into boot mode by hand.
bool Session::Run::RefuseLines(const std::string& error) {
    outcome_.lineError = error;
    return Refuse(Step::Lines, Say(Tx::NoAnswer));
}

void Session::Run::FailPass(Step step) {
    Fail(step);
    outcome_.page = failedPage_;
    if (step == Step::Program) outcome_.status = failedStatus_;
    if (step == Step::Verify) outcome_.mismatch = mismatch_;
}

void Session::Run::Succeed(Tx text) {
    View().SetProgress(99);
    View().SetStatus(Say(text));
    View().Beep(kBeepSuccess);
    outcome_.text = View().Last();
}

void Session::Run::Begin(ActionButton button, Tx text) {
    View().SetButtonEnabled(button, false);
    View().SetStatus(Say(text));
    View().SetProgress(0);
}

// The port opened by the sequence is closed before its button comes back.
void Session::Run::End(ActionButton button) {
    Close();
    View().SetButtonEnabled(button, true);
}

void Session::Run::Close() {
    if (std::string error = session_.CloseCommHandle(); !error.empty()) {
        outcome_.AfterFailed(std::move(error));
    }
}

bool Session::Run::ConnectAndUnlock() {
    View().SetStatus(Say(Tx::Connecting));
    const Connection connection = session_.ConnectBootMode(target_);
    switch (connection.What()) {
        case Connection::Kind::Answered:
            break;
        case Connection::Kind::NoAnswer:
            return NoAnswer();
        case Connection::Kind::LinesRefused:
            return RefuseLines(connection.Detail());
        case Connection::Kind::NotOpened:
            Refuse(Step::OpenPort, Say(Tx::NoPort));
            outcome_.openError = connection.OpenFailure();
            outcome_.detail = connection.Detail();
            return false;
    }
    if (!SwitchRate()) return false;
    const int unlocked = session_.VerifyIdCode(target_);
    // A line gone before the chip was unlocked is a connection that failed: the ID mismatch text
    // would send the user looking for an ID code.
    if (Port().Lost()) return NoAnswer();
    if ((unlocked & protocol::kWordIdVerified) != protocol::kWordIdVerified) {
        return Refuse(Step::IdCode, Say(Tx::IdMismatch));
    }
    View().SetStatus(Say(Tx::IdVerified));
    View().SetProgress(5);
    // The sequences go on from here; a caller of Unlock is left with the unlock's own text.
    outcome_.text = View().Last();
    return true;
}

Outcome Session::Unlock(const Target& target) {
    Run run(*this, *view_, target);
    if (!run.ConnectAndUnlock()) run.Close();
    return run.Result();
}

Outcome Session::WriteSequence(const Target& target) {
    Run run(*this, *view_, target);
    run.Begin(ActionButton::Write, Tx::WriteStart);
    const std::int32_t size = run.Stream(kCheckMode, 0);
    if (size < 1) {
        run.Fail(Step::FileCheck);
    } else if (run.ConnectAndUnlock() && run.EraseForWrite()) {
        view_->SetProgress(10);
        // A failed pass keeps its own text and sounds no beep.
        if (!run.ClearCheckData()) {
            run.FailPass(Step::Verify);
        } else if (run.Stream(kProgramMode, size) != size) {
            run.FailPass(Step::Program);
        } else if (!run.VerifyWrite(size)) {
            run.FailPass(Step::Verify);
        } else {
            run.Succeed(Tx::WriteDone);
        }
    }
    run.End(ActionButton::Write);
    return run.Result();
}

Outcome Session::EraseSequence(const Target& target) {
    Run run(*this, *view_, target);
    run.Begin(ActionButton::Erase, Tx::EraseStart);
    if (run.ConnectAndUnlock()) {
        view_->SetStatus(text::Say(Tx::Erasing, view_->Language()));
        if (run.EraseStep()) {
            run.Succeed(Tx::EraseDone);
        } else {
            run.RefuseErase();
        }
    }
    run.End(ActionButton::Erase);
    return run.Result();
}

Outcome Session::VerifySequence(const Target& target) {
    Run run(*this, *view_, target);
    run.Begin(ActionButton::Verify, Tx::VerifyStart);
    const std::int32_t size = run.Stream(kCheckMode, 0);
    if (size < 1) {
        run.Fail(Step::FileCheck);
    } else if (run.ConnectAndUnlock()) {
        if (run.Stream(kVerifyMode, size) == size) {
            run.Succeed(Tx::VerifyDone);
        } else {
            // The verify button says it in its own words, with a beep.
            view_->SetStatus(text::Say(Tx::VerifyFailedAtEnd, view_->Language()));
            view_->Beep(kBeepFailure);
            run.FailPass(Step::Verify);
        }
    }
    run.End(ActionButton::Verify);
    return run.Result();
}

}  // namespace bramblet
