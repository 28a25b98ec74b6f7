// The simulated chip behaves like the silicon: what it stores, what it refuses, when it answers,
// and the faults it can be told to show. Driven through the virtual line as a host would.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sim/SRecordFile.h"
#include "sim/VirtualLink.h"
#include "tests/support/TempDir.h"

namespace bramblet::sim {
namespace {

using namespace std::chrono_literals;
using Bytes8 = std::vector<std::uint8_t>;

const Time kByte = ByteTime(19200);

class ChipTest : public ::testing::Test {
protected:
    void Start(const ChipConfig& config = {}) {
        port.reset();
        link = std::make_unique<VirtualLink>(config);
        port = link->Opener().Open("COM1").port;
        port->Setup(19200);
    }
    void Send(Bytes8 bytes) { port->Write(bytes); }
    Bytes8 Receive(std::size_t n) {
        Bytes8 buffer(n);
        buffer.resize(port->Read(buffer));
        return buffer;
    }
    // A zero and the Baud Rate Check with its echo, at the host's rate.
    void Sync() { SyncEchoed({0xB0}); }
    void SyncEchoed(const Bytes8& echo) {
        Send({0x00});
        EXPECT_EQ(Answer({0xB0}, echo.size()), echo);
    }
    // Read Status Register once whatever the chip was busy with has surely finished.
    Bytes8 Status() { return Answer({0x70}, 2); }
    Bytes8 Answer(Bytes8 command, std::size_t n) {
        Send(command);
        link->Advance(2s);
        return Receive(n);
    }
    void Unlock(const Bytes8& code = Bytes8(7, 0xFF), Bytes8 address = {0xDF, 0xFF, 0x00}) {
        Bytes8 frame = {0xF5, address[0], address[1], address[2], 0x07};
        frame.insert(frame.end(), code.begin(), code.end());
        Send(frame);
    }
    void Program(std::uint32_t base, const Bytes8& page) {
        Bytes8 frame = {0x41, static_cast<std::uint8_t>(base >> 8),
                        static_cast<std::uint8_t>(base >> 16)};
        frame.insert(frame.end(), page.begin(), page.end());
        Send(frame);
    }
    Bytes8 ReadPage(std::uint32_t base) {
        Send({0xFF, static_cast<std::uint8_t>(base >> 8), static_cast<std::uint8_t>(base >> 16)});
        return Receive(256);
    }
    static Bytes8 Pattern(int seed) {
        Bytes8 page(256);
        for (int i = 0; i < 256; ++i) page[i] = static_cast<std::uint8_t>(i * 7 + seed);
        return page;
    }
    Chip& C() { return link->Target(); }

    std::unique_ptr<VirtualLink> link;
    std::unique_ptr<SerialPort> port;
};

TEST_F(ChipTest, ProgramReadBackAndEraseAll) {
    Start();
    Unlock();
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    Program(0xC000, Pattern(1));
    Program(0x13F00, Pattern(2));
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    EXPECT_EQ(ReadPage(0xC000), Pattern(1));
    EXPECT_EQ(ReadPage(0x13F00), Pattern(2));
    EXPECT_EQ(C().Read(0x13F01), Pattern(2)[1]);

    // Read Check Data: the 16-bit sum of what was programmed since the last one, low byte first.
    unsigned sum = 0;
    for (auto b : Pattern(1)) sum += b;
    for (auto b : Pattern(2)) sum += b;
    Send({0xFD});
    EXPECT_EQ(Receive(2),
              (Bytes8{static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8)}));
    Send({0xFD});
    EXPECT_EQ(Receive(2), (Bytes8{0, 0}));

