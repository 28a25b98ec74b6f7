#pragma once
// The parts of a session that one operation uses, shared by the connection and the sequences.
#include "writer/core/Session.h"
#include "writer/flash/PageSink.h"

namespace bramblet {

using text::Tx;

// The view, remembering the last status text for the outcome.
class Session::StatusTap : public WriterView {
public:
    explicit StatusTap(WriterView& view) : view_(view) {}
    const std::string& Last() const { return last_; }

    void SetStatus(const std::string& text) override {
        last_ = text;
        view_.SetStatus(text);
    }
    void SetProgress(int position) override { view_.SetProgress(position); }
    void SetVersionText(const std::string& text) override { view_.SetVersionText(text); }
    void SetFileCheckText(const std::string& text) override { view_.SetFileCheckText(text); }
    void SetButtonEnabled(ActionButton button, bool enabled) override {
        view_.SetButtonEnabled(button, enabled);
    }
    void Beep(std::uint32_t type) override { view_.Beep(type); }
    void FamilyConfirmed(const std::string& text) override { view_.FamilyConfirmed(text); }
    text::Lang Language() const override { return view_.Language(); }
    text::Lang OwnLanguage() const override { return view_.OwnLanguage(); }

private:
    WriterView& view_;
    std::string last_;
};

// One operation on its target: the page steps it hands the stream and what went wrong where. It
// reaches the session only through what the session offers every caller.
class Session::Run : public PageSink {
public:
    Run(Session& session, StatusTap& view, const Target& target)
        : session_(session), view_(view), target_(target) {}

    const Outcome& Result() const { return outcome_; }

    // Connects and unlocks; false after reporting the failure. The port is open on return exactly
    // when the session's CommHandle is set.
    bool ConnectAndUnlock();

    bool EraseStep();
    // The write's erase with its texts, or none with --no-erase; false after refusing.
    bool EraseForWrite();
    // Shows the erase's refusal with what the chip answered to its poll.
    void RefuseErase();
    // Verify by check data: the read that clears the chip's sum before the program pass, and
    // the one that compares it after. False after showing the verify's failure text.
    bool ClearCheckData();
    bool VerifyWrite(std::int32_t size);
    bool ProgramPage(std::uint32_t base, const PageImage& image) override;
    bool VerifyPage(std::uint32_t base, const PageImage& image, const PageFlags& present) override;

    // A pass over the target's write file with this run's page steps. Where the file read by
    // content is at fault, what and where is kept as the outcome's detail.
    std::int32_t Stream(std::uint8_t mode, std::int32_t expectedSize);

    // Ends the outcome as failed at `step` with the status line as it stands.
    void Fail(Step step);
    // A program or verify pass failed: with the page and what the chip answered.
    void FailPass(Step step);
    void Succeed(Tx text);
    // The start and end every button sequence shares; the port is closed at the end.
    void Begin(ActionButton button, Tx text);
    void End(ActionButton button);
    // Closes the port, running the target's --after first.
    void Close();

private:
    StatusTap& View() { return view_; }
    // A status text in the language the view speaks.
    std::string Say(Tx key) const { return text::Say(key, view_.Language()); }
    // A detail in the language of the view's own words.
    std::string Own(Tx key, std::initializer_list<std::string_view> args) const {
        return text::Say(key, view_.OwnLanguage(), args);
    }
    SerialPort& Port() { return *session_.CommHandle(); }
    bool FastReads() const { return target_.link.baud != 0; }

    // Moves the chip and the port to the target's rate; false after reporting why not.
    bool SwitchRate();
    std::optional<protocol::Status> Poll(int limit);
    // The same as Fail after showing `text` with the failure beep; returns false.
    bool Refuse(Step step, const std::string& text);
    // No boot program answered, or the line went before the chip was unlocked. Returns false.
    bool NoAnswer();
    // The port could not drive the modem lines the target's sequences name. Returns false.
    bool RefuseLines(const std::string& error);
    bool SumFailed(std::string detail);

    Session& session_;
    StatusTap& view_;
    const Target& target_;
    Outcome outcome_;
    std::optional<protocol::Status> eraseStatus_;  // what the last erase step's poll brought
    std::uint16_t sentSum_ = 0;                    // of the data bytes of every Page Program sent
    std::optional<std::uint32_t> failedPage_;
    std::optional<protocol::Status> failedStatus_;
    std::optional<Mismatch> mismatch_;
    bool noReply_ = false;  // the chip's answer did not come
};

}  // namespace bramblet
