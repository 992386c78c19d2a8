// Choosing the device: the open method, the device text, the list of attached
// devices, and the profile that remembers the choice.
#include "core/common/scope_guards.h"
#include "core/link/device_profile.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/line_list_view.h"
#include "panel/widgets/received_log_model.h"

using ferrule::kDevicePlaceholder;
using ferrule::kProfileSection;

std::string CShutterPanelDlg::ProfileText(int method) const {
    return m_profile.GetString(kProfileSection, ferrule::KeyForMethod(method), kDevicePlaceholder);
}

void CShutterPanelDlg::WriteProfileText(int method, const std::string& text) {
    WriteProfile(ferrule::KeyForMethod(method), text);
}

// The device text is written on every keystroke, so a profile that cannot be
// written is told once a run, as a line in the log, never as a box per write.
void CShutterPanelDlg::WriteProfile(std::string_view key, const std::string& value) {
    const ferrule::RewriteResult result = m_profile.WriteString(kProfileSection, key, value);
    if (!result && !m_profileProblemTold) {
        m_profileProblemTold = true;
        m_logReceived->AppendText("The profile " + m_profile.Path() + " " + result.Reason() +
                                  "; the device choice is not remembered.");
    }
}

void CShutterPanelDlg::ReadDeviceChoice() {
    m_fields.m_nOpenBy = m_profile.GetInt(kProfileSection, ferrule::kOpenMethodKey, 0);
    if (ferrule::IsOpenMethod(m_fields.m_nOpenBy)) {
        m_fields.m_strDevice = ProfileText(m_fields.m_nOpenBy);
    }
}

void CShutterPanelDlg::OnOpenByRadio(int method) {
    WriteProfile(ferrule::kOpenMethodKey, std::to_string(method));
    UpdateData(true);
    m_fields.m_strDevice = ProfileText(method);
    UpdateData(false);
    RepaintNow();
}

void CShutterPanelDlg::OnDeviceTextChanged() {
    UpdateData(true);
    if (ferrule::IsOpenMethod(m_fields.m_nOpenBy)) {
        WriteProfileText(m_fields.m_nOpenBy, m_fields.m_strDevice);
    }
    if (m_fields.m_strDevice.empty()) {
        m_fields.m_nOpenBy = ferrule::kOpenByDeviceNumber;
    }
    UpdateData(false);
    RepaintNow();
}

void CShutterPanelDlg::OnListSelection() {
    UpdateData(true);
    m_fields.m_strDevice = m_logReceived->LineText(m_listReceived->currentRow());
    UpdateData(false);
    RepaintNow();
    if (ferrule::IsOpenMethod(m_fields.m_nOpenBy)) {
        WriteProfileText(m_fields.m_nOpenBy, m_fields.m_strDevice);
    }
}

// Search closes the device to list what is attached; replies the old link
// still owed are dropped with it.
void CShutterPanelDlg::OnSearch() {
    StopReconnecting();
    m_d2xx.Close();
    m_engine.LinkReopened();
    UpdateData(true);
    m_fields.m_strStatus = "USB Closed.";
    m_fields.m_nReceivedBytes = 0;
    m_fields.m_strDevice.clear();
    {
        ferrule::ScopedIncrement quiet(m_suppressNotifications);
        m_logReceived->Clear();
    }
    UpdateData(false);
    RepaintNow();

    const ferrule::DeviceSearch search = ferrule::SearchDevices(m_d2xx, m_fields.m_nOpenBy);
    if (search.countFailed) {
        ShowMessageBox("FT_ListDevices failed", QString::fromStdString(m_options.applicationName),
                       kMbOk | kMbIconExclamation);
        return;
    }
    for (const std::string& line : search.lines) {
        m_logReceived->AppendText(line);
    }
    UpdateData(false);
    RepaintNow();
}
