#include "app/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

namespace ferrule {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT};

// The pipe's writing end, for the handler.
std::atomic<int> g_writeFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

void OnStopSignal(int signal) {
    const int savedErrno = errno;
    const int fd = g_writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        // Non-blocking: with the pipe full, a request is pending already.
        const auto byte = static_cast<unsigned char>(signal);
        (void)!write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    if (pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_pipe[0] = m_pipe[1] = -1;
        return;  // the signals keep their default action
    }
    g_writeFd.store(m_pipe[1]);
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::Drain);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 2; ++i) {
        // A signal ignored from the start (SIGINT for a job a script started
        // in the background) stays ignored.
        if (sigaction(kStopSignals[i], nullptr, &m_previous[i]) == 0 &&
            m_previous[i].sa_handler != SIG_IGN) {
            sigaction(kStopSignals[i], &action, nullptr);
        }
    }
}

StopSignals::~StopSignals() {
    if (m_pipe[1] < 0) {
        return;
    }
    for (int i = 0; i < 2; ++i) {
        sigaction(kStopSignals[i], &m_previous[i], nullptr);
    }
    g_writeFd.store(-1);
    delete m_notifier;
    close(m_pipe[0]);
    close(m_pipe[1]);
}

void StopSignals::Drain() {
    unsigned char received[16];
    ssize_t n = 0;
    while ((n = read(m_pipe[0], received, sizeof received)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            emit Requested(received[i]);
        }
    }
}

}  // namespace ferrule
