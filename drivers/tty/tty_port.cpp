#include "tty_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <string>

#include "tty_baud.h"
#include "tty_crash_release.h"
#include "tty_open_error.h"
#include "tty_status.h"
#include "tty_sysfs_attribute.h"

namespace ftty {
namespace {

constexpr UCHAR kBits8 = 8;
constexpr UCHAR kStopBits1 = 0;
constexpr UCHAR kParityNone = 0;
constexpr USHORT kFlowNone = 0;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t DeadlineAfter(ULONG timeoutMs) {
    return timeoutMs == 0 ? -1 : NowMs() + timeoutMs;
}

// Raw 8N1, no flow control, the modem lines ignored. A read returns at once
// with what is there: the descriptor is non-blocking and the waiting is done
// by poll(), so VMIN is 1 (a read of 0 bytes then only ever means a hang-up)
// and VTIME is never used.
bool ConfigureRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag &= ~(CSIZE | CSTOPB | PARENB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

FT_STATUS Port::Open(const std::filesystem::path& node, const std::filesystem::path& portDir,
                     std::shared_ptr<Port>* port) {
    // Non-blocking, so that the open does not wait for a carrier.
    const int fd = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return FailOpen(node, errno);
    }
    auto fail = [fd, &node](int error) {
        close(fd);  // drops the lock, if it was taken
        return FailOpen(node, error);
    };
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || !isatty(fd)) {
        return fail(ENOTTY);
    }
    // Claimed before anything is set, so that a port another program holds
    // keeps its settings.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        return fail(errno);
    }
    int wakeFd = -1;
    if (!ConfigureRaw(fd) || (wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) < 0) {
        const int error = errno;
        ioctl(fd, TIOCNXCL);
        return fail(error);
    }
    WatchExclusivePort(fd);
    port->reset(new Port(fd, wakeFd, info.st_rdev, portDir));
    return FT_OK;
}

Port::Port(int fd, int wakeFd, dev_t device, std::filesystem::path portDir)
    : m_fd(fd), m_wakeFd(wakeFd), m_device(device), m_portDir(std::move(portDir)) {}

Port::~Port() {
    Release();
    close(m_fd);
    close(m_wakeFd);
}

void Port::Shut() {
    m_shut = true;
    uint64_t one = 1;
    (void)!write(m_wakeFd, &one, sizeof one);
    Release();
}

void Port::Release() {
    if (m_released.exchange(true)) {
        return;
    }
    UnwatchExclusivePort(m_fd);
    ioctl(m_fd, TIOCNXCL);
    flock(m_fd, LOCK_UN);
}

Port::Wait Port::WaitFor(short events, int64_t deadlineMs) {
    for (;;) {
        if (m_shut) {
            return Wait::Shut;
        }
        int timeout = -1;
        if (deadlineMs >= 0) {
            const int64_t left = deadlineMs - NowMs();
            if (left <= 0) {
                return Wait::TimedOut;
            }
            timeout = static_cast<int>(std::min<int64_t>(left, std::numeric_limits<int>::max()));
        }
        pollfd fds[2] = {{m_fd, events, 0}, {m_wakeFd, POLLIN, 0}};
        const int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR) {
            return Wait::Gone;
        }
        if (ready <= 0) {
            continue;
        }
        if (fds[1].revents != 0) {
            return Wait::Shut;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return Wait::Gone;
        }
        if (fds[0].revents & events) {
            return Wait::Ready;
        }
    }
}

FT_STATUS Port::Write(const void* buffer, DWORD count, DWORD* written) {
    if (buffer == nullptr && count > 0) {
        return kInvalidParameter;
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    const int64_t deadline = DeadlineAfter(m_writeTimeoutMs);
    DWORD sent = 0;
    FT_STATUS status = FT_OK;
    while (sent < count) {
        const ssize_t n = write(m_fd, bytes + sent, count - sent);
        if (n > 0) {
            sent += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            status = FT_IO_ERROR;
            break;
        }
        const Wait wait = WaitFor(POLLOUT, deadline);
        if (wait == Wait::TimedOut) {
            break;  // what went out is reported, as a time-out does
        }
        if (wait != Wait::Ready) {
            status = wait == Wait::Shut ? FT_INVALID_HANDLE : FT_IO_ERROR;
            break;
        }
    }
    if (written != nullptr) {
        *written = sent;
    }
    return status;
}

FT_STATUS Port::Read(void* buffer, DWORD count, DWORD* returned) {
    if (returned == nullptr || (buffer == nullptr && count > 0)) {
        return kInvalidParameter;
    }
    *returned = 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    const int64_t deadline = DeadlineAfter(m_readTimeoutMs);
    while (*returned < count) {
        const ssize_t n = read(m_fd, bytes + *returned, count - *returned);
        if (n > 0) {
            *returned += static_cast<DWORD>(n);
            continue;
        }
        if (n == 0) {
            return FT_IO_ERROR;  // hung up: with VMIN 1 an empty queue is EAGAIN
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN) {
            return FT_IO_ERROR;
        }
        switch (WaitFor(POLLIN, deadline)) {
            case Wait::Ready:
                break;
            case Wait::TimedOut:
                return FT_OK;
            case Wait::Gone:
                return FT_IO_ERROR;
            case Wait::Shut:
                return FT_INVALID_HANDLE;
        }
    }
    return FT_OK;
}

FT_STATUS Port::QueueStatus(DWORD* waiting) {
    if (waiting == nullptr) {
        return kInvalidParameter;
    }
    int queued = 0;
    if (ioctl(m_fd, FIONREAD, &queued) != 0) {
        return FT_IO_ERROR;
    }
    *waiting = static_cast<DWORD>(queued < 0 ? 0 : queued);
    return FT_OK;
}

FT_STATUS Port::Purge(ULONG mask) {
    const bool rx = (mask & FT_PURGE_RX) != 0;
    const bool tx = (mask & FT_PURGE_TX) != 0;
    if (!rx && !tx) {
        return FT_OK;
    }
    const int queue = rx && tx ? TCIOFLUSH : (rx ? TCIFLUSH : TCOFLUSH);
    return tcflush(m_fd, queue) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS Port::SetBaudRate(ULONG baud) {
    // Speed 0 would hang the line up.
    if (baud == 0) {
        return kInvalidBaudRate;
    }
    return SetPortBaudRate(m_fd, baud) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS Port::SetLatencyTimer(UCHAR milliseconds) {
    // Writable only for its owner (normally root); where it is not, the
    // driver's own latency is kept and the call still succeeds.
    WriteAttribute(m_portDir / "latency_timer", std::to_string(milliseconds) + "\n");
    return FT_OK;
}

FT_STATUS Port::SetDataCharacteristics(UCHAR bits, UCHAR stopBits, UCHAR parity) {
    // The port is opened as 8N1; other framings are not offered.
    return bits == kBits8 && stopBits == kStopBits1 && parity == kParityNone ? FT_OK
                                                                             : kInvalidParameter;
}

FT_STATUS Port::SetFlowControl(USHORT flow) {
    return flow == kFlowNone ? FT_OK : kInvalidParameter;
}

void Port::SetTimeouts(ULONG readMs, ULONG writeMs) {
    m_readTimeoutMs = readMs;
    m_writeTimeoutMs = writeMs;
}

}  // namespace ftty
