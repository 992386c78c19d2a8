// The session record on the simulated controller: its rows and their meanings
// for a scripted session, and what it does when the file cannot be written.
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <regex>
#include <thread>

#include "child_process.h"
#include "core/record/session_record.h"
#include "csv_rows.h"
#include "engine_fixture.h"
#include "small_tmpfs.h"
#include "temp_dir.h"

using ferrule::RecordFailure;
using ferrule::SessionRecord;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

// The record's columns.
enum Column { kTime, kElapsed, kDirection, kBytes, kMeaning };

// Catches the failure the record tells from its writer thread.
class FailureCatcher {
public:
    SessionRecord::FailureListener Listener() {
        return [this](const RecordFailure& failure) {
            std::lock_guard lock(m_mutex);
            m_failures.push_back(failure);
            m_told.notify_all();
        };
    }
    // The first failure, waiting for it up to ten seconds.
    std::optional<RecordFailure> Wait() {
        std::unique_lock lock(m_mutex);
        m_told.wait_for(lock, std::chrono::seconds(10), [this] { return !m_failures.empty(); });
        return m_failures.empty() ? std::nullopt : std::optional(m_failures.front());
    }
    size_t Count() {
        std::lock_guard lock(m_mutex);
        return m_failures.size();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_told;
    std::vector<RecordFailure> m_failures;
};

class Record : public Engine {
protected:
    void TearDown() override {
        engine.RemoveObserver(&record);
        record.Stop();
        Engine::TearDown();
    }
    void StartRecord(const std::string& path) {
        ASSERT_FALSE(record.Start(path, view.nowMs, failures.Listener()));
        engine.AddObserver(&record);
    }
    // The row after the first that matches; fails the test when there is none.
    static size_t Find(const std::vector<CsvRow>& rows, const std::string& direction,
                       const std::string& meaningStart, size_t after = 0) {
        for (size_t i = after + 1; i < rows.size(); ++i) {
            if (rows[i].size() == 5 && rows[i][kDirection] == direction &&
                rows[i][kMeaning].rfind(meaningStart, 0) == 0) {
                return i;
            }
        }
        ADD_FAILURE() << "no " << direction << " row starting \"" << meaningStart << "\"";
        return rows.size() - 1;
    }

    TempDir dir;
    std::string path = dir.File("session.csv");
    SessionRecord record;
    FailureCatcher failures;
};

}  // namespace

