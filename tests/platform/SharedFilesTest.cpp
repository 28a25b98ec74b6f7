// The shared files under several writers at once: threads here, each with its own descriptors
// or handles, as separate processes would have.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "tests/support/TempDir.h"
#include "writer/platform/SharedFiles.h"

namespace bramblet {
namespace {

std::string Contents(const std::string& name) {
    std::ifstream in(testing::TempDir::Utf8(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SharedFilesTest, LockedUpdatesNeverSeeTheSameContents) {
    testing::TempDir dir;
    const std::string counter = dir.Write("カウンタ.txt", "0\n");
    std::vector<std::vector<int>> seen(4);
    std::vector<std::thread> threads;
    for (auto& mine : seen) {
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                std::string error;
                const UpdateResult result = UpdateLockedFile(
                    counter,
                    [&](const std::string& text) -> std::optional<std::string> {
                        const int n = std::stoi(text);
                        mine.push_back(n);
                        return std::to_string(n + 1) + "\n";
                    },
                    error);
                ASSERT_EQ(result, UpdateResult::Replaced) << error;
            }
        });
    }
    for (auto& t : threads) t.join();
    std::set<int> all;
    for (const auto& mine : seen) all.insert(mine.begin(), mine.end());
    EXPECT_EQ(all.size(), 100u);
    EXPECT_EQ(Contents(counter), "100\n");

    std::string error;
    EXPECT_EQ(UpdateLockedFile(
                  counter, [](const std::string&) { return std::nullopt; }, error),
              UpdateResult::Left);
    EXPECT_EQ(Contents(counter), "100\n");
    const std::string missing = dir.Name("missing.txt");
    EXPECT_EQ(UpdateLockedFile(
                  missing, [](const std::string&) { return "1"; }, error),
              UpdateResult::Failed);
    EXPECT_NE(error.find("missing.txt"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(testing::TempDir::Utf8(missing + ".lock")));
}

TEST(SharedFilesTest, AppendedLinesStayWhole) {
    testing::TempDir dir;
    const std::string log = dir.Name("run.log");
    std::vector<std::thread> threads;
    for (char c : {'a', 'b', 'c'}) {
        threads.emplace_back([&, c] {
            std::string error;
            const auto file = OpenAppendFile(log, error);
            ASSERT_TRUE(file) << error;
            for (int i = 0; i < 200; ++i) {
                ASSERT_TRUE(file->Append(std::string(300, c) + "\n", error)) << error;
            }
        });
    }
    for (auto& t : threads) t.join();
    std::istringstream lines(Contents(log));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        ASSERT_EQ(line.size(), 300u);
        ASSERT_EQ(line.find_first_not_of(line[0]), std::string::npos) << line;
    }
    EXPECT_EQ(count, 600);

    std::string error;
    EXPECT_FALSE(OpenAppendFile(dir.Name("no/such/folder.log"), error));
    EXPECT_NE(error.find("folder.log"), std::string::npos);
}

}  // namespace
}  // namespace bramblet
