// The reply poll: hands the engine its turn to collect and decode whatever
// the controller sent, at a pace set by what is awaited (2 ms while a reply
// is), and shows what the batch changed.
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
    const ferrule::ControllerEngine::PollResult result = m_engine.Poll();
    if (!result.ran || result.linkBroken) {
        if (result.linkBroken) {
            RepaintNow();
            OnLinkLost();
        }
        SchedulePoll(0);
        return;
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
                                       .bytesArrived = result.waiting > 0 || streaming};
    SchedulePoll(m_pollPace.AfterPoll(seen, m_clock.elapsed()));
}

int64_t CShutterPanelDlg::MonotonicMs() const {
    return m_clock.elapsed();
}

void CShutterPanelDlg::PollSoon() {
    SchedulePoll(m_pollPace.Busy(m_clock.elapsed()));
}

void CShutterPanelDlg::SchedulePoll(int intervalMs) {
    if (intervalMs == 0) {
        m_pollTimer->stop();
    } else if (!m_pollTimer->isActive() || m_pollTimer->interval() != intervalMs) {
        m_pollTimer->start(intervalMs);
    }
}
