#pragma once
// A JACK server with its dummy back end, for tests of MIDI through JACK without a sound card:
// started under a name of its own (JACK_DEFAULT_SERVER points the test's clients at it) and
// ended with the test.

#include <RtMidi.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bw::testing {

class JackServer
{
public:
    JackServer()
    {
        const std::string name = "bwtest" + std::to_string(::getpid());
        ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        m_pid = ::fork();
        if (m_pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            if (null >= 0) {
                ::dup2(null, 1);
                ::dup2(null, 2);
            }
            ::execlp("jackd", "jackd", "-n", name.c_str(), "-d", "dummy", "-r", "44100", "-p",
                     "256", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Up once a client can open a port on it.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_pid > 0 && std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1; // it ended: jackd is missing or cannot run here
                break;
            }
            try {
                RtMidiIn probe(RtMidi::UNIX_JACK, "probe");
                probe.openVirtualPort("probe");
                m_up = true;
                break;
            } catch (const RtMidiError&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
    }
    ~JackServer()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
        ::unsetenv("JACK_DEFAULT_SERVER");
    }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    /// Whether the server runs (false: jackd is not installed or could not start).
    bool up() const { return m_up; }

private:
    pid_t m_pid = -1;
    bool m_up = false;
};

} // namespace bw::testing
