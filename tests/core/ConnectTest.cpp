// The connection to the boot program, checked on the bytes of the line and in virtual time.
#include "tests/support/LinkFixture.h"
#include "tests/support/ScriptedPort.h"

namespace bramblet::testing {
namespace {

const Bytes8 kZero = {0x00};
const Bytes8 kBaudCheck = {0xB0};
const Bytes8 kStatus = {0x70};
const Bytes8 kClear = {0x50};

class ConnectTest : public LinkFixture {
protected:
    // Frames of a normal-link connection: `zeros` synchronisation bytes, then the rest.
    std::vector<Bytes8> Expected(int zeros, std::vector<Bytes8> rest) {
        std::vector<Bytes8> frames(static_cast<std::size_t>(zeros), kZero);
        frames.insert(frames.end(), rest.begin(), rest.end());
        return frames;
    }
    // A chip that hears nothing: its UART runs at another rate.
    static sim::ChipConfig Deaf() {
        sim::ChipConfig config;
        config.fixedBaud = 9600;
        return config;
    }
};

TEST_F(ConnectTest, HealthyChipNeedsAllSeventeenZerosThenBaudCheckAndStatus) {
    const int result = W().ConnectBootMode(T()).Word();
    EXPECT_EQ(result, 0x8000);  // ready, ID not checked yet
    EXPECT_EQ(Frames(), Expected(17, {kBaudCheck, kStatus}));
    EXPECT_EQ(Link().Baud(), 19200u);
    ASSERT_NE(W().CommHandle(), nullptr);

    // 430 ms discard, 17 x 34 ms, the echo read waits its whole 70 ms window (one byte of ten),
    // then the status: 0x70 out, two bytes back, and a second read that waits out 38 ms.
    const sim::Time byte = sim::ByteTime(19200);
    EXPECT_EQ(Link().Now(), 430ms + 17 * 34ms + 70ms + 3 * byte + 38ms);
    const auto& reads = Link().Reads();
    ASSERT_EQ(reads.size(), 1u + 17u + 1u + 2u);
    EXPECT_EQ(reads[0].requested, 100u);
    EXPECT_EQ(reads[18].requested, 10u);
    EXPECT_EQ(reads[18].got, 1u);
    EXPECT_EQ(reads[19].end - reads[19].start, 3 * byte);  // returns at the second byte
}

TEST_F(ConnectTest, SynchronisationStopsAtTheFirstAnswer) {
    for (int k : {1, 2, 16, 17}) {
        sim::ChipConfig config;
        config.faults.syncAnswerAfter = k;
        config.faults.syncAnswer = {0x5A};  // its value is not examined
        Chip(config);
        EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0x8000) << k;
        EXPECT_EQ(Frames(), Expected(k, {kBaudCheck, kStatus})) << k;
    }
}

TEST_F(ConnectTest, SilentTargetTakesAboutOnePointOneSecondAndLeavesThePortOpen) {
    Chip(Deaf());
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0);
    // Seventeen zeros, the Baud Rate Check and nothing more: no status read, no clear.
    EXPECT_EQ(Frames(), Expected(17, {kBaudCheck}));
    EXPECT_EQ(Link().Now(), 430ms + 17 * 34ms + 70ms);
    EXPECT_TRUE(Link().PortOpen());
    EXPECT_NE(W().CommHandle(), nullptr);

    // The caller closes it and the next attempt opens the same port again.
    W().CloseCommHandle();
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0);
    EXPECT_EQ(Link().Opens(), 2);
}

TEST_F(ConnectTest, BaudRateCheckWantsExactlyOneEcho) {
    const std::vector<Bytes8> wrongEchoes = {{}, {0xB0, 0xB0}, {0x00}, {0xB1}, {0x4F, 0xB0}};
    for (const Bytes8& echo : wrongEchoes) {
        sim::ChipConfig config;
        config.faults.baudEcho = echo;
        Chip(config);
        EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0) << echo.size();
        EXPECT_EQ(Frames(), Expected(17, {kBaudCheck})) << echo.size();
    }
}

