#pragma once
// The state of a run and the operations of the writer, as the window owns them. The Qt window,
// the command line and the tests each hold one Writer and implement its WriterView.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/WriterView.h"
#include "flash/PageSink.h"
#include "link/SerialPort.h"

namespace bramblet {

class Writer : public PageSink {
public:
    Writer(WriterView& view, PortOpener& ports) : view_(view), ports_(ports) {}

    // Link state, kept from one operation to the next as the window keeps it.
    std::unique_ptr<SerialPort> CommHandle;
    IdCodeBytes IdCode{};
    std::string BootVersion;
    IdCodeBytes DialogIdCode{};  // seven 0x00 until the dialog is first confirmed
    std::string DialogCpuFamily;
    std::uint32_t MinAddress = 0xFFFFFFFF;
    std::uint32_t MaxAddress = 0;
    // Why the last ConnectBootMode could not open the port (for the command line).
    OpenResult LastOpenError;

    // Boot-mode link.
    int ConnectBootMode();
    int VerifyIdCode();
    int ReadIdFileFamily();

    // Write file.
    std::int32_t StreamSFormatFile(std::uint8_t mode, std::int32_t expectedSize);
    void ShowFileCheckResult(bool selectFamily);
    void SelectFamilyByAddress();

    // Flash steps; the page steps are the sink of the program and verify passes.
    struct StatusPair {
        std::uint8_t srd = 0;
        std::uint8_t srd1 = 0;
    };
    StatusPair PollStatus();
    bool EraseStep();
    bool ProgramPage(std::uint32_t base, const PageImage& image) override;
    bool VerifyPage(std::uint32_t base, const PageImage& image, const PageFlags& present) override;

    // The three button sequences: write (erase, program, verify), erase, verify.
    void WriteSequence();
    void EraseSequence();
    void VerifySequence();

    WriterView& View() { return view_; }

private:
    StatusPair PollStatusBounded(int limit);
    bool ConnectAndUnlock();

    WriterView& view_;
    PortOpener& ports_;
};

}  // namespace bramblet
