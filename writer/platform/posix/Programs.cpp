// Programs through posix_spawnp, their output through a pipe.
#include "writer/platform/Programs.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace bramblet {
namespace {

class PosixProgramRunner : public ProgramRunner {
public:
    explicit PosixProgramRunner(text::Lang lang) : lang_(lang) {}

    ProgramEnd Run(const std::vector<std::string>& argv, bool capture) override {
        ProgramEnd end;
        if (argv.empty()) {
            end.error = text::Say(text::Tx::ProgramNone, lang_);
            return end;
        }
        std::vector<std::string> copies = argv;
        std::vector<char*> args;
        for (std::string& a : copies) args.push_back(a.data());
        args.push_back(nullptr);

        // Close-on-exec, so that a program another board starts meanwhile does not hold the
        // pipe open and keep this one from seeing the end of the output.
        int out[2] = {-1, -1};
        if (capture && ::pipe2(out, O_CLOEXEC) != 0) {
            end.error = std::string("pipe: ") + std::strerror(errno);
            return end;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (capture) {
            posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        } else {
            posix_spawn_file_actions_adddup2(&actions, 2, 1);
        }
        // The program starts with the signals as a shell would give them, whatever ours are.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        pid_t pid = -1;
        const int spawned =
            ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (capture) ::close(out[1]);
        if (spawned != 0) {
            if (capture) ::close(out[0]);
            end.error = argv[0] + ": " + std::strerror(spawned);
            return end;
        }
        end.started = true;
        if (capture) {
            char buffer[512];
            for (;;) {
                const ssize_t n = ::read(out[0], buffer, sizeof buffer);
                if (n > 0) {
                    const std::size_t room = kProgramOutputLimit - end.output.size();
                    end.output.append(buffer, std::min(room, static_cast<std::size_t>(n)));
                } else if (n == 0 || errno != EINTR) {
                    break;
                }
            }
            ::close(out[0]);
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) {
                end.error = argv[0] + ": " + std::strerror(errno);
                return end;
            }
        }
        end.exited = WIFEXITED(status);
        end.status = end.exited ? WEXITSTATUS(status) : WTERMSIG(status);
        return end;
    }

private:
    text::Lang lang_;
};

}  // namespace

std::unique_ptr<ProgramRunner> SystemProgramRunner(text::Lang lang) {
    return std::make_unique<PosixProgramRunner>(lang);
}

}  // namespace bramblet