// Status, the information reply, a free run and an Apply upload, each as the
// engine understood it, in the order it happened, on the view's clock.
TEST_F(Record, ScriptedSessionRowsAndMeanings) {
    view.nowMs = 10000;
    StartRecord(path);
    view.nowMs += 7;
    Command([&] { engine.Status(); });
    Settle();
    Command([&] { engine.GetControllerInfo(); });
    Settle();
    SetTimesAndRepeat("100", "50", "2");
    fields.m_nShutter = 1;
    Command([&] { EXPECT_TRUE(engine.SetRunOption(2)); });
    Settle(200, 2);
    fields.m_nShutterMode = 0;
    fields.m_nTriggerMode = -1;
    fields.m_nSyncLevel = -1;
    fields.m_nFreeRunOption = -1;
    Command([&] { EXPECT_FALSE(engine.Apply()); });
    Settle(40);
    ASSERT_FALSE(record.Stop());

    const std::vector<CsvRow> rows = ReadCsv(path);
    ASSERT_GE(rows.size(), 20u);
    EXPECT_THAT(rows[0], ElementsAre("time", "elapsed_ms", "direction", "bytes", "meaning"));
    EXPECT_THAT(rows[1], ElementsAre(::testing::_, "0", "note", "", "record started"));
    EXPECT_EQ(rows.back()[kMeaning], "record stopped");
    const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)");
    for (const CsvRow& row : rows) {
        ASSERT_EQ(row.size(), 5u);
        if (&row != &rows[0]) {
            EXPECT_TRUE(std::regex_match(row[kTime], iso)) << row[kTime];
        }
    }

    size_t at = Find(rows, "sent", "Status");
    EXPECT_EQ(rows[at][kBytes], "CC");
    EXPECT_EQ(rows[at][kElapsed], "7");
    at = Find(rows, "received", "echo of Status; status reply: ", at);
    EXPECT_EQ(rows[at][kBytes], "CC AC DC 00 A0 B0 00 00 00 00 00 00 00 00 00 00 F0 00 01 00");
    EXPECT_EQ(rows[at][kMeaning],
              "echo of Status; status reply: shutter closed, Fast, trigger off, SYNC off, closed "
              "time 00:00:00:000:0, exposure time 00:00:00:000:0, no running option, repeat "
              "number 1");

    at = Find(rows, "sent", "Get Controller Info", at);
    at = Find(rows, "received", "echo of Get Controller Info", at);
    EXPECT_EQ(rows[at][kMeaning],
              "echo of Get Controller Info; information reply follows; information reply "
              "\"QSC-1000 V2.0\"");

    at = Find(rows, "sent", "closed time 00:00:00:100:0", at);
    EXPECT_EQ(rows[at][kBytes], "FA 10 00 00 10 00");
    at = Find(rows, "received", "echo of closed time 00:00:00:100:0; acknowledgment", at);
    at = Find(rows, "sent", "Go", at);
    EXPECT_EQ(rows[at][kBytes], "FA F3");
    at = Find(rows, "received", "shutter opened", at);
    at = Find(rows, "received", "shutter closed, cycle counted, 1 left", at);
    at = Find(rows, "received", "shutter opened", at);
    at = Find(rows, "received", "shutter closed, last cycle, end of run", at);

    // The upload: each step goes out after the read that paced it.
    at = Find(rows, "sent", "Close", at);
    at = Find(rows, "received", "echo of Close; shutter closed", at);
    EXPECT_EQ(rows[at + 1][kDirection], "sent");
    EXPECT_EQ(rows[at + 1][kMeaning], "upload step 1: Fast");
    EXPECT_EQ(rows[at + 1][kElapsed], rows[at][kElapsed]);
    size_t steps = 0;
    size_t last = at;
    for (size_t i = at; i < rows.size(); ++i) {
        if (rows[i][kMeaning].rfind("upload step", 0) == 0) {
            ++steps;
            last = i;
            EXPECT_EQ(rows[i - 1][kDirection], "received") << i;
        }
    }
    EXPECT_EQ(steps, 7u);
    EXPECT_EQ(rows[last][kMeaning], "upload step 7: no running option; upload finished");
}

// An upload ended by another command, and the link lost under the poll:
// notes of their own.
TEST_F(Record, NotesForWhatEndsTheLinkOrAnUpload) {
    StartRecord(path);
    fields.m_nShutterMode = -1;  // stalls after Apply's first byte
    engine.Apply();
    Command([&] { engine.Stop(); });
    sim.fsim_fail_queue_status(0, FT_IO_ERROR);
    engine.Poll();
    record.Stop();
    const std::vector<CsvRow> rows = ReadCsv(path);
    size_t at = Find(rows, "sent", "Close");
    at = Find(rows, "note", "upload given up: another command was given", at);
    at = Find(rows, "sent", "STOP", at);
    Find(rows, "note", "link lost", at);
}

// The link test writes from its own thread while the poll reads its echoes.
TEST_F(Record, LinkTestRowsComeFromItsThread) {
    StartRecord(path);
    engine.Blink().SetSpeed(498);
    engine.StartLinkTest();
    for (int i = 0; i < 60; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        Settle(1, 2);
    }
    engine.Blink().StopAndWait();
    Settle(4);
    record.Stop();
    const std::vector<CsvRow> rows = ReadCsv(path);
    Find(rows, "sent", "link test");
    const size_t at = Find(rows, "received", "echo of link test");
    EXPECT_THAT(rows[at][kBytes], StartsWith("4"));
}

// Rows that a disk too slow for them would pile up are dropped and counted,
// never kept without bound.
TEST_F(Record, RowsBeyondItsMemoryAreCountedNotKept) {
    // A writer that does not come round while the rows arrive, as on a disk
    // that has stalled.
    SessionRecord small(
        {.handOverMs = 60000, .syncMs = 60000, .mostPendingBytes = 2048, .wakeAtBytes = SIZE_MAX});
    ASSERT_FALSE(small.Start(path, view.nowMs));
    engine.AddObserver(&small);
    for (int i = 0; i < 40; ++i) {
        Command([&] { engine.Status(); });
        Settle(2);
    }
    engine.RemoveObserver(&small);
    ASSERT_FALSE(small.Stop());
    const std::vector<CsvRow> rows = ReadCsv(path);
    EXPECT_LT(rows.size(), 40u);
    const std::regex pattern(R"((\d+) rows lost: the disk did not keep up with the link)");
    int lost = 0;
    for (const CsvRow& row : rows) {
        std::smatch match;
        if (std::regex_match(row[kMeaning], match, pattern)) {
            lost += std::stoi(match[1]);
        }
    }
    EXPECT_GT(lost, 40);
    EXPECT_EQ(rows.back()[kMeaning], "record stopped");
}

