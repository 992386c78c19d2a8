#include "core/engine/protocol_state.h"

namespace ferrule {

bool ProtocolState::ReplyExpected() const {
    return m_nFreeRunCountMode > 0 || m_nInfoReplyCount >= 0 || m_nStatusReplyCount >= 0 ||
           m_nApplyEchoCount >= 0 || m_nResetPending > 0;
}

void ProtocolState::AbandonUpload() {
    m_nApplyEchoCount = -1;
    m_nApplyNextAt = -1;
}

void ProtocolState::AbandonRepliesOnReopen() {
    AbandonUpload();
    m_nStatusReplyCount = -1;
    m_nInfoReplyCount = -1;
}

TimeText& ProtocolState::DesignatedStoredTime(int timerSelect) {
    constexpr int kExposureTimeSelected = 1;
    return timerSelect == kExposureTimeSelected ? m_strExposureTime : m_strClosedTime;
}

}  // namespace ferrule
