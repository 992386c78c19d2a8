// A test's client of the line server: a real socket, lines written and read
// with a deadline.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>

class SocketClient {
public:
    static SocketClient Unix(const std::string& path) {
        SocketClient client(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (connect(client.m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            client.Close();
        }
        return client;
    }
    static SocketClient Tcp(uint16_t port) {
        SocketClient client(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(client.m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            client.Close();
        }
        return client;
    }
    SocketClient(SocketClient&& other) noexcept
        : m_fd(other.m_fd), m_input(std::move(other.m_input)) {
        other.m_fd = -1;
    }
    ~SocketClient() { Close(); }

    bool Connected() const { return m_fd >= 0; }
    bool Send(const std::string& bytes) {
        return m_fd >= 0 && send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                                static_cast<ssize_t>(bytes.size());
    }
    // The next line, without its end; nothing when none comes in time or the
    // server closed the connection first.
    std::optional<std::string> ReadLine(int timeoutMs = 5000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (const size_t end = m_input.find('\n'); end != std::string::npos) {
                std::string line = m_input.substr(0, end);
                m_input.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            // Looks at least once, even when the time is already up.
            pollfd fd{m_fd, POLLIN, 0};
            if (m_fd < 0 ||
                poll(&fd, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0) {
                return std::nullopt;
            }
            char chunk[4096];
            const ssize_t n = recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                return std::nullopt;
            }
            m_input.append(chunk, static_cast<size_t>(n));
        }
    }
    // Whether the server has closed the connection (within the time).
    bool ClosedByServer(int timeoutMs = 5000) {
        while (ReadLine(timeoutMs)) {
        }
        char byte;
        pollfd fd{m_fd, POLLIN, 0};
        return m_fd >= 0 && poll(&fd, 1, timeoutMs) > 0 && recv(m_fd, &byte, 1, MSG_DONTWAIT) == 0;
    }
    void Close() {
        if (m_fd >= 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    // Closes the sending direction only, as a client that has said everything.
    void EndSending() { shutdown(m_fd, SHUT_WR); }

private:
    explicit SocketClient(int fd) : m_fd(fd) {}
    int m_fd = -1;
    std::string m_input;
};
