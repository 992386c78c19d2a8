// `ferrule-ctl serve`: a session that owns the device and answers a line
// server's requests on its own thread, one at a time in arrival order,
// polling the link between them so that watchers hear what the controller
// does of its own accord and that a link lost is told at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "core/remote/command_grammar.h"
#include "core/remote/controller_session.h"
#include "core/remote/line_server.h"

namespace ferrule::remote {

// The reply to a line that is not a command, or to the commands the server
// answers itself (watch, *IDN?); none for a command for the controller.
std::optional<std::string> ServerReply(const LineServer::Request& request,
                                       const ParseResult& parsed, LineServer& server,
                                       const std::string& identification);

class SessionServer {
public:
    SessionServer(ControllerSession& session, LineServer& server);

    // The line server's handler: hands a request over to Run's thread.
    LineServer::Handler Handler();
    // Answers requests until `stop` is set.
    void Run(const std::atomic<bool>& stop);

private:
    std::optional<LineServer::Request> Take(int timeoutMs);
    void Answer(const LineServer::Request& request);

    ControllerSession& m_session;
    LineServer& m_server;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<LineServer::Request> m_requests;
};

}  // namespace ferrule::remote
