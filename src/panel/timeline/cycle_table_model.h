// The shutter timeline's cycles as a table: one row per cycle kept, with
// headers a screen reader reads with each cell.
#pragma once

#include <QAbstractTableModel>

#include "core/timeline/shutter_timeline.h"

namespace ferrule {

class CycleTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    CycleTableModel(const ShutterTimeline& timeline, QObject* parent = nullptr);

    // Shows what the timeline added (or dropped) since the last refresh.
    void Refresh();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const ShutterTimeline& m_timeline;
    int m_rows = 0;
    uint64_t m_dropped = 0;  // cycles the timeline had dropped at the last refresh
    uint64_t m_cycles = 0;
};

}  // namespace ferrule
