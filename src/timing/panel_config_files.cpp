// Save Config. and Load Config.: the panel's configuration in a file of
// eighteen text records. Neither talks to the controller.
#include <QComboBox>

#include "app/shutter_panel_dlg.h"
#include "common/file_contents.h"
#include "common/leading_integer.h"
#include "timing/config_file.h"
#include "timing/stored_times.h"
#include "timing/time_display.h"

namespace {

constexpr const char* kSaveFilter = "Quillon Config (*.cfg) | *.cfg | All Files (*.*) | *.* ||";
constexpr const char* kLoadFilter = "Quillon Config (*.cfg)|*.cfg|All Files (*.*)|*.*||";
constexpr const char* kExtension = ".cfg";

}  // namespace

// The stored times are saved, not the fields being edited. The file is
// written beside the target and renamed over it only once all of it is on
// disk, so a failed save (a full disk, say) leaves the old file as it was and
// says why.
void CShutterPanelDlg::OnSaveConfig() {
    UpdateData(true);
    std::string path;
    if (!PromptFileName(false, kSaveFilter, kExtension, &path)) {
        return;
    }
    ferrule::ConfigRecords records;
    records[ferrule::kRecordShutter] = std::to_string(m_nShutter);
    records[ferrule::kRecordShutterMode] = std::to_string(m_nShutterMode);
    records[ferrule::kRecordNdSteps] = std::to_string(m_nNdSteps);
    records[ferrule::kRecordTriggerMode] = std::to_string(m_nTriggerMode);
    records[ferrule::kRecordSyncLevel] = std::to_string(m_nSyncLevel);
    records[ferrule::kRecordTimerSelect] = std::to_string(m_nTimerSelect);
    std::copy(g_strClosedTime.begin(), g_strClosedTime.end(),
              records.begin() + ferrule::kRecordClosedTime);
    std::copy(g_strExposureTime.begin(), g_strExposureTime.end(),
              records.begin() + ferrule::kRecordExposureTime);
    records[ferrule::kRecordFreeRunOption] = std::to_string(m_nFreeRunOption);
    records[ferrule::kRecordRepeatCount] = m_strRepeatCount;

    std::string error;
    if (!ferrule::ReplaceFileContents(path, ferrule::EncodeConfigFile(records), &error)) {
        ShowMessageBox(QStringLiteral("The configuration could not be saved to %1.\n%2")
                           .arg(QString::fromStdString(path), QString::fromStdString(error)),
                       QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
    }
}

// The whole file is read and checked before anything changes: a file that
// ends before its last record changes nothing. Only a regular file of a
// sensible size is read; a FIFO or a device would hang or fill the memory.
void CShutterPanelDlg::OnLoadConfig() {
    std::string path;
    if (!PromptFileName(true, kLoadFilter, kExtension, &path)) {
        return;
    }
    std::string error;
    const std::optional<std::string> bytes =
        ferrule::ReadRegularFile(path, ferrule::kMaxConfigFileBytes, &error);
    if (!bytes) {
        ShowMessageBox(QStringLiteral("The configuration could not be read from %1.\n%2")
                           .arg(QString::fromStdString(path), QString::fromStdString(error)),
                       QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
        return;
    }
    const std::optional<ferrule::ConfigRecords> records = ferrule::DecodeConfigFile(*bytes);
    if (!records) {
        ShowMessageBox(
            QStringLiteral("An attempt was made to access an unnamed file past its end."),
            QString::fromStdString(m_options.applicationName), kMbOk | kMbIconStop);
        return;
    }
    ApplyLoadedConfig(*records);
}

void CShutterPanelDlg::ApplyLoadedConfig(const ferrule::ConfigRecords& records) {
    auto number = [&records](size_t record) { return ferrule::LeadingInteger(records[record]); };
    std::copy_n(records.begin() + ferrule::kRecordClosedTime, g_strClosedTime.size(),
                g_strClosedTime.begin());
    std::copy_n(records.begin() + ferrule::kRecordExposureTime, g_strExposureTime.size(),
                g_strExposureTime.begin());
    m_strRepeatCount = records[ferrule::kRecordRepeatCount];

    m_nShutter = number(ferrule::kRecordShutter);
    m_nShutterMode = number(ferrule::kRecordShutterMode);
    m_nNdSteps = number(ferrule::kRecordNdSteps);
    if (m_nShutterMode != -1) {
        ShowTransitionCaptions();
    }
    m_nTriggerMode = number(ferrule::kRecordTriggerMode);
    SetCheck(1087, m_nTriggerMode != -1);
    m_nSyncLevel = number(ferrule::kRecordSyncLevel);
    SetCheck(1088, m_nSyncLevel != -1);
    m_nTimerSelect = number(ferrule::kRecordTimerSelect);
    ++m_suppressNotifications;
    m_comboTimer->setCurrentIndex(m_nTimerSelect);
    --m_suppressNotifications;
    EditDesignatedTime();
    ComputeCycleTime();
    SetItemText(1103, ferrule::FormatTimeText(g_strClosedTime, ":"));
    SetItemText(1104, ferrule::FormatTimeText(g_strExposureTime, ":"));
    ShowCycleTime();
    m_nFreeRunOption = number(ferrule::kRecordFreeRunOption);  // the panel write checks its radio
    m_strCyclesLeft = m_strRepeatCount;
    UpdateData(false);
}
