// Set Timer on Controller: sends the time being edited as the timer the
// selector shows, and keeps it as that stored time.
#include "app/shutter_panel_dlg.h"
#include "timing/stored_times.h"
#include "timing/time_display.h"
#include "timing/timer_frame.h"

namespace wire = ferrule::controller;

// The frame is built before the stored time changes and the cycle time is
// computed before the write; the displays change only after it.
void CShutterPanelDlg::OnSetTimer() {
    RunGatedCommand([this] {
        if (m_nTimerSelect == -1) {
            return;
        }
        const bool closed = m_nTimerSelect == 0;
        const ferrule::TimeText edited{m_strHour, m_strMinute, m_strSecond, m_strMillisecond,
                                       m_strTenthMs};
        if (RefuseUnsendableEdit(edited)) {
            return;
        }
        const wire::Message frame =
            *ferrule::TimerFrame(closed ? wire::kClosedTimer : wire::kExposureTimer, edited);
        ferrule::TimeText& stored = closed ? g_strClosedTime : g_strExposureTime;
        stored = edited;
        ComputeCycleTime();
        WriteMessage(frame);
        SetItemText(closed ? 1103 : 1104, ferrule::FormatTimeText(stored, ":"));
        ShowCycleTime();
    });
}
