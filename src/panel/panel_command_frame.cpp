// The frame every command runs in: the panel read, the ready gate, the
// engine's body, the time-out reset, the panel write and the repaint.
#include "panel/shutter_panel_dlg.h"

bool CShutterPanelDlg::BeginCommand() {
    UpdateData(true);
    return m_engine.BeginCommand();
}

// The time-outs are reset whether or not anything was sent.
void CShutterPanelDlg::EndCommand() {
    m_engine.EndCommand();
    UpdateData(false);
    RepaintNow();
    PollSoon();
}

void CShutterPanelDlg::RunCommand(const std::function<void(bool linkReady)>& body) {
    body(BeginCommand());
    EndCommand();
}

void CShutterPanelDlg::RunGatedCommand(const std::function<void()>& body) {
    RunCommand([&body](bool linkReady) {
        if (linkReady) {
            body();
        }
    });
}
