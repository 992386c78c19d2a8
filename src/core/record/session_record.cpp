#include "core/record/session_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/common/write_all.h"

namespace ferrule {

namespace {

constexpr const char* kNote = "note";

int64_t SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t WallNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

}  // namespace

std::string RecordFailure::Message() const {
    return "The session record " + path + " could not be written: " + reason +
           ". Recording has stopped.";
}

SessionRecord::~SessionRecord() {
    Stop();
}

std::string SessionRecord::Path() const {
    std::lock_guard lock(m_mutex);
    return m_path;
}

std::optional<RecordFailure> SessionRecord::Start(const std::string& path, int64_t viewNowMs,
                                                  FailureListener onFailure) {
    Stop();
    auto refuse = [&path](std::string reason) {
        return std::optional<RecordFailure>(RecordFailure{path, std::move(reason)});
    };
    // A file its owner made read-only is meant to stay as it is, even for a
    // user whose privileges would let it be replaced.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            return refuse("it is a folder");
        }
        if (S_ISREG(existing.st_mode) && (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            return refuse("the file is read-only");
        }
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return refuse(ErrorText(errno));
    }
    struct stat opened {};
    ::fstat(fd, &opened);

    std::lock_guard lock(m_mutex);
    m_path = path;
    m_fd = fd;
    m_device = opened.st_dev;
    m_inode = opened.st_ino;
    m_onFailure = std::move(onFailure);
    m_viewStartMs = viewNowMs;
    m_steadyStartMs = SteadyNowMs();
    m_wallStartMs = WallNowMs();
    m_stopping = false;
    m_stopFailure.reset();
    m_pending.clear();
    m_droppedRows = 0;
    m_echoes.Clear();
    m_inBatch = false;
    m_batchWrites.clear();
    m_uploadStep = 0;
    m_pending = kHeader;
    m_pending += '\n';
    AppendRow(0, kNote, {}, "record started");
    m_accepting = true;
    m_writer = std::thread(&SessionRecord::Writer, this);
    return std::nullopt;
}

std::optional<RecordFailure> SessionRecord::Stop() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_writer.joinable()) {
            return std::nullopt;
        }
        m_accepting = false;
        m_stopping = true;
    }
    m_wake.notify_all();
    m_writer.join();
    std::lock_guard lock(m_mutex);
    std::optional<RecordFailure> failure = std::move(m_stopFailure);
    m_stopFailure.reset();
    return failure;
}

int64_t SessionRecord::SteadyElapsedMs() const {
    return SteadyNowMs() - m_steadyStartMs;
}

void SessionRecord::OnEngineEvent(const EngineEvent& event) {
    if (!m_accepting.load(std::memory_order_relaxed)) {
        return;
    }
    std::unique_lock lock(m_mutex);
    if (!m_accepting) {
        return;
    }
    // The link test's writes are stamped on the steady clock, on its thread.
    const int64_t elapsed = event.kind == EngineEvent::Kind::LinkTestSent
                                ? event.timeMs - m_steadyStartMs
                                : event.timeMs - m_viewStartMs;
    const size_t before = m_pending.size();
    Take(event, elapsed);
    const bool full = m_pending.size() >= m_limits.wakeAtBytes && before < m_pending.size();
    lock.unlock();
    if (full) {
        m_wake.notify_all();
    }
}

void SessionRecord::Take(const EngineEvent& e, int64_t elapsed) {
    using Kind = EngineEvent::Kind;
    switch (e.kind) {
        case Kind::Sent: {
            m_echoes.Written(e.bytes, e.text, elapsed);
            Row row{elapsed, "sent", {e.bytes.begin(), e.bytes.end()}, std::string(e.text)};
            if (m_uploadStep > 0) {
                row.meaning = "upload step " + std::to_string(m_uploadStep) + ": " + row.meaning;
                m_uploadStep = 0;
            }
            if (m_inBatch) {
                m_batchWrites.push_back(std::move(row));
            } else {
                AppendRow(row);
            }
            break;
        }
        case Kind::LinkTestSent:
            m_echoes.Written(e.bytes, "link test", elapsed);
            AppendRow(elapsed, "sent", e.bytes, "link test");
            break;
        case Kind::Received:
            m_inBatch = true;
            m_batchMs = elapsed;
            m_batchBytes.assign(e.bytes.begin(), e.bytes.end());
            m_batchMeaning.Clear();
            break;
        case Kind::Byte: {
            if (!m_inBatch || e.bytes.empty()) {
                break;
            }
            std::optional<std::string> echoOf;
            if (MayBeEcho(e)) {
                echoOf = m_echoes.Match(e.bytes[0], elapsed);
            }
            m_batchMeaning.AddByte(e, echoOf);
            break;
        }
        case Kind::StatusReply:
            if (m_inBatch && e.status != nullptr) {
                m_batchMeaning.AddStatusReply(*e.status);
            }
            break;
        case Kind::InfoReply:
            if (m_inBatch) {
                m_batchMeaning.AddInfoReply(e.text);
            }
            break;
        case Kind::UploadStep:
            m_uploadStep = e.number;
            break;
        case Kind::UploadEnded:
            if (e.text.empty()) {
                if (!m_batchWrites.empty()) {
                    m_batchWrites.back().meaning += "; upload finished";
                }
            } else {
                Row row{elapsed, kNote, {}, "upload given up: " + std::string(e.text)};
                if (m_inBatch) {
                    m_batchWrites.push_back(std::move(row));
                } else {
                    AppendRow(row);
                }
            }
            break;
        case Kind::BatchDecoded:
            if (!m_inBatch) {
                break;
            }
            AppendRow(m_batchMs, "received", m_batchBytes, m_batchMeaning.Text());
            for (const Row& row : m_batchWrites) {
                AppendRow(row);
            }
            m_batchWrites.clear();
            m_inBatch = false;
            break;
        case Kind::LinkLost:
            m_echoes.Clear();
            m_inBatch = false;
            AppendRow(elapsed, kNote, {}, "link lost");
            break;
    }
}

