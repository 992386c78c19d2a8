// The frame every command runs in: the panel read, the ready gate, the body,
// the time-out reset, the panel write and the repaint.
#include "app/shutter_panel_dlg.h"
#include "link/link_globals.h"
#include "protocol/decoder_state.h"

// Any command but Apply ends an upload still under way: its echoes would
// otherwise be counted as the upload's.
bool CShutterPanelDlg::BeginCommand() {
    AbandonUpload();
    UpdateData(true);
    return m_strStatus == kLinkReadyStatus;
}

// The time-outs are reset whether or not anything was sent.
void CShutterPanelDlg::EndCommand() {
    m_d2xx.SetTimeouts(kCommandTimeoutMs, kCommandTimeoutMs);
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

// The written count and the status are not examined: a broken link shows in
// the poll, which then closes the gate.
void CShutterPanelDlg::WriteMessage(const ferrule::controller::Message& message) {
    DWORD written = 0;
    m_d2xx.Write(message.data(), static_cast<DWORD>(message.size), &written);
}
