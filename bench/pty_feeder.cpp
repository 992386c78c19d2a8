// Stands in for a controller behind a serial port so that a generic serial
// terminal can be measured on the same feed as Ferrule: opens a pseudo-terminal,
// prints the path of its terminal side and holds it open, idle, until SIGUSR1;
// from then on it writes BYTES_PER_SECOND in 64-byte chunks on a steady clock
// until killed.
//   pty_feeder BYTES_PER_SECOND
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
volatile std::sig_atomic_t g_feeding = 0;
void StartFeeding(int) {
    g_feeding = 1;
}
}  // namespace

int main(int argc, char** argv) {
    const long rate = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (rate <= 0) {
        std::fprintf(stderr, "usage: pty_feeder BYTES_PER_SECOND\n");
        return 2;
    }
    std::signal(SIGUSR1, StartFeeding);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pty");
        return 1;
    }
    // Raw on the terminal side, so the terminal under test receives the bytes as sent.
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    std::printf("%s\n", ptsname(master));
    std::fflush(stdout);

    constexpr std::size_t kChunk = 64;
    std::array<unsigned char, kChunk> chunk{};
    unsigned char next = 0;
    while (g_feeding == 0) {
        usleep(20000);
    }
    const auto period = std::chrono::nanoseconds(1'000'000'000LL * kChunk / rate);
    auto due = std::chrono::steady_clock::now();
    std::array<unsigned char, 4096> drain{};
    for (;;) {
        for (auto& byte : chunk) {
            byte = next++;
        }
        if (write(master, chunk.data(), chunk.size()) < 0) {
            return 0;
        }
        // Whatever the terminal sends back is read and dropped so it never blocks.
        fcntl(master, F_SETFL, O_NONBLOCK);
        while (read(master, drain.data(), drain.size()) > 0) {
        }
        fcntl(master, F_SETFL, 0);
        due += period;
        std::this_thread::sleep_until(due);
    }
}
