#include "panel/widgets/line_list_view.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <algorithm>

#include "panel/widgets/line_list_accessible.h"

namespace ferrule {
namespace {

// A log that grows by hundreds of lines a second changes its scroll bar's
// range on every poll, while its thumb moves a pixel now and then. This bar
// repaints only when what it shows changes: the thumb's place and size, and
// whether it stands at either end. The view's own changes (a new range, then
// the value that follows the end) are judged together, once they are all made.
class ThumbScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

    void BeginChanges() { ++m_batch; }
    void EndChanges() {
        if (--m_batch == 0 && m_changed) {
            m_changed = false;
            UpdateIfMoved();
        }
    }

protected:
    void sliderChange(SliderChange change) override {
        if (change != SliderRangeChange && change != SliderValueChange) {
            QScrollBar::sliderChange(change);
        } else if (m_batch > 0) {
            m_changed = true;
        } else {
            UpdateIfMoved();
        }
    }
    void resizeEvent(QResizeEvent* event) override {
        m_thumb = {};
        QScrollBar::resizeEvent(event);
    }

private:
    void UpdateIfMoved() {
        QStyleOptionSlider option;
        initStyleOption(&option);
        QRect thumb = style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                              QStyle::SC_ScrollBarSlider, this);
        bool atStart = value() == minimum();
        bool atEnd = value() == maximum();
        if (thumb != m_thumb || atStart != m_atStart || atEnd != m_atEnd) {
            m_thumb = thumb;
            m_atStart = atStart;
            m_atEnd = atEnd;
            update();
        }
    }

    int m_batch = 0;
    bool m_changed = false;
    QRect m_thumb;
    bool m_atStart = false;
    bool m_atEnd = false;
};

ThumbScrollBar* Bar(const LineListView* view) {
    return static_cast<ThumbScrollBar*>(view->verticalScrollBar());
}

}  // namespace

LineListView::LineListView(QWidget* parent) : QAbstractScrollArea(parent) {
    InstallLineListAccessibility();
    setVerticalScrollBar(new ThumbScrollBar(Qt::Vertical, this));
    // It paints all of itself, so nothing beneath it is painted with it.
    verticalScrollBar()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
}

void LineListView::setModel(QAbstractItemModel* model) {
    if (m_model != nullptr) {
        disconnect(m_model, nullptr, this, nullptr);
    }
    m_model = model;
    m_currentRow = -1;
    if (m_model != nullptr) {
        auto changed = [this] {
            updateScrollRange();
            viewport()->update();
        };
        // New lines are followed while the end is in sight.
        connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
            bool following = atBottom();
            Bar(this)->BeginChanges();
            updateScrollRange();
            if (following) {
                scrollToBottom();
            }
            Bar(this)->EndChanges();
            viewport()->update();
            linesAppended();
        });
        connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this, changed] {
            m_currentRow = std::min(m_currentRow, rowCount() - 1);
            ++m_resetCount;
            changed();
            NotifyLinesReset(this);
        });
        connect(m_model, &QAbstractItemModel::modelReset, this, [this, changed] {
            m_currentRow = -1;
            ++m_resetCount;
            changed();
            NotifyLinesReset(this);
        });
        connect(m_model, &QAbstractItemModel::dataChanged, viewport(),
                qOverload<>(&QWidget::update));
    }
    updateScrollRange();
    viewport()->update();
}

int LineListView::rowCount() const {
    return m_model != nullptr ? m_model->rowCount() : 0;
}

QString LineListView::lineText(int row) const {
    if (m_model == nullptr || row < 0 || row >= rowCount()) {
        return {};
    }
    return m_model->data(m_model->index(row, 0), Qt::DisplayRole).toString();
}

int LineListView::firstVisibleRow() const {
    return verticalScrollBar()->value();
}

int LineListView::rowsInSight() const {
    int inSight = (viewport()->height() + rowHeight() - 1) / rowHeight();
    return std::max(0, std::min(inSight, rowCount() - firstVisibleRow()));
}

// New lines are told to assistive technology at most every 50 ms: a fast
// stream would otherwise flood it with one event per poll.
void LineListView::linesAppended() {
    if (!QAccessible::isActive()) {
        return;
    }
    if (m_announceTimer == nullptr) {
        m_announceTimer = new QTimer(this);
        m_announceTimer->setSingleShot(true);
        m_announceTimer->setInterval(50);
        connect(m_announceTimer, &QTimer::timeout, this, [this] { NotifyNewestLine(this); });
    }
    if (!m_announceTimer->isActive()) {
        m_announceTimer->start();
    }
}

