// A write file the user may not read fails to open like a missing one. Tests run as root, who
// reads everything, so the pass runs in a child that has given up root first.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/RecordingSink.h"
#include "tests/support/RecordingView.h"
#include "tests/support/SRecords.h"
#include "tests/support/TempDir.h"
#include "writer/core/WriteFile.h"

namespace bramblet::testing {
namespace {

TEST(UnreadableFileTest, FileWithoutReadPermissionCannotBeOpened) {
    TempDir dir;
    const std::string name = dir.Write("locked.mot", SRecords('1', 0xC000, 16));
    ASSERT_EQ(chmod(name.c_str(), 0), 0);
    // The folder must let the other user reach the file, so that only the file's mode refuses.
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        RecordingView view;
        RecordingSink sink;
        const std::int32_t result = StreamSFormatFile(view, sink, name, kCheckMode, 0).count;
        const bool refused =
            result == -1 && view.LastStatus() == "Sフォーマットファイルを読み込めません！";
        _exit(refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace bramblet::testing
