// `ferrule-ctl serve`: a session that owns the device and answers a line
// server's requests on its own thread, one at a time in arrival order,
// polling the link between them so that watchers hear what the controller
// does of its own accord and that a link lost is told at once. A lost link
// comes back by itself when the device is attached again (unless turned
// off): watchers hear "link-lost", "link-notice" lines that tell it in words
// with the time, and "link-back". A client's `open` has the last word, as
// the panel's Open: it ends any wait, and the device it opens is the one
// watched next.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "core/engine/engine_events.h"
#include "core/reconnect/reconnect_watcher.h"
#include "core/remote/command_grammar.h"
#include "core/remote/controller_session.h"
#include "core/remote/line_server.h"

namespace ferrule::remote {

// The reply to a line that is not a command, or to the commands the server
// answers itself (watch, *IDN?); none for a command for the controller.
std::optional<std::string> ServerReply(const LineServer::Request& request,
                                       const ParseResult& parsed, LineServer& server,
                                       const std::string& identification);

class SessionServer : private EngineObserver {
public:
    // What the server has to say about the link, in words with the time of
    // day (the program prints it).
    using NoticeSink = std::function<void(const std::string& text)>;

    SessionServer(ControllerSession& session, LineServer& server, bool reconnect = true,
                  NoticeSink notices = {});
    ~SessionServer() override;
    SessionServer(const SessionServer&) = delete;
    SessionServer& operator=(const SessionServer&) = delete;

    // The line server's handler: hands a request over to Run's thread.
    LineServer::Handler Handler();
    // Answers requests until `stop` is set.
    void Run(const std::atomic<bool>& stop);

private:
    // EngineObserver: a link the poll found broken.
    void OnEngineEvent(const EngineEvent& event) override;

    std::optional<LineServer::Request> Take(int timeoutMs);
    void Answer(const LineServer::Request& request);
    // How long to wait for a request before the next poll or look.
    int PaceMs();
    // The link came up on the session's device: that device is watched.
    void FollowLinkUp();
    // A loss noticed, a look or a reopen that is due, and what they told.
    void FollowLink();
    void TellNotices();
    // An event for the watchers, with its time since the server began.
    void Broadcast(const char* event, const JsonObject& fields);

    ControllerSession& m_session;
    LineServer& m_server;
    NoticeSink m_notices;
    ferrule::ReconnectWatcher m_reconnect;
    bool m_lost = false;  // the poll found the link broken since FollowLink last ran
    int64_t m_startMs = 0;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<LineServer::Request> m_requests;
};

}  // namespace ferrule::remote