int LineListView::rowHeight() const {
    return fontMetrics().height() + 2;
}

int LineListView::visibleRows() const {
    return std::max(1, viewport()->height() / rowHeight());
}

void LineListView::updateScrollRange() {
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(visibleRows());
    bar->setRange(0, std::max(0, rowCount() - visibleRows()));
}

QRect LineListView::visualRect(int row) const {
    int top = (row - verticalScrollBar()->value()) * rowHeight();
    return QRect(0, top, viewport()->width(), rowHeight());
}

int LineListView::rowAt(int y) const {
    int row = verticalScrollBar()->value() + y / rowHeight();
    return row < rowCount() ? row : -1;
}

void LineListView::setCurrentRow(int row) {
    m_currentRow = row >= 0 && row < rowCount() ? row : -1;
    viewport()->update();
}

QString LineListView::currentText() const {
    return lineText(m_currentRow);
}

void LineListView::scrollTo(int row) {
    QScrollBar* bar = verticalScrollBar();
    if (row < bar->value()) {
        bar->setValue(row);
    } else if (row >= bar->value() + visibleRows()) {
        bar->setValue(row - visibleRows() + 1);
    }
}

void LineListView::scrollToBottom() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

bool LineListView::atBottom() const {
    return verticalScrollBar()->value() == verticalScrollBar()->maximum();
}

void LineListView::selectRowAsUser(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    m_currentRow = row;
    scrollTo(row);
    viewport()->update();
    NotifyLineSelected(this, row);
    emit rowSelectedByUser(row);
}

void LineListView::paintEvent(QPaintEvent* event) {
    if (m_model == nullptr) {
        return;
    }
    QPainter painter(viewport());
    const int height = rowHeight();
    const int first = verticalScrollBar()->value() + event->rect().top() / height;
    const int last =
        std::min(rowCount() - 1, verticalScrollBar()->value() + event->rect().bottom() / height);
    const QPalette& pal = palette();
    for (int row = first; row <= last; ++row) {
        QRect rect = visualRect(row);
        bool current = row == m_currentRow;
        if (current) {
            painter.fillRect(rect, pal.brush(hasFocus() ? QPalette::Active : QPalette::Inactive,
                                             QPalette::Highlight));
            painter.setPen(pal.color(QPalette::HighlightedText));
        } else {
            painter.setPen(pal.color(QPalette::Text));
        }
        const QStaticText& line = StaticLine(lineText(row));
        painter.drawStaticText(rect.left() + 3, rect.top() + (height - line.size().height()) / 2,
                               line);
        if (current && hasFocus()) {
            painter.setPen(QPen(pal.color(QPalette::HighlightedText), 1, Qt::DotLine));
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
    }
}

// Laying out a line's text costs far more than drawing it, and a log's lines
// repeat (a raw-byte line is one of 256 texts), so laid-out lines are kept.
const QStaticText& LineListView::StaticLine(const QString& text) const {
    auto it = m_laidOut.find(text);
    if (it == m_laidOut.end()) {
        if (m_laidOut.size() >= kLaidOutLines) {
            m_laidOut.clear();
        }
        QStaticText line(text);
        line.setTextFormat(Qt::PlainText);
        line.setPerformanceHint(QStaticText::AggressiveCaching);
        line.prepare(QTransform(), font());
        it = m_laidOut.emplace(text, std::move(line)).first;
    }
    return it->second;
}

void LineListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        m_laidOut.clear();
    }
    QAbstractScrollArea::changeEvent(event);
}

void LineListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void LineListView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) {
        selectRowAsUser(rowAt(event->position().toPoint().y()));
    }
}

void LineListView::keyPressEvent(QKeyEvent* event) {
    const int last = rowCount() - 1;
    int row = m_currentRow;
    switch (event->key()) {
        case Qt::Key_Up:
            row = std::max(0, row - 1);
            break;
        case Qt::Key_Down:
            row = std::min(last, row + 1);
            break;
        case Qt::Key_PageUp:
            row = std::max(0, row - visibleRows());
            break;
        case Qt::Key_PageDown:
            row = std::min(last, std::max(0, row) + visibleRows());
            break;
        case Qt::Key_Home:
            row = 0;
            break;
        case Qt::Key_End:
            row = last;
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    if (row != m_currentRow) {
        selectRowAsUser(row);
    }
    event->accept();
}

void LineListView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void LineListView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

}  // namespace ferrule
