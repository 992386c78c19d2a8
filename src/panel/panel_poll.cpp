// The reply poll: hands the engine its turns to collect and decode whatever
// the controller sent, at a pace set by what is awaited (2 ms while a reply
// is), and shows what the batches changed.
#include <QTimer>

#include "core/common/scope_guards.h"
#include "panel/shutter_panel_dlg.h"

void CShutterPanelDlg::Poll() {
    // A tick that arrives while a poll is still running (a message box shown
    // from inside it keeps the timer going) is skipped.
    if (m_inPoll) {
        return;
    }
    ferrule::ScopedFlag inPoll(m_inPoll);
    // A wake-up after a long interval reads as long as full reads are
    // waiting, so the queue drains as fast as at the 2 ms pace. Each read is
    // its own batch, exactly as if it had come on a tick of its own.
    const int interval = m_pollTimer->isActive() ? m_pollTimer->interval() : 0;
    m_countMayWait = interval == ferrule::PollPace::kStreamMs;
    ferrule::ControllerEngine::PollResult result;
    bool anyWaiting = false;
    bool anyDecoded = false;
    for (int read = 0; read < ferrule::PollPace::ReadsPerWakeUp(interval); ++read) {
        result = m_engine.Poll();
        anyWaiting = anyWaiting || result.waiting > 0;
        anyDecoded = anyDecoded || result.decoded > 0;
        if (!result.ran || result.linkBroken ||
            result.decoded < ferrule::ControllerEngine::kReceiveBufferSize ||
            result.waiting <= result.decoded) {
            break;
        }
    }
    m_countMayWait = false;
    if (!result.ran || result.linkBroken) {
        if (result.linkBroken) {
            RepaintNow();
            OnLinkLost();
        }
        SchedulePoll(0);
        return;
    }
    // While a stream runs the count box is written at most four times a
    // second; once it stops (a wake-up that found nothing), exactly.
    if (m_countBehind && (!anyDecoded || MonotonicMs() - m_countShownMs >= kCountEveryMs)) {
        ShowCount();
    }
    // What a batch changed is painted by the next frame rather than at once:
    // the poll's batches come far faster than anybody sees.
    m_changedControls.clear();
    // The link test's own writes are its stream; any other write awaits a reply.
    const uint64_t writes = m_d2xx.WriteCount();
    const bool streaming = m_engine.Blink().Running();
    const bool wrote = writes != m_writesSeenByPoll && !streaming;
    m_writesSeenByPoll = writes;
    const ferrule::PollPace::Seen seen{.linkReady = m_engine.LinkReady(),
                                       .replyAwaited = wrote || m_engine.State().ReplyExpected(),
                                       .bytesArrived = anyWaiting || streaming};
    SchedulePoll(m_pollPace.AfterPoll(seen, MonotonicMs()));
}

int64_t CShutterPanelDlg::MonotonicMs() const {
    return m_clock.elapsed();
}

void CShutterPanelDlg::PollSoon() {
    SchedulePoll(m_pollPace.Busy(MonotonicMs()));
}

void CShutterPanelDlg::SchedulePoll(int intervalMs) {
    if (intervalMs == 0) {
        m_pollTimer->stop();
    } else if (!m_pollTimer->isActive() || m_pollTimer->interval() != intervalMs) {
        m_pollTimer->start(intervalMs);
    }
}