    Send({0xA7, 0xD0});
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    EXPECT_EQ(ReadPage(0xC000), Bytes8(256, 0xFF));
}

TEST_F(ChipTest, ProgrammingOnlyClearsBits) {
    Start();
    Unlock();
    Program(0xC000, Bytes8(256, 0x0F));
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    Program(0xC000, Bytes8(256, 0xF0));  // would need an erase first
    EXPECT_EQ(Status(), (Bytes8{0x90, 0x0C}));
    EXPECT_EQ(C().Read(0xC000), 0x00);
    Program(0x0000, Bytes8(256, 0x00));  // no flash there
    EXPECT_EQ(Status()[0], 0x90);
}

TEST_F(ChipTest, UntilTheIdIsVerifiedOnlyStatusVersionAndIdCheckWork) {
    Start({.family = Family::M16C, .idCode = IdCode{1, 2, 3, 4, 5, 6, 7}});
    C().Load(0xC0000, Pattern(3));
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x00}));
    Send({0xFB});
    EXPECT_EQ(Receive(8), (Bytes8{'V', 'E', 'R', '.', '1', '.', '0', '0'}));
    EXPECT_TRUE(ReadPage(0xC0000).empty());
    Program(0xC0100, Bytes8(256, 0));
    Send({0xA7, 0xD0});
    Send({0xFD});
    EXPECT_TRUE(Receive(2).empty());
    EXPECT_EQ(C().Read(0xC0000), Pattern(3)[0]);
    EXPECT_EQ(C().Read(0xC0100), 0xFF);

    Unlock(Bytes8(7, 0xFF), {0xDF, 0xFF, 0x0F});
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x04}));          // mismatch
    Unlock({1, 2, 3, 4, 5, 6, 7}, {0xDF, 0xFF, 0x00});  // the right code at the R8C address
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x04}));
    Unlock({1, 2, 3, 4, 5, 6, 7}, {0xDF, 0xFF, 0x0F});
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    EXPECT_EQ(ReadPage(0xC0000), Pattern(3));
}

TEST_F(ChipTest, TheIdCodeIsFlashThatAWriteCanChange) {
    Start();
    Unlock();
    Bytes8 page(256, 0xFF);
    const Bytes8 code = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    const std::uint32_t offsets[] = {0xDF, 0xE3, 0xEB, 0xEF, 0xF3, 0xF7, 0xFB};
    for (int i = 0; i < 7; ++i) page[offsets[i]] = code[i];
    Program(0xFF00, page);
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));  // verified until the next reset

    C().Reset(link->Now());
    Unlock();
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x04}));
    Unlock(code);
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
}

TEST_F(ChipTest, UnknownCommandFlagsBothErrorsAndBlocksUntilCleared) {
    Start();
    Unlock();
    Send({0x33});
    EXPECT_EQ(Status(), (Bytes8{0xB0, 0x0C}));
    EXPECT_TRUE(ReadPage(0xC000).empty());
    Send({0xA7, 0x00});  // an erase without its confirmation is an error too
    Send({0x50});
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    EXPECT_EQ(ReadPage(0xC000).size(), 256u);
    Send({0xA7, 0x00});
    EXPECT_EQ(Status(), (Bytes8{0xB0, 0x0C}));
}

TEST_F(ChipTest, SynchronisationHoldsTheRateItCameAtUntilReset) {
    Start();
    EXPECT_EQ(C().Baud(), 0u);
    port->Setup(38400);  // not synchronised yet: it answers any rate it knows, at that rate
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x00}));
    EXPECT_EQ(C().Baud(), 0u);

    port->Setup(19200);
    Sync();
    EXPECT_EQ(C().Baud(), 19200u);
    port->Setup(38400);  // zeros and checks at another rate no longer move it
    Send({0x00, 0x00, 0x00});
    EXPECT_TRUE(Answer({0xB0}, 10).empty());
    EXPECT_TRUE(Status().empty());
    EXPECT_EQ(C().Baud(), 19200u);
    port->Setup(19200);
    EXPECT_EQ(Status().size(), 2u);

    C().Reset(link->Now());
    EXPECT_EQ(C().Baud(), 0u);
    port->Setup(38400);
    Sync();
    EXPECT_EQ(C().Baud(), 38400u);
}

