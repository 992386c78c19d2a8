// The reply decoder: routes each received byte to the one reply it belongs to,
// by the states that earlier commands armed.
#include <QCheckBox>

#include "app/received_log_model.h"
#include "app/shutter_panel_dlg.h"
#include "common/leading_integer.h"
#include "protocol/decoder_state.h"
#include "protocol/message_catalogue.h"

namespace {

namespace wire = ferrule::controller;

}  // namespace

void CShutterPanelDlg::CountAndList(uint8_t byte) {
    ++m_nReceivedBytes;
    m_logReceived->AppendRawByte(byte);
}

void CShutterPanelDlg::ReplyDecoder(uint8_t byte) {
    if (g_nFreeRunCountMode > 0) {
        FreeRunCountdown(byte);
    } else if (g_nInfoReplyCount >= 0) {
        InfoReply(byte);
    } else if (g_nStatusReplyCount >= 0) {
        StatusReply(byte);
    } else if (g_nApplyEchoCount >= 0) {
        ApplyUpload(byte);
    } else if (g_nResetPending > 0 && byte == wire::kEnd) {
        CountAndList(byte);
        g_nResetPending = 0;
        g_nStatusReplyCount = 0;
        uint8_t request = wire::kStatus;
        DWORD written = 0;
        m_d2xx.Write(&request, 1, &written);
    } else {
        CountAndList(byte);
        if (byte == wire::kInfo) {
            g_nInfoReplyCount = 0;
        } else if (byte == wire::kOpen) {
            m_nShutter = 0;
        } else if (byte == wire::kClose) {
            m_nShutter = 1;
        }
    }
}

void CShutterPanelDlg::InfoReply(uint8_t byte) {
    ++g_nInfoReplyCount;
    ++m_nReceivedBytes;
    m_infoReply.Store(g_nInfoReplyCount, byte);
    if (g_nInfoReplyCount >= ferrule::InfoReplyText::kLength) {
        m_logReceived->AppendText(m_infoReply.FirstLine());
        m_logReceived->AppendText(m_infoReply.SecondLine());
        g_nInfoReplyCount = -1;
    }
}

void CShutterPanelDlg::FreeRunCountdown(uint8_t byte) {
    if (byte == wire::kOpen || byte == wire::kClose) {
        m_nShutter = byte == wire::kOpen ? 0 : 1;
        uint8_t countedEdge = g_nFreeRunCountEdge == 0 ? wire::kOpen : wire::kClose;
        if (m_strRepeatCount != "Continuous" &&
            (g_nFreeRunCountEdge == 0 || g_nFreeRunCountEdge == 1) && byte == countedEdge) {
            int left = ferrule::LeadingInteger(m_strCyclesLeft);
            if (left == 1) {
                m_strCyclesLeft = m_strRepeatCount;
                if (g_nFreeRunCountMode == 2 ||
                    (g_nFreeRunCountMode == 1 && m_nTriggerMode == -1)) {
                    g_nFreeRunCountMode = 0;
                }
            } else {
                m_strCyclesLeft = std::to_string(left - 1);
            }
        }
    } else if (byte == wire::kEnd) {
        g_nFreeRunCountMode = 0;
        m_strCyclesLeft = m_strRepeatCount;
    }
}
