// Opening the chosen device, configuring the link and probing the controller,
// at start-up and by Open, with what the user sees of it.
#include <QLineEdit>

#include "core/link/device_profile.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/received_log_model.h"

FT_STATUS CShutterPanelDlg::OpenSelectedDevice() {
    UpdateData(true);
    const ferrule::OpenAttempt attempt =
        ferrule::OpenSelectedDevice(m_d2xx, m_fields.m_nOpenBy, m_fields.m_strDevice);
    const QString caption = QString::fromStdString(m_options.applicationName);
    if (attempt.refusal == ferrule::OpenRefusal::NoDeviceText) {
        auto* edit = static_cast<QLineEdit*>(GetDlgItem(ferrule::kCtlDevice));
        edit->setFocus();
        edit->selectAll();
        edit->end(true);
        ShowMessageBox(ferrule::kNoDeviceTextMessage, caption, kMbOk | kMbIconExclamation);
    } else if (attempt.refusal == ferrule::OpenRefusal::BadDeviceNumber) {
        ShowMessageBox(ferrule::kBadDeviceNumberMessage, caption, kMbOk | kMbIconExclamation);
    } else if (attempt.status != FT_OK) {
        LogOpenFailure();
    }
    return attempt.status;
}

// The status line only says that the device did not open; where the library
// can tell why (the port is in use by another program, for one), the reason
// goes to the received-data log.
void CShutterPanelDlg::LogOpenFailure() {
    std::string reason;
    if (m_d2xx.LastOpenError(&reason) != FTTY_OPEN_ERROR_NONE && !reason.empty()) {
        m_logReceived->AppendText("Could not open the device: " + reason + ".");
    }
}

// Brings the remembered description, serial number and device number up to
// date from the device that matches the remembered choice.
void CShutterPanelDlg::RefreshRememberedIdentity() {
    const ferrule::RememberedTexts remembered{ProfileText(ferrule::kOpenByDescription),
                                              ProfileText(ferrule::kOpenBySerialNumber),
                                              ProfileText(ferrule::kOpenByDeviceNumber)};
    for (const auto& [method, text] :
         ferrule::RefreshRememberedIdentity(m_d2xx, m_fields.m_nOpenBy, remembered)) {
        WriteProfileText(method, text);
    }
}

// The controller answered the probe: commands may be sent, the poll and the
// link test may run.
void CShutterPanelDlg::MarkLinkReady() {
    m_fields.m_strStatus = ferrule::kLinkReadyStatus;
    SetButtonGroup(100);
    m_engine.SetLinkReady(true);
    PollSoon();
}

void CShutterPanelDlg::OpenAndProbe() {
    std::vector<std::string> drivers{m_options.driverLibrary};
    drivers.insert(drivers.end(), m_options.fallbackDrivers.begin(),
                   m_options.fallbackDrivers.end());
    m_d2xx.LoadD2xx(drivers);
    m_engine.LinkReopened();
    UpdateData(true);
    RefreshRememberedIdentity();

    if (OpenSelectedDevice() != FT_OK) {
        m_fields.m_strStatus = "USB not responding";
        m_engine.SetLinkReady(false);
        GetDlgItem(ferrule::kCtlOpen)->setEnabled(true);
    } else {
        const ferrule::ProbeResult probe = ferrule::ConfigureAndProbe(m_d2xx, false);
        if (probe.Succeeded()) {
            MarkLinkReady();
        } else {
            // The device stays open.
            m_fields.m_strStatus = "No response from USB" + probe.Suffix();
            m_engine.SetLinkReady(false);
            GetDlgItem(ferrule::kCtlOpen)->setEnabled(true);
        }
    }
    m_d2xx.SetTimeouts(ferrule::ControllerEngine::kCommandTimeoutMs,
                       ferrule::ControllerEngine::kCommandTimeoutMs);
    UpdateData(false);
    RepaintNow();
}

void CShutterPanelDlg::OnOpen() {
    UpdateData(true);
    m_fields.m_strStatus = "-reset-";
    UpdateData(false);
    RepaintNow();

    m_d2xx.Close();
    m_engine.LinkReopened();
    if (OpenSelectedDevice() != FT_OK) {
        m_fields.m_strStatus = "Could not open USB";
        m_engine.SetLinkReady(false);
    } else {
        const ferrule::ProbeResult probe = ferrule::ConfigureAndProbe(m_d2xx, true);
        if (probe.Succeeded()) {
            MarkLinkReady();
        } else {
            m_fields.m_strStatus = "USB not responding" + probe.Suffix();
            m_engine.SetLinkReady(false);
            m_d2xx.Close();
        }
    }
    m_d2xx.SetTimeouts(ferrule::ControllerEngine::kCommandTimeoutMs,
                       ferrule::ControllerEngine::kCommandTimeoutMs);
    UpdateData(false);
    RepaintNow();
}
