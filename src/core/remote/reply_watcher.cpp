#include "core/remote/reply_watcher.h"

#include "core/protocol/message_catalogue.h"

namespace ferrule::remote {

void ReplyWatcher::Arm(Awaits awaits, int cycles) {
    m_awaits = awaits;
    m_expected = 0;
    m_received = 0;
    m_done = false;
    m_linkLost = false;
    m_carriageReturn = false;
    m_cycles = 0;
    m_cycleTarget = cycles;
    m_status.reset();
    m_info.clear();
    m_uploadProblem.clear();
}

bool ReplyWatcher::Complete() const {
    if (m_awaits == Awaits::Answer) {
        return m_expected > 0 && m_received >= m_expected;
    }
    // A finished upload is complete once its last message is answered too,
    // so that the answer is not taken for the reply to the next command.
    if (m_awaits == Awaits::Upload) {
        return m_done && (!m_uploadProblem.empty() || m_received >= m_expected);
    }
    return m_done;
}

void ReplyWatcher::OnEngineEvent(const EngineEvent& event) {
    using Kind = EngineEvent::Kind;
    // The link test's writes come from its own thread: nothing here is
    // touched for them.
    if (event.kind == Kind::LinkTestSent || m_awaits == Awaits::Nothing) {
        return;
    }
    switch (event.kind) {
        case Kind::Sent:
            m_expected += static_cast<int64_t>(event.bytes.size()) + 1;
            break;
        case Kind::Received:
            m_received += static_cast<int64_t>(event.bytes.size());
            break;
        case Kind::Byte:
            if (event.effect == ByteEffect::CycleCounted ||
                (event.effect == ByteEffect::RunEnded && !event.bytes.empty() &&
                 event.bytes[0] != controller::kEnd)) {
                ++m_cycles;
            }
            if (!event.bytes.empty() && event.bytes[0] == controller::kEnd) {
                m_carriageReturn = true;
                m_done = m_done || m_awaits == Awaits::CarriageReturn;
            }
            if (m_awaits == Awaits::RunEnd && (event.effect == ByteEffect::RunEnded ||
                                               (m_cycleTarget > 0 && m_cycles >= m_cycleTarget))) {
                m_done = true;
            }
            break;
        case Kind::StatusReply:
            m_status = *event.status;
            m_done = m_done || m_awaits == Awaits::Status;
            break;
        case Kind::InfoReply:
            m_info = std::string(event.text);
            m_done = m_done || m_awaits == Awaits::Info;
            break;
        case Kind::UploadEnded:
            m_uploadProblem = std::string(event.text);
            m_done = m_done || m_awaits == Awaits::Upload;
            break;
        case Kind::LinkLost:
            m_linkLost = true;
            break;
        default:
            break;
    }
}

}  // namespace ferrule::remote
