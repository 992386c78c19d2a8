// Opening the chosen device, configuring the link and probing the controller.
#include <QLineEdit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/received_log_model.h"
#include "app/shutter_panel_dlg.h"
#include "common/leading_integer.h"
#include "link/device_listing.h"
#include "link/device_profile.h"
#include "link/link_globals.h"
#include "protocol/message_catalogue.h"

namespace {

// " (0x%.2X)" of the byte that came back; nothing when no byte came at all.
std::string ProbeSuffix(bool answered, uint8_t byte) {
    if (!answered) {
        return {};
    }
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, " (0x%.2X)", byte);
    return suffix;
}

void* IndexArgument(int index) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<DWORD>(index)));
}

}  // namespace

FT_STATUS CShutterPanelDlg::OpenSelectedDevice() {
    UpdateData(true);
    if (m_strDevice.find("Enter device Description") != std::string::npos) {
        auto* edit = static_cast<QLineEdit*>(GetDlgItem(1026));
        edit->setFocus();
        edit->selectAll();
        edit->end(true);
        ShowMessageBox("You must enter a Device Description or Serial Number.",
                       QString::fromStdString(m_options.applicationName),
                       kMbOk | kMbIconExclamation);
        return FT_DEVICE_NOT_OPENED;
    }
    if (m_nOpenBy == ferrule::kOpenByDescription) {
        return LogOpenFailure(m_d2xx.OpenEx(m_strDevice, FT_OPEN_BY_DESCRIPTION));
    }
    if (m_nOpenBy == ferrule::kOpenBySerialNumber) {
        return LogOpenFailure(m_d2xx.OpenEx(m_strDevice, FT_OPEN_BY_SERIAL_NUMBER));
    }
    if (m_strDevice.empty()) {
        return LogOpenFailure(m_d2xx.Open(0));
    }
    if (m_strDevice.size() <= 2) {
        int number = ferrule::LeadingInteger(m_strDevice);
        if (static_cast<unsigned>(number) <= 64) {
            return LogOpenFailure(m_d2xx.Open(number));
        }
    }
    ShowMessageBox("Select a method to open or enter a valid device number (0-64).",
                   QString::fromStdString(m_options.applicationName), kMbOk | kMbIconExclamation);
    return FT_DEVICE_NOT_OPENED;
}

// The status line only says that the device did not open; where the library
// can tell why (the port is in use by another program, for one), the reason
// goes to the received-data log.
FT_STATUS CShutterPanelDlg::LogOpenFailure(FT_STATUS status) {
    std::string reason;
    if (status != FT_OK && m_d2xx.LastOpenError(&reason) != FTTY_OPEN_ERROR_NONE &&
        !reason.empty()) {
        m_logReceived->AppendText("Could not open the device: " + reason + ".");
    }
    return status;
}

CShutterPanelDlg::ProbeResult CShutterPanelDlg::ConfigureAndProbe(bool fromOpen) {
    m_d2xx.ResetDevice();
    m_d2xx.SetTimeouts(3000, 3000);
    m_d2xx.Purge(FT_PURGE_RX);
    m_d2xx.SetLatencyTimer(2);
    m_d2xx.SetBaudRate(128000);
    m_d2xx.SetUSBParameters(64, 0);
    if (fromOpen) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    uint8_t probe = ferrule::controller::kOnline;
    DWORD written = 0;
    m_d2xx.Write(&probe, 1, &written);

    uint8_t reply[2] = {0, 0};
    DWORD got = 0;
    m_d2xx.Read(reply, sizeof reply, &got);
    if (fromOpen) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (got == 0) {
        m_d2xx.Read(reply, sizeof reply, &got);
    }
    ProbeResult result;
    result.answered = got > 0 && got <= sizeof reply;
    result.firstByte = result.answered ? reply[0] : 0;
    return result;
}