TEST_F(ChipTest, BaudRateCommandsEchoAtTheOldRateThenMoveTheChip) {
    for (const std::uint8_t code : {0xB1, 0xB2, 0xB3, 0xB4}) {
        const std::uint32_t rate = *RateOfCode(code);
        Start();
        Sync();
        Time sent = link->Now();
        Send({code});
        EXPECT_EQ(Receive(1), Bytes8{code}) << rate;
        EXPECT_EQ(link->Now() - sent, 2 * kByte) << rate;  // out and back at 19200
        EXPECT_EQ(C().Baud(), rate);

        port->Setup(rate);
        sent = link->Now();
        Send({0x70});
        EXPECT_EQ(Receive(2), (Bytes8{0x80, 0x00})) << rate;
        EXPECT_EQ(link->Now() - sent, 3 * ByteTime(rate)) << rate;
        if (rate == 19200) continue;

        // A status read at the old rate reaches the chip as noise: no answer, and what its UART
        // made of the bytes was a command it does not know.
        port->Setup(19200);
        EXPECT_TRUE(Status().empty()) << rate;
        port->Setup(rate);
        EXPECT_EQ(Status(), (Bytes8{0xB0, 0x00})) << rate;
    }
}

// At rates three to one every sample falls mid-bit, so what each side makes of the other's
// bytes can be worked out by hand.
TEST_F(ChipTest, BytesAtAnotherRateArriveAsTheUartSamplesThem) {
    Start();
    Sync();
    port->Setup(57600);
    // 0x70 at 57600 is over a third of the way into the chip's frame: its bit 0 is the host's
    // data bit 3 (0), its bit 1 the host's data bit 6 (1), the rest idle line: 0xFE.
    Send({0x70});
    EXPECT_TRUE(Receive(2).empty());
    ASSERT_FALSE(C().Log().empty());
    EXPECT_EQ(C().Log().back().command, 0xFE);
    EXPECT_TRUE(C().Log().back().refused);

    // The chip's status at 19200, {0xB0, 0x00}, at a host listening at 57600: the start bit
    // and four zeros of 0xB0 outlast a whole frame (framing error, 0x00); the next frame starts
    // at its data bit 6 and runs into the second byte's start bit (framing error, 0xFC).
    port->Setup(19200);
    Send({0x70});
    port->Setup(57600);
    EXPECT_EQ(Receive(2), (Bytes8{0x00, 0xFC}));
}

TEST_F(ChipTest, ModePinChipRunsAt38400FromResetAndTakesZerosAt19200ForBreaks) {
    Start({.fixedBaud = 38400});
    EXPECT_EQ(C().Baud(), 38400u);
    // A zero at 19200 holds the line low for 18 of its bit times: a break, dropped. The 0xB0
    // after them reads as a frame with a low stop bit, then as 0xFE from its data bit 6 on.
    for (int i = 0; i < 17; ++i) Send({0x00});
    EXPECT_TRUE(Answer({0xB0}, 10).empty());
    ASSERT_EQ(C().Log().size(), 1u);
    EXPECT_EQ(C().Log()[0].command, 0xFE);

    port->Setup(38400);
    EXPECT_EQ(Status(), (Bytes8{0xB0, 0x00}));
    Send({0x50});
    EXPECT_EQ(Answer({0xB4}, 1), Bytes8{0xB4});  // the baud-rate commands move it all the same
    port->Setup(115200);
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x00}));
    C().Reset(link->Now());  // back to 38400: the status read at 115200 is a garbled command
    EXPECT_TRUE(Status().empty());
    port->Setup(38400);
    EXPECT_EQ(Status(), (Bytes8{0xB0, 0x00}));
}

