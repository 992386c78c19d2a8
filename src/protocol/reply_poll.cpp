// The reply poll (2 ms while a reply is awaited): collects whatever the controller sent and hands
// it to the decoder, and notices a broken link.
#include <QTimer>
#include <algorithm>

#include "app/shutter_panel_dlg.h"
#include "link/link_globals.h"
#include "protocol/decoder_state.h"

void CShutterPanelDlg::Poll() {
    // A tick that arrives while a poll is still running (a message box shown
    // from inside it keeps the timer going) is skipped.
    if (m_inPoll) {
        return;
    }
    if (g_bLinkReady == 0) {
        SchedulePoll(0);
        return;
    }
    m_inPoll = true;
    DWORD waiting = 0;
    if (m_d2xx.GetQueueStatus(&waiting) != FT_OK) {
        UpdateData(true);
        m_strStatus = "USB not open.";
        OnBlinkOff();
        m_d2xx.Close();
        g_bLinkReady = 0;
        UpdateData(false);
        RepaintNow();
        SchedulePoll(0);
        m_inPoll = false;
        return;
    }
    if (waiting > 0) {
        m_uploadHeardMs = MonotonicMs();
        DWORD got = 0;
        FT_STATUS status =
            m_d2xx.Read(m_receiveBuffer, std::min<DWORD>(waiting, kReceiveBufferSize), &got);
        bool decodable = got <= kReceiveBufferSize && (status == FT_OK || status == FT_IO_ERROR);
        DecodeBatch(m_receiveBuffer, decodable ? got : 0);
    } else if (ExpireSilentUpload()) {
        DecodeBatch(nullptr, 0);
    }
    // The link test's own writes are its stream; any other write awaits a reply.
    uint64_t writes = m_d2xx.WriteCount();
    bool wrote = writes != m_writesSeenByPoll && g_bBlinkRun == 0;
    m_writesSeenByPoll = writes;
    ferrule::PollPace::Seen seen{.linkReady = g_bLinkReady != 0,
                                 .replyAwaited = wrote || ReplyExpected(),
                                 .bytesArrived = waiting > 0 || g_bBlinkRun != 0};
    SchedulePoll(m_pollPace.AfterPoll(seen, m_clock.elapsed()));
    m_inPoll = false;
}

// A reply or report is on its way when a decoder state is armed.
bool CShutterPanelDlg::ReplyExpected() const {
    return g_nFreeRunCountMode > 0 || g_nInfoReplyCount >= 0 || g_nStatusReplyCount >= 0 ||
           g_nApplyEchoCount >= 0 || g_nResetPending > 0;
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

void CShutterPanelDlg::DecodeBatch(const uint8_t* bytes, size_t count) {
    if (count > 0) {
        UpdateData(true);
        for (size_t i = 0; i < count; ++i) {
            ReplyDecoder(bytes[i]);
        }
    }
    UpdateData(false);
    RepaintNextFrame();
}
