#include "panel/widgets/log_export.h"

#include <QTimer>

namespace ferrule {

namespace {

constexpr size_t kPieceBytes = 1 << 20;
constexpr int kProgressMs = 100;

}  // namespace

LogExport::LogExport(QObject* parent) : QObject(parent), m_timer(new QTimer(this)) {
    m_timer->setInterval(kProgressMs);
    connect(m_timer, &QTimer::timeout, this, &LogExport::CheckDone);
}

LogExport::~LogExport() {
    m_cancel = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool LogExport::Start(const std::string& path, LogLines lines) {
    if (m_thread.joinable()) {
        return false;
    }
    m_path = path;
    m_total = lines.Count();
    m_written = 0;
    m_cancel = false;
    m_done = false;
    m_thread = std::thread([this, path, lines = std::move(lines)] {
        m_result = ReplaceFileContent(path, [&](const ContentSink& sink) {
            std::string piece;
            piece.reserve(kPieceBytes + 256);
            for (size_t row = 0; row < lines.Count(); ++row) {
                lines.AppendLine(row, piece);
                if (piece.size() >= kPieceBytes) {
                    if (m_cancel || !sink(piece)) {
                        return false;
                    }
                    piece.clear();
                    m_written = row + 1;
                }
            }
            if (m_cancel || !sink(piece)) {
                return false;
            }
            m_written = lines.Count();
            return true;
        });
        m_done = true;
    });
    m_timer->start();
    return true;
}

void LogExport::Wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_timer->stop();
}

void LogExport::CheckDone() {
    emit Progressed(m_written.load(), m_total);
    if (!m_done) {
        return;
    }
    m_timer->stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    emit Finished(m_result);
}

}  // namespace ferrule
