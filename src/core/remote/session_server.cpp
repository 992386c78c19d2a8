#include "core/remote/session_server.h"

#include <algorithm>

#include "core/reconnect/device_presence.h"

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

SessionServer::SessionServer(ControllerSession& session, LineServer& server, bool reconnect,
                             NoticeSink notices)
    : m_session(session), m_server(server), m_notices(std::move(notices)) {
    m_reconnect.SetEnabled(reconnect, m_session.ClockMs());
    m_session.Engine().AddObserver(this);
}

SessionServer::~SessionServer() {
    m_session.Engine().RemoveObserver(this);
}

void SessionServer::OnEngineEvent(const EngineEvent& event) {
    if (event.kind == EngineEvent::Kind::LinkLost) {
        m_lost = true;
    }
}

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
    const bool open = parsed.command->verb == Verb::Open;
    if (open) {
        // The client's own open has the last word over any reconnect.
        m_reconnect.UserTookOver();
    }
    m_server.Reply(request.id, ReplyLine(m_session.Run(*parsed.command)));
    if (open && m_session.LinkReady()) {
        FollowLinkUp();
    }
}

int SessionServer::PaceMs() {
    if (m_session.LinkReady()) {
        const bool awaited = m_session.Engine().State().ReplyExpected();
        return awaited ? ControllerSession::kReplyPollMs : ControllerSession::kIdlePollMs;
    }
    // Down: nothing to poll; only a look for the device may be due. The wait
    // stays short enough for a stop signal to be seen soon.
    constexpr int kDownPaceMs = 200;
    const std::optional<int64_t> due = m_reconnect.NextTickMs();
    if (!due) {
        return kDownPaceMs;
    }
    return static_cast<int>(
        std::clamp<int64_t>(*due - m_session.ClockMs(), 0, int64_t{kDownPaceMs}));
}

void SessionServer::FollowLinkUp() {
    m_reconnect.LinkUp(m_session.OpenChoice(), m_session.ClockMs());
    m_reconnect.LearnSerial(m_session.Device().serial);
}

void SessionServer::FollowLink() {
    if (m_lost) {
        m_lost = false;
        m_reconnect.LinkLost(m_session.ClockMs());
    }
    const std::optional<int64_t> due = m_reconnect.NextTickMs();
    if (due && m_session.ClockMs() >= *due) {
        const std::optional<ferrule::DeviceChoice> found =
            m_reconnect.Tick(m_session.ClockMs(), [this](const ferrule::WatchedDevice& device) {
                return ferrule::LocateWatchedDevice(m_session.Driver(), device);
            });
        if (found) {
            const Outcome reopened = m_session.Reopen(*found);
            m_lost = false;  // a loss the reopen itself saw belongs to the old link
            const std::string why = !m_session.LastOpenReason().empty()
                                        ? m_session.LastOpenReason()
                                        : m_session.Engine().Fields().m_strStatus;
            m_reconnect.ReopenFinished(reopened.Done(), m_session.ClockMs(), why);
            if (reopened.Done()) {
                const DeviceIdentity& device = m_session.Device();
                Broadcast("link-back", JsonObject()
                                           .Set("description", device.description)
                                           .Set("serial", device.serial));
            }
        }
    }
    TellNotices();
}

void SessionServer::TellNotices() {
    for (const std::string& notice : m_reconnect.TakeNotices()) {
        Broadcast("link-notice", JsonObject().Set("text", notice));
        if (m_notices) {
            m_notices(notice);
        }
    }
}

void SessionServer::Broadcast(const char* event, const JsonObject& fields) {
    m_server.Broadcast(JsonObject()
                           .Set("event", event)
                           .Append(fields)
                           .Set("t_ms", m_session.ClockMs() - m_startMs)
                           .Text());
}

void SessionServer::Run(const std::atomic<bool>& stop) {
    m_startMs = m_session.ClockMs();
    m_session.SetRecordSink([this](const LinkRecord& record) {
        if (record.level == LinkRecord::Level::Moment) {
            m_server.Broadcast(record.json.Text());
        }
    });
    if (m_session.LinkReady()) {
        FollowLinkUp();
    }
    while (!stop) {
        if (std::optional<LineServer::Request> request = Take(PaceMs())) {
            Answer(*request);
        } else {
            m_session.IdlePoll();
        }
        FollowLink();
    }
    m_session.SetRecordSink({});
}

}  // namespace ferrule::remote
