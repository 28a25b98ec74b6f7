// A reply that did not come through a slow adapter: when the adapter is named, and that every
// command's failure then ends its explanation and its result the same way.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "writer/cli/Explain.h"
#include "writer/cli/Report.h"
#include "writer/core/Steps.h"
#include "writer/platform/PortList.h"

namespace bramblet {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

TEST(SlowAdapter, NamedOnlyWhenTheAdapterHoldsRepliesLongerThanUsual) {
    struct Case {
        std::optional<milliseconds> timer;  // as read from the port
        milliseconds allowance;             // as given, or the timer read
        bool lost;
        std::optional<SlowAdapter> named;
    };
    const Case cases[] = {
        {16ms, 16ms, false, std::nullopt},  // FTDI's default: the usual cost, no suspect
        {17ms, 17ms, false, SlowAdapter{17ms, 17ms}},
        {std::nullopt, 64ms, false, SlowAdapter{64ms, 64ms}},  // only given
        {std::nullopt, 0ms, false, std::nullopt},              // nothing known
        // The timer read is what the adapter does, whatever was given for it.
        {1ms, 64ms, false, std::nullopt},
        {32ms, 0ms, false, SlowAdapter{32ms, 0ms}},
        {64ms, 64ms, true, std::nullopt},  // a port that went away says so itself
    };
    for (const Case& c : cases) {
        Outcome outcome;
        if (c.lost) outcome.lost = PortLoss{PortLoss::Kind::Gone, ""};
        outcome.NoReply(c.timer, c.allowance);
        EXPECT_EQ(outcome.slowAdapter, c.named)
            << (c.timer ? c.timer->count() : -1) << " " << c.allowance.count();
    }
}

// Standard error of one board, read back.
class Stderr {
public:
    Stderr() : file_(std::tmpfile()), console_(file_, file_), view_(console_, "") {}
    ~Stderr() { std::fclose(file_); }
    CliView& View() { return view_; }
    std::string Text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string text;
        char chunk[512];
        while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, file_)) {
            text.append(chunk, n);
        }
        return text;
    }

private:
    std::FILE* file_;
    Console console_;
    CliView view_;
};

TEST(SlowAdapter, EveryStepWithoutItsReplyEndsWithTheSameAdvice) {
    Outcome connect;
    connect.failed = Step::Connect;
    Outcome program;
    program.failed = Step::Program;
    program.page = 0xC000;
    Outcome verify;
    verify.failed = Step::Verify;
    verify.page = 0xC000;
    verify.mismatch = Mismatch{0xC000, 0x12, std::nullopt};
    Outcome bySum;
    bySum.failed = Step::Verify;
    bySum.detail = "the chip sent no check data";
    Outcome rate;
    rate.failed = Step::BaudRate;
    rate.detail = "the chip did not echo the baud-rate command B4";
    Outcome read;  // read and blank-check say their own reason before the explanation
    read.failed = Step::Read;
    read.page = 0x4000;

    const std::string port = "ttyUSB0";
    const std::string remedy = LatencyRemedy(port);
    const std::string words = "no reply came through an adapter whose latency timer is 32 ms";
    for (Outcome* outcome : {&connect, &program, &verify, &bySum, &rate, &read}) {
        const std::string id = StepOf(outcome->failed).id;
        const std::string before = outcome->detail;
        for (const milliseconds allowance : {0ms, 32ms}) {
            outcome->slowAdapter = SlowAdapter{32ms, allowance};
            Stderr err;
            ExplainFailure(err.View(), port, *outcome);
            const std::string advice = "bramblet-cli: " + words + "; lower it: " + remedy +
                                       (allowance == 0ms ? ", or pass --latency 32" : "") + "\n";
            const std::string text = err.Text();
            ASSERT_GE(text.size(), advice.size()) << id;
            EXPECT_EQ(text.substr(text.size() - advice.size()), advice) << id;
            // Said once: the step's own line keeps to the step.
            EXPECT_EQ(text.find(words), text.size() - advice.size() + 14) << id << text;

            BoardReport report;
            report.port = port;
            report.outcome = *outcome;
            const std::string detail = before.empty() ? words : before + "; " + words;
            EXPECT_NE(ResultLine(report).find("\"detail\":\"" + detail + "\""), std::string::npos)
                << id << ResultLine(report);
        }
        // Without a slow adapter the explanation does not speak of one.
        outcome->slowAdapter.reset();
        Stderr err;
        ExplainFailure(err.View(), port, *outcome);
        EXPECT_EQ(err.Text().find("latency"), std::string::npos) << id;
    }
}

