// Save Config., Load Config. and Apply: the configuration in a file of
// eighteen text records, read and written by the engine, and its upload.
#include "core/common/bounded_file_read.h"
#include "core/common/file_rewrite.h"
#include "panel/shutter_panel_dlg.h"

namespace {

constexpr const char* kSaveFilter = "Quillon Config (*.cfg) | *.cfg | All Files (*.*) | *.* ||";
constexpr const char* kLoadFilter = "Quillon Config (*.cfg)|*.cfg|All Files (*.*)|*.*||";
constexpr const char* kExtension = ".cfg";

}  // namespace

// The file is written beside the target and renamed over it only once all of
// it is on disk, so a failed save (a full disk, say) leaves the old file as
// it was and says why.
void CShutterPanelDlg::OnSaveConfig() {
    UpdateData(true);
    std::string path;
    if (!PromptFileName(false, kSaveFilter, kExtension, &path)) {
        return;
    }
    if (const std::optional<std::string> failed = SaveConfigTo(path)) {
        ShowMessageBox(QString::fromStdString(*failed), QStringLiteral("Warning"),
                       kMbOk | kMbIconExclamation);
    }
}

std::optional<std::string> CShutterPanelDlg::SaveConfigTo(const std::string& path) {
    const std::string bytes = ferrule::EncodeConfigFile(m_engine.SaveConfiguration());
    const ferrule::RewriteResult saved =
        ferrule::RewriteFile(path, [&bytes](std::string_view) { return bytes; });
    if (!saved) {
        return "The configuration could not be saved to " + path + ".\n" + saved.Reason();
    }
    return std::nullopt;
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
    m_engine.LoadConfiguration(*records);
    UpdateData(false);
}

std::optional<std::string> CShutterPanelDlg::LoadConfigFrom(const std::string& path) {
    std::string error;
    const std::optional<std::string> bytes =
        ferrule::ReadRegularFile(path, ferrule::kMaxConfigFileBytes, &error);
    if (!bytes) {
        return "the configuration could not be read from " + path + ": " + error;
    }
    const std::optional<ferrule::ConfigRecords> records = ferrule::DecodeConfigFile(*bytes);
    if (!records) {
        return path + " is not a configuration file (it ends before its last record)";
    }
    m_engine.LoadConfiguration(*records);
    UpdateData(false);
    return std::nullopt;
}

// Apply sends the fields as they are, without reading the panel first. A
// stored time that no timer message can carry (from a file, or a reply out
// of range) stops it before anything goes out.
void CShutterPanelDlg::OnApply() {
    if (const std::optional<std::string> refused = m_engine.Apply()) {
        ShowMessageBox(QString::fromStdString(*refused), QStringLiteral("Warning"),
                       kMbOk | kMbIconExclamation);
    }
    EndCommand();
}