TEST_F(ConnectTest, GarbageAfterSynchronisationSpoilsTheEcho) {
    sim::ChipConfig config;
    config.faults.syncAnswerAfter = 3;
    config.faults.syncAnswer = {0x3C, 0x5A, 0xE1};  // the rest lands in the echo read
    Chip(config);
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0);
    EXPECT_EQ(Frames(), Expected(3, {kBaudCheck}));
}

TEST_F(ConnectTest, StaleInputIsDiscardedBeforeSynchronising) {
    sim::ChipConfig config;
    config.faults.powerOnNoise = {0x12, 0x34, 0x56};
    Chip(config);
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0x8000);
    EXPECT_EQ(Frames(), Expected(17, {kBaudCheck, kStatus}));  // no zero was answered by noise
    EXPECT_EQ(Link().Reads()[0].got, 3u);
}

TEST_F(ConnectTest, CommandEchoAloneIsNoAnswerOnTheNormalLink) {
    sim::ChipConfig config;
    config.faults.loopBack = true;  // every byte comes straight back
    Chip(config);
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0);
    EXPECT_EQ(Frames(), Expected(1, {kBaudCheck, kStatus}));
}

TEST_F(ConnectTest, CommandEchoOnTheModePinLinkIsAStatusWithErrorFlags) {
    sim::ChipConfig config;
    config.faults.loopBack = true;
    Chip(config);
    view.modePin = true;
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0x3000);   // 0x70 0x00: error flags, not ready
    EXPECT_EQ(Frames(), std::vector<Bytes8>({kStatus}));  // and therefore no Clear Status
    EXPECT_EQ(Link().Baud(), 38400u);
}

TEST_F(ConnectTest, ShortStatusReplies) {
    sim::ChipConfig config;
    config.faults.statusReplyLength = 1;  // SRD alone: the missing SRD1 counts as 0x00
    Chip(config);
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0x8000);

    config.faults.statusReplyLength = 0;
    Chip(config);
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0);
    EXPECT_EQ(Frames(), Expected(17, {kBaudCheck, kStatus}));
}

TEST_F(ConnectTest, ErrorFlagsAreClearedOnceAndStillReported) {
    Link().Target().HostSends(0x33, 0ns);  // not a command: sets SRD bits 5 and 4
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0xB000);
    EXPECT_EQ(Frames(), Expected(17, {kBaudCheck, kStatus, kClear}));
    EXPECT_EQ(Link().Target().Srd(), 0x80);

    // The next connection finds the flags gone and sends no clear.
    W().CloseCommHandle();
    Link().ClearLog();
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0x8000);
    EXPECT_EQ(Count(0x50), 0);
}

TEST_F(ConnectTest, ClearStatusGoesToAReadyChipWithEitherErrorFlag) {
    struct Case {
        std::uint8_t srd;
        bool cleared;
    };
    for (const Case c : {Case{0x80, false}, Case{0x90, true}, Case{0xA0, true}, Case{0xB0, true},
                         Case{0x30, false}, Case{0xCF, false}}) {
        Script script;
        script.answer = [&](const Bytes8& w) {
            if (w[0] == 0x00 || w[0] == 0xB0) return Bytes8{w[0]};
            if (w[0] == 0x70) return Bytes8{c.srd, 0x00};
            return Bytes8{};
        };
        ScriptedPorts ports(script);
        Session session(ports, view, view);
        EXPECT_EQ(session.ConnectBootMode(T()).Word(), (c.srd * 256) & 0xB000) << int{c.srd};
        EXPECT_EQ(script.Count(0x50), c.cleared ? 1 : 0) << int{c.srd};
        EXPECT_EQ(script.writes.back()[0], c.cleared ? 0x50 : 0x70) << int{c.srd};
    }
}

