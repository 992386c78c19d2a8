#include "pty_sim_process.h"
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace {

constexpr auto kPatience = std::chrono::seconds(20);

}  // namespace

PtySimProcess::PtySimProcess(const std::vector<std::string>& options) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return;
    }
    std::vector<std::string> args{FERRULE_SIM_EXECUTABLE};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    m_output = pipeFds[0];
    if (spawned != 0) {
        m_pid = -1;
        return;
    }
    // The first line, waited for with a deadline.
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    std::string line;
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{m_output, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            return;
        }
        char chunk[256];
        const ssize_t n = read(m_output, chunk, sizeof chunk);
        if (n <= 0) {
            return;
        }
        line.append(chunk, static_cast<size_t>(n));
    }
    m_slavePath = line.substr(0, line.find('\n'));
}

PtySimProcess::~PtySimProcess() {
    Stop(SIGTERM);
    if (m_output >= 0) {
        close(m_output);
    }
}

int PtySimProcess::Stop(int signal) {
    if (m_pid > 0) {
        kill(m_pid, signal);
    }
    return WaitForExit();
}

int PtySimProcess::WaitForExit() {
    if (m_pid <= 0) {
        return -1;
    }
    const std::optional<int> status = WaitForChild(m_pid, kPatience);
    if (!status) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}
