// A line server on its own thread: a Unix socket (only its user may connect)
// and optionally a TCP port, several clients, one command a line and one
// reply line for each. Requests are handed on one at a time in the order
// they arrived, the next only once the last is answered, so the engine runs
// one command at a time whoever sent it. Watching clients also get events.
//
// It never blocks on a client and never grows without bound: a line is at
// most 4 KiB, a client may have a few requests queued (its reading pauses
// beyond that), its unsent output is limited, and a client that sends
// nothing for too long, floods it or stops reading is closed. Clients past
// the limit are told so and closed at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/remote/listen_address.h"

namespace ferrule::remote {

struct LineServerOptions {
    std::string unixPath;  // empty: no Unix socket
    std::optional<TcpAddress> tcp;
    size_t maxClients = 32;
    size_t lineLimit = 4096;           // bytes in a line, its end not counted
    size_t outputLimit = 1 << 20;      // unsent bytes a client may have
    size_t queuedLimit = 16;           // requests a client may have waiting
    int64_t firstLineLimitMs = 10000;  // a client must send its first line in this time
    int64_t idleLimitMs = 600000;      // and then one at least this often (watchers excepted)
};

class LineServer {
public:
    struct Request {
        uint64_t id = 0;
        uint64_t client = 0;
        std::string line;  // without its line end
    };
    // Called on the server's thread with the next request; it must not block
    // (hand the request on) and the request is answered with Reply.
    using Handler = std::function<void(const Request& request)>;

    explicit LineServer(LineServerOptions options);
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    // Binds the sockets and starts the thread; false with *error when a
    // socket cannot be had (another server on the Unix socket, a port in use).
    bool Start(Handler handler, std::string* error);
    // Closes every client and the sockets and removes the Unix socket's file.
    void Stop();

    // From any thread. The reply to a request (a client gone meanwhile is
    // skipped); the next request is handed on after it.
    void Reply(uint64_t requestId, std::string line);
    // An event line to every watching client.
    void Broadcast(std::string line);
    // Makes a client a watcher (events, and no idle limit).
    void Watch(uint64_t client);

    const std::string& UnixPath() const { return m_options.unixPath; }
    // The TCP port listened on (the one the system chose for port 0).
    uint16_t TcpPort() const { return m_tcpPort; }
    size_t ClientCount() const { return m_clientCount.load(); }

private:
    struct Client;
    struct Mail {
        enum class Kind { Reply, Broadcast, Watch, Stop } kind;
        uint64_t id = 0;
        std::string line;
    };

    bool BindUnix(std::string* error);
    bool BindTcp(std::string* error);
    void Post(Mail mail);
    void Loop();
    void TakeMail();
    void Accept(int listener);
    void ReadFrom(Client& client);
    void TakeLines(Client& client);
    void WriteTo(Client& client);
    void Send(Client& client, const std::string& line);
    void Refuse(Client& client, const std::string& error);
    void Dispatch();
    void CloseExpired(int64_t nowMs);
    int PollTimeoutMs(int64_t nowMs) const;

    LineServerOptions m_options;
    Handler m_handler;
    int m_unixListener = -1;
    int m_tcpListener = -1;
    uint16_t m_tcpPort = 0;
    bool m_unixBound = false;
    int m_lockFd = -1;         // held while this server owns the Unix socket
    uint64_t m_unixInode = 0;  // the socket file this server made
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
    bool m_running = false;

    std::mutex m_mailMutex;
    std::vector<Mail> m_mail;

    // The server thread's own.
    std::map<uint64_t, std::unique_ptr<Client>> m_clients;
    std::deque<Request> m_queue;
    std::optional<Request> m_inFlight;
    uint64_t m_nextClient = 1;
    uint64_t m_nextRequest = 1;
    bool m_stopping = false;
    int64_t m_acceptPausedUntil = 0;  // out of descriptors: accepting waits
    std::atomic<size_t> m_clientCount{0};
};

}  // namespace ferrule::remote
