// The shutter's state drawn on a time axis as a step trace: high while open,
// low while closed, a mark where each run starts and ends, and irregular
// reports flagged where they came. It follows the latest events live, or is
// scrolled and zoomed by the mouse (wheel, Ctrl+wheel, drag) and the keyboard
// (arrows, Page Up/Down, +/-, Home; End follows live again). However many
// reports are in view, it draws at most a few lines per pixel column.
#pragma once

#include <QWidget>
#include <functional>

#include "core/timeline/shutter_timeline.h"

class QPainter;

namespace ferrule {

class TraceView : public QWidget {
    Q_OBJECT

public:
    TraceView(const ShutterTimeline& timeline, std::function<int64_t()> nowMs,
              QWidget* parent = nullptr);

    // The range in view, in milliseconds on the timeline's clock.
    double StartMs() const { return m_endMs - m_spanMs; }
    double SpanMs() const { return m_spanMs; }
    bool Following() const { return m_following; }

    void SetFollowing(bool following);
    void ZoomBy(double factor, double aroundFraction = 1.0);
    void ScrollBy(double fractionOfSpan);
    void ShowRange(double startMs, double spanMs);
    // Moves the range along with the latest events when following; returns
    // whether anything in view may have changed.
    bool Advance();

    // Draws the trace of [startMs, startMs + spanMs] into `area`: the same
    // picture on the screen and in an exported PNG or SVG.
    static void Paint(QPainter& painter, const QRectF& area, const ShutterTimeline& timeline,
                      double startMs, double spanMs, int64_t originMs);

    // The time the axis counts from: when the view was made.
    int64_t OriginMs() const { return m_originMs; }

    QSize sizeHint() const override { return {900, 260}; }
    QSize minimumSizeHint() const override { return {320, 160}; }

signals:
    void FollowingChanged(bool following);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The span that shows the current run (or the latest reports) whole,
    // within a few seconds and two minutes.
    double FittingSpanMs(int64_t nowMs) const;
    void LeaveFollowing();

    const ShutterTimeline& m_timeline;
    std::function<int64_t()> m_nowMs;
    int64_t m_originMs = 0;
    double m_endMs = 0;
    double m_spanMs = 10000;
    bool m_following = true;
    bool m_zoomedByUser = false;
    bool m_dragging = false;
    double m_dragX = 0;
};

}  // namespace ferrule
