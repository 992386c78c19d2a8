#include "core/remote/setting_words.h"

#include "core/common/leading_integer.h"
#include "core/timing/cycle_time.h"

namespace ferrule::remote {

namespace {

std::string Word(int value, int first, std::initializer_list<const char*> words) {
    const int index = value - first;
    if (index < 0 || index >= static_cast<int>(words.size())) {
        return "unknown (" + std::to_string(value) + ")";
    }
    return *(words.begin() + index);
}

}  // namespace

std::string ShutterWord(int shutter) {
    return Word(shutter, 0, {"open", "closed"});
}

std::string ModeWord(int shutterMode) {
    return Word(shutterMode, 0, {"fast", "soft", "nd"});
}

std::string TriggerWord(int triggerMode) {
    return Word(triggerMode, -1, {"off", "high", "low", "rising", "falling"});
}

std::string SyncWord(int syncLevel) {
    return Word(syncLevel, -1, {"off", "high", "low"});
}

std::string RunOptionWord(int option) {
    return Word(option, -1, {"none", "power-up", "trigger", "go"});
}

std::string TimeWord(const TimeText& time) {
    std::string word;
    for (size_t i = 0; i < time.size(); ++i) {
        word += (i ? ":" : "") + std::to_string(ComponentValue(time, i));
    }
    return word;
}

int64_t TimeTenths(const TimeText& time) {
    const int64_t hours = ComponentValue(time, kHours);
    const int64_t minutes = hours * 60 + ComponentValue(time, kMinutes);
    const int64_t seconds = minutes * 60 + ComponentValue(time, kSeconds);
    const int64_t ms = seconds * 1000 + ComponentValue(time, kMilliseconds);
    return ms * 10 + ComponentValue(time, kTenths);
}

void DescribeSettings(const StatusValues& status, Outcome* outcome) {
    const TimeText cycle =
        ComputeCycleTime(status.closed, status.exposure, status.shutterMode, status.ndSteps);
    const bool continuous = status.repeatCount == "Continuous";
    JsonObject& r = outcome->result;
    r.Set("shutter", ShutterWord(status.shutter));
    r.Set("mode", ModeWord(status.shutterMode));
    r.Set("steps", status.ndSteps);
    r.Set("trigger", TriggerWord(status.triggerMode));
    r.Set("sync", SyncWord(status.syncLevel));
    r.Set("closed_time", TimeWord(status.closed));
    r.SetTenths("closed_ms", TimeTenths(status.closed));
    r.Set("exposure_time", TimeWord(status.exposure));
    r.SetTenths("exposure_ms", TimeTenths(status.exposure));
    r.Set("cycle_time", TimeWord(cycle));
    r.SetTenths("cycle_ms", TimeTenths(cycle));
    r.Set("run", RunOptionWord(status.freeRunOption));
    if (continuous) {
        r.Set("repeat", "continuous");
    } else {
        r.Set("repeat", LeadingInteger(status.repeatCount));
    }

    const std::string mode = status.shutterMode == 2
                                 ? "nd, " + std::to_string(status.ndSteps) + " steps"
                                 : ModeWord(status.shutterMode);
    outcome->lines = {
        "shutter:       " + ShutterWord(status.shutter),
        "mode:          " + mode,
        "trigger:       " + TriggerWord(status.triggerMode),
        "sync:          " + SyncWord(status.syncLevel),
        "closed time:   " + TimeWord(status.closed),
        "exposure time: " + TimeWord(status.exposure),
        "cycle time:    " + TimeWord(cycle),
        "run:           " + RunOptionWord(status.freeRunOption),
        "repeat:        " + (continuous ? std::string("continuous")
                                        : std::to_string(LeadingInteger(status.repeatCount))),
    };
}

}  // namespace ferrule::remote
