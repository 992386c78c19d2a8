// Brings a lost link back by itself: after the poll tore the link down, it
// looks for the same device at most once a second and, when the device is
// attached again, asks the front end to open it exactly as its Open does. It
// keeps no thread and no timer: the front end asks it when to look next
// (NextTickMs) and calls Tick then, on its own monotonic clock, so that
// nothing runs while the link is up. What it has to say (the link lost, back,
// unsteady, failing to reopen) it hands over as notices with the time of
// day, for the log and for a screen reader.
//
// Pacing: a look every second while the device is away; a device that comes
// back and drops again within five seconds (a loose cable) is looked for
// less often, up to every four seconds, and announced once instead of at
// every drop, and back only once it has stayed up for five seconds. A device
// that is listed but does not open is tried again after 2, 4, 8 and then
// every 16 seconds, and never more often than ten times the time an attempt
// took, so that a device that answers nothing (each attempt waits for the
// probe's time-outs) does not keep the front end blocked; the failure is told
// once until the link is steady again.
//
// The user's own Open or Search has the last word: UserTookOver ends any
// wait, and the device the user then opens is the one watched next.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/reconnect/device_presence.h"

namespace ferrule {

class ReconnectWatcher {
public:
    static constexpr int64_t kLookIntervalMs = 1000;
    static constexpr int64_t kSteadyAfterMs = 5000;
    static constexpr int64_t kLongestUnsteadyLookMs = 4000;
    static constexpr int64_t kLongestFailedLookMs = 16000;
    static constexpr int64_t kAttemptCostShare = 10;

    using WallClock = std::function<std::chrono::system_clock::time_point()>;
    // Finds the watched device: the choice to open it with, nothing when it
    // is not attached (LocateWatchedDevice through the loaded library).
    using Locate = std::function<std::optional<DeviceChoice>(const WatchedDevice&)>;

    explicit ReconnectWatcher(WallClock wallClock = &std::chrono::system_clock::now)
        : m_wallClock(std::move(wallClock)) {}

    // On by default. Turning it off ends a wait under way; turning it on
    // while a lost link is down starts one, the first look at once.
    void SetEnabled(bool on, int64_t nowMs);
    bool Enabled() const { return m_enabled; }

    // The link came up on this choice by the user's Open (or the open at
    // start-up): that device is the one watched from now on. While a reopen
    // the watcher asked for is under way, this is that reopen's success and
    // changes nothing (ReopenFinished follows).
    void LinkUp(const DeviceChoice& choice, int64_t nowMs);
    // After LinkUp by the user, the device's serial number is wanted, so that
    // of two devices of the same kind the right one comes back: the front end
    // looks it up once (SerialOfChosenDevice) and hands it over.
    bool WantsSerial() const { return m_wantsSerial; }
    void LearnSerial(const std::string& serial);

    // The poll tore the link down.
    void LinkLost(int64_t nowMs);
    // The user pressed Open or Search: no wait goes on, and the device is
    // forgotten until a link comes up again.
    void UserTookOver();

    // When Tick is due, on the front end's monotonic clock; nothing while
    // there is nothing to do (the link is up and steady, or no link was open).
    std::optional<int64_t> NextTickMs() const;
    // Does what is due: a look for the device (the choice to open it with,
    // when it is back; the front end runs its Open sequence with it and then
    // calls ReopenFinished), or the notice that an unsteady link has settled.
    std::optional<DeviceChoice> Tick(int64_t nowMs, const Locate& locate);
    // The reopen Tick asked for is over: the link is up, or not (why: the
    // status line's text).
    void ReopenFinished(bool linkUp, int64_t nowMs, std::string_view why = {});

    // Waiting for the device (looking, or reopening it).
    bool Waiting() const { return m_state == State::Waiting || m_state == State::Reopening; }
    const WatchedDevice& Device() const { return m_device; }
    // Lines for the log since the last call, oldest first.
    std::vector<std::string> TakeNotices();
    // How often the device has been looked for since this watcher was made.
    uint64_t Looks() const { return m_looks; }

private:
    enum class State { Idle, Waiting, Reopening, Settling };

    int64_t LookIntervalMs() const;
    void StartWaiting(int64_t nowMs);
    void Notice(std::string text);
    std::string TimeOfDay() const;

    WallClock m_wallClock;
    bool m_enabled = true;
    State m_state = State::Idle;
    bool m_known = false;     // a device is watched: a link the user opened
    bool m_linkDown = false;  // that link is down
    bool m_wantsSerial = false;
    WatchedDevice m_device;
    int64_t m_nextLookMs = 0;
    int64_t m_lostAtMs = 0;
    int64_t m_attemptStartMs = 0;
    int64_t m_attemptCostMs = 0;
    int64_t m_reopenedAtMs = -1;  // when a reopen last brought the link up; -1 none since
    int64_t m_settledAtMs = 0;
    int m_drops = 0;             // drops soon after coming back, in a row
    int m_failures = 0;          // reopen attempts that failed since the device was last away
    bool m_failureTold = false;  // a failed reopen was told since the link was last steady
    uint64_t m_looks = 0;
    std::vector<std::string> m_notices;
};

}  // namespace ferrule
