// watch --record FILE: the session record kept while ferrule-ctl watches, in
// the same CSV as the panel's record, written by the core's SessionRecord on
// its own thread. A record that cannot be written stops with a warning; the
// watch goes on, and the program's exit code tells that the record is short.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/record/session_record.h"
#include "core/remote/controller_session.h"
#include "core/remote/outcome.h"
#include "ctl/output.h"

namespace ferrule::ctl {

class WatchRecord {
public:
    WatchRecord(remote::ControllerSession& session, remote::SessionClock& clock, Output& output)
        : m_session(session), m_clock(clock), m_output(output) {}
    // Stops a record still running.
    ~WatchRecord();
    WatchRecord(const WatchRecord&) = delete;
    WatchRecord& operator=(const WatchRecord&) = delete;

    // Creates the file and starts recording the session's engine; a refusal
    // naming the file and the reason when it cannot be created.
    remote::Outcome Start(const std::string& path);
    // Ends the record. The watch's outcome is handed back as it was, unless
    // the watch was done but the record stopped early or its last rows could
    // not be written: then a refusal saying so.
    remote::Outcome Finish(remote::Outcome watched);

private:
    remote::ControllerSession& m_session;
    remote::SessionClock& m_clock;
    Output& m_output;
    SessionRecord m_record;
    bool m_started = false;
    std::mutex m_mutex;  // the failure is told on the record's writer thread
    std::optional<RecordFailure> m_failure;
};

}  // namespace ferrule::ctl
