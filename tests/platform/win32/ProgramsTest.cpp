// Programs started for a station, as real processes under Windows' rules.
#include <gtest/gtest.h>

#include "writer/platform/Programs.h"

namespace bramblet {
namespace {

TEST(ProgramsTest, OutputAndStatusComeBackAndNoBatchFileIsRun) {
    const std::unique_ptr<ProgramRunner> programs = SystemProgramRunner();
    const ProgramEnd printed = programs->Run({"cmd.exe", "/c", "echo 42"}, true);
    EXPECT_TRUE(printed.Succeeded()) << printed.error;
    EXPECT_EQ(printed.output, "42\r\n");

    const ProgramEnd failed = programs->Run({"cmd.exe", "/c", "exit 3"}, true);
    EXPECT_TRUE(failed.started);
    EXPECT_EQ(failed.status, 3);
    EXPECT_FALSE(failed.Succeeded());

    const ProgramEnd missing = programs->Run({"C:\\no\\such\\program.exe"}, true);
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.error.rfind("C:\\no\\such\\program.exe: ", 0), 0u) << missing.error;

    // cmd.exe would read a batch file's arguments as commands.
    const ProgramEnd batch = programs->Run({"C:\\mes\\book.CMD", "COM3&calc"}, false);
    EXPECT_FALSE(batch.started);
    EXPECT_NE(batch.error.find("batch file"), std::string::npos) << batch.error;
}

}  // namespace
}  // namespace bramblet
