#include "child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace {

constexpr auto kPatience = std::chrono::seconds(30);
constexpr uid_t kNobody = 65534;

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, bool asNobody, int ignoredSignal) {
    // A child that has ended must not end the test when it is written to.
    signal(SIGPIPE, SIG_IGN);
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
        return;
    }
    std::vector<char*> args;
    for (std::string& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        for (int stop : {SIGPIPE, SIGINT, SIGTERM}) {
            signal(stop, stop == ignoredSignal ? SIG_IGN : SIG_DFL);
        }
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        if (asNobody &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(126);
        }
        execve(args[0], args.data(), environ);
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    m_input = toChild[1];
    m_output = fromChild[0];
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_input, m_output}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

std::string ChildProcess::ReadLine() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    size_t end;
    while ((end = m_buffered.find('\n')) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{m_output, POLLIN, 0};
        char chunk[256];
        ssize_t n = 0;
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0 ||
            (n = read(m_output, chunk, sizeof chunk)) <= 0) {
            return {};
        }
        m_buffered.append(chunk, static_cast<size_t>(n));
    }
    std::string line = m_buffered.substr(0, end);
    m_buffered.erase(0, end + 1);
    return line;
}

void ChildProcess::Send(const std::string& line) {
    const std::string text = line + "\n";
    (void)!write(m_input, text.data(), text.size());
}

void ChildProcess::Signal(int signal) {
    if (m_pid > 0) {
        kill(m_pid, signal);
    }
}

bool ChildProcess::Catches(int signal) const {
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1) != 0;
        }
    }
    return false;
}

bool ChildProcess::HasOpen(const std::string& path) const {
    std::error_code ec;
    for (const auto& fd :
         std::filesystem::directory_iterator("/proc/" + std::to_string(m_pid) + "/fd", ec)) {
        if (std::filesystem::read_symlink(fd.path(), ec) == path) {
            return true;
        }
    }
    return false;
}

std::optional<int> WaitForChild(pid_t pid, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (done == 0) {
        return std::nullopt;
    }
    return status;
}

std::optional<int> ChildProcess::Wait() {
    if (m_pid <= 0) {
        return std::nullopt;
    }
    const std::optional<int> status = WaitForChild(m_pid, kPatience);
    if (status) {
        m_pid = -1;  // otherwise killed by the destructor
    }
    return status;
}

bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
