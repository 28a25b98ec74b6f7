// The boot commands' frames and replies, against a scripted other end.
#include <gtest/gtest.h>

#include "tests/support/ScriptedPort.h"
#include "writer/link/Protocol.h"

namespace bramblet::testing {
namespace {

using Bytes8 = std::vector<std::uint8_t>;
using namespace protocol;

class ProtocolTest : public ::testing::Test {
protected:
    Script script;
    ScriptedPort port{script};
};

TEST_F(ProtocolTest, FramesGoOutAsTheBootProgramReadsThem) {
    IdCheck(port, 0x0FFFDF, {1, 2, 3, 4, 5, 6, 7});
    EraseAll(port);
    std::array<std::uint8_t, kPageBytes> page{};
    page[0] = 0x12;
    page[255] = 0x34;
    PageProgram(port, 0x1FF00, page);
    RequestPage(port, 0x0F000);
    ClearStatus(port);
    ASSERT_EQ(script.writes.size(), 7u);
    EXPECT_EQ(script.writes[0], (Bytes8{0xF5, 0xDF, 0xFF, 0x0F, 0x07}));
    EXPECT_EQ(script.writes[1], (Bytes8{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(script.writes[2], (Bytes8{0xA7, 0xD0}));
    EXPECT_EQ(script.writes[3], (Bytes8{0x41, 0xFF, 0x01}));  // the low address byte is not sent
    EXPECT_EQ(script.writes[4], Bytes8(page.begin(), page.end()));
    EXPECT_EQ(script.writes[5], (Bytes8{0xFF, 0xF0, 0x00}));
    EXPECT_EQ(script.writes[6], (Bytes8{0x50}));
}

TEST_F(ProtocolTest, StatusBitsByName) {
    const Status verified{0x80, 0x0C};
    EXPECT_TRUE(verified.Ready());
    EXPECT_TRUE(verified.IdVerified());
    EXPECT_EQ(verified.Word(), kWordAccepted);
    const Status failed{0x10, 0x06};
    EXPECT_FALSE(failed.Ready());
    EXPECT_TRUE(failed.ProgramError());
    EXPECT_FALSE(failed.EraseError());
    EXPECT_TRUE(failed.IdMismatch());
    EXPECT_TRUE(failed.ReceiveTimeout());
    // Bits that no decision looks at are masked off the word.
    EXPECT_EQ((Status{0xCF, 0xF1}.Word()), 0x8000);
}

TEST_F(ProtocolTest, PollWantsTwoBytesFromOneRead) {
    // The first answer loses its second byte: that counts as no answer, and the poll asks again.
    int polls = 0;
    script.answer = [&](const Bytes8&) { return ++polls == 1 ? Bytes8{0x80} : Bytes8{0x90, 0x0C}; };
    EXPECT_EQ(PollStatus(port, 22, PollRead::Window), (Status{0x90, 0x0C}));
    EXPECT_EQ(script.Count(0x70), 2);
    EXPECT_EQ(script.reads.front(), 50u);  // each silent repetition waits out 230 ms

    // A chip that never answers is given up after the bound.
    script = {};
    EXPECT_EQ(PollStatus(port, 5, PollRead::Window), std::nullopt);
    EXPECT_EQ(script.Count(0x70), 5);
}

TEST_F(ProtocolTest, LostPortEndsThePollAndTheSynchronisationAtOnce) {
    // The device goes with the first poll: no further poll is sent, no further read waits.
    script.answer = [&](const Bytes8&) {
        script.loss = {PortLoss::Kind::Gone, "hang-up"};
        return Bytes8{};
    };
    EXPECT_EQ(PollStatus(port, 261, PollRead::Window), std::nullopt);
    EXPECT_EQ(script.Count(kReadStatus), 1);
    EXPECT_EQ(script.reads.size(), 1u);

    // Gone at the third synchronisation zero, of seventeen.
    script = {};
    script.answer = [&](const Bytes8&) {
        if (script.writes.size() == 3) script.loss = {PortLoss::Kind::Gone, "hang-up"};
        return Bytes8{};
    };
    EXPECT_FALSE(Synchronise(port, 17));
    EXPECT_EQ(script.Count(kSync), 3);
    EXPECT_EQ(script.reads.size(), 3u);
}

TEST_F(ProtocolTest, PollReadsTheAnswersStillOwedAndDropsWhateverElseCame) {
    // A chip busy for 30 polls answers them all at once: 60 bytes, of which a read takes 50.
    int polls = 0;
    script.answer = [&](const Bytes8&) {
        if (++polls < 30) return Bytes8{};
        Bytes8 burst;
        for (int i = 0; i < 30; ++i) burst.insert(burst.end(), {0x80, 0x0C});
        burst.push_back(0x5A);  // and a byte of noise
        return burst;
    };
    EXPECT_EQ(PollStatus(port, 261, PollRead::Window), (Status{0x80, 0x0C}));
    EXPECT_EQ(script.reads.back(), 10u);  // the 10 bytes still owed
    EXPECT_EQ(script.discards, 1);
    EXPECT_TRUE(script.waiting.empty());
}

TEST_F(ProtocolTest, TwoByteReadPollReturnsAsSoonAsBothCame) {
    script.answer = [](const Bytes8&) { return Bytes8{0x80, 0x0C}; };
    EXPECT_EQ(PollStatus(port, 22, PollRead::TwoBytes), (Status{0x80, 0x0C}));
    EXPECT_EQ(script.reads, std::vector<std::size_t>{2});
}

TEST_F(ProtocolTest, RepliesAreTakenOnlyWhenWhole) {
    script.answer = [](const Bytes8& w) {
        switch (w[0]) {
            case kBaudRateCheck:
                return Bytes8{0xB0, 0xB0};  // two echoes are no echo
            case* BaudRateCode(115200):
                return Bytes8{0xB4};
            case kVersionRead:
                return Bytes8{'V', 'E', 'R', '.', '1', '.', '4', '8'};
            case kReadCheckData:
                return Bytes8{0x34, 0x12};
            default:
                return Bytes8{};
        }
    };
    EXPECT_FALSE(BaudRate(port, kBaudRateCheck, 10));
    EXPECT_EQ(script.reads.back(), 10u);
    EXPECT_TRUE(BaudRate(port, *BaudRateCode(115200), 1));
    EXPECT_EQ(script.reads.back(), 1u);
    EXPECT_EQ(ReadVersion(port), "VER.1.48");
    EXPECT_EQ(ReadCheckData(port), 0x1234);  // low byte first

    script.answer = [](const Bytes8&) { return Bytes8{'V', 'E', 'R', 0, 'x', 'x', 'x', 'x', '!'}; };
    EXPECT_EQ(ReadVersion(port), "");  // nine bytes are not a version
    script.answer = [](const Bytes8&) { return Bytes8{'V', 'E', 'R', 0, 'x', 'x', 'x', 'x'}; };
    EXPECT_EQ(ReadVersion(port), "VER");  // the text ends at its NUL
    script.answer = [](const Bytes8&) { return Bytes8{0x34}; };
    EXPECT_EQ(ReadCheckData(port), std::nullopt);
}

TEST_F(ProtocolTest, PageReadTakesTheWholePageInOneRead) {
    script.answer = [](const Bytes8&) { return Bytes8(256, 0xA5); };
    std::array<std::uint8_t, kPageBytes> page{};
    EXPECT_EQ(PageRead(port, 0xC000, page), 256u);
    EXPECT_EQ(script.writes.back(), (Bytes8{0xFF, 0xC0, 0x00}));
    EXPECT_EQ(script.reads, std::vector<std::size_t>{256});
    EXPECT_EQ(page[255], 0xA5);
}

}  // namespace
}  // namespace bramblet::testing