// A file that cannot be made: a folder, a read-only file, a folder the user
// may not write in, a folder that is not there. Nothing is recorded and the
// reason names what is wrong.
TEST_F(Record, StartRefusesWhatItCannotWrite) {
    const std::string readOnly = dir.File("kept.csv");
    std::ofstream(readOnly) << "kept";
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const std::string closedFolder = dir.File("closed");
    std::filesystem::create_directory(closedFolder);
    ASSERT_EQ(::chmod(closedFolder.c_str(), 0555), 0);
    struct Case {
        std::string path;
        std::string reason;
        bool unprivileged;
    };
    const Case cases[] = {
        {dir.File(""), "it is a folder", false},
        {readOnly, "the file is read-only", false},
        {closedFolder + "/session.csv", "Permission denied", true},
        {dir.File("gone/session.csv"), "No such file or directory", false},
    };
    for (const Case& c : cases) {
        // Root may write anywhere: the folder's permissions hold for nobody.
        const bool drop = c.unprivileged && ::geteuid() == 0;
        if (drop) {
            ::setfsuid(65534);
        }
        const std::optional<RecordFailure> refused = record.Start(c.path, 0);
        if (drop) {
            ::setfsuid(0);
        }
        ASSERT_TRUE(refused) << c.path;
        EXPECT_EQ(refused->path, c.path);
        EXPECT_EQ(refused->reason, c.reason) << c.path;
        EXPECT_FALSE(record.Recording());
    }
    EXPECT_EQ(ReadWhole(readOnly), "kept");
}

// A full disk stops the record with the reason, once; the link goes on.
TEST_F(Record, AFullDiskStopsTheRecordAndNothingElse) {
    SmallTmpfs disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    SessionRecord quick({.handOverMs = 5, .syncMs = 20});
    const std::string file = disk.File("session.csv");
    ASSERT_FALSE(quick.Start(file, view.nowMs, failures.Listener()));
    engine.AddObserver(&quick);
    ASSERT_TRUE(Eventually([&] { return std::filesystem::file_size(file) > 0; }));
    disk.Fill();
    for (int i = 0; i < 500 && failures.Count() == 0; ++i) {
        Command([&] { engine.Status(); });
        Settle(2);
    }
    const std::optional<RecordFailure> failure = failures.Wait();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->path, file);
    EXPECT_EQ(failure->reason, "No space left on device");
    EXPECT_THAT(failure->Message(), HasSubstr(file));
    EXPECT_FALSE(quick.Recording());

    view.log.clear();
    Command([&] { engine.Status(); });
    Settle();
    EXPECT_EQ(view.log.size(), 20u);  // the link goes on as before
    EXPECT_TRUE(engine.LinkReady());
    engine.RemoveObserver(&quick);
    EXPECT_FALSE(quick.Stop());  // told once, by the listener
    EXPECT_EQ(failures.Count(), 1u);
}

// Writes to a deleted or replaced file would vanish: the record says so.
TEST_F(Record, AFileDeletedOrReplacedStopsTheRecord) {
    for (const bool replace : {false, true}) {
        FailureCatcher caught;
        SessionRecord quick({.handOverMs = 5, .syncMs = 20});
        ASSERT_FALSE(quick.Start(path, view.nowMs, caught.Listener()));
        engine.AddObserver(&quick);
        if (replace) {
            std::ofstream(dir.File("other.csv")) << "other";
            std::filesystem::rename(dir.File("other.csv"), path);
        } else {
            std::filesystem::remove(path);
        }
        Command([&] { engine.Status(); });
        Settle();
        const std::optional<RecordFailure> failure = caught.Wait();
        ASSERT_TRUE(failure) << replace;
        EXPECT_EQ(failure->reason,
                  replace ? "the file was moved or replaced" : "the file was deleted");
        engine.RemoveObserver(&quick);
    }
}
