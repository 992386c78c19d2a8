#include "ctl/watch_record.h"

namespace ferrule::ctl {

WatchRecord::~WatchRecord() {
    if (m_started) {
        m_session.Engine().RemoveObserver(&m_record);
        m_record.Stop();
    }
}

remote::Outcome WatchRecord::Start(const std::string& path) {
    const auto onFailure = [this](const RecordFailure& failure) {
        {
            std::lock_guard lock(m_mutex);
            m_failure = failure;
        }
        m_output.Warning(failure.Message());
    };
    // Stamped on the clock the engine stamps its events with.
    if (const std::optional<RecordFailure> refused =
            m_record.Start(path, m_clock.NowMs(), onFailure)) {
        return remote::Outcome::Failure(remote::ExitCode::Refused,
                                        "watch: the session record " + refused->path +
                                            " could not be started: " + refused->reason);
    }
    m_session.Engine().AddObserver(&m_record);
    m_started = true;
    return {};
}

remote::Outcome WatchRecord::Finish(remote::Outcome watched) {
    if (!m_started) {
        return watched;
    }
    m_session.Engine().RemoveObserver(&m_record);
    m_started = false;
    std::optional<RecordFailure> failure = m_record.Stop();
    if (failure) {
        m_output.Warning(failure->Message());
    } else {
        std::lock_guard lock(m_mutex);
        failure = m_failure;
    }
    if (!watched.Done() || !failure) {
        return watched;
    }
    return remote::Outcome::Failure(
        remote::ExitCode::Refused,
        "watch: the session record " + failure->path + " is incomplete: " + failure->reason);
}

}  // namespace ferrule::ctl
