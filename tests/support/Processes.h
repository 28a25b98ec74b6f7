#pragma once
// Child processes for end-to-end tests: bramblet-sim in the background, programs run to the end
// or watched as they run.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace bramblet::testing {

// A running bramblet-sim: the terminal path it printed; SIGTERM and a wait at the end.
class SimProcess {
public:
    // With `errorFile`, the simulator's standard error (its --verbose log) goes there.
    SimProcess(const std::string& program, std::vector<std::string> args,
               const std::string& errorFile = "") {
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (!errorFile.empty()) {
            posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') path_ += c;
        close(out[0]);
    }
    ~SimProcess() {
        if (pid_ > 0) Stop();
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& Path() const { return path_; }
    pid_t Pid() const { return pid_; }
    void Signal(int sig) { kill(pid_, sig); }
    // Ends the simulator at once, as a cable pulled out: no save, its terminal closed.
    void Kill() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    // Ends the simulator (which saves its flash when asked to) and returns its exit status.
    int Stop() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    std::string path_;
};

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
    std::chrono::microseconds cpu{0};  // user and system time the program used
    long maxRssKb = 0;                 // the most memory it held at once
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::string line;
        for (char c : out) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else if (c != '\r') {
                line += c;
            }
        }
        if (!line.empty()) lines.push_back(line);
        return lines;
    }
};

// A program running with standard input at its end and both outputs captured; a test can wait
// for a line of its standard output to act at that moment.
class ProgramRun {
public:
    explicit ProgramRun(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2], err[2];
        if (pipe(out) != 0) return;
        if (pipe(err) != 0) {
            close(out[0]);
            close(out[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
        if (spawned != 0) pid_ = -1;
    }
    ~ProgramRun() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            Finish();
        }
        if (out_ >= 0) close(out_);
        if (err_ >= 0) close(err_);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    void Signal(int sig) { kill(pid_, sig); }

    // Reads standard output up to a whole line equal to `line`; false when it ended first.
    bool WaitForLine(const std::string& line) {
        std::string current;
        char c;
        while (read(out_, &c, 1) == 1) {
            result_.out += c;
            if (c != '\n') {
                if (c != '\r') current += c;
            } else if (current == line) {
                return true;
            } else {
                current.clear();
            }
        }
        return false;
    }

    // Reads both outputs to their end and waits for the program.
    RunResult Finish() {
        if (pid_ <= 0) return result_;
        // Drain both pipes; stderr is small, so reading stdout first cannot stall the child for
        // long.
        char buffer[4096];
        ssize_t n;
        while ((n = read(out_, buffer, sizeof buffer)) > 0) result_.out.append(buffer, n);
        while ((n = read(err_, buffer, sizeof buffer)) > 0) result_.err.append(buffer, n);
        int status = 0;
        rusage usage{};
        wait4(pid_, &status, 0, &usage);
        pid_ = -1;
        result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        auto time = [](const timeval& t) {
            return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
        };
        result_.cpu = time(usage.ru_utime) + time(usage.ru_stime);
        result_.maxRssKb = usage.ru_maxrss;
        return result_;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    RunResult result_;
};

// Runs a program to its end with standard input at its end, capturing both outputs.
inline RunResult RunProgram(std::vector<std::string> args) {
    return ProgramRun(std::move(args)).Finish();
}

}  // namespace bramblet::testing
