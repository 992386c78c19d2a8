// The Shutter Timeline window: the trace of the shutter's reports, a text
// summary and the timing resolution in words, and the table of cycles, with
// live following, zoom, and export of the picture (PNG, SVG) and the table
// (CSV). Every control has a key and an accessible name.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "core/common/file_rewrite.h"
#include "core/timeline/shutter_timeline.h"

class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace ferrule {

class CycleTableModel;
class TraceView;

class TimelineWindow : public QWidget {
    Q_OBJECT

public:
    // Asks for a file to save to ("name|pattern|" filter, extension); false
    // on Cancel.
    using SavePrompt =
        std::function<bool(const std::string& filter, const std::string& extension, std::string*)>;
    // Tells the user about a failed export.
    using Warn = std::function<void(const QString& text)>;

    TimelineWindow(const ShutterTimeline& timeline, std::function<int64_t()> nowMs,
                   SavePrompt prompt, Warn warn, QWidget* parent = nullptr);

    // Shows what the timeline gained since the last refresh.
    void Refresh();

    // The exports, to a given file; the picture is the range in view.
    RewriteResult ExportPng(const std::string& path) const;
    RewriteResult ExportSvg(const std::string& path) const;
    RewriteResult ExportCsv(const std::string& path) const;

    TraceView* Trace() const { return m_trace; }
    QTableView* Table() const { return m_table; }
    QString SummaryText() const;

    static constexpr int kRefreshMs = 100;
    static constexpr QSize kExportSize{1600, 480};

private:
    QPushButton* AddButton(const QString& text, const QKeySequence& key, const QString& name);
    void ExportWith(const char* filter, const char* extension,
                    RewriteResult (TimelineWindow::*write)(const std::string&) const);

    const ShutterTimeline& m_timeline;
    SavePrompt m_prompt;
    Warn m_warn;
    TraceView* m_trace;
    QLabel* m_summary;
    QLabel* m_resolution;
    QTableView* m_table;
    CycleTableModel* m_model;
    QPushButton* m_follow = nullptr;
    QTimer* m_timer;
    uint64_t m_revision = ~uint64_t{0};
};

}  // namespace ferrule
