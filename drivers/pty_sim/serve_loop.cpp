#include "serve_loop.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "paced_controller.h"

namespace ptysim {
namespace {

// Bytes that have crossed the link but that the terminal would not take yet
// (the program is not reading). Beyond this they are lost, as a chip's own
// buffer overflows while nobody reads its port.
constexpr size_t kMaxPending = 64u << 10;

class Output {
public:
    std::vector<uint8_t>* Buffer() { return &m_bytes; }
    bool Empty() const { return m_head == m_bytes.size(); }
    // Writes what the terminal takes now.
    void Flush(int fd) {
        if (m_bytes.size() - m_head > kMaxPending) {
            m_bytes.resize(m_head + kMaxPending);
        }
        while (!Empty()) {
            const ssize_t n = write(fd, m_bytes.data() + m_head, m_bytes.size() - m_head);
            if (n > 0) {
                m_head += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                // EAGAIN: the terminal is full; EIO: the program's side is closed.
                break;
            }
        }
        if (Empty()) {
            m_bytes.clear();
            m_head = 0;
        }
    }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_head = 0;
};

}  // namespace

int Serve(PseudoTerminal& terminal, bool exitOnClose, int signalFd) {
    const auto start = std::chrono::steady_clock::now();
    auto nowUs = [start] {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count());
    };
    const int master = terminal.Master();
    PacedController controller;
    Output output;
    uint8_t received[4096];

    for (;;) {
        const uint64_t now = nowUs();
        controller.TakeArrived(now, output.Buffer());
        output.Flush(master);

        int timeoutMs = -1;
        if (auto next = controller.NextEventUs()) {
            timeoutMs = *next > now ? static_cast<int>((*next - now + 999) / 1000) : 0;
        }
        const short events = static_cast<short>(POLLIN | (output.Empty() ? 0 : POLLOUT));
        pollfd fds[2] = {{master, events, 0}, {signalFd, POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "ferrule-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (fds[1].revents & POLLIN) {
            signalfd_siginfo signal{};
            (void)!read(signalFd, &signal, sizeof signal);
            return 0;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(master, received, sizeof received);
            if (n > 0) {
                // The program has the port open now; from here on its closing
                // it is noticed.
                if (exitOnClose) {
                    terminal.ReleaseSlave();
                }
                controller.HostBytes(received, static_cast<size_t>(n), nowUs());
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
        }
        // The slave side is closed (EIO, POLLHUP). Only possible once the
        // simulator's own hold on it has been released.
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            if (!terminal.HoldsSlave()) {
                return 0;
            }
        }
    }
}

}  // namespace ptysim
