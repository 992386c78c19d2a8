#include "panel/timeline/trace_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace ferrule {

namespace {

constexpr double kShortestSpanMs = 20;
constexpr double kLongestSpanMs = 24.0 * 3600 * 1000;
constexpr double kFitLeastMs = 5000;
constexpr double kFitMostMs = 120000;

const QColor kTraceColour(0x1f, 0x4e, 0x9a);
const QColor kStartColour(0x1b, 0x7f, 0x3a);
const QColor kEndColour(0xb0, 0x24, 0x1c);
const QColor kIrregularColour(0xd9, 0x6c, 0x00);
const QColor kGridColour(0xdd, 0xdd, 0xdd);

// A tick step of 1, 2 or 5 times a power of ten giving about `count` ticks.
double TickStep(double spanMs, int count) {
    const double raw = spanMs / std::max(1, count);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw) {
            return factor * power;
        }
    }
    return 10 * power;
}

QString SecondsText(double ms, double stepMs) {
    const int decimals = stepMs >= 1000 ? 0 : stepMs >= 100 ? 1 : stepMs >= 10 ? 2 : 3;
    return QString::number(ms / 1000.0, 'f', decimals) + " s";
}

}  // namespace

TraceView::TraceView(const ShutterTimeline& timeline, std::function<int64_t()> nowMs,
                     QWidget* parent)
    : QWidget(parent), m_timeline(timeline), m_nowMs(std::move(nowMs)) {
    // The axis counts from what the timeline took first, or from now when it
    // has taken nothing yet.
    m_originMs = m_nowMs();
    if (!timeline.Reports().empty()) {
        m_originMs = std::min(m_originMs, timeline.Reports().front().timeMs);
    }
    if (!timeline.Marks().empty()) {
        m_originMs = std::min(m_originMs, timeline.Marks().front().timeMs);
    }
    m_endMs = static_cast<double>(m_originMs) + m_spanMs;
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Shutter trace"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setMouseTracking(false);
}

void TraceView::SetFollowing(bool following) {
    if (following == m_following) {
        return;
    }
    m_following = following;
    if (following) {
        m_zoomedByUser = false;
        Advance();
    }
    update();
    emit FollowingChanged(following);
}

void TraceView::LeaveFollowing() {
    if (m_following) {
        m_following = false;
        emit FollowingChanged(false);
    }
}

double TraceView::FittingSpanMs(int64_t nowMs) const {
    double since = kFitLeastMs;
    const auto& marks = m_timeline.Marks();
    // The latest run from its start, or the reports since the view began.
    for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
        if (it->kind != ShutterTimeline::Mark::Kind::RunEnd) {
            since = static_cast<double>(nowMs - it->timeMs);
            break;
        }
    }
    if (marks.empty() && !m_timeline.Reports().empty()) {
        since = static_cast<double>(nowMs - m_timeline.Reports().front().timeMs);
    }
    return std::clamp(since * 1.1, kFitLeastMs, kFitMostMs);
}

bool TraceView::Advance() {
    if (!m_following) {
        return false;
    }
    const int64_t now = m_nowMs();
    const double span = m_zoomedByUser ? m_spanMs : FittingSpanMs(now);
    // Nothing was taken before the axis's zero: until a whole span has
    // passed, the trace grows from the left edge rather than showing empty
    // time before it.
    const double end = std::max(static_cast<double>(now), static_cast<double>(m_originMs) + span);
    if (end == m_endMs && span == m_spanMs) {
        return false;
    }
    m_endMs = end;
    m_spanMs = span;
    update();
    return true;
}

void TraceView::ZoomBy(double factor, double aroundFraction) {
    const double around = StartMs() + m_spanMs * aroundFraction;
    const double span = std::clamp(m_spanMs / factor, kShortestSpanMs, kLongestSpanMs);
    m_zoomedByUser = true;
    if (m_following) {
        m_spanMs = span;
    } else {
        m_endMs = around + span * (1 - aroundFraction);
        m_spanMs = span;
    }
    update();
}

