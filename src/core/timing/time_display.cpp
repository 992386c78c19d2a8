#include "core/timing/time_display.h"

namespace ferrule {

namespace {

enum class HoursPadding { AlwaysLeadingZero, TwoDigits };

std::string PaddedComponent(const TimeText& time, std::size_t index, HoursPadding hours) {
    const std::string& text = time[index];
    const int value = ComponentValue(time, index);
    switch (index) {
        case kTenths:
            return value == 0 ? "0" : text;
        case kMilliseconds:
            if (value == 0) {
                return "000";
            }
            if (value < 10) {
                return "00" + text;
            }
            return value < 100 ? "0" + text : text;
        case kHours:
            if (hours == HoursPadding::AlwaysLeadingZero) {
                return value == 0 ? "00" : "0" + text;
            }
            [[fallthrough]];
        default:
            if (value == 0) {
                return "00";
            }
            return value < 10 ? "0" + text : text;
    }
}

std::string Joined(const TimeText& time, std::string_view separator, HoursPadding hours) {
    std::string result;
    for (std::size_t i = 0; i < time.size(); ++i) {
        if (i != 0) {
            result += separator;
        }
        result += PaddedComponent(time, i, hours);
    }
    return result;
}

}  // namespace

std::string FormatTimeText(const TimeText& time, std::string_view separator) {
    return Joined(time, separator, HoursPadding::AlwaysLeadingZero);
}

std::string FormatCycleTime(const TimeText& cycle) {
    return "Cycle Time - " + Joined(cycle, ":", HoursPadding::TwoDigits);
}

}  // namespace ferrule
