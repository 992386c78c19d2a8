#include "core/remote/session_server.h"

namespace ferrule::remote {

std::optional<std::string> ServerReply(const LineServer::Request& request,
                                       const ParseResult& parsed, LineServer& server,
                                       const std::string& identification) {
    if (!parsed.command) {
        return ReplyLine(Outcome::Failure(ExitCode::Refused, parsed.error));
    }
    if (parsed.command->verb == Verb::Watch) {
        server.Watch(request.client);
        return ReplyLine(Outcome{});
    }
    if (parsed.command->verb == Verb::Identify) {
        return identification;
    }
    return std::nullopt;
}

SessionServer::SessionServer(ControllerSession& session, LineServer& server)
    : m_session(session), m_server(server) {}

LineServer::Handler SessionServer::Handler() {
    return [this](const LineServer::Request& request) {
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
        }
        m_arrived.notify_one();
    };
}

std::optional<LineServer::Request> SessionServer::Take(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                       [this] { return !m_requests.empty(); });
    if (m_requests.empty()) {
        return std::nullopt;
    }
    LineServer::Request request = std::move(m_requests.front());
    m_requests.pop_front();
    return request;
}

void SessionServer::Answer(const LineServer::Request& request) {
    const ParseResult parsed = ParseLine(request.line);
    if (std::optional<std::string> reply =
            ServerReply(request, parsed, m_server, m_session.Identification())) {
        m_server.Reply(request.id, std::move(*reply));
        return;
    }
    m_server.Reply(request.id, ReplyLine(m_session.Run(*parsed.command)));
}

void SessionServer::Run(const std::atomic<bool>& stop) {
    m_session.SetRecordSink([this](const LinkRecord& record) {
        if (record.level == LinkRecord::Level::Moment) {
            m_server.Broadcast(record.json.Text());
        }
    });
    while (!stop) {
        const bool awaited = m_session.LinkReady() && m_session.Engine().State().ReplyExpected();
        const int pace = !m_session.LinkReady() ? 200
                         : awaited              ? ControllerSession::kReplyPollMs
                                                : ControllerSession::kIdlePollMs;
        if (std::optional<LineServer::Request> request = Take(pace)) {
            Answer(*request);
        } else {
            m_session.IdlePoll();
        }
    }
    m_session.SetRecordSink({});
}

}  // namespace ferrule::remote
