// A line that goes while an operation runs (an adapter pulled out, a board switched off), over
// the virtual line: the step under way ends at the moment the line went, with its own text, and
// the port is closed.
#include "tests/support/LinkFixture.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"

namespace bramblet::testing {
namespace {

using Beeps = std::vector<std::uint32_t>;

class VanishedLineTest : public LinkFixture {
protected:
    // The line goes `after` the moment the window shows `status`.
    void UnplugAfter(const std::string& status, sim::Time after) {
        view.onStatus = [this, status, after](const std::string& text) {
            if (text != status || unplugAt) return;
            unplugAt = Link().Now() + after;
            Link().UnplugAt(*unplugAt);
        };
    }
    // The operation ended when the line went, sent nothing after it and closed the port.
    void ExpectEndedWhenTheLineWent(const Outcome& outcome) {
        ASSERT_TRUE(unplugAt);
        EXPECT_EQ(outcome.lost.kind, PortLoss::Kind::Gone);
        EXPECT_EQ(Link().Now(), *unplugAt);
        for (const auto& frame : Link().Frames()) EXPECT_LT(frame.at, *unplugAt);
        EXPECT_FALSE(Link().PortOpen());
    }

    std::optional<sim::Time> unplugAt;
    TempDir dir;
};

TEST_F(VanishedLineTest, EachStepEndsWithItsOwnText) {
    struct Case {
        const char* what;
        std::function<Outcome(Session&, const Target&)> run;
        std::string status;  // the line goes this long after it
        sim::Time after;
        std::string text;
        Step step;
        bool beeps;  // the failure beep, or none as for a failed pass of the write
        std::optional<std::uint32_t> page;
    };
    const auto write = [](Session& w, const Target& t) { return w.WriteSequence(t); };
    const auto erase = [](Session& w, const Target& t) { return w.EraseSequence(t); };
    const auto verify = [](Session& w, const Target& t) { return w.VerifySequence(t); };
    const std::vector<Case> cases = {
        // Inside the 430 ms read of stale input.
        {"connection", write, kConnecting, 100ms, kNoAnswer, Step::Connect, true, {}},
        // An erase of hours: a chip that is there but busy would keep the poll going a minute.
        {"erase in the write", write, kErasing, 1s, kCannotErase, Step::Erase, true, {}},
        {"erase", erase, kErasing, 1s, kCannotErase, Step::Erase, true, {}},
        // A page takes a 230 ms poll, its bytes going out meanwhile: the second is under way.
        {"program", write, kProgramming, 350ms, kProgramFailed, Step::Program, false, 0xC100},
        // A page read back takes 135 ms: the second page is under way.
        {"verify in the write", write, kVerifying, 200ms, kVerifyFailed, Step::Verify, false,
         0xC100},
        {"verify", verify, kVerifying, 200ms, kVerifyFailed + " ", Step::Verify, true, 0xC100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::ChipConfig config;
        if (c.status == kErasing) config.blockEraseTime = std::chrono::hours(1);
        Chip(config);
        Link().Target().Load(0xC000, Bytes(0xC000, 0x400));  // for the verify button
        view = {};
        view.fileName = dir.Write("prog.mot", SRecords('1', 0xC000, 0x400));
        unplugAt.reset();
        UnplugAfter(c.status, c.after);

        const Outcome outcome = c.run(W(), T());
        EXPECT_EQ(view.LastStatus(), c.text);
        EXPECT_EQ(outcome.text, c.text);
        EXPECT_EQ(outcome.failed, c.step);
        EXPECT_EQ(view.beeps, c.beeps ? Beeps{kBeepFailure} : Beeps{});
        EXPECT_EQ(outcome.page, c.page);
        EXPECT_EQ(outcome.status, std::nullopt);
        ExpectEndedWhenTheLineWent(outcome);

        // The device is not there for the next press of a button either.
        view.onStatus = nullptr;
        const Outcome again = c.run(W(), T());
        EXPECT_EQ(again.failed, Step::OpenPort);
        EXPECT_EQ(again.openError, OpenError::NotFound);
    }
}

TEST_F(VanishedLineTest, LineGoneDuringTheUnlockIsAFailedConnectionAndAsksForNoCode) {
    const sim::IdCode code = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    // Gone right after the erased code was sent, and right after the ID file's: either way the
    // unlock stops there, with the connection's text rather than "ID照合不一致", and the dialog
    // that would ask the user for the code is never shown.
    for (const std::string& status : {kIdAllFF, kIdFile}) {
        SCOPED_TRACE(status);
        Chip(Protected(sim::Family::R8C, code));
        view = {};
        view.fileName = dir.Write("prog.mot", SRecords('1', 0xC000, 0x10));
        view.dialog = [&](const std::string&) { return IdCodeAnswer{code, "R8C"}; };
        unplugAt.reset();
        UnplugAfter(status, 1ms);

        const Outcome outcome = W().WriteSequence(T());
        EXPECT_EQ(view.dialogShown, 0);
        EXPECT_EQ(view.statuses.back(), kNoAnswer);
        EXPECT_EQ(view.statuses[view.statuses.size() - 2], status);
        EXPECT_EQ(outcome.failed, Step::Connect);
        EXPECT_EQ(view.beeps, Beeps{kBeepFailure});
        EXPECT_EQ(Count(0xA7), 0);
        ExpectEndedWhenTheLineWent(outcome);
    }
}

TEST_F(VanishedLineTest, LineGoneWhileMovingToAnotherRateIsAFailedConnection) {
    // When the writer sends the code that moves the chip to 115200 baud.
    sim::Time moved{};
    {
        sim::VirtualLink rehearsal;
        RecordingView quiet;
        quiet.fileName = dir.Write("prog.mot", SRecords('1', 0xC000, 0x10));
        Session w(rehearsal.Opener(), quiet, quiet);
        ASSERT_TRUE(w.WriteSequence(quiet.ToTarget({115200})).Succeeded());
        for (const auto& frame : rehearsal.Frames()) {
            if (frame.bytes == Bytes8{*BaudRateCode(115200)}) moved = frame.at;
        }
        ASSERT_GT(moved, sim::Time{0});
    }
    view.fileName = dir.Name("prog.mot");
    linkOptions.baud = 115200;
    unplugAt = moved + 1ms;  // while the echo is awaited
    Link().UnplugAt(*unplugAt);
    const Outcome outcome = W().WriteSequence(T());
    EXPECT_EQ(view.LastStatus(), kNoAnswer);
    EXPECT_EQ(outcome.failed, Step::Connect);
    ExpectEndedWhenTheLineWent(outcome);
}

}  // namespace
}  // namespace bramblet::testing