// Brings the remembered description, serial number and device number up to
// date from the device that matches the remembered choice. A look-up that
// fails leaves the profile as it was.
void CShutterPanelDlg::RefreshRememberedIdentity() {
    using ferrule::kProfileSection;
    DWORD count = 0;
    m_d2xx.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
    ferrule::DeviceListing listing(count);

    std::string desc = ProfileText(ferrule::kOpenByDescription);
    std::string serial = ProfileText(ferrule::kOpenBySerialNumber);
    std::string devnum = ProfileText(ferrule::kOpenByDeviceNumber);

    auto refresh = [&](std::string& remembered, int method, const std::string& found) {
        if (found != remembered) {
            remembered = found;
            WriteProfileText(method, remembered);
        }
    };
    auto lookUp = [&](int index, DWORD by, std::string* text) {
        char buffer[ferrule::DeviceListing::kBufferSize] = {};
        if (m_d2xx.ListDevices(IndexArgument(index), buffer, FT_LIST_BY_INDEX | by) != FT_OK) {
            return false;
        }
        *text = std::string(buffer, strnlen(buffer, sizeof buffer));
        return true;
    };

    if (m_nOpenBy == ferrule::kOpenByDescription || m_nOpenBy == ferrule::kOpenBySerialNumber) {
        bool byDescription = m_nOpenBy == ferrule::kOpenByDescription;
        DWORD listBy = byDescription ? FT_OPEN_BY_DESCRIPTION : FT_OPEN_BY_SERIAL_NUMBER;
        const std::string& wanted = byDescription ? desc : serial;
        if (listing.Size() == 0 ||
            m_d2xx.ListDevices(listing.Table(), &count, FT_LIST_ALL | listBy) != FT_OK) {
            return;
        }
        int listed = std::min<int>(static_cast<int>(count), listing.Size());
        for (int j = 0; j < listed; ++j) {
            if (listing.Text(j) != wanted) {
                continue;
            }
            std::string other;
            DWORD otherBy = byDescription ? FT_OPEN_BY_SERIAL_NUMBER : FT_OPEN_BY_DESCRIPTION;
            if (lookUp(j, otherBy, &other)) {
                if (byDescription) {
                    refresh(serial, ferrule::kOpenBySerialNumber, other);
                } else {
                    refresh(desc, ferrule::kOpenByDescription, other);
                }
            }
            if (ferrule::LeadingInteger(devnum) != j) {
                refresh(devnum, ferrule::kOpenByDeviceNumber, std::to_string(j));
            }
            return;
        }
        return;
    }

    int n = ferrule::LeadingInteger(devnum);
    std::string found;
    if (lookUp(n, FT_OPEN_BY_DESCRIPTION, &found)) {
        refresh(desc, ferrule::kOpenByDescription, found);
    }
    if (lookUp(n, FT_OPEN_BY_SERIAL_NUMBER, &found)) {
        refresh(serial, ferrule::kOpenBySerialNumber, found);
    }
}

// The controller answered the probe: commands may be sent, the poll and the
// link test may run.
void CShutterPanelDlg::MarkLinkReady() {
    m_strStatus = kLinkReadyStatus;
    SetButtonGroup(100);
    g_bLinkReady = 1;
    PollSoon();
}

void CShutterPanelDlg::OpenAndProbe() {
    std::vector<std::string> drivers{m_options.driverLibrary};
    drivers.insert(drivers.end(), m_options.fallbackDrivers.begin(),
                   m_options.fallbackDrivers.end());
    m_d2xx.LoadD2xx(drivers);
    UpdateData(true);
    RefreshRememberedIdentity();

    if (OpenSelectedDevice() != FT_OK) {
        m_strStatus = "USB not responding";
        g_bLinkReady = 0;
        GetDlgItem(1024)->setEnabled(true);
    } else {
        ProbeResult probe = ConfigureAndProbe(false);
        if (probe.Succeeded()) {
            MarkLinkReady();
        } else {
            // The device stays open.
            m_strStatus = "No response from USB" + ProbeSuffix(probe.answered, probe.firstByte);
            g_bLinkReady = 0;
            GetDlgItem(1024)->setEnabled(true);
        }
    }
    m_d2xx.SetTimeouts(100, 100);
    UpdateData(false);
    RepaintNow();
}

void CShutterPanelDlg::OnOpen() {
    UpdateData(true);
    m_strStatus = "-reset-";
    UpdateData(false);
    RepaintNow();

    m_d2xx.Close();
    if (OpenSelectedDevice() != FT_OK) {
        m_strStatus = "Could not open USB";
        g_bLinkReady = 0;
    } else {
        ProbeResult probe = ConfigureAndProbe(true);
        if (probe.Succeeded()) {
            MarkLinkReady();
        } else {
            m_strStatus = "USB not responding" + ProbeSuffix(probe.answered, probe.firstByte);
            g_bLinkReady = 0;
            m_d2xx.Close();
        }
    }
    m_d2xx.SetTimeouts(100, 100);
    UpdateData(false);
    RepaintNow();
}
