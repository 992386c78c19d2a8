#include "panel/timeline/timeline_window.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSvgGenerator>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "core/timeline/timeline_text.h"
#include "panel/timeline/cycle_table_model.h"
#include "panel/timeline/trace_view.h"

namespace ferrule {

namespace {

RewriteResult WriteBytes(const std::string& path, const QByteArray& bytes) {
    return ReplaceFileContent(path, [&bytes](const ContentSink& sink) {
        return sink(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    });
}

}  // namespace

TimelineWindow::TimelineWindow(const ShutterTimeline& timeline, std::function<int64_t()> nowMs,
                               SavePrompt prompt, Warn warn, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_timeline(timeline),
      m_prompt(std::move(prompt)),
      m_warn(std::move(warn)),
      m_trace(new TraceView(timeline, std::move(nowMs), this)),
      m_summary(new QLabel(this)),
      m_resolution(new QLabel(this)),
      m_table(new QTableView(this)),
      m_model(new CycleTableModel(timeline, this)),
      m_timer(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Shutter Timeline"));
    setObjectName(QStringLiteral("shutterTimeline"));
    resize(1000, 720);

    auto* buttons = new QHBoxLayout;
    m_follow = AddButton(QStringLiteral("&Follow Live"), QKeySequence(Qt::CTRL | Qt::Key_L),
                         QStringLiteral("Follow live"));
    m_follow->setCheckable(true);
    m_follow->setChecked(true);
    QPushButton* zoomIn =
        AddButton(QStringLiteral("Zoom &In"), QKeySequence::ZoomIn, QStringLiteral("Zoom in"));
    QPushButton* zoomOut =
        AddButton(QStringLiteral("Zoom &Out"), QKeySequence::ZoomOut, QStringLiteral("Zoom out"));
    QPushButton* png =
        AddButton(QStringLiteral("Export &PNG..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
                  QStringLiteral("Export picture as PNG"));
    QPushButton* svg =
        AddButton(QStringLiteral("Export &SVG..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                  QStringLiteral("Export picture as SVG"));
    QPushButton* csv =
        AddButton(QStringLiteral("Export &CSV..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                  QStringLiteral("Export cycle table as CSV"));
    for (QPushButton* button : {m_follow, zoomIn, zoomOut, png, svg, csv}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();

    connect(m_follow, &QPushButton::toggled, m_trace, &TraceView::SetFollowing);
    connect(m_trace, &TraceView::FollowingChanged, m_follow, &QPushButton::setChecked);
    connect(zoomIn, &QPushButton::clicked, this, [this] { m_trace->ZoomBy(1.5, 0.5); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { m_trace->ZoomBy(1 / 1.5, 0.5); });
    connect(png, &QPushButton::clicked, this, [this] {
        ExportWith("PNG pictures (*.png)|*.png|All files (*.*)|*.*||", ".png",
                   &TimelineWindow::ExportPng);
    });
    connect(svg, &QPushButton::clicked, this, [this] {
        ExportWith("SVG pictures (*.svg)|*.svg|All files (*.*)|*.*||", ".svg",
                   &TimelineWindow::ExportSvg);
    });
    connect(csv, &QPushButton::clicked, this, [this] {
        ExportWith("CSV tables (*.csv)|*.csv|All files (*.*)|*.*||", ".csv",
                   &TimelineWindow::ExportCsv);
    });

    m_trace->setAccessibleDescription(QStringLiteral(
        "Arrows and Page Up/Down scroll, plus and minus zoom, Home goes to the first report, "
        "End follows live"));
    for (QLabel* label : {m_summary, m_resolution}) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        label->setFocusPolicy(Qt::StrongFocus);
    }
    // Their text is what a screen reader reads; the description says what it is.
    m_summary->setAccessibleDescription(QStringLiteral("Summary"));
    m_resolution->setAccessibleDescription(QStringLiteral("Timing resolution"));

    m_table->setModel(m_model);
    m_table->setAccessibleName(QStringLiteral("Cycles"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* cyclesLabel = new QLabel(QStringLiteral("C&ycles:"), this);
    cyclesLabel->setBuddy(m_table);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_trace, 3);
    layout->addWidget(m_summary);
    layout->addWidget(m_resolution);
    layout->addWidget(cyclesLabel);
    layout->addWidget(m_table, 2);

    setTabOrder(m_trace, m_summary);
    setTabOrder(m_summary, m_resolution);
    setTabOrder(m_resolution, m_table);

    m_timer->setInterval(kRefreshMs);
    connect(m_timer, &QTimer::timeout, this, &TimelineWindow::Refresh);
    m_timer->start();
    Refresh();
}

QPushButton* TimelineWindow::AddButton(const QString& text, const QKeySequence& key,
                                       const QString& name) {
    auto* button = new QPushButton(text, this);
    button->setShortcut(key);
    button->setAccessibleName(name);
    button->setAccessibleDescription(key.toString(QKeySequence::NativeText));
    button->setToolTip(name + " (" + key.toString(QKeySequence::NativeText) + ")");
    button->setAutoDefault(false);
    return button;
}

QString TimelineWindow::SummaryText() const {
    return m_summary->text();
}

void TimelineWindow::Refresh() {
    const bool changed = m_timeline.Revision() != m_revision;
    m_trace->Advance();
    if (!changed) {
        return;
    }
    m_revision = m_timeline.Revision();
    if (changed) {
        m_trace->update();
    }
    // New rows keep the latest in view while the user has the table at its end.
    QScrollBar* bar = m_table->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    m_model->Refresh();
    if (atEnd && m_trace->Following()) {
        m_table->scrollToBottom();
    }
    const QString summary = QString::fromStdString(TimelineSummary(m_timeline));
    if (m_summary->text() != summary) {
        m_summary->setText(summary);
        m_trace->setAccessibleName(QStringLiteral("Shutter trace. ") + summary);
    }
    const QString resolution = QString::fromStdString(TimelineResolution(m_timeline));
    if (m_resolution->text() != resolution) {
        m_resolution->setText(resolution);
    }
}

RewriteResult TimelineWindow::ExportPng(const std::string& path) const {
    QImage image(kExportSize, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setFont(font());
        TraceView::Paint(painter, QRectF(QPointF(0, 0), QSizeF(kExportSize)), m_timeline,
                         m_trace->StartMs(), m_trace->SpanMs(), m_trace->OriginMs());
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return WriteBytes(path, bytes);
}

RewriteResult TimelineWindow::ExportSvg(const std::string& path) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(kExportSize);
    svg.setViewBox(QRect(QPoint(0, 0), kExportSize));
    svg.setTitle(QStringLiteral("Shutter Timeline"));
    svg.setDescription(m_summary->text());
    {
        QPainter painter(&svg);
        painter.setFont(font());
        TraceView::Paint(painter, QRectF(QPointF(0, 0), QSizeF(kExportSize)), m_timeline,
                         m_trace->StartMs(), m_trace->SpanMs(), m_trace->OriginMs());
    }
    return WriteBytes(path, bytes);
}

RewriteResult TimelineWindow::ExportCsv(const std::string& path) const {
    const std::string csv = CycleTableCsv(m_timeline);
    return ReplaceFileContent(path, [&csv](const ContentSink& sink) { return sink(csv); });
}

void TimelineWindow::ExportWith(const char* filter, const char* extension,
                                RewriteResult (TimelineWindow::*write)(const std::string&) const) {
    std::string path;
    if (!m_prompt || !m_prompt(filter, extension, &path)) {
        return;
    }
    const RewriteResult result = (this->*write)(path);
    if (!result && result.outcome != RewriteOutcome::Cancelled && m_warn) {
        m_warn(QStringLiteral("The timeline could not be saved to %1.\n%2")
                   .arg(QString::fromStdString(path), QString::fromStdString(result.Reason())));
    }
}

}  // namespace ferrule
