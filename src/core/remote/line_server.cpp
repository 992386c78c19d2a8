#include "core/remote/line_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/remote/json_writer.h"

namespace ferrule::remote {

namespace {

// A client being closed gets this long to take its last lines.
constexpr int64_t kFarewellMs = 2000;
// How long accepting pauses when the process has no descriptor left.
constexpr int64_t kAcceptPauseMs = 100;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string ErrorLine(const std::string& error) {
    return JsonObject().Set("error", error).Text();
}

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

struct LineServer::Client {
    uint64_t id = 0;
    int fd = -1;
    std::string input;
    std::string output;
    size_t queued = 0;  // requests waiting or in flight
    bool inputEnded = false;
    bool closing = false;  // closed once its output is out
    bool dead = false;     // closed at once
    bool watching = false;
    bool sentLine = false;
    int64_t connectedMs = 0;
    int64_t lastLineMs = 0;
    int64_t closingMs = 0;

    ~Client() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

LineServer::LineServer(LineServerOptions options) : m_options(std::move(options)) {}

LineServer::~LineServer() {
    Stop();
}

bool LineServer::Start(Handler handler, std::string* error) {
    m_handler = std::move(handler);
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = SystemError("pipe");
        return false;
    }
    if ((!m_options.unixPath.empty() && !BindUnix(error)) || (m_options.tcp && !BindTcp(error))) {
        Stop();
        return false;
    }
    m_running = true;
    m_thread = std::thread([this] { Loop(); });
    return true;
}

// Only one server a socket: a lock beside it says whether another server
// has it; a socket file left by a server that died is replaced. The socket
// is bound under a temporary name, given mode 0600, and only then renamed to
// its own, so that nobody else can connect in between.
bool LineServer::BindUnix(std::string* error) {
    const std::string& path = m_options.unixPath;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string temporary = path + ".new" + std::to_string(getpid());
    if (temporary.size() >= sizeof address.sun_path) {
        *error = "the socket path " + path + " is too long";
        return false;
    }
    m_lockFd = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        *error = SystemError("cannot create " + path + ".lock");
        return false;
    }
    if (flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        *error = "another server is listening on " + path;
        close(m_lockFd);
        m_lockFd = -1;
        return false;
    }
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            *error = path + " exists and is not a socket; remove it or give another --socket";
            return false;
        }
        unlink(path.c_str());
    }
    m_unixListener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_unixListener < 0) {
        *error = SystemError("socket");
        return false;
    }
    std::memcpy(address.sun_path, temporary.c_str(), temporary.size() + 1);
    unlink(temporary.c_str());
    const mode_t mask = umask(0177);
    const int bound = bind(m_unixListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    umask(mask);
    if (bound != 0 || chmod(temporary.c_str(), 0600) != 0 || listen(m_unixListener, 128) != 0 ||
        rename(temporary.c_str(), path.c_str()) != 0) {
        *error = SystemError("cannot listen on " + path);
        unlink(temporary.c_str());
        return false;
    }
    struct stat made {};
    if (stat(path.c_str(), &made) == 0) {
        m_unixInode = made.st_ino;
    }
    m_unixBound = true;
    return true;
}

