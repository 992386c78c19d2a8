#include "tty_crash_release.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>

namespace ftty {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];

// A slot holds the owning process and the descriptor, packed into one word so
// that the handler reads both at once; 0 is a free slot (no process is 0). A
// forked child inherits the table but not the ports' ownership: it releases
// only ports it opened itself.
constexpr size_t kSlots = 64;
std::atomic<uint64_t> g_slots[kSlots];
static_assert(std::atomic<uint64_t>::is_always_lock_free);

uint64_t Pack(pid_t owner, int fd) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(owner)) << 32) | static_cast<uint32_t>(fd);
}

void OnFatalSignal(int signal, siginfo_t* info, void* context);

// The handlers found when ours were installed, one per fatal signal; written
// before ours are installed and never changed while they are.
class FatalSignalHandlers {
public:
    FatalSignalHandlers() = default;
    // The library is being unloaded: its handler must not stay installed.
    // Where a handler has been installed over ours since, it may pass signals
    // on to ours, which cannot be taken away from it; ours then stays.
    ~FatalSignalHandlers() {
        if (!m_installed) {
            return;
        }
        for (size_t i = 0; i < kSignalCount; ++i) {
            struct sigaction current {};
            if (sigaction(kFatalSignals[i], nullptr, &current) == 0 &&
                (current.sa_flags & SA_SIGINFO) != 0 && current.sa_sigaction == OnFatalSignal) {
                sigaction(kFatalSignals[i], &m_previous[i], nullptr);
            }
        }
    }
    FatalSignalHandlers(const FatalSignalHandlers&) = delete;
    FatalSignalHandlers& operator=(const FatalSignalHandlers&) = delete;

    void InstallOnce() {
        std::call_once(m_once, [this] {
            for (size_t i = 0; i < kSignalCount; ++i) {
                sigaction(kFatalSignals[i], nullptr, &m_previous[i]);
            }
            struct sigaction ours {};
            ours.sa_sigaction = OnFatalSignal;
            ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
            sigemptyset(&ours.sa_mask);
            for (int signal : kFatalSignals) {
                sigaction(signal, &ours, nullptr);
            }
            m_installed = true;
        });
    }

    const struct sigaction* PreviousFor(int signal) const {
        for (size_t i = 0; i < kSignalCount; ++i) {
            if (kFatalSignals[i] == signal) {
                return &m_previous[i];
            }
        }
        return nullptr;
    }

private:
    std::once_flag m_once;
    bool m_installed = false;
    struct sigaction m_previous[kSignalCount] = {};
};

FatalSignalHandlers g_handlers;

void ReleaseAllExclusive() {
    const pid_t self = getpid();
    for (const auto& slot : g_slots) {
        const uint64_t value = slot.load(std::memory_order_acquire);
        if (value != 0 && static_cast<pid_t>(value >> 32) == self) {
            ioctl(static_cast<int>(static_cast<uint32_t>(value)), TIOCNXCL);
        }
    }
}

void OnFatalSignal(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    ReleaseAllExclusive();
    const struct sigaction* previous = g_handlers.PreviousFor(signal);
    if (previous == nullptr) {
        return;
    }
    sigaction(signal, previous, nullptr);
    errno = savedErrno;
    if (previous->sa_handler == SIG_DFL) {
        // Blocked while this handler runs: delivered, with the default
        // action, as soon as it returns (before a faulting instruction runs
        // again).
        raise(signal);
    } else if (previous->sa_handler == SIG_IGN) {
        return;
    } else if ((previous->sa_flags & SA_SIGINFO) != 0) {
        previous->sa_sigaction(signal, info, context);
    } else {
        previous->sa_handler(signal);
    }
}

}  // namespace

void WatchExclusivePort(int fd) {
    g_handlers.InstallOnce();
    const uint64_t value = Pack(getpid(), fd);
    for (auto& slot : g_slots) {
        uint64_t free = 0;
        if (slot.compare_exchange_strong(free, value, std::memory_order_acq_rel)) {
            return;
        }
    }
}

void UnwatchExclusivePort(int fd) {
    const uint64_t value = Pack(getpid(), fd);
    for (auto& slot : g_slots) {
        uint64_t expected = value;
        if (slot.compare_exchange_strong(expected, 0, std::memory_order_acq_rel)) {
            return;
        }
    }
}

}  // namespace ftty
