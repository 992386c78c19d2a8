// The link test from the session: the stream at a speed for a while, then
// stopped, and what went out and came back counted.
#include <atomic>

#include "core/remote/controller_session.h"

namespace ferrule::remote {

namespace {

// Counts the stream's bytes (told on the link test's thread) and the bytes
// received (on the engine's).
class StreamCounter : public EngineObserver {
public:
    void OnEngineEvent(const EngineEvent& event) override {
        if (event.kind == EngineEvent::Kind::LinkTestSent) {
            sent += static_cast<int64_t>(event.bytes.size());
        } else if (event.kind == EngineEvent::Kind::Received) {
            received += static_cast<int64_t>(event.bytes.size());
        }
    }
    std::atomic<int64_t> sent{0};
    std::atomic<int64_t> received{0};
};

// The stream's echoes still on their way are waited for this long at most
// after it stops, beyond the reply time-out never.
constexpr int64_t kEchoDrainMs = 500;

}  // namespace

Outcome ControllerSession::Blink(const Command& command) {
    StreamCounter counter;
    m_engine.AddObserver(&counter);
    m_engine.Blink().SetSpeed(command.number);
    m_engine.StartLinkTest();
    bool linkFailed = false;
    const int64_t end = m_clock.NowMs() + command.durationMs;
    while (!linkFailed && !Interrupted() && m_clock.NowMs() < end) {
        const ControllerEngine::PollResult polled = m_engine.Poll();
        linkFailed = !polled.ran || polled.linkBroken;
        m_clock.Sleep(kReplyPollMs * 8);
    }
    m_engine.Blink().StopAndWait();
    const int64_t drainEnd = m_clock.NowMs() + std::min<int64_t>(kEchoDrainMs, m_options.timeoutMs);
    while (!linkFailed && counter.received < counter.sent && m_clock.NowMs() < drainEnd) {
        m_clock.Sleep(kReplyPollMs);
        const ControllerEngine::PollResult polled = m_engine.Poll();
        linkFailed = !polled.ran || polled.linkBroken;
    }
    m_engine.RemoveObserver(&counter);
    if (linkFailed) {
        return Outcome::Failure(ExitCode::LinkFailed, "blink: the link to the controller failed");
    }
    Outcome outcome;
    const int64_t sent = counter.sent;
    const int64_t received = counter.received;
    outcome.result.Set("speed", command.number)
        .Set("ms", command.durationMs)
        .Set("sent", sent)
        .Set("received", received);
    outcome.lines = {"link test at speed " + std::to_string(command.number) + ": " +
                     std::to_string(sent) + " bytes sent, " + std::to_string(received) +
                     " received"};
    if (sent > 0 && received == 0) {
        return Outcome::Failure(ExitCode::NoAnswer, "blink: " + outcome.lines.front() +
                                                        "; the controller did not echo the stream");
    }
    return outcome;
}

}  // namespace ferrule::remote