bool LineServer::BindTcp(std::string* error) {
    const TcpAddress& tcp = *m_options.tcp;
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (tcp.ipv6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&storage);
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(tcp.port);
        inet_pton(AF_INET6, tcp.host.c_str(), &a->sin6_addr);
        length = sizeof *a;
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&storage);
        a->sin_family = AF_INET;
        a->sin_port = htons(tcp.port);
        inet_pton(AF_INET, tcp.host.c_str(), &a->sin_addr);
        length = sizeof *a;
    }
    m_tcpListener = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int on = 1;
    if (m_tcpListener < 0 ||
        setsockopt(m_tcpListener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(m_tcpListener, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
        listen(m_tcpListener, 128) != 0) {
        *error = SystemError("cannot listen on " + tcp.host + ":" + std::to_string(tcp.port));
        return false;
    }
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    getsockname(m_tcpListener, reinterpret_cast<sockaddr*>(&bound), &boundLength);
    m_tcpPort =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return true;
}

void LineServer::Stop() {
    if (m_running) {
        Post({Mail::Kind::Stop, 0, {}});
        m_thread.join();
        m_running = false;
    }
    m_clients.clear();
    m_clientCount = 0;
    for (int* fd : {&m_unixListener, &m_tcpListener, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
    if (m_unixBound) {
        // Only the socket this server made: another may have replaced it.
        struct stat now {};
        if (stat(m_options.unixPath.c_str(), &now) == 0 && now.st_ino == m_unixInode) {
            unlink(m_options.unixPath.c_str());
        }
        m_unixBound = false;
    }
    if (m_lockFd >= 0) {
        unlink((m_options.unixPath + ".lock").c_str());
        close(m_lockFd);
        m_lockFd = -1;
    }
}

void LineServer::Post(Mail mail) {
    {
        std::lock_guard lock(m_mailMutex);
        m_mail.push_back(std::move(mail));
    }
    const char byte = 1;
    // A full pipe already holds a wake-up.
    (void)!write(m_wake[1], &byte, 1);
}

void LineServer::Reply(uint64_t requestId, std::string line) {
    Post({Mail::Kind::Reply, requestId, std::move(line)});
}

void LineServer::Broadcast(std::string line) {
    Post({Mail::Kind::Broadcast, 0, std::move(line)});
}

void LineServer::Watch(uint64_t client) {
    Post({Mail::Kind::Watch, client, {}});
}

void LineServer::Send(Client& client, const std::string& line) {
    if (client.dead) {
        return;
    }
    // A client that does not read its replies or events is not waited for.
    if (client.output.size() + line.size() + 1 > m_options.outputLimit) {
        client.dead = true;
        return;
    }
    client.output += line;
    client.output += '\n';
}

void LineServer::Refuse(Client& client, const std::string& error) {
    Send(client, ErrorLine(error));
    if (!client.closing) {
        client.closing = true;
        client.closingMs = NowMs();
    }
    client.input.clear();
    std::erase_if(m_queue, [&](const Request& r) { return r.client == client.id; });
    client.queued = m_inFlight && m_inFlight->client == client.id ? 1 : 0;
}

void LineServer::TakeMail() {
    char drained[256];
    while (read(m_wake[0], drained, sizeof drained) > 0) {
    }
    std::vector<Mail> mail;
    {
        std::lock_guard lock(m_mailMutex);
        mail.swap(m_mail);
    }
    for (Mail& m : mail) {
        switch (m.kind) {
            case Mail::Kind::Reply:
                if (m_inFlight && m_inFlight->id == m.id) {
                    const auto found = m_clients.find(m_inFlight->client);
                    m_inFlight.reset();
                    if (found != m_clients.end()) {
                        Client& client = *found->second;
                        if (client.queued > 0) {
                            --client.queued;
                        }
                        Send(client, m.line);
                        TakeLines(client);
                    }
                }
                break;
            case Mail::Kind::Broadcast:
                for (auto& [id, client] : m_clients) {
                    if (client->watching && !client->closing) {
                        Send(*client, m.line);
                    }
                }
                break;
            case Mail::Kind::Watch:
                if (const auto found = m_clients.find(m.id); found != m_clients.end()) {
                    found->second->watching = true;
                }
                break;
            case Mail::Kind::Stop:
                m_stopping = true;
                break;
        }
    }
}

void LineServer::Accept(int listener) {
    for (int accepted = 0; accepted < 64; ++accepted) {
        const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                m_acceptPausedUntil = NowMs() + kAcceptPauseMs;
            }
            return;
        }
        if (m_clients.size() >= m_options.maxClients) {
            const std::string refusal =
                ErrorLine("too many clients (" + std::to_string(m_options.maxClients) +
                          "); try again later") +
                "\n";
            (void)!send(fd, refusal.data(), refusal.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            close(fd);
            continue;
        }
        auto client = std::make_unique<Client>();
        client->id = m_nextClient++;
        client->fd = fd;
        client->connectedMs = client->lastLineMs = NowMs();
        m_clients.emplace(client->id, std::move(client));
        m_clientCount = m_clients.size();
    }
}

// Complete lines become requests while the client has room for them; the
// rest waits in its input until a reply makes room.
void LineServer::TakeLines(Client& client) {
    size_t start = 0;
    while (!client.closing && client.queued < m_options.queuedLimit) {
        const size_t end = client.input.find('\n', start);
        if (end == std::string::npos) {
            break;
        }
        std::string line = client.input.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > m_options.lineLimit) {
            Refuse(client, "line longer than " + std::to_string(m_options.lineLimit) +
                               " bytes; closing the connection");
            return;
        }
        client.sentLine = true;
        client.lastLineMs = NowMs();
        ++client.queued;
        m_queue.push_back({m_nextRequest++, client.id, std::move(line)});
    }
    client.input.erase(0, start);
    if (!client.closing && client.input.find('\n') == std::string::npos &&
        client.input.size() > m_options.lineLimit) {
        Refuse(client, "line longer than " + std::to_string(m_options.lineLimit) +
                           " bytes; closing the connection");
    }
}

void LineServer::ReadFrom(Client& client) {
    char chunk[4096];
    const ssize_t n = recv(client.fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n == 0) {
        client.inputEnded = true;
    } else if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            client.dead = true;
        }
        return;
    } else if (!client.closing) {
        client.input.append(chunk, static_cast<size_t>(n));
    }
    TakeLines(client);
}

