// The serial line model: what a UART sampling at one rate takes from frames sent at another.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "sim/Uart.h"

namespace bramblet::sim {
namespace {

using namespace std::chrono_literals;
using Received = UartLine::Received;

UartLine::RateAt At(std::uint32_t baud) {
    return [baud](Time, std::uint32_t) { return baud; };
}

// Everything a receiver at `baud` takes, the line idle after its last frame.
std::vector<Received> TakeAll(UartLine& line, std::uint32_t baud) {
    std::vector<Received> all;
    while (auto received = line.Receive(Time::max(), At(baud))) all.push_back(*received);
    return all;
}

std::vector<Received> Sent(std::vector<std::uint8_t> bytes, std::uint32_t sentAt,
                           std::uint32_t heardAt) {
    UartLine line;
    for (std::uint8_t b : bytes) line.Send(b, line.End(), sentAt);
    return TakeAll(line, heardAt);
}

MATCHER_P2(Byte, value, framingError, "") {
    return arg.byte == value && arg.framingError == framingError;
}

TEST(UartTest, AtTheSendersRateEveryByteArrivesAsSentAtTheEndOfItsStopBit) {
    for (std::uint32_t baud : {9600u, 19200u, 38400u, 57600u, 115200u}) {
        UartLine line;
        const Time gap = 3 * ByteTime(baud) / 2;
        std::vector<Time> ends;
        for (int i = 0; i < 256; ++i) {
            // Back to back, and now and then after half a frame of idle line.
            const Time start = line.End() + (i % 7 == 0 ? gap : 0ns);
            line.Send(static_cast<std::uint8_t>(i), start, baud);
            ends.push_back(line.End());
        }
        const std::vector<Received> got = TakeAll(line, baud);
        ASSERT_EQ(got.size(), 256u) << baud;
        for (int i = 0; i < 256; ++i) {
            EXPECT_THAT(got[i], Byte(i, false)) << baud;
            EXPECT_EQ(got[i].arrives, ends[i]) << baud;
            EXPECT_EQ(got[i].baud, baud);
        }
    }
}

TEST(UartTest, SlowFramesAtAFastReceiver) {
    // 0xFF at 19200 is low for its start bit alone, three bit times at 57600: the start bit
    // and data bits 0 and 1.
    EXPECT_THAT(Sent({0xFF}, 19200, 57600), ::testing::ElementsAre(Byte(0xFC, false)));
    // 0x00 at 9600 stays low through a whole frame at 57600: a break, and one byte for it,
    // since the receiver waits for the line to rise before it looks for a start bit again.
    EXPECT_THAT(Sent({0x00}, 9600, 57600), ::testing::ElementsAre(Byte(0x00, true)));
    // Too short for a start bit: low for a sixth of a bit time at 9600, high again mid-bit.
    EXPECT_TRUE(Sent({0xFE}, 115200, 9600).empty());
}

TEST(UartTest, FastFramesAtASlowReceiver) {
    // The receiver's bits 0 and 1 are the sender's data bits 3 and 6, the rest idle line.
    EXPECT_THAT(Sent({0x70}, 57600, 19200), ::testing::ElementsAre(Byte(0xFE, false)));
    // Two bytes read as one: bits 2 to 4 fall in the second byte, bit 5 on its stop bit.
    EXPECT_THAT(Sent({0x80, 0x00}, 57600, 19200), ::testing::ElementsAre(Byte(0xE0, false)));
}

TEST(UartTest, AByteIsTakenOnlyOnceTheLineIsKnownUpToItsStopBit) {
    UartLine line;
    line.Send(0x70, 1ms, 57600);
    EXPECT_FALSE(line.Receive(line.End(), At(19200)));  // the next frame could still change it
    const auto pending = line.Next(At(19200));
    ASSERT_TRUE(pending);
    EXPECT_EQ(pending->arrives, 1ms + ByteTime(19200));
    EXPECT_EQ(pending->decided, 1ms + Time(19 * ByteTime(19200).count() / 20) + 1ns);
    EXPECT_FALSE(line.Receive(pending->decided - 1ns, At(19200)));
    const auto got = line.Receive(pending->decided, At(19200));
    ASSERT_TRUE(got);
    EXPECT_THAT(*got, Byte(0xFE, false));
    EXPECT_EQ(got->arrives, pending->arrives);
    EXPECT_FALSE(line.Next(At(19200)));
}

TEST(UartTest, CutsAndRestarts) {
    // The transmitter stops after the start bit and four data bits of 0x00: high from there.
    UartLine line;
    line.Send(0x00, 0ns, 19200);
    line.Send(0x00, line.End(), 19200);
    line.Cut(5 * ByteTime(19200) / 10);
    EXPECT_EQ(line.End(), 5 * ByteTime(19200) / 10);
    EXPECT_THAT(TakeAll(line, 19200), ::testing::ElementsAre(Byte(0xF0, false)));

    // A receiver that starts over in the middle of 0x55 takes the next falling edge, data
    // bit 3, for a start bit.
    UartLine other;
    other.Send(0x55, 0ns, 19200);
    other.Restart(3 * ByteTime(19200) / 10);
    EXPECT_THAT(TakeAll(other, 19200), ::testing::ElementsAre(Byte(0xF5, false)));
}

}  // namespace
}  // namespace bramblet::sim
