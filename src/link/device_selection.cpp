// Choosing the device: the open method, the device text, the list of attached
// devices, and the profile that remembers the choice.

#include "app/line_list_view.h"
#include "app/received_log_model.h"
#include "app/shutter_panel_dlg.h"
#include "link/device_listing.h"
#include "link/device_profile.h"

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
    ferrule::RewriteResult result = m_profile.WriteString(kProfileSection, key, value);
    if (!result && !m_profileProblemTold) {
        m_profileProblemTold = true;
        m_logReceived->AppendText("The profile " + m_profile.Path() + " " + result.Reason() +
                                  "; the device choice is not remembered.");
    }
}

void CShutterPanelDlg::ReadDeviceChoice() {
    m_nOpenBy = m_profile.GetInt(kProfileSection, ferrule::kOpenMethodKey, 0);
    if (ferrule::IsOpenMethod(m_nOpenBy)) {
        m_strDevice = ProfileText(m_nOpenBy);
    }
}

void CShutterPanelDlg::OnOpenByRadio(int method) {
    WriteProfile(ferrule::kOpenMethodKey, std::to_string(method));
    UpdateData(true);
    m_strDevice = ProfileText(method);
    UpdateData(false);
    RepaintNow();
}

void CShutterPanelDlg::OnDeviceTextChanged() {
    UpdateData(true);
    if (ferrule::IsOpenMethod(m_nOpenBy)) {
        WriteProfileText(m_nOpenBy, m_strDevice);
    }
    if (m_strDevice.empty()) {
        m_nOpenBy = ferrule::kOpenByDeviceNumber;
    }
    UpdateData(false);
    RepaintNow();
}

void CShutterPanelDlg::OnListSelection() {
    UpdateData(true);
    m_strDevice = m_logReceived->LineText(m_listReceived->currentRow());
    UpdateData(false);
    RepaintNow();
    if (ferrule::IsOpenMethod(m_nOpenBy)) {
        WriteProfileText(m_nOpenBy, m_strDevice);
    }
}

void CShutterPanelDlg::OnSearch() {
    m_d2xx.Close();
    UpdateData(true);
    m_strStatus = "USB Closed.";
    m_nReceivedBytes = 0;
    m_strDevice.clear();
    ++m_suppressNotifications;
    m_logReceived->Clear();
    --m_suppressNotifications;
    UpdateData(false);
    RepaintNow();

    // A count the library did not deliver is no devices.
    DWORD count = 0;
    if (m_d2xx.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) {
        ShowMessageBox("FT_ListDevices failed", QString::fromStdString(m_options.applicationName),
                       kMbOk | kMbIconExclamation);
        return;
    }
    m_logReceived->AppendText(std::to_string(count) + " device(s) attached:");

    if (m_nOpenBy == ferrule::kOpenByDeviceNumber && count != 0) {
        for (DWORD i = 0; i < count; ++i) {
            m_logReceived->AppendText(std::to_string(i));
        }
    }
    if ((m_nOpenBy == ferrule::kOpenByDescription || m_nOpenBy == ferrule::kOpenBySerialNumber) &&
        count != 0) {
        DWORD flags =
            FT_LIST_ALL | (m_nOpenBy == ferrule::kOpenByDescription ? FT_OPEN_BY_DESCRIPTION
                                                                    : FT_OPEN_BY_SERIAL_NUMBER);
        count = 0;
        if (m_d2xx.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) == FT_OK) {
            ferrule::DeviceListing listing(count);
            if (m_d2xx.ListDevices(listing.Table(), &count, flags) == FT_OK) {
                int listed = std::min<int>(static_cast<int>(count), listing.Size());
                for (int i = 0; i < listed; ++i) {
                    m_logReceived->AppendText(listing.Text(i));
                }
            } else {
                m_logReceived->AppendText("ListDevices failed");
            }
        }
    }
    UpdateData(false);
    RepaintNow();
}
