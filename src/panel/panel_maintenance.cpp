// Looking after the controller: storing and restoring its configuration,
// power, its information text, and how its trigger input reacts.
#include "panel/shutter_panel_dlg.h"

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
            m_engine.StoreConfiguration();
        }
    });
}

void CShutterPanelDlg::OnRestoreDefault() {
    RunGatedCommand([this] {
        if (Confirm(kRestoreConfirmation)) {
            m_engine.RestoreDefaults();
        }
    });
}

void CShutterPanelDlg::OnPower(bool on) {
    RunGatedCommand([this, on] { m_engine.SetPower(on); });
}

void CShutterPanelDlg::OnGetControllerInfo() {
    RunGatedCommand([this] { m_engine.GetControllerInfo(); });
}

void CShutterPanelDlg::OnTriggerOption(int mode) {
    RunGatedCommand([this, mode] { m_engine.SetTriggerOption(mode); });
}
