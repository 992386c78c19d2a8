// What the controller did, kept and shown: the session record (Record
// Session..., Stop Recording, --record), Save Log As... for the received-data
// list, and the Shutter Timeline window. Each is an item of the panel's
// context menu with its own key.
#include <QAction>
#include <QProgressDialog>

#include "core/record/session_record.h"
#include "core/timeline/configured_cycle.h"
#include "core/timeline/shutter_timeline.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/timeline/timeline_window.h"
#include "panel/widgets/log_export.h"
#include "panel/widgets/received_log_model.h"

namespace {

constexpr const char* kRecordFilter = "Session records (*.csv)|*.csv|All Files (*.*)|*.*||";
constexpr const char* kLogFilter = "Text files (*.txt)|*.txt|All Files (*.*)|*.*||";
constexpr int kProgressSteps = 1000;

}  // namespace

void CShutterPanelDlg::AddRecordingItems() {
    m_recordAction = new QAction(QStringLiteral("Record Session..."), this);
    m_recordAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(m_recordAction, &QAction::triggered, this, &CShutterPanelDlg::OnRecordSession);
    AddMenuAction(m_recordAction);

    m_stopRecordAction = new QAction(this);
    m_stopRecordAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    connect(m_stopRecordAction, &QAction::triggered, this, &CShutterPanelDlg::StopRecording);
    AddMenuAction(m_stopRecordAction);

    auto* saveLog = new QAction(QStringLiteral("Save Log As..."), this);
    saveLog->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    connect(saveLog, &QAction::triggered, this, &CShutterPanelDlg::OnSaveLogAs);
    AddMenuAction(saveLog);

    auto* timeline = new QAction(QStringLiteral("Shutter Timeline"), this);
    timeline->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(timeline, &QAction::triggered, this, [this] { ShowTimeline(); });
    AddMenuAction(timeline);
    RefreshRecordingItems();
}

// The menu says whether a record runs, and where: the item that stops it
// names the file.
void CShutterPanelDlg::RefreshRecordingItems() {
    if (m_stopRecordAction == nullptr) {
        return;
    }
    if (Recording()) {
        m_stopRecordAction->setText(
            QStringLiteral("Stop Recording to %1").arg(QString::fromStdString(m_record->Path())));
        m_stopRecordAction->setEnabled(true);
    } else {
        m_stopRecordAction->setText(QStringLiteral("Stop Recording (no record running)"));
        m_stopRecordAction->setEnabled(false);
    }
}

bool CShutterPanelDlg::Recording() const {
    return m_record && m_record->Recording();
}

void CShutterPanelDlg::OnRecordSession() {
    std::string path;
    if (!PromptFileName(false, kRecordFilter, ".csv", &path)) {
        return;
    }
    StartRecording(path);
}