TEST_F(ChipTest, MaxBaudRefusesFasterRatesAsUnknownCommands) {
    Start({.maxBaud = 57600});  // an older M16C group
    Sync();
    Send({0xB4});
    EXPECT_TRUE(Receive(10).empty());
    EXPECT_EQ(Status(), (Bytes8{0xB0, 0x00}));  // still at 19200, both error bits set
    Send({0x50});
    EXPECT_EQ(Answer({0xB3}, 10), Bytes8{0xB3});
    EXPECT_EQ(C().Baud(), 57600u);

    // The oldest groups know 9600 alone: a writer at 19200 gets nothing at all, a writer at
    // 9600 from the first zero on a chip that works, and no faster rate.
    Start({.family = Family::M16C, .maxBaud = 9600});
    for (int i = 0; i < 17; ++i) Send({0x00});
    EXPECT_TRUE(Answer({0xB0}, 10).empty());
    EXPECT_TRUE(Status().empty());
    EXPECT_TRUE(C().Log().empty());
    EXPECT_EQ(C().Baud(), 0u);
    port->Setup(9600);
    Sync();
    EXPECT_EQ(C().Baud(), 9600u);
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x00}));
    Send({0xB1});
    EXPECT_TRUE(Receive(10).empty());
    EXPECT_EQ(Status(), (Bytes8{0xB0, 0x00}));
}

TEST_F(ChipTest, ReadCheckDataSumsWhatWasProgrammedSinceTheLastRead) {
    Start();
    Unlock();
    Program(0xC000, Bytes8(256, 0xF0));
    Program(0xC100, Bytes8(256, 0xF0));  // 512 x 0xF0 = 0x1E000: 16 bits kept, low byte first
    EXPECT_EQ(Answer({0xFD}, 2), (Bytes8{0x00, 0xE0}));
    EXPECT_EQ(Answer({0xFD}, 2), (Bytes8{0x00, 0x00}));
    Program(0xC200, Pattern(4));
    C().Reset(link->Now());       // a reset starts the sum over
    Program(0xC300, Pattern(5));  // refused: the ID is not verified after a reset
    Unlock();
    EXPECT_EQ(Answer({0xFD}, 2), (Bytes8{0x00, 0x00}));
    Bytes8 page(256, 0x00);
    page[0] = 0x01;
    page[255] = 0x02;
    Program(0xC300, page);
    EXPECT_EQ(Answer({0xFD}, 2), (Bytes8{0x03, 0x00}));
}

TEST_F(ChipTest, CommandsWaitWhileTheChipIsBusy) {
    Start({.pageProgramTime = 13ms, .blockEraseTime = 100ms});
    Unlock();
    Send({0xA7, 0xD0, 0x70});  // six blocks of 100 ms; the status waits for them
    EXPECT_TRUE(Receive(2).empty());
    const Chip::Reply* reply = C().NextReply(link->Now() + 1s);
    ASSERT_NE(reply, nullptr);
    // 0xA7 0xD0 arrive after 2 byte times (after the 12 bytes of the ID Check before them).
    EXPECT_EQ(reply->arrives, 14 * kByte + 600ms + kByte);
    link->Advance(600ms);
    EXPECT_EQ(Receive(2), (Bytes8{0x80, 0x0C}));

    const Time sent = link->Now();
    Program(0xC000, Pattern(0));
    Send({0x70});
    reply = C().NextReply(sent + 1s);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->arrives - sent, 259 * kByte + 13ms + kByte);
}

TEST_F(ChipTest, IncompleteCommandTimesOut) {
    Start();
    Unlock();
    Send({0x41, 0xC0, 0x00, 0x12});
    link->Advance(200ms);
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0E}));  // receive time-out flagged, the command dropped
    EXPECT_EQ(C().Read(0xC000), 0xFF);
    Send({0x50});
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
}

