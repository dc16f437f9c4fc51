#pragma once

// Runs beatwright-cli as a separate process with a time limit, measuring its wall time and
// peak memory, optionally sending it a signal part-way.

#include "tests/support/test_paths.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bw::testing {

struct CliResult
{
    int exitCode = -1;     // when it exited
    int signal = 0;        // when a signal ended it
    bool killed = false;   // it passed the time limit and was killed
    double seconds = 0;    // wall time
    double cpuSeconds = 0; // user and system time: what the program itself cost
    long peakKiB = 0;
    std::string err; // standard error

    bool exited(int code) const { return !killed && signal == 0 && exitCode == code; }
};

/// Runs BW_CLI_PATH with args in folder dir. signalToSend (when not 0) goes to the program
/// after signalAfter; after limit it is killed.
inline CliResult runCli(const std::vector<std::string>& args,
                        const std::string& dir,
                        std::chrono::duration<double> limit = std::chrono::seconds(60),
                        int signalToSend = 0,
                        std::chrono::duration<double> signalAfter = std::chrono::seconds(0))
{
    CliResult r;
    const std::string errPath = dir + "/.cli-stderr";
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) {
            ::_exit(126);
        }
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int null = ::open("/dev/null", O_WRONLY);
        if (err < 0 || null < 0) {
            ::_exit(126);
        }
        ::dup2(err, 2);
        ::dup2(null, 1);
        std::vector<char*> argv;
        std::string exe = BW_CLI_PATH;
        argv.push_back(exe.data());
        std::vector<std::string> copies = args;
        for (auto& a : copies) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    bool signalled = signalToSend == 0;
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) {
            break;
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (!signalled && elapsed >= signalAfter) {
            ::kill(pid, signalToSend);
            signalled = true;
        }
        if (!r.killed && elapsed >= limit) {
            ::kill(pid, SIGKILL);
            r.killed = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakKiB = usage.ru_maxrss;
    const auto toSeconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    r.cpuSeconds = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    if (WIFEXITED(status)) {
        r.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
    }
    if (std::FILE* f = std::fopen(errPath.c_str(), "rb")) {
        char buf[4096];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
            r.err.append(buf, n);
        }
        std::fclose(f);
    }
    ::unlink(errPath.c_str());
    return r;
}

/// How much slower this build runs than an optimised one, for time limits: sanitizers and
/// unoptimised code take several times as long.
inline double buildSlowness()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return 8.0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return 8.0;
#endif
#endif
#ifdef NDEBUG
    return 1.0;
#else
    return 4.0;
#endif
}

/// What a command line run through the shell gave: its exit status and both outputs.
struct CliRun
{
    int status = -1; // the exit code, -1 when a signal ended it
    std::string out;
    std::string err;
};

/// Runs BW_CLI_PATH with arguments (shell syntax: quote paths) through the shell, its outputs
/// kept in files of the folder dir.
inline CliRun runCliLine(const std::string& dir, const std::string& arguments)
{
    const auto text = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    };
    const std::string out = dir + "/.cli-stdout";
    const std::string err = dir + "/.cli-stderr";
    const std::string command =
        std::string("'") + BW_CLI_PATH + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = text(out);
    run.err = text(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return run;
}

} // namespace bw::testing
