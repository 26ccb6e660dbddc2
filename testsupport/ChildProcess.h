#pragma once
// A program started by a test, its first line of output read, stopped when the test ends.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace orb::testing {

// What a command printed (stdout and stderr together), how it exited and how long it took.
struct Outcome {
    int status = -1;  // the exit code; -1 when it did not exit normally
    std::string output;
    double seconds = 0;
};

inline Outcome runCommand(const std::string& command) {
    Outcome r;
    const auto start = std::chrono::steady_clock::now();
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.output.append(buffer, n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
}

// Exit code, peak resident memory and processor time of a program run to its end, its stderr
// dropped. The processor time, unlike the wall-clock time, hardly depends on the machine's load.
struct Measured {
    int status = -1;  // -1 when it did not exit normally
    double peakMb = 0;
    double seconds = 0;
    double cpuSeconds = 0;  // user and system
};

inline Measured runMeasured(std::vector<std::string> argv) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        if (!std::freopen("/dev/null", "w", stderr)) ::_exit(126);
        std::vector<char*> args;
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, static_cast<double>(usage.ru_maxrss) / 1024.0,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

class ChildProcess {
  public:
    explicit ChildProcess(std::vector<std::string> argv) {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> args;
            for (std::string& a : argv) args.push_back(a.data());
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::close(out[1]);
        stdout_ = ::fdopen(out[0], "r");
        char line[512] = {};
        if (stdout_ && std::fgets(line, sizeof line, stdout_)) firstLine_ = line;
    }
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    const std::string& firstLine() const { return firstLine_; }
    pid_t pid() const { return pid_; }
    // The port at the end of "... HOST:PORT".
    int port() const { return std::atoi(firstLine_.substr(firstLine_.rfind(':') + 1).c_str()); }

    // Waits for it to end by itself; the exit code, or -1 (killed after 30 s so that a test fails
    // rather than hangs).
    int wait() { return reap(3000); }

    // Sends the signal and waits; the exit code, or -1 when it did not exit normally (or was gone).
    // A program still running after 5 s is killed, so that a test fails rather than hangs.
    int stop(int signal = SIGTERM) {
        int code = -1;
        if (pid_ > 0) {
            ::kill(pid_, signal);
            code = reap(500);
        }
        if (stdout_) std::fclose(stdout_);
        stdout_ = nullptr;
        return code;
    }

  private:
    // Waits up to `ticks` of 10 ms for the program to end, then kills it; its exit code or -1.
    int reap(int ticks) {
        int code = -1, status = 0;
        pid_t r = 0;
        for (int i = 0; i < ticks && (r = ::waitpid(pid_, &status, WNOHANG)) == 0; ++i) ::usleep(10 * 1000);
        if (r == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        } else if (r == pid_ && WIFEXITED(status)) {
            code = WEXITSTATUS(status);
        }
        pid_ = -1;
        return code;
    }

    pid_t pid_ = -1;
    FILE* stdout_ = nullptr;
    std::string firstLine_;
};

}  // namespace orb::testing
