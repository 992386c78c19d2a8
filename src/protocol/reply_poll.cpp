// The 2 ms poll: collects whatever the controller sent and hands it to the
// decoder, and notices a broken link.
#include <algorithm>

#include "app/shutter_panel_dlg.h"
#include "link/link_globals.h"

void CShutterPanelDlg::Poll() {
    // A tick that arrives while a poll is still running (a message box shown
    // from inside it keeps the timer going) is skipped.
    if (m_inPoll || g_bLinkReady == 0) {
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
        m_inPoll = false;
        return;
    }
    if (waiting == 0) {
        m_inPoll = false;
        return;
    }
    DWORD got = 0;
    FT_STATUS status =
        m_d2xx.Read(m_receiveBuffer, std::min<DWORD>(waiting, kReceiveBufferSize), &got);
    bool decodable = got <= kReceiveBufferSize && (status == FT_OK || status == FT_IO_ERROR);
    DecodeBatch(m_receiveBuffer, decodable ? got : 0);
    m_inPoll = false;
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
