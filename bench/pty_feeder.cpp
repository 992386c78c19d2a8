// Stands in for a controller behind a serial port, so that Ferrule (through
// its serial back end) and a generic serial terminal can be measured on
// exactly the same bytes arriving the same way: opens a pseudo-terminal,
// prints the path of its terminal side and holds it open.
//   pty_feeder [--sysfs DIR] [--bytes lines|blink|all] BYTES_PER_SECOND
// Idle, it answers as a quiet controller does: every byte it receives is
// echoed, and the probe a program sends after opening (0xEE) is acknowledged
// (0x06). SIGUSR1 starts the stream, at BYTES_PER_SECOND in 64-byte writes on
// a steady clock; what arrives meanwhile is read and dropped. Its bytes, over
// and over:
//   lines  0x40 to 0x4E and a line feed (0x0A): sixteen-byte lines (the default)
//   blink  0x40 to 0x4F, as a controller echoing a link test at full speed sends
//   all    every byte value, 0x00 to 0xFF
// SIGUSR2 stops the stream. On SIGTERM it prints the number of stream bytes
// sent and exits.
// With --sysfs the terminal also appears as the FTDI port ttyUSB0 of a fake
// sysfs tree under DIR, as ferrule-sim presents it (FERRULE_TTY_SYSFS=DIR/sys,
// FERRULE_TTY_DEV=DIR/dev), so that the serial back end finds and opens it.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fake_sysfs.h"

namespace {

volatile std::sig_atomic_t g_feeding = 0;
volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int signal) {
    if (signal == SIGUSR1) {
        g_feeding = 1;
    } else if (signal == SIGUSR2) {
        g_feeding = 0;
    } else {
        g_stop = 1;
    }
}

// Signals interrupt the wait for the next write at once.
void CatchSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGUSR1, SIGUSR2, SIGTERM, SIGINT}) {
        sigaction(signal, &action, nullptr);
    }
}

// Gives up when asked to stop: with nobody reading, the terminal fills up.
bool WriteAll(int fd, const unsigned char* bytes, size_t count) {
    while (count > 0 && g_stop == 0) {
        const ssize_t done = write(fd, bytes, count);
        if (done < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                pollfd wait{fd, POLLOUT, 0};
                poll(&wait, 1, 100);
                continue;
            }
            return false;
        }
        bytes += done;
        count -= static_cast<size_t>(done);
    }
    return count == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sysfs;
    std::string pattern = "lines";
    int arg = 1;
    for (; arg + 1 < argc && argv[arg][0] == '-'; arg += 2) {
        if (std::strcmp(argv[arg], "--sysfs") == 0) {
            sysfs = argv[arg + 1];
        } else if (std::strcmp(argv[arg], "--bytes") == 0) {
            pattern = argv[arg + 1];
        } else {
            break;
        }
    }
    const long rate = arg + 1 == argc ? std::strtol(argv[arg], nullptr, 10) : 0;
    if (rate <= 0 || (pattern != "lines" && pattern != "blink" && pattern != "all")) {
        std::fprintf(
            stderr, "usage: pty_feeder [--sysfs DIR] [--bytes lines|blink|all] BYTES_PER_SECOND\n");
        return 2;
    }
    auto nextByte = [&pattern, n = 0u]() mutable {
        const unsigned i = n++;
        if (pattern == "all") {
            return static_cast<unsigned char>(i & 0xFF);
        }
        if (pattern == "lines" && (i & 0x0F) == 0x0F) {
            return static_cast<unsigned char>(0x0A);
        }
        return static_cast<unsigned char>(0x40 | (i & 0x0F));
    };
    CatchSignals();
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pty");
        return 1;
    }
    const std::string slavePath = ptsname(master);
    // Raw on the terminal side, so the program under test receives the bytes as sent.
    const int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    const ptysim::FakeDevice device{"Quillon Shutter Controller", "QSC00001", 0};
    std::string error;
    if (!sysfs.empty() && !ptysim::WriteFakeSysfs(sysfs, device, slavePath, &error)) {
        std::fprintf(stderr, "pty_feeder: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);

    constexpr size_t kChunk = 64;
    constexpr unsigned char kProbe = 0xEE;
    constexpr unsigned char kAck = 0x06;
    const auto period = std::chrono::nanoseconds(1'000'000'000LL * kChunk / rate);
    std::array<unsigned char, kChunk> chunk{};
    std::array<unsigned char, 4096> received{};
    long long sent = 0;
    bool wasFeeding = false;
    auto due = std::chrono::steady_clock::now();
    while (g_stop == 0) {
        const bool feeding = g_feeding != 0;
        if (feeding && !wasFeeding) {
            due = std::chrono::steady_clock::now();
        }
        wasFeeding = feeding;
        if (feeding && std::chrono::steady_clock::now() >= due) {
            for (unsigned char& byte : chunk) {
                byte = nextByte();
            }
            if (!WriteAll(master, chunk.data(), chunk.size())) {
                break;
            }
            sent += kChunk;
            due += period;
            continue;
        }
        int waitMs = 100;
        if (feeding) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                due - std::chrono::steady_clock::now());
            waitMs = static_cast<int>(std::max<long long>(0, (left.count() + 999) / 1000));
        }
        pollfd input{master, POLLIN, 0};
        if (poll(&input, 1, waitMs) <= 0 || (input.revents & POLLIN) == 0) {
            continue;
        }
        const ssize_t got = read(master, received.data(), received.size());
        if (got <= 0 || g_feeding != 0) {
            continue;  // the stream's own bytes stand for the echo
        }
        for (ssize_t i = 0; i < got; ++i) {
            WriteAll(master, &received[static_cast<size_t>(i)], 1);
            if (received[static_cast<size_t>(i)] == kProbe) {
                WriteAll(master, &kAck, 1);
            }
        }
    }
    if (!sysfs.empty()) {
        ptysim::RemoveFakeDevice(sysfs, device);
    }
    std::printf("%lld\n", sent);
    return 0;
}
