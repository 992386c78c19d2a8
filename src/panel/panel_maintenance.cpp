// Looking after the controller: storing and restoring its configuration,
// power, its information text, and how its trigger input reacts.
#include "core/resources/strings.h"
#include "panel/shutter_panel_dlg.h"

bool CShutterPanelDlg::Confirm(const char* text) {
    return ShowMessageBox(QString::fromUtf8(text), QStringLiteral("Warning"),
                          kMbOkCancel | kMbIconInformation) == kIdOk;
}

void CShutterPanelDlg::OnSaveConfigToController() {
    RunGatedCommand([this] {
        if (Confirm(ferrule::kStoreConfigConfirmation)) {
            m_engine.StoreConfiguration();
        }
    });
}

void CShutterPanelDlg::OnRestoreDefault() {
    RunGatedCommand([this] {
        if (Confirm(ferrule::kRestoreDefaultsConfirmation)) {
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
