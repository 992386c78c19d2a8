#include "core/reconnect/reconnect_watcher.h"

#include <time.h>

#include <algorithm>
#include <cstdio>

namespace ferrule {
namespace {

// How long the link was down, in words.
std::string Duration(int64_t ms) {
    const int64_t seconds = (std::max<int64_t>(ms, 0) + 500) / 1000;
    if (seconds < 120) {
        return std::to_string(seconds) + " s";
    }
    return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
}

int64_t Doubled(int64_t base, int times, int64_t cap) {
    int64_t value = base;
    for (int i = 0; i < times && value < cap; ++i) {
        value *= 2;
    }
    return std::min(value, cap);
}

}  // namespace

void ReconnectWatcher::SetEnabled(bool on, int64_t nowMs) {
    if (on == m_enabled) {
        return;
    }
    m_enabled = on;
    if (!on && m_state != State::Reopening) {
        m_state = State::Idle;
        m_drops = 0;
    } else if (on && m_known && m_linkDown && m_state == State::Idle) {
        StartWaiting(nowMs);
        m_nextLookMs = nowMs;
    }
}

void ReconnectWatcher::LinkUp(const DeviceChoice& choice, int64_t /*nowMs*/) {
    if (m_state == State::Reopening) {
        return;
    }
    m_state = State::Idle;
    m_known = true;
    m_linkDown = false;
    m_wantsSerial = true;
    m_device = {choice, {}};
    m_drops = 0;
    m_failures = 0;
    m_attemptCostMs = 0;
    m_reopenedAtMs = -1;
}

void ReconnectWatcher::LearnSerial(const std::string& serial) {
    m_wantsSerial = false;
    m_device.serial = serial;
}

void ReconnectWatcher::LinkLost(int64_t nowMs) {
    if (!m_known || m_state == State::Reopening) {
        return;
    }
    // Without a serial number yet, the device is known by the user's choice.
    m_wantsSerial = false;
    m_linkDown = true;
    if (!m_enabled) {
        m_state = State::Idle;
        Notice("Link lost at " + TimeOfDay() + ".");
        return;
    }
    const bool soonAfterComingBack =
        m_state == State::Settling ||
        (m_reopenedAtMs >= 0 && nowMs - m_reopenedAtMs < kSteadyAfterMs);
    m_drops = soonAfterComingBack ? m_drops + 1 : 0;
    if (m_drops == 0) {
        m_lostAtMs = nowMs;
        m_failureTold = false;
        Notice("Link lost at " + TimeOfDay() + "; reconnecting when the device is back.");
    } else if (m_drops == 1) {
        Notice("Link lost again at " + TimeOfDay() +
               ", soon after it came back: the cable or the hub may be loose. Reconnecting "
               "once the link stays up.");
    }
    m_failures = 0;
    StartWaiting(nowMs);
}

void ReconnectWatcher::UserTookOver() {
    m_state = State::Idle;
    m_known = false;
    m_linkDown = false;
    m_wantsSerial = false;
    m_drops = 0;
    m_failures = 0;
    m_attemptCostMs = 0;
    m_reopenedAtMs = -1;
}

std::optional<int64_t> ReconnectWatcher::NextTickMs() const {
    switch (m_state) {
        case State::Waiting:
            return m_nextLookMs;
        case State::Settling:
            return m_settledAtMs;
        case State::Idle:
        case State::Reopening:
            break;
    }
    return std::nullopt;
}

std::optional<DeviceChoice> ReconnectWatcher::Tick(int64_t nowMs, const Locate& locate) {
    if (m_state == State::Settling && nowMs >= m_settledAtMs) {
        m_state = State::Idle;
        m_drops = 0;
        Notice("Link back at " + TimeOfDay() + " and steady again, after " +
               Duration(nowMs - m_lostAtMs) + ".");
        return std::nullopt;
    }
    if (m_state != State::Waiting || nowMs < m_nextLookMs) {
        return std::nullopt;
    }
    ++m_looks;
    std::optional<DeviceChoice> found = locate(m_device);
    if (!found) {
        // Away again: a device that failed to open was going, not failing.
        m_failures = 0;
        m_nextLookMs = nowMs + LookIntervalMs();
        return std::nullopt;
    }
    m_state = State::Reopening;
    m_attemptStartMs = nowMs;
    return found;
}

void ReconnectWatcher::ReopenFinished(bool linkUp, int64_t nowMs, std::string_view why) {
    if (m_state != State::Reopening) {
        return;
    }
    m_attemptCostMs = std::max<int64_t>(nowMs - m_attemptStartMs, 0);
    if (linkUp) {
        m_linkDown = false;
        m_failures = 0;
        m_reopenedAtMs = nowMs;
        if (m_drops == 0) {
            m_state = State::Idle;
            Notice("Link back at " + TimeOfDay() + ", after " + Duration(nowMs - m_lostAtMs) + ".");
        } else {
            m_state = State::Settling;
            m_settledAtMs = nowMs + kSteadyAfterMs;
        }
        return;
    }
    ++m_failures;
    if (!m_failureTold) {
        m_failureTold = true;
        std::string text = "Could not reconnect at " + TimeOfDay();
        if (!why.empty()) {
            text += ": ";
            text += why;
        }
        Notice(text + ". Trying again while the device is attached.");
    }
    m_state = State::Waiting;
    m_nextLookMs = nowMs + LookIntervalMs();
}

std::vector<std::string> ReconnectWatcher::TakeNotices() {
    std::vector<std::string> notices;
    notices.swap(m_notices);
    return notices;
}

int64_t ReconnectWatcher::LookIntervalMs() const {
    int64_t interval = kLookIntervalMs;
    if (m_drops > 0) {
        interval = std::max(interval, Doubled(kLookIntervalMs, m_drops, kLongestUnsteadyLookMs));
    }
    if (m_failures > 0) {
        interval = std::max(interval, Doubled(kLookIntervalMs, m_failures, kLongestFailedLookMs));
        interval = std::max(interval, kAttemptCostShare * m_attemptCostMs);
    }
    return interval;
}

void ReconnectWatcher::StartWaiting(int64_t nowMs) {
    m_state = State::Waiting;
    m_nextLookMs = nowMs + LookIntervalMs();
}

void ReconnectWatcher::Notice(std::string text) {
    m_notices.push_back(std::move(text));
}

std::string ReconnectWatcher::TimeOfDay() const {
    const time_t now = std::chrono::system_clock::to_time_t(m_wallClock());
    tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

}  // namespace ferrule
