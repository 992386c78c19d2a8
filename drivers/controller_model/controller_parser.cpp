#include "controller_model/controller_parser.h"

#include "core/protocol/message_catalogue.h"

namespace ferrule {

namespace {

bool IsTimerCode(uint8_t code) {
    return code >= controller::kClosedTimer && code < controller::kExposureTimer + 0x10;
}

}  // namespace

size_t ControllerParser::ExpectedSize() const {
    switch (m_pending[0]) {
        case controller::kModeNd:
            return 2;
        case controller::kFunction:
            if (m_pending.size < 2) {
                return 2;
            }
            if (IsTimerCode(m_pending[1])) {
                return 6;
            }
            return m_pending[1] == controller::kRepeat ? 4 : 2;
        default:
            return 1;
    }
}

std::optional<controller::Message> ControllerParser::Feed(uint8_t byte) {
    m_pending.bytes[m_pending.size++] = byte;
    if (m_pending.size < ExpectedSize()) {
        return std::nullopt;
    }
    controller::Message done = m_pending;
    m_pending = {};
    return done;
}

std::optional<controller::Message> ControllerParser::EndOfWrite() {
    if (m_pending.size != 2 || m_pending[0] != controller::kFunction ||
        m_pending[1] != controller::kRunNone) {
        return std::nullopt;
    }
    controller::Message done = m_pending;
    m_pending = {};
    return done;
}

}  // namespace ferrule
