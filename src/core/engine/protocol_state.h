// What the conversation with the controller remembers between bytes: the
// counters and flags that commands arm and the reply decoder routes each
// received byte by, and the stored closed, exposure and cycle times.
#pragma once

#include "core/timing/time_text.h"

namespace ferrule {

struct ProtocolState {
    int m_nFreeRunCountMode = 0;   // 0 off, 1 armed by On Trigger Pulse, 2 by Go
    int m_nFreeRunCountEdge = -1;  // shutter state when armed: 0 counts on 0xAA, 1 on 0xAC
    int m_nInfoReplyCount = -1;    // -1 idle, else information-reply bytes received
    int m_nStatusReplyCount = -1;  // -1 idle, 0 armed, then the position of the last byte
    int m_nApplyEchoCount = -1;    // -1 idle, else bytes received since the upload began
    int m_nApplyNextAt = -1;       // the echo count at which the next upload step goes out
    int m_nResetPending = 0;       // > 0: the next carriage return requests the status
    int m_nRepeatCountHigh = 0;    // high byte of the repeat number, shifted left by 8

    TimeText m_strClosedTime;
    TimeText m_strExposureTime;
    TimeText m_strCycleTime;  // written only by the cycle-time computation

    // Everything back to its value at start.
    void Reset() { *this = ProtocolState{}; }

    // A reply or report is on its way: some state is armed.
    bool ReplyExpected() const;

    // An upload that nobody finishes is dropped: when the user gives another
    // command, when the link is opened again, or when the controller stays
    // silent. Left armed, it would take every later byte and send the rest of
    // a configuration, ending with its free run, once bytes came in again.
    void AbandonUpload();
    // The link is opened again: nothing asked of the old link is still
    // coming. The upload, the status reply and the information reply go.
    void AbandonRepliesOnReopen();

    // The stored time the timer selector designates: the exposure time for
    // index 1, the closed time for anything else (none selected included).
    TimeText& DesignatedStoredTime(int timerSelect);
};

}  // namespace ferrule