TEST_F(ConnectTest, ChipVerifiedAtOnceWhenBlank) {
    sim::ChipConfig config;
    config.verifiedWhenBlank = true;
    Chip(config);
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0x800C);
    EXPECT_EQ(Count(0x50), 0);
}

TEST_F(ConnectTest, ModePinLinkOnlyForR8CExactly) {
    struct Case {
        const char* family;
        bool modePin;
        std::uint32_t baud;
        bool modePinLink;
    };
    const Case cases[] = {{"R8C", true, 38400, true},   {"R8C", false, 19200, false},
                          {"R8CM", true, 19200, false}, {"M16C", true, 19200, false},
                          {"M32C", true, 19200, false}, {"r8c", true, 19200, false}};
    for (const Case& c : cases) {
        Chip({});
        view.cpuFamily = c.family;
        view.modePin = c.modePin;
        EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0x8000) << c.family;
        EXPECT_EQ(Link().Baud(), c.baud) << c.family;
        EXPECT_EQ(Frames(), c.modePinLink ? std::vector<Bytes8>{kStatus}
                                          : Expected(17, {kBaudCheck, kStatus}))
            << c.family;
    }
}

TEST_F(ConnectTest, ModePinChipAnswersOnlyAtItsOwnRate) {
    sim::ChipConfig config;
    config.fixedBaud = 38400;
    Chip(config);
    view.modePin = false;
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0);

    W().CloseCommHandle();
    view.modePin = true;
    // The tail of the 0xB0 sent at 19200 reached its UART as 0xFE, an unknown command: the
    // status shows the error flags, and the connection clears them.
    EXPECT_EQ(W().ConnectBootMode(T()).Word(), 0xB000);
    EXPECT_EQ(Link().Frames().back().bytes, kClear);
    // 430 ms discard, then one status exchange at 38400.
    const sim::Time start = Link().Reads()[Link().Reads().size() - 3].start;
    EXPECT_EQ(Link().Now() - start, 430ms + 3 * sim::ByteTime(38400) + 38ms);
}

TEST_F(ConnectTest, PortThatCannotBeOpenedSaysWhyAndLeavesNoHandle) {
    Link().SetPortMissing(true);
    const Connection missing = W().ConnectBootMode(T());
    EXPECT_EQ(missing.What(), Connection::Kind::NotOpened);
    EXPECT_EQ(missing.OpenFailure(), OpenError::NotFound);
    EXPECT_EQ(missing.Detail(), "COM1: no such port");
    EXPECT_EQ(missing.Word(), 0);
    EXPECT_EQ(W().CommHandle(), nullptr);
    EXPECT_TRUE(Frames().empty());

    Link().SetPortMissing(false);
    view.portName = "";  // the bare device prefix opens nothing
    EXPECT_EQ(W().ConnectBootMode(T()).What(), Connection::Kind::NotOpened);
    view.portName = "COM12";
    const Connection answered = W().ConnectBootMode(T());
    EXPECT_EQ(answered.What(), Connection::Kind::Answered);
    EXPECT_EQ(answered.Word(), 0x8000);
    EXPECT_EQ(answered.Detail(), "");
    EXPECT_EQ(Link().LastPortName(), "COM12");

    // Lines asked of a port without them end the connection before anything is sent.
    Link().SetModemLines(false);
    linkOptions.before = ParseLineSequence("rts=1").value();
    const std::size_t sent = Frames().size();
    const Connection refused = W().ConnectBootMode(T());
    EXPECT_EQ(refused.What(), Connection::Kind::LinesRefused);
    EXPECT_EQ(refused.Detail(),
              "cannot drive RTS on COM12, a port without modem lines: no modem lines");
    EXPECT_EQ(refused.Word(), 0);
    EXPECT_EQ(Frames().size(), sent);
}

}  // namespace
}  // namespace bramblet::testing
