// The panel's cycle-time display and the transition captions, computed from
// the stored times and the shutter mode the panel holds.
#include "app/shutter_panel_dlg.h"
#include "timing/cycle_time.h"
#include "timing/stored_times.h"
#include "timing/time_display.h"
#include "timing/transition_time.h"

void CShutterPanelDlg::ComputeCycleTime() {
    g_strCycleTime =
        ferrule::ComputeCycleTime(g_strClosedTime, g_strExposureTime, m_nShutterMode, m_nNdSteps);
}

void CShutterPanelDlg::ShowCycleTime() {
    SetItemText(1105, ferrule::FormatCycleTime(g_strCycleTime));
}

void CShutterPanelDlg::ShowTransitionCaptions() {
    const ferrule::TransitionTime transition{m_nShutterMode, m_nNdSteps};
    const std::string caption = transition.Caption();
    SetItemText(1100, caption);  // opening
    SetItemText(1099, caption);  // closing
    SetItemText(1057, transition.NdRadioCaption());
}

void CShutterPanelDlg::RefreshCycleTime() {
    ComputeCycleTime();
    ShowCycleTime();
}