TEST_F(ChipTest, LockBitsKeepBlocksThroughEraseAll) {
    Start();
    Unlock();
    Program(0xC000, Bytes8(256, 0x00));
    Send({0x77, 0xC0, 0x00, 0xD0});  // lock the block at 0xC000
    EXPECT_EQ(Answer({0x71, 0xC0, 0x00}, 1), Bytes8{0x00});
    Send({0xA7, 0xD0});
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    EXPECT_EQ(C().Read(0xC000), 0x00);
    Send({0x20, 0xC0, 0x00, 0xD0});
    EXPECT_EQ(Status(), (Bytes8{0xA0, 0x0C}));   // a locked block refuses its erase
    Send({0x50, 0x75, 0x20, 0xC0, 0x00, 0xD0});  // lock bits disabled: the erase goes through
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    EXPECT_EQ(C().Read(0xC000), 0xFF);
    EXPECT_EQ(Answer({0x71, 0xC0, 0x00}, 1),
              Bytes8{0x40});  // erasing the block erased its lock bit
}

TEST_F(ChipTest, FaultsOnPages) {
    Start({.faults = {.silentAfterPages = 2}});
    Unlock();
    for (int i = 0; i < 3; ++i) Program(0xC000 + 0x100 * i, Pattern(i));
    EXPECT_TRUE(Status().empty());
    EXPECT_TRUE(C().Silent());
    EXPECT_EQ(C().PagesProgrammed(), 2);

    Start({.faults = {.resetAfterPages = 1}});
    Unlock();
    Program(0xC000, Pattern(0));
    Program(0xC100, Pattern(1));
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x00}));  // came back from reset: the ID must be checked
    EXPECT_EQ(C().Read(0xC100), 0xFF);

    Start({.faults = {.pageReadLength = 100, .corruptReadAddress = 0xC005}});
    Unlock();
    Program(0xC000, Pattern(0));
    const Bytes8 read = ReadPage(0xC000);
    ASSERT_EQ(read.size(), 100u);
    EXPECT_EQ(read[5], Pattern(0)[5] ^ 0x01);
    EXPECT_EQ(read[6], Pattern(0)[6]);
}

// Unlock() sends the host's bytes 0 to 11; a Page Program after it has its header at 12 to 14
// and its data from 15 on.
constexpr std::uint64_t kPageData = 15;
using Kind = ByteFault::Kind;

TEST_F(ChipTest, NoiseTowardTheChipIsWhatTheBootProgramHears) {
    // A flipped data byte is programmed as it came.
    Start({.faults = {.lineFaults = {{Direction::ToChip, Kind::Flip, kPageData + 5, 0x81}}}});
    Unlock();
    Program(0xC000, Pattern(1));
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    EXPECT_EQ(C().Read(0xC005), Pattern(1)[5] ^ 0x81);
    EXPECT_EQ(C().Read(0xC006), Pattern(1)[6]);

    // A lost data byte: the rest move up, and the status command right after them completes the
    // page, so nothing answers it.
    Start({.faults = {.lineFaults = {{Direction::ToChip, Kind::Drop, kPageData + 5}}}});
    Unlock();
    Program(0xC000, Pattern(1));
    EXPECT_TRUE(Status().empty());
    EXPECT_EQ(C().Read(0xC005), Pattern(1)[6]);
    EXPECT_EQ(C().Read(0xC0FF), 0x70);
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));

    // An extra byte before the data: the page moves down by one and its last byte is left over,
    // heard as a command the boot program does not know.
    Start({.faults = {.lineFaults = {{Direction::ToChip, Kind::Add, kPageData, 0x00}}}});
    Unlock();
    Program(0xC000, Pattern(1));
    EXPECT_EQ(C().Read(0xC000), 0x00);
    EXPECT_EQ(C().Read(0xC001), Pattern(1)[0]);
    EXPECT_EQ(C().Log().back().command, Pattern(1)[255]);
    EXPECT_EQ(Status(), (Bytes8{0xB0, 0x0C}));
}

TEST_F(ChipTest, NoiseTowardTheHostIsWhatTheHostReceives) {
    // The chip's byte 0 is the echo of the Baud Rate Check, 1 and 2 the status after it.
    Start({.faults = {.lineFaults = {{Direction::ToHost, Kind::Drop, 0},
                                     {Direction::ToHost, Kind::Flip, 1, 0x40},
                                     {Direction::ToHost, Kind::Add, 2, 0x55}}}});
    Send({0x00});
    EXPECT_TRUE(Answer({0xB0}, 1).empty());
    const Time sent = link->Now();
    Send({0x70});
    EXPECT_EQ(Receive(3), (Bytes8{0xC0, 0x55, 0x00}));
    EXPECT_EQ(link->Now() - sent, 4 * kByte);  // the extra byte took its own time
    EXPECT_EQ(C().BytesToHost(), 3u);
}

