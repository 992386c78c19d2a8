// The link test's buttons and speed, and the Clear button of the
// received-data log. The stream itself is the engine's link test.
#include <QSlider>

#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/received_log_model.h"

void CShutterPanelDlg::OnBlinkLeds() {
    if (!m_engine.LinkReady()) {
        return;
    }
    SetButtonGroup(101);
    GetDlgItem(ferrule::kCtlBlinkOff)->setEnabled(true);
    GetDlgItem(ferrule::kCtlSpeed)->setEnabled(true);
    GetDlgItem(ferrule::kCtlExit)->setEnabled(false);
    m_engine.StartLinkTest();
    PollSoon();
}

void CShutterPanelDlg::OnBlinkOff() {
    m_engine.Blink().Stop();
    SetButtonGroup(100);
    GetDlgItem(ferrule::kCtlExit)->setEnabled(true);
}

// The poll found the link broken: the stream stops as Blink Off stops it.
void CShutterPanelDlg::LinkBroken() {
    OnBlinkOff();
}

void CShutterPanelDlg::OnSpeedReleased() {
    m_engine.Blink().SetSpeed(m_sliderSpeed->value());
}

void CShutterPanelDlg::OnClear() {
    UpdateData(true);
    m_fields.m_nReceivedBytes = 0;
    m_logReceived->Clear();
    UpdateData(false);
    RepaintNow();
}