void TraceView::ScrollBy(double fractionOfSpan) {
    LeaveFollowing();
    m_endMs += m_spanMs * fractionOfSpan;
    update();
}

void TraceView::ShowRange(double startMs, double spanMs) {
    LeaveFollowing();
    m_spanMs = std::clamp(spanMs, kShortestSpanMs, kLongestSpanMs);
    m_endMs = startMs + m_spanMs;
    m_zoomedByUser = true;
    update();
}

void TraceView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter, rect(), m_timeline, StartMs(), m_spanMs, m_originMs);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}

void TraceView::Paint(QPainter& painter, const QRectF& area, const ShutterTimeline& timeline,
                      double startMs, double spanMs, int64_t originMs) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, Qt::white);
    const QFontMetricsF metrics(painter.font());
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("Closed")) + 12;
    const double lineHeight = metrics.height();
    const QRectF plot(area.left() + labelWidth, area.top() + lineHeight * 1.6,
                      std::max(10.0, area.width() - labelWidth - 10),
                      std::max(10.0, area.height() - lineHeight * 3.4));
    const double highY = plot.top() + plot.height() * 0.15;
    const double lowY = plot.bottom() - plot.height() * 0.15;
    const double endMs = startMs + spanMs;
    auto toX = [&](double ms) { return plot.left() + (ms - startMs) / spanMs * plot.width(); };

    // The grid and the time axis, in seconds since the origin.
    const double step = TickStep(spanMs, static_cast<int>(plot.width() / 110));
    painter.setPen(kGridColour);
    painter.drawRect(plot);
    const double firstTick = std::ceil((startMs - originMs) / step) * step + originMs;
    for (double tick = firstTick; tick <= endMs; tick += step) {
        const double x = toX(tick);
        painter.setPen(kGridColour);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x - 20, plot.bottom() + lineHeight * 1.1),
                         SecondsText(tick - originMs, step));
    }
    painter.setPen(Qt::black);
    painter.drawText(QPointF(area.left() + 4, highY + lineHeight / 3), QStringLiteral("Open"));
    painter.drawText(QPointF(area.left() + 4, lowY + lineHeight / 3), QStringLiteral("Closed"));

    // Run marks under the trace, labelled where there is room.
    double lastLabelX = -1e9;
    for (const ShutterTimeline::Mark& mark : timeline.Marks()) {
        if (mark.timeMs < startMs || mark.timeMs > endMs) {
            continue;
        }
        const bool start = mark.kind != ShutterTimeline::Mark::Kind::RunEnd;
        const double x = toX(static_cast<double>(mark.timeMs));
        painter.setPen(QPen(start ? kStartColour : kEndColour, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        if (x - lastLabelX > 70) {
            const QString label = mark.kind == ShutterTimeline::Mark::Kind::FreeRunStart
                                      ? QStringLiteral("run %1 Go")
                                  : mark.kind == ShutterTimeline::Mark::Kind::TriggerRunStart
                                      ? QStringLiteral("run %1 trigger")
                                      : QStringLiteral("run %1 end");
            painter.setPen(start ? kStartColour : kEndColour);
            painter.drawText(QPointF(x + 3, area.top() + lineHeight * 1.1), label.arg(mark.run));
            lastLabelX = x;
        }
    }

    // The step trace from the state before the range on. Once a pixel column
    // has its vertical line, further reports in it change only the state the
    // trace leaves the column in: at most a few points per column, however
    // many reports are in view.
    const auto& reports = timeline.Reports();
    auto first = std::lower_bound(reports.begin(), reports.end(), startMs,
                                  [](const ShutterTimeline::Report& r, double ms) {
                                      return static_cast<double>(r.timeMs) < ms;
                                  });
    bool haveState = first != reports.begin();
    bool open = haveState && std::prev(first)->open;
    QPolygonF trace;
    double x = plot.left();
    if (haveState) {
        trace << QPointF(x, open ? highY : lowY);
    }
    long column = std::numeric_limits<long>::min();
    std::vector<double> irregularXs;
    for (auto it = first; it != reports.end() && static_cast<double>(it->timeMs) <= endMs; ++it) {
        x = toX(static_cast<double>(it->timeMs));
        const long thisColumn = std::lround(x);
        if (it->irregular &&
            (irregularXs.empty() || std::lround(irregularXs.back()) != thisColumn)) {
            irregularXs.push_back(x);
        }
        if (thisColumn == column) {
            if (it->open != open) {
                // Both states in one column: its line spans them both and
                // ends at the state the column is left in.
                trace.back().setY(it->open ? highY : lowY);
                trace[trace.size() - 2].setY(it->open ? lowY : highY);
            }
            open = it->open;
            continue;
        }
        if (!haveState) {
            trace << QPointF(x, it->open ? highY : lowY) << QPointF(x, it->open ? highY : lowY);
            haveState = true;
        } else {
            trace << QPointF(x, open ? highY : lowY) << QPointF(x, it->open ? highY : lowY);
        }
        open = it->open;
        column = thisColumn;
    }
    if (haveState) {
        const double latest = std::min(endMs, static_cast<double>(timeline.LatestMs()));
        const double lastX = std::min(plot.right(), std::max(x, toX(latest)));
        trace << QPointF(lastX, open ? highY : lowY);
        // Two one-pixel lines rather than one wide pen: a wide pen strokes the
        // whole outline, which takes long for thousands of segments.
        painter.setPen(QPen(kTraceColour, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(trace);
        painter.drawPolyline(trace.translated(1, 1));
    } else {
        painter.setPen(Qt::darkGray);
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("No shutter reports in this range"));
    }

    // Irregular reports: a triangle above the trace where each came.
    painter.setPen(Qt::NoPen);
    painter.setBrush(kIrregularColour);
    for (double ix : irregularXs) {
        const QPointF tip(ix, highY - 4);
        const QPointF points[] = {tip, tip + QPointF(-5, -9), tip + QPointF(5, -9)};
        painter.drawPolygon(points, 3);
    }
    painter.restore();
}

void TraceView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        event->ignore();
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        const double fraction = std::clamp(event->position().x() / std::max(1, width()), 0.0, 1.0);
        ZoomBy(std::pow(1.25, notches), m_following ? 1.0 : fraction);
    } else {
        ScrollBy(-0.1 * notches);
    }
    event->accept();
}

void TraceView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
            ScrollBy(-0.1);
            break;
        case Qt::Key_Right:
            ScrollBy(0.1);
            break;
        case Qt::Key_PageUp:
            ScrollBy(-0.9);
            break;
        case Qt::Key_PageDown:
            ScrollBy(0.9);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomBy(1.5, m_following ? 1.0 : 0.5);
            break;
        case Qt::Key_Minus:
            ZoomBy(1 / 1.5, m_following ? 1.0 : 0.5);
            break;
        case Qt::Key_Home:
            if (!m_timeline.Reports().empty()) {
                ShowRange(
                    static_cast<double>(m_timeline.Reports().front().timeMs) - m_spanMs * 0.05,
                    m_spanMs);
            }
            break;
        case Qt::Key_End:
            SetFollowing(true);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void TraceView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragX = event->position().x();
        setFocus(Qt::MouseFocusReason);
    }
}

void TraceView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        return;
    }
    const double dx = event->position().x() - m_dragX;
    m_dragX = event->position().x();
    if (dx != 0) {
        ScrollBy(-dx / std::max(1, width()));
    }
}

void TraceView::mouseReleaseEvent(QMouseEvent*) {
    m_dragging = false;
}

}  // namespace ferrule
