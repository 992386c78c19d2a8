// The status reply as the panel shows it: each byte taken into the panel's
// fields by its position, and after the last one the refresh of every
// control that shows the controller's settings.
#include <QComboBox>

#include "app/shutter_panel_dlg.h"
#include "protocol/decoder_state.h"
#include "protocol/status_reply.h"
#include "timing/stored_times.h"
#include "timing/time_display.h"

ferrule::StatusSettings CShutterPanelDlg::StatusFields() {
    return {m_nShutter,       m_nShutterMode,  m_nNdSteps,       m_nTriggerMode,
            m_nSyncLevel,     m_nTimerSelect,  m_nFreeRunOption, g_nRepeatCountHigh,
            m_strRepeatCount, m_strCyclesLeft, g_strClosedTime,  g_strExposureTime};
}

void CShutterPanelDlg::StatusReply(uint8_t byte) {
    CountAndList(byte);
    const int position = ++g_nStatusReplyCount;
    switch (ferrule::TakeStatusByte(StatusFields(), position, byte)) {
        case ferrule::StatusField::Mode:
            // Neutral Density's captions wait for the step count.
            if (m_nShutterMode != 2) {
                ShowTransitionCaptions();
            }
            break;
        case ferrule::StatusField::NdSteps:
            ShowTransitionCaptions();
            break;
        case ferrule::StatusField::Trigger:
            SetCheck(1087, m_nTriggerMode != -1);
            break;
        case ferrule::StatusField::Sync:
            SetCheck(1088, m_nSyncLevel != -1);
            break;
        default:
            break;
    }
    if (position >= ferrule::kStatusReplyLength) {
        EndStatusReply();
    }
}

void CShutterPanelDlg::EndStatusReply() {
    g_nStatusReplyCount = -1;
    ComputeCycleTime();
    if (m_nTimerSelect != -1) {
        ++m_suppressNotifications;
        m_comboTimer->setCurrentIndex(m_nTimerSelect);
        --m_suppressNotifications;
    }
    EditDesignatedTime();
    UpdateData(false);
    SetItemText(1103, ferrule::FormatTimeText(g_strClosedTime, " : "));
    SetItemText(1104, ferrule::FormatTimeText(g_strExposureTime, " : "));
    ShowCycleTime();
}