void LineServer::WriteTo(Client& client) {
    if (client.output.empty()) {
        return;
    }
    const ssize_t n =
        send(client.fd, client.output.data(), client.output.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n > 0) {
        client.output.erase(0, static_cast<size_t>(n));
    } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        client.dead = true;
    }
}

void LineServer::Dispatch() {
    while (!m_inFlight && !m_queue.empty()) {
        Request request = std::move(m_queue.front());
        m_queue.pop_front();
        if (m_clients.count(request.client) == 0) {
            continue;
        }
        m_inFlight = request;
        m_handler(request);
    }
}

void LineServer::CloseExpired(int64_t nowMs) {
    for (auto& [id, c] : m_clients) {
        Client& client = *c;
        if (client.closing) {
            client.dead = client.dead || nowMs - client.closingMs > kFarewellMs;
        } else if (!client.watching && client.queued == 0) {
            if (!client.sentLine && nowMs - client.connectedMs > m_options.firstLineLimitMs) {
                Refuse(client, "no command came within " +
                                   std::to_string(m_options.firstLineLimitMs / 1000) +
                                   " s of connecting; closing the connection");
            } else if (client.sentLine && nowMs - client.lastLineMs > m_options.idleLimitMs) {
                Refuse(client, "idle for " + std::to_string(m_options.idleLimitMs / 1000) +
                                   " s; closing the connection");
            }
        }
    }
    std::erase_if(m_clients, [&](const auto& entry) {
        const Client& client = *entry.second;
        const bool done =
            client.dead || (client.output.empty() &&
                            (client.closing || (client.inputEnded && client.queued == 0)));
        if (done) {
            std::erase_if(m_queue, [&](const Request& r) { return r.client == client.id; });
        }
        return done;
    });
    m_clientCount = m_clients.size();
}

int LineServer::PollTimeoutMs(int64_t nowMs) const {
    int64_t next = nowMs + 1000;
    for (const auto& [id, c] : m_clients) {
        if (c->closing) {
            next = std::min(next, c->closingMs + kFarewellMs + 1);
        } else if (!c->watching) {
            next = std::min(next, c->sentLine ? c->lastLineMs + m_options.idleLimitMs + 1
                                              : c->connectedMs + m_options.firstLineLimitMs + 1);
        }
    }
    if (m_acceptPausedUntil > nowMs) {
        next = std::min(next, m_acceptPausedUntil);
    }
    return static_cast<int>(std::clamp<int64_t>(next - nowMs, 0, 1000));
}

void LineServer::Loop() {
    std::vector<pollfd> fds;
    std::vector<uint64_t> owners;  // the client of each entry; 0 for the server's own
    while (!m_stopping) {
        const int64_t now = NowMs();
        CloseExpired(now);
        Dispatch();
        fds.clear();
        owners.clear();
        fds.push_back({m_wake[0], POLLIN, 0});
        owners.push_back(0);
        const bool accepting = m_acceptPausedUntil <= now;
        for (int listener : {m_unixListener, m_tcpListener}) {
            if (listener >= 0 && accepting) {
                fds.push_back({listener, POLLIN, 0});
                owners.push_back(0);
            }
        }
        for (const auto& [id, client] : m_clients) {
            short events = 0;
            if (!client->inputEnded && !client->closing && client->queued < m_options.queuedLimit) {
                events |= POLLIN;
            }
            if (!client->output.empty()) {
                events |= POLLOUT;
            }
            fds.push_back({client->fd, events, 0});
            owners.push_back(id);
        }
        if (poll(fds.data(), fds.size(), PollTimeoutMs(now)) < 0 && errno != EINTR) {
            break;
        }
        for (size_t i = 0; i < fds.size(); ++i) {
            const short revents = fds[i].revents;
            if (revents == 0) {
                continue;
            }
            if (owners[i] == 0) {
                if (fds[i].fd == m_wake[0]) {
                    TakeMail();
                } else {
                    Accept(fds[i].fd);
                }
                continue;
            }
            const auto found = m_clients.find(owners[i]);
            if (found == m_clients.end()) {
                continue;
            }
            Client& client = *found->second;
            if (revents & POLLIN) {
                ReadFrom(client);
            }
            if (revents & POLLOUT) {
                WriteTo(client);
            }
            if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
                if (!(revents & POLLIN) && !client.inputEnded && !client.closing) {
                    ReadFrom(client);
                }
                client.dead = true;
            }
        }
        Dispatch();
    }
    m_clients.clear();
    m_clientCount = 0;
}

}  // namespace ferrule::remote
