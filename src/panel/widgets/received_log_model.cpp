#include "panel/widgets/received_log_model.h"

#include <algorithm>
#include <cstdio>

namespace ferrule {

std::string RawByteLine(uint8_t byte) {
    char line[16];
    std::snprintf(line, sizeof line, "%d  0x%.2X", byte, byte);
    return line;
}

void LogLines::AppendLine(size_t row, std::string& out) const {
    const auto it = std::lower_bound(textRows.begin(), textRows.end(), static_cast<int>(row));
    if (it != textRows.end() && static_cast<size_t>(*it) == row) {
        out += texts[static_cast<size_t>(it - textRows.begin())];
    } else {
        // RawByteLine without the formatting call: millions of lines.
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const uint8_t byte = bytes[row];
        if (byte >= 100) {
            out += static_cast<char>('0' + byte / 100);
        }
        if (byte >= 10) {
            out += static_cast<char>('0' + byte / 10 % 10);
        }
        out += static_cast<char>('0' + byte % 10);
        out += "  0x";
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
    }
    out += '\n';
}

LogLines ReceivedLogModel::VisibleLines() const {
    const auto visible = static_cast<size_t>(m_visibleRows);
    LogLines lines;
    lines.bytes.assign(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(visible));
    for (size_t i = 0; i < m_textRows.size() && static_cast<size_t>(m_textRows[i]) < visible; ++i) {
        lines.textRows.push_back(m_textRows[i]);
        lines.texts.push_back(m_texts[i]);
    }
    return lines;
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