// Each kind of explanation, byte for byte, in the language the user chose; English is what the
// command line has always said.
TEST(Explanation, SaysWhereAndWhatInEitherLanguage) {
    Outcome stopped;
    stopped.failed = Step::Erase;
    stopped.lost = PortLoss{PortLoss::Kind::Stopped, ""};
    stopped.page = 0x4000;
    Outcome mismatch;
    mismatch.failed = Step::Verify;
    mismatch.page = 0xC000;
    mismatch.mismatch = Mismatch{0xC012, 0x34, std::uint8_t{0x12}};
    Outcome silent;
    silent.failed = Step::Verify;
    silent.mismatch = Mismatch{0xC0FF, 0x34, std::nullopt};
    Outcome refused;
    refused.failed = Step::Erase;
    refused.status = protocol::Status{0xA0, 0x0E};
    Outcome unpolled;
    unpolled.failed = Step::Program;
    unpolled.page = 0x4000;
    Outcome gone;
    gone.failed = Step::Connect;
    gone.lost = PortLoss{PortLoss::Kind::Gone, ""};
    struct Case {
        const Outcome* outcome;
        const char* en;
        const char* ja;
    };
    const Case cases[] = {
        {&stopped, "stopped during the erase, at page 004000",
         "消去の途中で中止しました (ページ 004000)"},
        {&mismatch, "page 00C000: byte 00C012 is 12, expected 34",
         "ページ 00C000: バイト 00C012 が 12 です (期待値 34)"},
        {&silent, "verify: no byte came for 00C0FF", "ベリファイ: 00C0FF のバイトが届きません"},
        {&refused, "erase: SRD A0 SRD1 0E (ready, erase error, receive time-out)",
         "消去: SRD A0 SRD1 0E (レディ、消去エラー、受信タイムアウト)"},
        {&unpolled, "page 004000: the chip did not answer the status poll",
         "ページ 004000: チップがステータスの問い合わせに応答しません"},
        {&gone, "connection: the port's device has gone", "接続: ポートのデバイスがなくなりました"},
    };
    for (const Case& c : cases) {
        Stderr en;
        ExplainFailure(en.View(), "ttyUSB0", *c.outcome);
        EXPECT_EQ(en.Text(), std::string("bramblet-cli: ") + c.en + "\n");
        Stderr ja;
        ExplainFailure(ja.View(), "ttyUSB0", *c.outcome, text::Lang::Ja);
        EXPECT_EQ(ja.Text(), std::string("bramblet-cli: ") + c.ja + "\n");
    }
}

TEST(SlowAdapter, TheAdviceAndTheResultsDetailFollowTheLanguage) {
    Outcome connect;
    connect.failed = Step::Connect;
    connect.slowAdapter = SlowAdapter{32ms, 0ms};
    Stderr err;
    ExplainFailure(err.View(), "ttyUSB0", connect, text::Lang::Ja);
    EXPECT_EQ(err.Text(),
              "bramblet-cli: 遅延タイマが 32 ms のアダプタを通して応答が届きませんでした。"
              "タイマを下げてください: " +
                  LatencyRemedy("ttyUSB0", text::Lang::Ja) +
                  "。または --latency 32 を指定してください\n");
    BoardReport report;
    report.outcome = connect;
    report.language = text::Lang::Ja;
    EXPECT_NE(ResultLine(report).find(
                  "\"detail\":\"遅延タイマが 32 ms のアダプタを通して応答が届きませんでした\""),
              std::string::npos)
        << ResultLine(report);
    // The keys and the step's id stay as programs read them.
    EXPECT_NE(ResultLine(report).find("\"step\":\"connect\""), std::string::npos);
}

}  // namespace
}  // namespace bramblet
