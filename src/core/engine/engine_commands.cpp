// The commands: each body writes its message, sets the fields and arms the
// protocol state it answers with. The frame around them (the fields read,
// the gate, the time-out reset, the fields shown) is the front end's.
#include <chrono>

#include "core/common/leading_integer.h"
#include "core/engine/controller_engine.h"
#include "core/protocol/free_run_frames.h"
#include "core/protocol/message_names.h"
#include "core/timing/time_display.h"

namespace ferrule {

namespace wire = controller;

namespace {

constexpr const char* kContinuous = "Continuous";

}  // namespace

bool ControllerEngine::BeginCommand() {
    EndUpload("another command was given");
    return m_fields.m_strStatus == kLinkReadyStatus;
}

void ControllerEngine::EndCommand() {
    m_d2xx.SetTimeouts(kCommandTimeoutMs, kCommandTimeoutMs);
}

// The written count and the status are not examined: a broken link shows in
// the poll, which then closes the gate.
void ControllerEngine::WriteMessage(const wire::Message& message) {
    DWORD written = 0;
    m_d2xx.Write(message.data(), static_cast<DWORD>(message.size), &written);
    if (Observed()) {
        const std::span<const uint8_t> bytes(message.data(), message.size);
        const std::string name = DescribeMessage(bytes);
        Notify({.kind = EngineEvent::Kind::Sent, .bytes = bytes, .text = name});
    }
}

void ControllerEngine::AddObserver(EngineObserver* observer) {
    std::lock_guard lock(m_observersMutex);
    m_observers.push_back(observer);
    m_observed = true;
}

void ControllerEngine::RemoveObserver(EngineObserver* observer) {
    std::lock_guard lock(m_observersMutex);
    std::erase(m_observers, observer);
    m_observed = !m_observers.empty();
}

void ControllerEngine::Notify(EngineEvent event) {
    if (event.timeMs == 0) {
        event.timeMs = m_hooks.NowMs();
    }
    std::lock_guard lock(m_observersMutex);
    for (size_t i = 0; i < m_observers.size(); ++i) {
        m_observers[i]->OnEngineEvent(event);
    }
}

void ControllerEngine::LinkReopened() {
    EndUpload("the link was opened again");
    m_state.AbandonRepliesOnReopen();
}

void ControllerEngine::EndUpload(std::string_view why) {
    if (m_state.m_nApplyEchoCount < 0) {
        return;
    }
    m_state.AbandonUpload();
    if (Observed()) {
        Notify({.kind = EngineEvent::Kind::UploadEnded, .text = why});
    }
}

// The stream's echoes would otherwise be counted as an upload's.
void ControllerEngine::StartLinkTest() {
    EndUpload("the link test started");
    m_linkTest.Start(m_d2xx, [this](std::span<const uint8_t> bytes) {
        if (Observed()) {
            // The view's clock belongs to the engine's thread.
            const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
            Notify({.kind = EngineEvent::Kind::LinkTestSent, .timeMs = now, .bytes = bytes});
        }
    });
}

void ControllerEngine::OnLine() {
    WriteMessage(wire::CommandMessage(wire::kOnline));
}

// The controller ends a reset with a carriage return; the decoder then asks
// for the status by itself.
void ControllerEngine::Reset() {
    WriteMessage(wire::CommandMessage(wire::kReset));
    m_state.m_nResetPending = 1;
}

void ControllerEngine::Status() {
    WriteMessage(wire::CommandMessage(wire::kStatus));
    m_state.m_nStatusReplyCount = 0;
}

void ControllerEngine::SetShutterMode(int mode) {
    m_fields.m_nShutterMode = mode;
    WriteMessage(wire::CommandMessage(wire::ModeCode(mode)));
    ShowTransitionCaptions();
    RefreshCycleTime();
}

void ControllerEngine::SetNeutralDensity(int steps) {
    const wire::Message message = wire::NdModeMessage(steps);
    m_fields.m_nShutterMode = 2;
    m_fields.m_nNdSteps = message[1];
    WriteMessage(message);
    ShowTransitionCaptions();
    RefreshCycleTime();
}

void ControllerEngine::SetShutter(int shutter) {
    m_fields.m_nShutter = shutter;
    WriteMessage(wire::CommandMessage(wire::ShutterCode(shutter)));
}

void ControllerEngine::SetSyncLevel(int level) {
    m_hooks.TickPulseBox(PulseBox::Sync, true);
    m_fields.m_nSyncLevel = level;
    WriteMessage(wire::FunctionMessage(wire::SyncCode(level)));
}

// SYNC and the trigger input toggle alike. The decision is the field's, as
// the fields were read from the radios, not the box's own tick. Turning on
// writes even when the link is not ready; turning off only when it is.
void ControllerEngine::TogglePulse(PulseBox box, int& level, int onLevel, uint8_t onCode,
                                   uint8_t offCode, bool linkReady) {
    if (level == -1) {
        level = onLevel;
        m_hooks.TickPulseBox(box, true);
        WriteMessage(wire::FunctionMessage(onCode));
    } else {
        m_hooks.TickPulseBox(box, false);
        level = -1;
        if (linkReady) {
            WriteMessage(wire::FunctionMessage(offCode));
        }
    }
}

// On, SYNC is low for open.
void ControllerEngine::ToggleSyncPulse(bool linkReady) {
    TogglePulse(PulseBox::Sync, m_fields.m_nSyncLevel, 1, wire::SyncCode(1), wire::kSyncOff,
                linkReady);
}

// On, the trigger input is enabled on high.
void ControllerEngine::ToggleTriggerPulse(bool linkReady) {
    TogglePulse(PulseBox::Trigger, m_fields.m_nTriggerMode, 0, wire::TriggerCode(0),
                wire::kTriggerOff, linkReady);
}

void ControllerEngine::SetTriggerOption(int mode) {
    m_fields.m_nTriggerMode = mode;
    m_hooks.TickPulseBox(PulseBox::Trigger, true);
    WriteMessage(wire::FunctionMessage(wire::TriggerCode(mode)));
}

// The frame is built before the stored time changes and the cycle time is
// computed before the write; the displays change only after it.
std::optional<TimerFault> ControllerEngine::SetTimer() {
    if (m_fields.m_nTimerSelect == -1) {
        return std::nullopt;
    }
    const bool closed = m_fields.m_nTimerSelect == 0;
    const TimeText edited{m_fields.m_strHour, m_fields.m_strMinute, m_fields.m_strSecond,
                          m_fields.m_strMillisecond, m_fields.m_strTenthMs};
    const std::optional<wire::Message> frame =
        TimerFrame(closed ? wire::kClosedTimer : wire::kExposureTimer, edited);
    if (!frame) {
        return CheckTimerTime(edited);
    }
    TimeText& stored = closed ? m_state.m_strClosedTime : m_state.m_strExposureTime;
    stored = edited;
    ComputeCycleTime();
    WriteMessage(*frame);
    m_hooks.ShowText(closed ? Display::ClosedTime : Display::ExposureTime,
                     FormatTimeText(stored, ":"));
    ShowCycleTime();
    return std::nullopt;
}

// A number above the largest becomes "Continuous"; an empty or unreadable
// number goes out as 0.
void ControllerEngine::SendRepeatCount() {
    const int repeat = LeadingInteger(m_fields.m_strRepeatCount);
    if (repeat > kMaxRepeatCount) {
        m_fields.m_strRepeatCount = kContinuous;
        WriteMessage(ContinuousRepeatFrame());
    } else {
        WriteMessage(RepeatCountFrame(repeat));
    }
    m_fields.m_strCyclesLeft = m_fields.m_strRepeatCount;
}

// On Trigger Pulse and Go count the run down from the repeat number, so they
// need one; only the empty text is refused.
bool ControllerEngine::SetRunOption(int option) {
    const bool counted = option != 0;
    if (counted && m_fields.m_strRepeatCount.empty()) {
        return false;
    }
    m_fields.m_nFreeRunOption = option;
    WriteMessage(RunOptionFrame(option));
    if (counted) {
        m_state.m_nFreeRunCountMode = option;
        m_state.m_nFreeRunCountEdge = m_fields.m_nShutter;
    }
    return true;
}

// The countdown ends when the controller reports the end of the run.
void ControllerEngine::Stop() {
    WriteMessage(wire::CommandMessage(wire::kStop));
}

void ControllerEngine::StoreConfiguration() {
    WriteMessage(wire::FunctionMessage(wire::kStoreConfig));
}

// The controller restarts with its factory settings and ends with a carriage
// return; the decoder then asks for the status, so the fields show them.
void ControllerEngine::RestoreDefaults() {
    WriteMessage(wire::FunctionMessage(wire::kRestoreDefaults));
    m_state.m_nResetPending = 2;
}

void ControllerEngine::SetPower(bool on) {
    WriteMessage(wire::CommandMessage(on ? wire::kPowerOn : wire::kPowerOff));
}

// The answer is recognised by the decoder from its leading echo.
void ControllerEngine::GetControllerInfo() {
    WriteMessage(wire::CommandMessage(wire::kInfo));
}

// Apply sends the fields as they are. A second Apply restarts the upload
// from its first byte.
std::optional<std::string> ControllerEngine::Apply() {
    if (m_fields.m_strStatus != kLinkReadyStatus) {
        return std::nullopt;
    }
    for (const auto& [name, time] : {std::pair{"closed", &m_state.m_strClosedTime},
                                     std::pair{"exposure", &m_state.m_strExposureTime}}) {
        if (const std::optional<TimerFault> fault = CheckTimerTime(*time)) {
            return DescribeTimerFault(name, *fault);
        }
    }
    m_state.m_nApplyNextAt = 2;
    WriteMessage(wire::CommandMessage(wire::ShutterCode(m_fields.m_nShutter == 0 ? 0 : 1)));
    m_state.m_nApplyEchoCount = 0;
    m_uploadHeardMs = m_hooks.NowMs();
    return std::nullopt;
}

}  // namespace ferrule
