#include "panel/timeline/cycle_table_model.h"

#include "core/timeline/timeline_text.h"

namespace ferrule {

CycleTableModel::CycleTableModel(const ShutterTimeline& timeline, QObject* parent)
    : QAbstractTableModel(parent), m_timeline(timeline) {
    Refresh();
}

void CycleTableModel::Refresh() {
    const ShutterTimeline::Totals& totals = m_timeline.Total();
    const auto kept = static_cast<int>(m_timeline.Cycles().size());
    if (totals.droppedCycles != m_dropped || totals.cycles < m_cycles || kept < m_rows) {
        // Rows went from the top: the simplest true account is a new table.
        beginResetModel();
        m_rows = kept;
        m_dropped = totals.droppedCycles;
        m_cycles = totals.cycles;
        endResetModel();
        return;
    }
    m_cycles = totals.cycles;
    if (kept > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, kept - 1);
        m_rows = kept;
        endInsertRows();
    }
}

int CycleTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int CycleTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kCycleColumns;
}

QVariant CycleTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows ||
        static_cast<size_t>(index.row()) >= m_timeline.Cycles().size()) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    const ShutterTimeline::Cycle& cycle = m_timeline.Cycles()[static_cast<size_t>(index.row())];
    const std::string cell = CycleCell(cycle, index.column());
    // An empty cell read aloud says why it is empty.
    if (cell.empty() && role == Qt::AccessibleTextRole) {
        return index.column() == kCycleColumns - 1 ? QStringLiteral("none")
                                                   : QStringLiteral("not measured");
    }
    return QString::fromStdString(cell);
}

QVariant CycleTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return QString::fromUtf8(CycleColumnTitle(section));
    }
    return section + 1;
}

}  // namespace ferrule