TEST_F(ChipTest, ResetOrHangAtAMomentOfTheLine) {
    // Reset as the Page Program starts on the line: the page is refused, the ID forgotten.
    Start({.faults = {.resetAtHostByte = 12}});
    Unlock();
    Program(0xC000, Pattern(1));
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x00}));
    EXPECT_EQ(C().Read(0xC000), 0xFF);

    // Reset in the middle of a Page Read's answer, which starts after 15 byte times: the host
    // gets the bytes sent before it and no more.
    Start({.faults = {.resetAt = 115 * kByte}});
    Unlock();
    EXPECT_EQ(ReadPage(0xC000).size(), 100u);
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x00}));

    // Hung as the second poll of an erase starts: the first poll, waiting for the erase to end,
    // is never answered either.
    Start({.faults = {.silentFromHostByte = 15}});
    Unlock();
    Send({0xA7, 0xD0, 0x70});
    EXPECT_TRUE(Answer({0x70}, 4).empty());
    EXPECT_TRUE(C().Silent());
}

TEST_F(ChipTest, RefusedEraseAndPageProgramSetTheirErrorFlags) {
    Start({.faults = {.eraseErrorAt = 0, .programErrorAt = 1}});
    Unlock();
    Program(0xC000, Pattern(1));
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    Send({0xA7, 0xD0});
    EXPECT_EQ(Status(), (Bytes8{0xA0, 0x0C}));
    EXPECT_EQ(C().Read(0xC000), Pattern(1)[0]);  // nothing erased
    Send({0x50});
    Program(0xC100, Pattern(2));
    EXPECT_EQ(Status(), (Bytes8{0x90, 0x0C}));
    EXPECT_EQ(C().Read(0xC17F), Pattern(2)[127]);  // written half-way
    EXPECT_EQ(C().Read(0xC180), 0xFF);
    Send({0x50, 0xA7, 0xD0});  // the next erase goes through
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    EXPECT_EQ(C().Read(0xC000), 0xFF);
}

// A fault placed at the n-th erase or page counts only the commands the chip carries out: one
// refused before it must not move the fault onto another command.
TEST_F(ChipTest, FaultsCountOnlyCommandsTheChipCarriesOut) {
    Start({.faults = {.silentAfterPages = 2, .eraseErrorAt = 1, .programErrorAt = 1}});
    Program(0xC000, Pattern(1));  // before the ID check: refused, not counted
    Send({0xA7, 0x00});           // unconfirmed: refused, not counted
    Unlock();
    Send({0x50});
    Send({0x77, 0xC0, 0x00, 0xD0});  // lock bits are no erase
    Send({0x20, 0x80, 0x00, 0xD0});  // erase 0
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    Send({0x20, 0x80, 0x00, 0xD0});  // erase 1 fails
    EXPECT_EQ(Status(), (Bytes8{0xA0, 0x0C}));
    EXPECT_FALSE(C().Log().back().refused);  // taken, then failed

    Send({0x50});
    Program(0x8000, Pattern(2));  // page 0
    Program(0x8100, Pattern(3));  // page 1 stops half-way and is not a page programmed
    EXPECT_EQ(Status(), (Bytes8{0x90, 0x0C}));
    EXPECT_EQ(C().PagesProgrammed(), 1);
    // Read Check Data sums what the chip was given to program: the half page with 0xFF after it.
    unsigned sum = 0;
    for (auto b : Pattern(2)) sum += b;
    for (int i = 0; i < 256; ++i) sum += i < 128 ? Pattern(3)[i] : 0xFF;
    EXPECT_EQ(Answer({0xFD}, 2),
              (Bytes8{static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8)}));

    Send({0x50});
    Program(0x8200, Pattern(4));  // page 2 is whole; silence comes at the next
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
    Program(0x8300, Pattern(5));
    EXPECT_TRUE(Status().empty());
    EXPECT_EQ(C().Read(0x8300), 0xFF);
}

