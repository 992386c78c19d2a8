// A session record: every exchange with the controller written to a CSV file
// as it happens, one row per write and one per read batch, with the wall-clock
// time, the milliseconds since the record began, the direction, the bytes in
// hex and what they meant as the engine understood them:
//
//   time,elapsed_ms,direction,bytes,meaning
//   2025-03-04T10:20:30.456+01:00,12,sent,CC,Status
//   2025-03-04T10:20:30.461+01:00,17,received,CC 01 DC ...,echo of Status; status reply: ...
//
// Directions are "sent", "received" and "note" (the record's start and end,
// an upload given up, a lost link, rows lost to a slow disk).
//
// The record is an engine observer: register it with the engine after Start
// and remove it before or after Stop (events outside a record are ignored).
// Rows are handed to a writer thread of its own, so a slow disk never holds
// up the poll; they reach the file within a quarter of a second and the disk
// (fdatasync) at least once a second. Memory stays bounded: rows that a disk
// too slow to keep up would pile up are dropped and counted in a note row.
// A write that fails, or a file deleted or replaced under the record, stops
// the record and tells the listener once, with the file and the reason;
// nothing else is affected.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/engine/engine_events.h"
#include "core/record/echo_matcher.h"
#include "core/record/link_meaning.h"
#include "core/record/record_format.h"

namespace ferrule {

struct RecordFailure {
    std::string path;
    std::string reason;  // "No space left on device", "the file was deleted"

    // "The session record /data/run.csv could not be written: ... Recording
    // has stopped."
    std::string Message() const;
};

class SessionRecord : public EngineObserver {
public:
    inline static const char* const kHeader = "time,elapsed_ms,direction,bytes,meaning";

    struct Limits {
        int handOverMs = 250;                // rows wait at most this long for the file
        int syncMs = 1000;                   // and this long for the disk
        size_t mostPendingBytes = 8u << 20;  // rows waiting beyond this are dropped
        size_t wakeAtBytes = 4u << 20;       // this many waiting hand over at once
    };
    // Told on the writer's thread, once, when the record stops by itself.
    using FailureListener = std::function<void(const RecordFailure&)>;

    SessionRecord() = default;
    explicit SessionRecord(Limits limits) : m_limits(limits) {}
    // Stops a record still running.
    ~SessionRecord() override;
    SessionRecord(const SessionRecord&) = delete;
    SessionRecord& operator=(const SessionRecord&) = delete;

    // Creates the file (replacing one that is there, unless it is read-only)
    // and writes the header. viewNowMs is the time now on the clock that
    // stamps the engine's events. A record already running is stopped first.
    std::optional<RecordFailure> Start(const std::string& path, int64_t viewNowMs,
                                       FailureListener onFailure = {});
    // Writes what is left, syncs and closes. A failure of this last write is
    // handed back rather than told to the listener.
    std::optional<RecordFailure> Stop();

    bool Recording() const { return m_accepting.load(); }
    // The file of the record running or last run.
    std::string Path() const;

    void OnEngineEvent(const EngineEvent& event) override;

private:
    struct Row {
        int64_t elapsedMs;
        const char* direction;
        std::vector<uint8_t> bytes;
        std::string meaning;
    };

    void Take(const EngineEvent& event, int64_t elapsedMs);
    void AppendRow(int64_t elapsedMs, const char* direction, std::span<const uint8_t> bytes,
                   std::string_view meaning);
    void AppendRow(const Row& row) {
        AppendRow(row.elapsedMs, row.direction, row.bytes, row.meaning);
    }
    int64_t SteadyElapsedMs() const;
    void Writer();
    // Writes everything; false with the reason on failure.
    bool WriteOut(const std::string& text, std::string* reason);
    bool StillOurFile(std::string* reason) const;
    void Fail(const std::string& reason, bool tell);

    Limits m_limits;
    FailureListener m_onFailure;
    std::string m_path;
    int m_fd = -1;
    uint64_t m_device = 0;
    uint64_t m_inode = 0;

    int64_t m_viewStartMs = 0;
    int64_t m_steadyStartMs = 0;
    int64_t m_wallStartMs = 0;

    // Guards everything below, taken by the engine's thread, the link test's
    // thread and the writer.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_accepting{false};
    bool m_stopping = false;
    std::string m_pending;  // rows not yet handed to the file
    uint64_t m_droppedRows = 0;
    LocalIsoClock m_clock;
    EchoMatcher m_echoes;
    bool m_inBatch = false;
    int64_t m_batchMs = 0;
    std::vector<uint8_t> m_batchBytes;
    BatchMeaning m_batchMeaning;
    std::vector<Row> m_batchWrites;  // the decoder's own writes, after the batch's row
    int m_uploadStep = 0;            // the upload step the next write carries
    std::optional<RecordFailure> m_stopFailure;

    std::thread m_writer;
};

}  // namespace ferrule
