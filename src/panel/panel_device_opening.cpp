// Opening the chosen device, configuring the link and probing the controller,
// at start-up and by Open, with what the user sees of it.
#include <QLineEdit>

#include "core/link/device_profile.h"
#include "core/reconnect/open_sequence.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/received_log_model.h"

FT_STATUS CShutterPanelDlg::OpenSelectedDevice() {
    UpdateData(true);
    const ferrule::OpenAttempt attempt =
        ferrule::OpenSelectedDevice(m_d2xx, m_fields.m_nOpenBy, m_fields.m_strDevice);
    if (attempt.refusal != ferrule::OpenRefusal::None) {
        ShowOpenRefusal(attempt.refusal);
    } else if (attempt.status != FT_OK) {
        std::string reason;
        const uint32_t category = m_d2xx.LastOpenError(&reason);
        LogOpenFailure(category, reason);
    }
    return attempt.status;
}

void CShutterPanelDlg::ShowOpenRefusal(ferrule::OpenRefusal refusal) {
    const QString caption = QString::fromStdString(m_options.applicationName);
    if (refusal == ferrule::OpenRefusal::NoDeviceText) {
        auto* edit = static_cast<QLineEdit*>(GetDlgItem(ferrule::kCtlDevice));
        edit->setFocus();
        edit->selectAll();
        edit->end(true);
        ShowMessageBox(ferrule::kNoDeviceTextMessage, caption, kMbOk | kMbIconExclamation);
    } else if (refusal == ferrule::OpenRefusal::BadDeviceNumber) {
        ShowMessageBox(ferrule::kBadDeviceNumberMessage, caption, kMbOk | kMbIconExclamation);
    }
}

// The status line only says that the device did not open; where the library
// can tell why (the port is in use by another program, for one), the reason
// goes to the received-data log with where to look further: the link doctor.
void CShutterPanelDlg::LogOpenFailure(uint32_t category, const std::string& reason) {
    m_lastOpenError = category;
    m_lastOpenReason = reason;
    if (category != FTTY_OPEN_ERROR_NONE && !reason.empty()) {
        m_logReceived->AppendText("Could not open the device: " + reason +
                                  ". Diagnose Link... (Ctrl+D) tells what stands in the way.");
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
    m_lastOpenError = FTTY_OPEN_ERROR_NONE;
    m_lastOpenReason.clear();
    PollSoon();
    FollowLinkUp();
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
    StopReconnecting();
    UpdateData(true);
    OpenDevice(CurrentChoice());
}

void CShutterPanelDlg::OpenDevice(const ferrule::DeviceChoice& choice, std::string* quietReason) {
    UpdateData(true);
    m_fields.m_strStatus = "-reset-";
    UpdateData(false);
    RepaintNow();

    const ferrule::OpenOutcome outcome = ferrule::RunOpenSequence(m_engine, choice);
    if (outcome.attempt.refusal != ferrule::OpenRefusal::None) {
        ShowOpenRefusal(outcome.attempt.refusal);
    } else if (outcome.attempt.status != FT_OK) {
        if (quietReason != nullptr) {
            m_lastOpenError = outcome.openError;
            m_lastOpenReason = outcome.reason;
            *quietReason = outcome.reason;
        } else {
            LogOpenFailure(outcome.openError, outcome.reason);
        }
    }
    if (outcome.ready) {
        MarkLinkReady();
    }
    UpdateData(false);
    RepaintNow();
}
