// The single-byte commands and the shutter, transition-mode, SYNC and trigger
// controls, each the engine's body in the command frame.
#include "core/common/leading_integer.h"
#include "panel/nd_steps_dlg.h"
#include "panel/shutter_panel_dlg.h"

void CShutterPanelDlg::OnOnLine() {
    RunGatedCommand([this] { m_engine.OnLine(); });
}

void CShutterPanelDlg::OnReset() {
    RunGatedCommand([this] { m_engine.Reset(); });
}

void CShutterPanelDlg::OnStatus() {
    RunGatedCommand([this] { m_engine.Status(); });
}

void CShutterPanelDlg::OnShutterMode(int mode) {
    RunGatedCommand([this, mode] { m_engine.SetShutterMode(mode); });
}

// The prompt is shown only on a ready link. Leaving it with no text at all,
// or with the text of an OK it refused, sends nothing and ends the operation
// there, the radio left as clicked.
void CShutterPanelDlg::OnNeutralDensity() {
    CNdStepsDlg prompt(this);
    if (BeginCommand()) {
        {
            ModalScope open(*this);
            prompt.DoModal();  // only the text counts, not how the prompt ended
        }
        if (!CNdStepsDlg::Acceptable(prompt.m_strSteps)) {
            return;
        }
        m_engine.SetNeutralDensity(ferrule::LeadingInteger(prompt.m_strSteps));
    }
    EndCommand();
}

void CShutterPanelDlg::OnShutter(int shutter) {
    RunGatedCommand([this, shutter] { m_engine.SetShutter(shutter); });
}

void CShutterPanelDlg::OnSyncLevel(int level) {
    RunGatedCommand([this, level] { m_engine.SetSyncLevel(level); });
}

void CShutterPanelDlg::OnSyncPulse() {
    RunCommand([this](bool linkReady) { m_engine.ToggleSyncPulse(linkReady); });
}

void CShutterPanelDlg::OnTriggerPulse() {
    RunCommand([this](bool linkReady) { m_engine.ToggleTriggerPulse(linkReady); });
}
