// The received-data log behind the list box kCtlReceivedData. It holds
// millions of lines in little memory: a raw-byte line is stored as its byte and
// formatted only when shown; the few text lines (device listings, controller
// information) are kept aside with their row numbers. Lines appended by a poll
// become visible together, in one insertion, when the panel is next written.
#pragma once

#include <QAbstractListModel>
#include <cstdint>
#include <string>
#include <vector>

namespace ferrule {

// A copy of the log's lines, for writing them out away from the model.
struct LogLines {
    std::vector<uint8_t> bytes;  // per line, as the model keeps them
    std::vector<int> textRows;
    std::vector<std::string> texts;

    size_t Count() const { return bytes.size(); }
    // Appends line `row` and its line end.
    void AppendLine(size_t row, std::string& out) const;
};

class ReceivedLogModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // Staged until CommitPending.
    void AppendRawByte(uint8_t byte);
    void AppendText(std::string text);
    // Makes the staged lines visible in one insertion. Returns true if any.
    bool CommitPending();
    // Removes every line, staged or visible.
    void Clear();

    // Visible and staged lines together, as the handlers count them.
    int LineCount() const { return static_cast<int>(m_bytes.size()); }
    std::string LineText(int row) const;

    // The lines shown, copied.
    LogLines VisibleLines() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const std::string* TextAt(int row) const;

    // Per line: the byte of a raw-byte line (unused for a text line).
    std::vector<uint8_t> m_bytes;
    std::vector<int> m_textRows;       // rows of the text lines, ascending
    std::vector<std::string> m_texts;  // their texts, in the same order
    int m_visibleRows = 0;
};

// "%d  0x%.2X": the byte in decimal, two blanks, two upper-case hex digits.
std::string RawByteLine(uint8_t byte);

}  // namespace ferrule
