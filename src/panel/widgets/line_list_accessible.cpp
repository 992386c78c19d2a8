#include "panel/widgets/line_list_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>
#include <unordered_map>

#include "panel/widgets/line_list_view.h"

namespace ferrule {
namespace {

// One line. It stands for its row as long as the lines it was made for are
// there: emptying the list invalidates it, appending does not.
class LineItemAccessible : public QAccessibleInterface,
                           public QAccessibleTableCellInterface,
                           public QAccessibleActionInterface {
public:
    LineItemAccessible(LineListView* view, int row, int generation)
        : m_view(view), m_row(row), m_generation(generation) {}

    bool isValid() const override {
        return m_view != nullptr && m_view->resetCount() == m_generation &&
               m_row < m_view->rowCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return m_view != nullptr ? m_view->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return m_view != nullptr ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? m_view->lineText(m_row) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) {
            return {};
        }
        QRect row = m_view->visualRect(m_row);
        return {m_view->viewport()->mapToGlobal(row.topLeft()), row.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = isSelected();
        state.focused = state.selected && m_view->hasFocus();
        state.offscreen = !m_view->viewport()->rect().intersects(m_view->visualRect(m_row));
        state.disabled = !m_view->isEnabled();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface) {
            return static_cast<QAccessibleTableCellInterface*>(this);
        }
        if (type == QAccessible::ActionInterface) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        return nullptr;
    }

    bool isSelected() const override { return isValid() && m_view->currentRow() == m_row; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // Pressing a line, or moving the focus to it, selects it as a click does.
    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    void doAction(const QString& name) override {
        if (!isValid() || !m_view->isEnabled()) {
            return;
        }
        if (name == setFocusAction()) {
            m_view->setFocus(Qt::OtherFocusReason);
        } else if (name != pressAction()) {
            return;
        }
        m_view->selectRowAsUser(m_row);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<LineListView> m_view;
    int m_row;
    int m_generation;
};

class LineListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    // Items kept at once; the rest are made again when asked for.
    static constexpr size_t kMaxItems = 256;

    explicit LineListAccessible(LineListView* view) : QAccessibleWidget(view, QAccessible::List) {}
    ~LineListAccessible() override { DropItems(); }

    LineListView* view() const { return static_cast<LineListView*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface) {
            return static_cast<QAccessibleTableInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    // The value is the current line.
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return view()->currentText();
        }
        return QAccessibleWidget::text(t);
    }

    // The children are the lines in sight, not the widgets inside the view.
    int childCount() const override { return view()->rowsInSight(); }
    QAccessibleInterface* child(int index) const override {
        return index >= 0 && index < childCount() ? Item(view()->firstVisibleRow() + index)
                                                  : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr || child->role() != QAccessible::ListItem) {
            return -1;
        }
        auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        int index = cell != nullptr ? cell->rowIndex() - view()->firstVisibleRow() : -1;
        return index >= 0 && index < childCount() ? index : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        QPoint point = view()->viewport()->mapFromGlobal(QPoint(x, y));
        if (!view()->viewport()->rect().contains(point)) {
            return nullptr;
        }
        return Item(view()->rowAt(point.y()));
    }
    QAccessibleInterface* focusChild() const override {
        return view()->hasFocus() ? Item(view()->currentRow()) : nullptr;
    }

    // Every line, through the table interface.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return column == 0 ? Item(row) : nullptr;
    }
    int selectedCellCount() const override { return view()->currentRow() >= 0 ? 1 : 0; }
    QList<QAccessibleInterface*> selectedCells() const override {
        QAccessibleInterface* current = Item(view()->currentRow());
        return current != nullptr ? QList<QAccessibleInterface*>{current}
                                  : QList<QAccessibleInterface*>{};
    }
    QString columnDescription(int) const override { return {}; }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return selectedCellCount(); }
    int columnCount() const override { return 1; }
    int rowCount() const override { return view()->rowCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        int current = view()->currentRow();
        return current >= 0 ? QList<int>{current} : QList<int>{};
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return row >= 0 && view()->currentRow() == row; }
    bool selectRow(int row) override {
        if (row < 0 || row >= view()->rowCount() || !view()->isEnabled()) {
            return false;
        }
        view()->selectRowAsUser(row);
        return true;
    }
    // One line is always current once chosen, as with the mouse.
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        if (event->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset) {
            DropItems();
        }
    }

private:
    QAccessibleInterface* Item(int row) const {
        LineListView* v = view();
        if (row < 0 || row >= v->rowCount()) {
            return nullptr;
        }
        if (m_generation != v->resetCount()) {
            DropItems();
            m_generation = v->resetCount();
        }
        if (auto it = m_items.find(row); it != m_items.end()) {
            return QAccessible::accessibleInterface(it->second);
        }
        if (m_items.size() >= kMaxItems) {
            TrimItems();
        }
        auto* item = new LineItemAccessible(v, row, m_generation);
        m_items.emplace(row, QAccessible::registerAccessibleInterface(item));
        return item;
    }
    // Keeps the lines in sight and the current one.
    void TrimItems() const {
        int first = view()->firstVisibleRow();
        int last = first + view()->rowsInSight() - 1;
        for (auto it = m_items.begin(); it != m_items.end();) {
            bool keep =
                (it->first >= first && it->first <= last) || it->first == view()->currentRow();
            if (keep) {
                ++it;
            } else {
                QAccessible::deleteAccessibleInterface(it->second);
                it = m_items.erase(it);
            }
        }
    }
    void DropItems() const {
        for (const auto& [row, id] : m_items) {
            QAccessible::deleteAccessibleInterface(id);
        }
        m_items.clear();
    }

    mutable std::unordered_map<int, QAccessible::Id> m_items;  // row -> registered item
    mutable int m_generation = -1;
};

QAccessibleInterface* LineListFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("ferrule::LineListView") && object->isWidgetType()) {
        return new LineListAccessible(static_cast<LineListView*>(object));
    }
    return nullptr;
}

void Send(QAccessibleEvent&& event) {
    QAccessible::updateAccessibility(&event);
}

}  // namespace

void InstallLineListAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(LineListFactory);
        return true;
    }();
    (void)installed;
}

void NotifyLineSelected(LineListView* view, int row) {
    if (!QAccessible::isActive()) {
        return;
    }
    Send(QAccessibleValueChangeEvent(view, view->currentText()));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    QAccessibleInterface* item = list != nullptr && list->tableInterface()
                                     ? list->tableInterface()->cellAt(row, 0)
                                     : nullptr;
    if (item == nullptr) {
        return;
    }
    Send(QAccessibleEvent(item, QAccessible::Selection));
    if (view->hasFocus()) {
        Send(QAccessibleEvent(item, QAccessible::Focus));
    }
}

// The newest line joins the children when it comes into sight.
void NotifyNewestLine(LineListView* view) {
    int newest = view->rowCount() - 1;
    if (!QAccessible::isActive() || newest < view->firstVisibleRow() ||
        newest >= view->firstVisibleRow() + view->rowsInSight()) {
        return;
    }
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    if (QAccessibleInterface* item = list ? list->tableInterface()->cellAt(newest, 0) : nullptr) {
        Send(QAccessibleEvent(item, QAccessible::ObjectCreated));
    }
}

void NotifyLinesReset(LineListView* view) {
    if (!QAccessible::isActive()) {
        return;
    }
    QAccessibleTableModelChangeEvent reset(view, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&reset);
    Send(QAccessibleEvent(view, QAccessible::ObjectReorder));
}

}  // namespace ferrule
