// A list of text lines for logs that grow to millions of lines. Qt's item
// views keep layout data for every row; this view keeps none: every row has
// the height of one text line, and only the rows in sight are ever asked for
// their text. One line can be current; the user picks it with the mouse or
// the keyboard.
#pragma once

#include <QAbstractScrollArea>
#include <QStaticText>
#include <QString>
#include <unordered_map>

class QAbstractItemModel;
class QTimer;

namespace ferrule {

class LineListView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit LineListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const { return m_model; }

    int currentRow() const { return m_currentRow; }
    // Makes row current without telling anybody; -1 for none.
    void setCurrentRow(int row);
    QString currentText() const;
    // Makes row current as the user's click does, and says so.
    void selectRowAsUser(int row);

    int rowCount() const;
    QString lineText(int row) const;
    int firstVisibleRow() const;
    // The rows with any part in sight, from firstVisibleRow.
    int rowsInSight() const;
    // Counts the times the list was emptied; a row number stands for the same
    // line until it changes.
    int resetCount() const { return m_resetCount; }

    int rowHeight() const;
    // The rectangle of a row within the viewport (may lie outside it).
    QRect visualRect(int row) const;
    int rowAt(int y) const;
    void scrollTo(int row);
    void scrollToBottom();
    // True while the last line is in sight; new lines are then followed.
    bool atBottom() const;

signals:
    // The user made a row current, by mouse or keyboard.
    void rowSelectedByUser(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int visibleRows() const;
    void updateScrollRange();
    void linesAppended();
    const QStaticText& StaticLine(const QString& text) const;

    static constexpr size_t kLaidOutLines = 1024;

    QAbstractItemModel* m_model = nullptr;
    int m_currentRow = -1;
    int m_resetCount = 0;
    QTimer* m_announceTimer = nullptr;  // made when assistive technology first listens
    mutable std::unordered_map<QString, QStaticText> m_laidOut;
};

}  // namespace ferrule
