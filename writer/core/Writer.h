#pragma once
// The writer's operations on one port and one view, with the state of a run as the window keeps
// it. The Qt window, the command line (one per board) and the tests each hold a Writer and
// implement its WriterView.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "writer/core/Outcome.h"
#include "writer/core/WriterView.h"
#include "writer/flash/PageSink.h"
#include "writer/link/Protocol.h"
#include "writer/link/SerialPort.h"

namespace bramblet {

// The link beyond the design's, for the command line. The window always runs the design's.
struct LinkOptions {
    // 0: the design's link (19200 baud, 38400 on the mode-pin link). 9600: the same link at
    // 9600 from the start, for chips that know no other rate. Higher: connect as the design
    // does, then move the chip and the port to this rate before the ID check. Any rate but 0
    // also reads each status poll's two bytes and each Page Read's 256 as soon as they come.
    std::uint32_t baud = 0;
};

class Writer : public PageSink {
public:
    Writer(WriterView& view, PortOpener& ports, LinkOptions link = {})
        : view_(view), ports_(ports), link_(link) {}

    // Link state, kept from one operation to the next as the window keeps it.
    std::unique_ptr<SerialPort> CommHandle;
    IdCodeBytes IdCode{};
    std::string BootVersion;
    IdCodeBytes DialogIdCode{};  // seven 0x00 until the dialog is first confirmed
    std::string DialogCpuFamily;
    std::uint32_t MinAddress = 0xFFFFFFFF;
    std::uint32_t MaxAddress = 0;
    // Why the last ConnectBootMode could not open the port.
    OpenResult LastOpenError;

    // Boot-mode link. ConnectBootMode returns 1 when the port cannot be opened, 0 when no boot
    // program answered, else the status word; VerifyIdCode returns the last status word, and
    // stops trying sources when the line has gone.
    int ConnectBootMode();
    int VerifyIdCode();
    int ReadIdFileFamily();

    // Write file.
    std::int32_t StreamSFormatFile(std::uint8_t mode, std::int32_t expectedSize);
    void ShowFileCheckResult(bool selectFamily);
    void SelectFamilyByAddress();
    // A write file was chosen (on the command line, in the file list, the open dialog or by a
    // drop): check it, let its highest address and then its ID file choose the family.
    void FileChosen();

    // Flash steps; the page steps are the sink of the program and verify passes.
    std::optional<protocol::Status> PollStatus();
    bool EraseStep();
    bool ProgramPage(std::uint32_t base, const PageImage& image) override;
    bool VerifyPage(std::uint32_t base, const PageImage& image, const PageFlags& present) override;

    // The three button sequences: write (erase, program, verify), erase, verify.
    Outcome WriteSequence();
    Outcome EraseSequence();
    Outcome VerifySequence();

    // Connects and unlocks as the sequences do, with their texts and beeps, for commands of the
    // caller's own; on success the port stays open in CommHandle until the caller resets it.
    Outcome Unlock();

private:
    std::optional<protocol::Status> PollStatusBounded(int limit);
    bool ConnectAndUnlock(Outcome& outcome);
    // Reports the connection's failure: no boot program answered, or the line went before the
    // chip was unlocked. Returns false.
    bool NoAnswer(Outcome& outcome);
    bool SwitchRate(Outcome& outcome);
    bool FastReads() const { return link_.baud != 0; }
    // Ends `outcome` as failed at `step` with the status line as it stands.
    void Fail(Outcome& outcome, Step step) const;
    // The same after showing `text` with the failure beep; returns false.
    bool Refuse(Outcome& outcome, Step step, const std::string& text);
    // A program or verify pass failed: with the page and what the chip answered.
    void FailPass(Outcome& outcome, Step step) const;
    void Succeed(Outcome& outcome, const char* text);
    // The start and end every button sequence shares.
    void Begin(ActionButton button, const char* text);
    void End(ActionButton button);

    // The view, remembering the last status text for the outcome.
    class StatusTap : public WriterView {
    public:
        explicit StatusTap(WriterView& view) : view_(view) {}
        const std::string& Last() const { return last_; }

        std::string FileName() const override { return view_.FileName(); }
        std::string PortName() const override { return view_.PortName(); }
        std::string CpuFamily() const override { return view_.CpuFamily(); }
        void SetCpuFamily(const std::string& family) override { view_.SetCpuFamily(family); }
        bool ModePin() const override { return view_.ModePin(); }
        void UpdateModePinVisibility() override { view_.UpdateModePinVisibility(); }
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
        std::optional<IdCodeAnswer> ShowIdCodeDialog(const std::string& family) override {
            return view_.ShowIdCodeDialog(family);
        }

    private:
        WriterView& view_;
        std::string last_;
    };

    StatusTap view_;
    PortOpener& ports_;
    const LinkOptions link_;
    // What the last erase and page steps found, for the outcome.
    std::optional<protocol::Status> eraseStatus_;
    std::optional<std::uint32_t> failedPage_;
    std::optional<protocol::Status> failedStatus_;
    std::optional<Mismatch> mismatch_;
};

}  // namespace bramblet