void SessionRecord::AppendRow(int64_t elapsedMs, const char* direction,
                              std::span<const uint8_t> bytes, std::string_view meaning) {
    // Rows a disk too slow for them would pile up are counted instead; the
    // record's own notes always go in.
    if (m_pending.size() >= m_limits.mostPendingBytes && direction != kNote) {
        ++m_droppedRows;
        return;
    }
    m_clock.Append(m_pending, m_wallStartMs + elapsedMs);
    m_pending += ',';
    m_pending += std::to_string(elapsedMs);
    m_pending += ',';
    m_pending += direction;
    m_pending += ',';
    AppendHexBytes(m_pending, bytes);
    m_pending += ',';
    AppendCsvField(m_pending, meaning);
    m_pending += '\n';
}

void SessionRecord::Writer() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastSync = Clock::now();
    bool unsynced = false;
    std::string batch;
    for (;;) {
        bool stopping = false;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(m_limits.handOverMs), [this] {
                return m_stopping || m_pending.size() >= m_limits.wakeAtBytes;
            });
            stopping = m_stopping;
            if (m_droppedRows > 0) {
                AppendRow(SteadyElapsedMs(), kNote, {},
                          std::to_string(m_droppedRows) +
                              " rows lost: the disk did not keep up with the link");
                m_droppedRows = 0;
            }
            if (stopping) {
                AppendRow(SteadyElapsedMs(), kNote, {}, "record stopped");
            }
            batch.swap(m_pending);
            m_pending.clear();
        }
        std::string reason;
        bool ok = WriteOut(batch, &reason);
        unsynced = unsynced || !batch.empty();
        batch.clear();
        const bool syncDue =
            stopping || Clock::now() - lastSync >= std::chrono::milliseconds(m_limits.syncMs);
        if (ok && syncDue) {
            if (unsynced && ::fdatasync(m_fd) != 0) {
                reason = ErrorText(errno);
                ok = false;
            }
            unsynced = false;
            lastSync = Clock::now();
            ok = ok && StillOurFile(&reason);
        }
        if (!ok) {
            Fail(reason, !stopping);
            return;
        }
        if (stopping) {
            if (::close(m_fd) != 0) {
                std::lock_guard lock(m_mutex);
                m_stopFailure = RecordFailure{m_path, ErrorText(errno)};
            }
            m_fd = -1;
            return;
        }
    }
}

bool SessionRecord::WriteOut(const std::string& text, std::string* reason) {
    int error = 0;
    if (!WriteAll(m_fd, text, &error)) {
        *reason = ErrorText(error);
        return false;
    }
    return true;
}

// Writes to a file that was deleted or replaced would succeed and be lost.
bool SessionRecord::StillOurFile(std::string* reason) const {
    struct stat named {};
    if (::stat(m_path.c_str(), &named) == 0) {
        if (named.st_dev == m_device && named.st_ino == m_inode) {
            return true;
        }
        *reason = "the file was moved or replaced";
        return false;
    }
    struct stat open {};
    const bool deleted = ::fstat(m_fd, &open) == 0 && open.st_nlink == 0;
    *reason = deleted ? "the file was deleted" : "the file was moved or replaced";
    return false;
}

void SessionRecord::Fail(const std::string& reason, bool tell) {
    ::close(m_fd);
    m_fd = -1;
    RecordFailure failure;
    FailureListener listener;
    {
        std::lock_guard lock(m_mutex);
        m_accepting = false;
        m_pending.clear();
        failure = {m_path, reason};
        if (tell) {
            listener = m_onFailure;
        } else {
            m_stopFailure = failure;
        }
    }
    if (listener) {
        listener(failure);
    }
}

}  // namespace ferrule