// Faults that spoil an answer spoil only one the chip gives.
TEST_F(ChipTest, AnswerFaultsLeaveRefusalsUnanswered) {
    Start({.maxBaud = 38400,
           .faults = {.baudEcho = Bytes8{0x12, 0x34}, .corruptReadAddress = 0xC000}});
    SyncEchoed({0x12, 0x34});
    EXPECT_TRUE(Answer({0xB4}, 2).empty());  // a rate it does not know: no echo of any kind
    Send({0x50});
    EXPECT_TRUE(ReadPage(0xC000).empty());  // locked: the corrupt byte is not sent either
    Unlock();
    EXPECT_EQ(ReadPage(0xC000)[0], 0xFE);
    EXPECT_EQ(Answer({0xB2}, 3), (Bytes8{0x12, 0x34}));
    EXPECT_EQ(C().Baud(), 38400u);
}

// A block shorter than a page takes only what fits; the rest neither spills into the next block
// nor past the cells.
TEST_F(ChipTest, APageIntoAShortBlockStopsAtItsEnd) {
    Start({.blocks = {{0x8000, 0x80}, {0x8080, 0x80}}, .verifiedWhenBlank = true});
    Program(0x8000, Pattern(6));
    EXPECT_EQ(C().Read(0x807F), Pattern(6)[0x7F]);
    EXPECT_EQ(C().Read(0x8080), 0xFF);
    EXPECT_EQ(Status(), (Bytes8{0x80, 0x0C}));
}

TEST_F(ChipTest, UnpluggedLineStopsWhatIsStillGoingOut) {
    // The page takes 135 ms on the wire; the line goes 50 ms into it.
    Start();
    Unlock();
    link->UnplugAt(50ms);
    Program(0xC000, Pattern(1));
    link->Advance(2s);
    EXPECT_EQ(C().Log().back().command, 0xF5);  // the page never came whole
    EXPECT_EQ(C().Read(0xC000), 0xFF);
}

TEST_F(ChipTest, StatusRepliesCanBeCut) {
    Start({.faults = {.statusReplyLength = 1}});
    EXPECT_EQ(Status(), Bytes8{0x80});
    Start({.faults = {.statusReplyLength = 0}});
    EXPECT_TRUE(Status().empty());
}

TEST_F(ChipTest, FlashSavedAndLoadedAsSRecords) {
    Start({.family = Family::M32C});
    C().Load(0xFFFF00, Pattern(5));
    C().Load(0xF80010, Bytes8{0x01, 0x02});
    testing::TempDir dir;
    const std::string file = dir.Name("flash.mot");
    ASSERT_TRUE(SaveSRecordFile(file, C()));

    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().substr(0, 2), "S0");
    EXPECT_NE(text.str().find("S224F80000FFFFFF"),
              std::string::npos);  // the 32-byte line at F80000
    EXPECT_EQ(text.str().substr(text.str().size() - 13), "S804000000FB\n");

    VirtualLink other({.family = Family::M32C});
    std::string error;
    ASSERT_TRUE(LoadSRecordFile(file, other.Target(), error)) << error;
    for (std::uint32_t a = 0xFFFF00; a <= 0xFFFFFF; ++a)
        EXPECT_EQ(other.Target().Read(a), C().Read(a));
    EXPECT_EQ(other.Target().Read(0xF80011), 0x02);

    EXPECT_FALSE(LoadSRecordFile(dir.Write("bad.mot", "S1130000FFFF\n"), other.Target(), error));
    EXPECT_NE(error.find("bad.mot:1"), std::string::npos);
}

}  // namespace
}  // namespace bramblet::sim
