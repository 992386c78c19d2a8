// The Free Run group: the repeat number, the three running options and STOP.
// The countdown itself is the reply decoder's; On Trigger Pulse and Go arm it.
#include "panel/shutter_panel_dlg.h"

void CShutterPanelDlg::OnSendRepeatCount() {
    RunGatedCommand([this] { m_engine.SendRepeatCount(); });
}

void CShutterPanelDlg::OnRunOption(int option) {
    RunGatedCommand([this, option] {
        if (!m_engine.SetRunOption(option)) {
            ShowMessageBox(QStringLiteral("Please set the repeat number first, then try again!"),
                           QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
        }
    });
}

void CShutterPanelDlg::OnStop() {
    RunGatedCommand([this] { m_engine.Stop(); });
}