bool CShutterPanelDlg::StartRecording(const std::string& path) {
    StopRecording();
    if (!m_record) {
        m_record = std::make_unique<ferrule::SessionRecord>();
    }
    // Told on the record's writer thread; shown by the GUI thread.
    auto onFailure = [this](const ferrule::RecordFailure& failure) {
        QMetaObject::invokeMethod(
            this, [this, failure] { RecordFailed(failure); }, Qt::QueuedConnection);
    };
    if (const std::optional<ferrule::RecordFailure> refused =
            m_record->Start(path, MonotonicMs(), onFailure)) {
        RefreshRecordingItems();
        ShowMessageBox(QStringLiteral("The session record %1 could not be started: %2.")
                           .arg(QString::fromStdString(refused->path),
                                QString::fromStdString(refused->reason)),
                       QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
        return false;
    }
    m_engine.AddObserver(m_record.get());
    RefreshRecordingItems();
    return true;
}

void CShutterPanelDlg::StopRecording() {
    if (!m_record) {
        return;
    }
    m_engine.RemoveObserver(m_record.get());
    const std::optional<ferrule::RecordFailure> failure = m_record->Stop();
    RefreshRecordingItems();
    if (failure) {
        ShowMessageBox(QString::fromStdString(failure->Message()), QStringLiteral("Warning"),
                       kMbOk | kMbIconExclamation);
    }
}

// The record stopped by itself; the link goes on as it was.
void CShutterPanelDlg::RecordFailed(const ferrule::RecordFailure& failure) {
    if (m_record && !m_record->Recording()) {
        m_engine.RemoveObserver(m_record.get());
        m_record->Stop();
    }
    RefreshRecordingItems();
    ShowMessageBox(QString::fromStdString(failure.Message()), QStringLiteral("Warning"),
                   kMbOk | kMbIconExclamation);
}

void CShutterPanelDlg::OnSaveLogAs() {
    if (m_logExport && m_logExport->Running()) {
        if (m_logProgress) {
            m_logProgress->raise();
            m_logProgress->activateWindow();
        }
        return;
    }
    std::string path;
    if (!PromptFileName(false, kLogFilter, ".txt", &path)) {
        return;
    }
    if (!m_logExport) {
        m_logExport = new ferrule::LogExport(this);
        connect(m_logExport, &ferrule::LogExport::Finished, this, &CShutterPanelDlg::LogSaved);
    }
    ferrule::LogLines lines = m_logReceived->VisibleLines();
    auto* progress =
        new QProgressDialog(QStringLiteral("Saving %1 lines of the log to %2")
                                .arg(QString::number(lines.Count()), QString::fromStdString(path)),
                            QStringLiteral("Cancel"), 0, kProgressSteps, this);
    progress->setWindowTitle(QStringLiteral("Save Log As"));
    progress->setAccessibleName(QStringLiteral("Saving the log"));
    progress->setWindowModality(Qt::NonModal);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(300);
    progress->setValue(0);
    connect(progress, &QProgressDialog::canceled, m_logExport, &ferrule::LogExport::Cancel);
    connect(m_logExport, &ferrule::LogExport::Progressed, progress,
            [progress](qulonglong written, qulonglong total) {
                progress->setValue(total == 0 ? kProgressSteps
                                              : static_cast<int>(written * kProgressSteps / total));
            });
    m_logProgress = progress;
    m_logExport->Start(path, std::move(lines));
}

void CShutterPanelDlg::LogSaved(const ferrule::RewriteResult& result) {
    if (m_logProgress) {
        m_logProgress->close();
        m_logProgress->deleteLater();
        m_logProgress = nullptr;
    }
    if (!result && result.outcome != ferrule::RewriteOutcome::Cancelled) {
        ShowMessageBox(QStringLiteral("The log could not be saved to %1.\n%2")
                           .arg(QString::fromStdString(m_logExport->Path()),
                                QString::fromStdString(result.Reason())),
                       QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
    }
}

// The timeline takes the shutter's reports from the panel's start, so that a
// run is there to look at when the window is first opened after it. What it
// keeps is bounded.
void CShutterPanelDlg::StartTimeline() {
    if (m_timeline) {
        return;
    }
    // The controller takes its times and mode when a run starts.
    m_timeline = std::make_unique<ferrule::ShutterTimeline>([this] {
        const ferrule::ProtocolState& state = m_engine.State();
        return ferrule::ConfigureCycle(state.m_strClosedTime, state.m_strExposureTime,
                                       m_fields.m_nShutterMode, m_fields.m_nNdSteps);
    });
    m_engine.AddObserver(m_timeline.get());
}

ferrule::TimelineWindow* CShutterPanelDlg::ShowTimeline() {
    StartTimeline();
    if (m_timelineWindow == nullptr) {
        m_timelineWindow = new ferrule::TimelineWindow(
            *m_timeline, [this] { return MonotonicMs(); },
            [this](const std::string& filter, const std::string& extension, std::string* path) {
                return PromptFileName(false, filter, extension, path);
            },
            [this](const QString& text) {
                ShowMessageBox(text, QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
            },
            this);
    }
    m_timelineWindow->show();
    m_timelineWindow->raise();
    m_timelineWindow->activateWindow();
    return m_timelineWindow;
}
