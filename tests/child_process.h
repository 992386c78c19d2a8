// A program a test runs as a child process, its standard input and output on
// pipes: started (as the unprivileged user nobody, on request, when the test
// runs as root), talked to a line at a time, signalled, and waited for with a
// deadline. A child still running when the test ends is killed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
public:
    // The child starts with SIGINT and SIGTERM at their default action, as
    // from a terminal, but for ignoredSignal, which it starts with ignored.
    explicit ChildProcess(std::vector<std::string> argv, bool asNobody = false,
                          int ignoredSignal = 0);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    // The next line of output, without its end; empty at the end of the
    // output or when none comes in time.
    std::string ReadLine();
    void Send(const std::string& line);
    void Signal(int signal);
    // Whether the child has a handler installed for the signal.
    bool Catches(int signal) const;
    // Whether the child has this file open (path as the kernel resolves it).
    bool HasOpen(const std::string& path) const;
    // The wait status once the child has ended; nothing when it does not end
    // in time (it is killed then).
    std::optional<int> Wait();

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_buffered;
};

// The wait status of a child once it has ended; nothing when it has not
// ended within `patience` (it is left running then).
std::optional<int> WaitForChild(pid_t pid, std::chrono::milliseconds patience);

// Waits until the condition holds; false when it does not in time.
bool Eventually(const std::function<bool()>& condition);
