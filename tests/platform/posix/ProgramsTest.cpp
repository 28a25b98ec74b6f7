// Programs started for a station, as real processes.
#include <gtest/gtest.h>

#include "writer/platform/Programs.h"

namespace bramblet {
namespace {

ProgramEnd Shell(const std::string& script, std::vector<std::string> args = {}) {
    std::vector<std::string> argv = {"sh", "-c", script, "sh"};
    argv.insert(argv.end(), args.begin(), args.end());
    return SystemProgramRunner()->Run(argv, true);
}

TEST(ProgramsTest, OutputStatusAndArgumentsComeBackAsTheProgramLeftThem) {
    const ProgramEnd printed = Shell("printf '%s|' \"$@\"; exit 3", {"a b", "$(touch x);y", ""});
    EXPECT_TRUE(printed.started);
    EXPECT_TRUE(printed.exited);
    EXPECT_EQ(printed.status, 3);
    EXPECT_FALSE(printed.Succeeded());
    EXPECT_EQ(printed.output, "a b|$(touch x);y||");

    // Its standard input is empty, not ours.
    EXPECT_EQ(Shell("cat; echo end").output, "end\n");

    const ProgramEnd killed = Shell("kill -9 $$");
    EXPECT_TRUE(killed.started);
    EXPECT_FALSE(killed.exited);
    EXPECT_EQ(killed.status, 9);

    // Far more output than is kept: read to the end, so the program is not left blocked.
    const ProgramEnd flood = Shell("head -c 1000000 /dev/zero");
    EXPECT_TRUE(flood.Succeeded());
    EXPECT_EQ(flood.output.size(), kProgramOutputLimit);

    const ProgramEnd missing = SystemProgramRunner()->Run({"/no/such/program"}, true);
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.error, "/no/such/program: No such file or directory");
    EXPECT_FALSE(missing.Succeeded());
}

}  // namespace
}  // namespace bramblet
