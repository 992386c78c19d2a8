// Writes a copy of the received-data log to a text file in the background,
// one line each as the list shows it, so that millions of lines never hold up
// the panel. The file is written beside the target and renamed over it when
// complete: it is there whole or not at all. Progress is reported while it
// runs, and Cancel leaves no file behind.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <string>
#include <thread>

#include "core/common/file_rewrite.h"
#include "panel/widgets/received_log_model.h"

class QTimer;

namespace ferrule {

class LogExport : public QObject {
    Q_OBJECT

public:
    explicit LogExport(QObject* parent = nullptr);
    // Cancels a write still running and waits for it.
    ~LogExport() override;

    // Starts writing; false when a write is already running.
    bool Start(const std::string& path, LogLines lines);
    void Cancel() { m_cancel = true; }
    // Waits for a write still running to end, without cancelling it.
    void Wait();
    bool Running() const { return m_thread.joinable(); }
    size_t LinesWritten() const { return m_written.load(); }
    size_t LinesTotal() const { return m_total; }
    const std::string& Path() const { return m_path; }

signals:
    // Every tenth of a second while it runs.
    void Progressed(qulonglong written, qulonglong total);
    // Once, on the GUI thread: written whole, cancelled, or failed with a reason.
    void Finished(ferrule::RewriteResult result);

private:
    void CheckDone();

    std::string m_path;
    size_t m_total = 0;
    std::atomic<size_t> m_written{0};
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
    RewriteResult m_result;
    std::thread m_thread;
    QTimer* m_timer;
};

}  // namespace ferrule
