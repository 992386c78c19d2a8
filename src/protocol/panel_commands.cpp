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

// The prompt is shown only on a ready link. Leaving it with no text at all
// sends nothing and ends the operation there, the radio left as clicked.
void CShutterPanelDlg::OnNeutralDensity() {
    CNdStepsDlg prompt(this);
    if (BeginCommand()) {
        {
            ModalScope open(*this);
            prompt.DoModal();  // only the text counts, not how the prompt ended
        }
        if (prompt.m_strSteps.empty()) {
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

// Decided by the polarity radios, not by the box's own tick. Turning SYNC on
// writes even when the link is not ready; turning it off only when it is.
void CShutterPanelDlg::OnSyncPulse() {
    RunCommand([this](bool linkReady) {
        if (m_nSyncLevel == -1) {
            m_nSyncLevel = 1;
            SetCheck(kSyncPulseBox, true);
            WriteMessage(wire::FunctionMessage(wire::SyncCode(m_nSyncLevel)));
        } else {
            SetCheck(kSyncPulseBox, false);
            m_nSyncLevel = -1;
            if (linkReady) {
                WriteMessage(wire::FunctionMessage(wire::kSyncOff));
            }
        }
    });
}

// Built as the SYNC toggle is, on the trigger-option radios.
void CShutterPanelDlg::OnTriggerPulse() {
    RunCommand([this](bool linkReady) {
        if (m_nTriggerMode == -1) {
            m_nTriggerMode = 0;
            SetCheck(kTriggerPulseBox, true);
            WriteMessage(wire::FunctionMessage(wire::TriggerCode(m_nTriggerMode)));
        } else {
            SetCheck(kTriggerPulseBox, false);
            m_nTriggerMode = -1;
            if (linkReady) {
                WriteMessage(wire::FunctionMessage(wire::kTriggerOff));
            }
        }
    });
}
