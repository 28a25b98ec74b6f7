#pragma once
// What the benchmarks share: their write file and simulators run as programs.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace bramblet::bench {

// Starts `args`, its standard output on `out` where that is not -1.
inline pid_t Spawn(const std::vector<std::string>& args, int out) {
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// bramblet-sim on its own pseudo-terminal, published at `link`, from the moment it has printed
// its terminal until the end of the scope.
class Sim {
public:
    // `extra`: more options for it, an adapter for one.
    Sim(const char* program, const std::string& link, const std::vector<std::string>& extra = {}) {
        int out[2];
        if (pipe(out) != 0) return;
        std::vector<std::string> args = {program, "--link", link, "--no-publish"};
        args.insert(args.end(), extra.begin(), extra.end());
        pid_ = Spawn(args, out[1]);
        close(out[1]);
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') {
        }
        close(out[0]);
    }
    ~Sim() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

private:
    pid_t pid_ = -1;
};

// The write file: `size` bytes of data from `start` in S2 records of 32 bytes; below `codeFrom`
// every byte is 0xFF, as a linker fills the unused flash of an image.
inline std::string WriteBenchFile(const std::filesystem::path& name, std::uint32_t start,
                                  std::uint32_t size, std::uint32_t codeFrom = 0) {
    std::ofstream out(name, std::ios::binary);
    char line[80];
    for (std::uint32_t a = start; a < start + size; a += 32) {
        unsigned sum = 32 + 4 + (a >> 16) + ((a >> 8) & 0xFF) + (a & 0xFF);
        int n = std::snprintf(line, sizeof line, "S224%06X", a);
        for (int i = 0; i < 32; ++i) {
            const unsigned b = a + i < codeFrom ? 0xFF : (a + i * 7) & 0xFF;
            sum += b;
            n += std::snprintf(line + n, sizeof line - n, "%02X", b);
        }
        std::snprintf(line + n, sizeof line - n, "%02X\n", 0xFF - (sum & 0xFF));
        out << line;
    }
    return name.string();
}

}  // namespace bramblet::bench
