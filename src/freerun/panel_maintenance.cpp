// Looking after the controller: storing and restoring its configuration,
// power, its information text, and how its trigger input reacts.
#include "app/shutter_panel_dlg.h"
#include "protocol/decoder_state.h"

namespace wire = ferrule::controller;

namespace {

constexpr const char* kSaveConfirmation =
    "This will save all the current configurations to Quillon controller,\n"
    "the new configurations will be the initial setting when the controller\n"
    "power up next time!\n\nClick OK to save or Cancel to dismiss?";
constexpr const char* kRestoreConfirmation =
    "This will restore the factory default configurations for Quillon controller!\n"
    "Are you sure?\n\nClick OK to restore or Cancel to dismiss?";

}  // namespace

bool CShutterPanelDlg::Confirm(const char* text) {
    return ShowMessageBox(QString::fromUtf8(text), QStringLiteral("Warning"),
                          kMbOkCancel | kMbIconInformation) == kIdOk;
}

void CShutterPanelDlg::OnSaveConfigToController() {
    RunGatedCommand([this] {
        if (Confirm(kSaveConfirmation)) {
            WriteMessage(wire::FunctionMessage(wire::kStoreConfig));
        }
    });
}

// The controller restarts with its factory settings and ends with a carriage
// return; the decoder then asks for the status, so the panel shows them.
void CShutterPanelDlg::OnRestoreDefault() {
    RunGatedCommand([this] {
        if (Confirm(kRestoreConfirmation)) {
            WriteMessage(wire::FunctionMessage(wire::kRestoreDefaults));
            g_nResetPending = 2;
        }
    });
}

void CShutterPanelDlg::OnPower(bool on) {
    RunGatedCommand(
        [this, on] { WriteMessage(wire::CommandMessage(on ? wire::kPowerOn : wire::kPowerOff)); });
}

// The answer is recognised by the decoder from its leading echo.
void CShutterPanelDlg::OnGetControllerInfo() {
    RunGatedCommand([this] { WriteMessage(wire::CommandMessage(wire::kInfo)); });
}

void CShutterPanelDlg::OnTriggerOption(int mode) {
    RunGatedCommand([this, mode] {
        m_nTriggerMode = mode;
        SetCheck(1087, true);
        WriteMessage(wire::FunctionMessage(wire::TriggerCode(mode)));
    });
}
