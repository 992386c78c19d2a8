#include "core/remote/command_fields.h"

#include "core/common/leading_integer.h"
#include "core/protocol/free_run_frames.h"
#include "core/remote/setting_words.h"
#include "core/timing/timer_limits.h"

namespace ferrule::remote {

std::optional<std::string> CheckTimerCommand(const Command& command) {
    std::array<int, 5> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = LeadingInteger(command.time[i]);
    }
    return CheckTimerLimits(values);
}

void EnterTimer(PanelFields& fields, const Command& command) {
    fields.m_nTimerSelect = command.value;
    fields.m_strHour = command.time[kHours];
    fields.m_strMinute = command.time[kMinutes];
    fields.m_strSecond = command.time[kSeconds];
    fields.m_strMillisecond = command.time[kMilliseconds];
    fields.m_strTenthMs = command.time[kTenths];
}

void EnterRepeat(PanelFields& fields, const Command& command) {
    fields.m_strRepeatCount = command.number == kContinuousRepeat
                                  ? std::to_string(kMaxRepeatCount + 1)
                                  : std::to_string(command.number);
}

void TurnPulseOff(ControllerEngine& engine, PulseBox box) {
    PanelFields& fields = engine.Fields();
    if (box == PulseBox::Trigger) {
        fields.m_nTriggerMode = std::max(fields.m_nTriggerMode, 0);
        engine.ToggleTriggerPulse(true);
    } else {
        fields.m_nSyncLevel = std::max(fields.m_nSyncLevel, 0);
        engine.ToggleSyncPulse(true);
    }
}

std::optional<std::string> RunWaitRefusal(const Command& command, const PanelFields& fields) {
    if (!command.wait) {
        return std::nullopt;
    }
    if (fields.m_strRepeatCount == "Continuous") {
        return "run --wait: the repeat number is continuous, so the run has no end to wait "
               "for; set a repeat number, or run without --wait and stop it";
    }
    return std::nullopt;
}

int64_t RunDurationMs(const ControllerEngine& engine) {
    const int64_t cycleTenths = TimeTenths(engine.State().m_strCycleTime);
    const int64_t repeat = std::max(LeadingInteger(engine.Fields().m_strRepeatCount), 1);
    return (cycleTenths * repeat + 9) / 10;
}

}  // namespace ferrule::remote
