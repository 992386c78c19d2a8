#include "panel/widgets/received_log_model.h"

#include <algorithm>
#include <cstdio>

namespace ferrule {

std::string RawByteLine(uint8_t byte) {
    char line[16];
    std::snprintf(line, sizeof line, "%d  0x%.2X", byte, byte);
    return line;
}

void ReceivedLogModel::AppendRawByte(uint8_t byte) {
    m_bytes.push_back(byte);
}

void ReceivedLogModel::AppendText(std::string text) {
    m_textRows.push_back(static_cast<int>(m_bytes.size()));
    m_texts.push_back(std::move(text));
    m_bytes.push_back(0);
}

bool ReceivedLogModel::CommitPending() {
    int total = LineCount();
    if (total == m_visibleRows) {
        return false;
    }
    beginInsertRows(QModelIndex(), m_visibleRows, total - 1);
    m_visibleRows = total;
    endInsertRows();
    return true;
}

void ReceivedLogModel::Clear() {
    beginResetModel();
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_textRows.clear();
    m_texts.clear();
    m_visibleRows = 0;
    endResetModel();
}

const std::string* ReceivedLogModel::TextAt(int row) const {
    auto it = std::lower_bound(m_textRows.begin(), m_textRows.end(), row);
    if (it == m_textRows.end() || *it != row) {
        return nullptr;
    }
    return &m_texts[static_cast<size_t>(it - m_textRows.begin())];
}

std::string ReceivedLogModel::LineText(int row) const {
    if (row < 0 || row >= LineCount()) {
        return {};
    }
    if (const std::string* text = TextAt(row)) {
        return *text;
    }
    return RawByteLine(m_bytes[static_cast<size_t>(row)]);
}

int ReceivedLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_visibleRows;
}

QVariant ReceivedLogModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_visibleRows) {
        return {};
    }
    return QString::fromStdString(LineText(index.row()));
}

}  // namespace ferrule
