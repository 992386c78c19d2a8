// The single-byte commands and the shutter, transition-mode, SYNC and trigger
// controls. Each runs in the command frame.
#include "app/shutter_panel_dlg.h"
#include "common/leading_integer.h"
#include "freerun/nd_steps_dlg.h"
#include "protocol/decoder_state.h"

namespace {

namespace wire = ferrule::controller;

constexpr int kSyncPulseBox = 1088;
constexpr int kTriggerPulseBox = 1087;

}  // namespace

void CShutterPanelDlg::OnOnLine() {
    RunGatedCommand([this] { WriteMessage(wire::CommandMessage(wire::kOnline)); });
}

// The controller ends a reset with a carriage return; the decoder then asks
// for the status by itself.
void CShutterPanelDlg::OnReset() {
    RunGatedCommand([this] {
        WriteMessage(wire::CommandMessage(wire::kReset));
        g_nResetPending = 1;
    });
}

void CShutterPanelDlg::OnStatus() {
    RunGatedCommand([this] {
        WriteMessage(wire::CommandMessage(wire::kStatus));
        g_nStatusReplyCount = 0;
    });
}

void CShutterPanelDlg::OnShutterMode(int mode) {
    RunGatedCommand([this, mode] {
        m_nShutterMode = mode;
        WriteMessage(wire::CommandMessage(wire::ModeCode(mode)));
        ShowTransitionCaptions();
        RefreshCycleTime();
    });
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
        const wire::Message message =
            wire::NdModeMessage(ferrule::LeadingInteger(prompt.m_strSteps));
        m_nShutterMode = 2;
        m_nNdSteps = message[1];
        WriteMessage(message);
        ShowTransitionCaptions();
        RefreshCycleTime();
    }
    EndCommand();
}

void CShutterPanelDlg::OnShutter(int shutter) {
    RunGatedCommand([this, shutter] {
        m_nShutter = shutter;
        WriteMessage(wire::CommandMessage(wire::ShutterCode(shutter)));
    });
}

void CShutterPanelDlg::OnSyncLevel(int level) {
    RunGatedCommand([this, level] {
        SetCheck(kSyncPulseBox, true);
        m_nSyncLevel = level;
        WriteMessage(wire::FunctionMessage(wire::SyncCode(level)));
    });
}

// SYNC and the trigger input toggle alike. The decision is the field's, as
// the panel read took it from the radios, not the box's own tick. Turning on
// writes even when the link is not ready; turning off only when it is.
void CShutterPanelDlg::TogglePulse(int box, int& level, int onLevel, uint8_t onCode,
                                   uint8_t offCode, bool linkReady) {
    if (level == -1) {
        level = onLevel;
        SetCheck(box, true);
        WriteMessage(wire::FunctionMessage(onCode));
    } else {
        SetCheck(box, false);
        level = -1;
        if (linkReady) {
            WriteMessage(wire::FunctionMessage(offCode));
        }
    }
}

// On, SYNC is low for open.
void CShutterPanelDlg::OnSyncPulse() {
    RunCommand([this](bool linkReady) {
        TogglePulse(kSyncPulseBox, m_nSyncLevel, 1, wire::SyncCode(1), wire::kSyncOff, linkReady);
    });
}

// On, the trigger input is enabled on high.
void CShutterPanelDlg::OnTriggerPulse() {
    RunCommand([this](bool linkReady) {
        TogglePulse(kTriggerPulseBox, m_nTriggerMode, 0, wire::TriggerCode(0), wire::kTriggerOff,
                    linkReady);
    });
}
