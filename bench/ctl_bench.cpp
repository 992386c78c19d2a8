// Figures of the socket server (ferrule-ctl serve's session and line server,
// in this process, on the simulated controller's real clock):
// - commands a second through the socket, one client waiting for each reply,
//   and one client sending many before reading;
// - the time from a `shutter open` line sent to its byte arriving at the
//   controller (FT_Write into the simulator), median and 99th percentile.
//   ctl_bench [COMMANDS] [SAMPLES]
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/remote/session_server.h"
#include "sim_library.h"

namespace {

using Clock = std::chrono::steady_clock;

class Client {
public:
    explicit Client(const std::string& path) : m_fd(socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::perror("connect");
            std::exit(1);
        }
    }
    ~Client() { close(m_fd); }
    void Send(const std::string& text) {
        if (send(m_fd, text.data(), text.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(text.size())) {
            std::perror("send");
            std::exit(1);
        }
    }
    std::string ReadLine() {
        for (;;) {
            if (const size_t end = m_input.find('\n'); end != std::string::npos) {
                std::string line = m_input.substr(0, end);
                m_input.erase(0, end + 1);
                return line;
            }
            char chunk[4096];
            const ssize_t n = recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                std::fprintf(stderr, "the server closed the connection\n");
                std::exit(1);
            }
            m_input.append(chunk, static_cast<size_t>(n));
        }
    }

private:
    int m_fd;
    std::string m_input;
};

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
    return values[at];
}

}  // namespace

int main(int argc, char** argv) {
    const int commands = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int samples = argc > 2 ? std::atoi(argv[2]) : 400;
    SimLibrary sim(FSIM_LIBRARY_PATH);
    const std::string socket = (std::filesystem::temp_directory_path() /
                                ("ferrule-bench-" + std::to_string(getpid()) + ".sock"))
                                   .string();

    ferrule::remote::SessionOptions options;
    options.drivers = {FSIM_LIBRARY_PATH};
    options.device.by = ferrule::remote::DeviceChoice::By::Index;
    ferrule::remote::SessionClock clock;
    ferrule::remote::ControllerSession session(options, clock);
    if (!session.Open().Done()) {
        std::fprintf(stderr, "the simulated controller did not open\n");
        return 1;
    }
    ferrule::remote::LineServerOptions serverOptions;
    serverOptions.unixPath = socket;
    serverOptions.queuedLimit = 64;
    ferrule::remote::LineServer server(serverOptions);
    ferrule::remote::SessionServer sessionServer(session, server);
    std::string error;
    if (!server.Start(sessionServer.Handler(), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::atomic<bool> stop{false};
    std::thread engine([&] { sessionServer.Run(stop); });

    {
        Client client(socket);
        // Lock-step: each command's reply read before the next is sent.
        auto start = Clock::now();
        for (int i = 0; i < commands; ++i) {
            client.Send("online\n");
            client.ReadLine();
        }
        const double lockStep =
            commands / std::chrono::duration<double>(Clock::now() - start).count();
        // Many sent before any reply is read.
        start = Clock::now();
        constexpr int kBatch = 50;
        for (int i = 0; i < commands; i += kBatch) {
            std::string batch;
            for (int k = 0; k < kBatch; ++k) {
                batch += "online\n";
            }
            client.Send(batch);
            for (int k = 0; k < kBatch; ++k) {
                client.ReadLine();
            }
        }
        const double pipelined =
            commands / std::chrono::duration<double>(Clock::now() - start).count();

        // From the line sent to the byte at the controller.
        std::vector<double> latencies;
        for (int i = 0; i < samples; ++i) {
            const uint32_t before = sim.fsim_written(0, nullptr, 0);
            const auto sent = Clock::now();
            client.Send(i % 2 ? "shutter close\n" : "shutter open\n");
            while (sim.fsim_written(0, nullptr, 0) == before) {
            }
            latencies.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
            client.ReadLine();
        }
        std::printf("commands per second, one reply awaited at a time: %8.0f\n", lockStep);
        std::printf("commands per second, %d sent before reading:      %8.0f\n", kBatch, pipelined);
        std::printf(
            "shutter open line to byte on the wire: median %.3f ms, p99 %.3f ms (%d samples)\n",
            Percentile(latencies, 0.5), Percentile(latencies, 0.99), samples);
    }
    stop = true;
    engine.join();
    server.Stop();
    session.Close();
    return 0;
}
