// The time model on the fields and the stored times, and the configuration
// file's records to and from them.
#include <algorithm>

#include "core/common/leading_integer.h"
#include "core/engine/controller_engine.h"
#include "core/timing/cycle_time.h"
#include "core/timing/time_display.h"
#include "core/timing/transition_time.h"

namespace ferrule {

void ControllerEngine::ComputeCycleTime() {
    m_state.m_strCycleTime =
        ferrule::ComputeCycleTime(m_state.m_strClosedTime, m_state.m_strExposureTime,
                                  m_fields.m_nShutterMode, m_fields.m_nNdSteps);
}

void ControllerEngine::ShowCycleTime() {
    m_hooks.ShowText(Display::CycleTime, FormatCycleTime(m_state.m_strCycleTime));
}

void ControllerEngine::RefreshCycleTime() {
    ComputeCycleTime();
    ShowCycleTime();
}

void ControllerEngine::ShowTransitionCaptions() {
    const TransitionTime transition{m_fields.m_nShutterMode, m_fields.m_nNdSteps};
    const std::string caption = transition.Caption();
    m_hooks.ShowText(Display::OpeningTransition, caption);
    m_hooks.ShowText(Display::ClosingTransition, caption);
    m_hooks.ShowText(Display::NdModeCaption, transition.NdRadioCaption());
}

void ControllerEngine::EditDesignatedTime() {
    const TimeText& stored = m_state.DesignatedStoredTime(m_fields.m_nTimerSelect);
    m_fields.m_strHour = stored[kHours];
    m_fields.m_strMinute = stored[kMinutes];
    m_fields.m_strSecond = stored[kSeconds];
    m_fields.m_strMillisecond = stored[kMilliseconds];
    m_fields.m_strTenthMs = stored[kTenths];
    std::array<int, 5> positions{};
    for (size_t i = 0; i < positions.size(); ++i) {
        positions[i] = ComponentValue(stored, i);
    }
    m_hooks.PositionTimerSliders(positions);
}

// The stored times are saved, not the fields being edited.
ConfigRecords ControllerEngine::SaveConfiguration() const {
    ConfigRecords records;
    records[kRecordShutter] = std::to_string(m_fields.m_nShutter);
    records[kRecordShutterMode] = std::to_string(m_fields.m_nShutterMode);
    records[kRecordNdSteps] = std::to_string(m_fields.m_nNdSteps);
    records[kRecordTriggerMode] = std::to_string(m_fields.m_nTriggerMode);
    records[kRecordSyncLevel] = std::to_string(m_fields.m_nSyncLevel);
    records[kRecordTimerSelect] = std::to_string(m_fields.m_nTimerSelect);
    std::copy(m_state.m_strClosedTime.begin(), m_state.m_strClosedTime.end(),
              records.begin() + kRecordClosedTime);
    std::copy(m_state.m_strExposureTime.begin(), m_state.m_strExposureTime.end(),
              records.begin() + kRecordExposureTime);
    records[kRecordFreeRunOption] = std::to_string(m_fields.m_nFreeRunOption);
    records[kRecordRepeatCount] = m_fields.m_strRepeatCount;
    return records;
}

void ControllerEngine::LoadConfiguration(const ConfigRecords& records) {
    auto number = [&records](size_t record) { return LeadingInteger(records[record]); };
    std::copy_n(records.begin() + kRecordClosedTime, m_state.m_strClosedTime.size(),
                m_state.m_strClosedTime.begin());
    std::copy_n(records.begin() + kRecordExposureTime, m_state.m_strExposureTime.size(),
                m_state.m_strExposureTime.begin());
    m_fields.m_strRepeatCount = records[kRecordRepeatCount];

    m_fields.m_nShutter = number(kRecordShutter);
    m_fields.m_nShutterMode = number(kRecordShutterMode);
    m_fields.m_nNdSteps = number(kRecordNdSteps);
    if (m_fields.m_nShutterMode != -1) {
        ShowTransitionCaptions();
    }
    m_fields.m_nTriggerMode = number(kRecordTriggerMode);
    m_hooks.TickPulseBox(PulseBox::Trigger, m_fields.m_nTriggerMode != -1);
    m_fields.m_nSyncLevel = number(kRecordSyncLevel);
    m_hooks.TickPulseBox(PulseBox::Sync, m_fields.m_nSyncLevel != -1);
    m_fields.m_nTimerSelect = number(kRecordTimerSelect);
    m_hooks.SelectTimer(m_fields.m_nTimerSelect);
    EditDesignatedTime();
    ComputeCycleTime();
    m_hooks.ShowText(Display::ClosedTime, FormatTimeText(m_state.m_strClosedTime, ":"));
    m_hooks.ShowText(Display::ExposureTime, FormatTimeText(m_state.m_strExposureTime, ":"));
    ShowCycleTime();
    m_fields.m_nFreeRunOption = number(kRecordFreeRunOption);  // the fields' write shows it
    m_fields.m_strCyclesLeft = m_fields.m_strRepeatCount;
}

}  // namespace ferrule
