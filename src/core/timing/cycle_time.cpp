#include "core/timing/cycle_time.h"

#include <array>
#include <cstdint>
#include <string>

#include "core/timing/transition_time.h"

namespace ferrule {

namespace {
// The base each component carries at, by index; the hours carry nowhere.
constexpr std::array<int64_t, 5> kBase{0, 60, 60, 1000, 10};
}  // namespace

TimeText ComputeCycleTime(const TimeText& closed, const TimeText& exposure, int shutterMode,
                          int ndSteps) {
    const TimeAllowance allowance = TransitionTime{shutterMode, ndSteps}.CycleAllowance();
    std::array<int64_t, 5> addition{};
    addition[kMilliseconds] = allowance.milliseconds;
    addition[kTenths] = allowance.tenths;

    // 64 bits: each component may be read as any int, and four of them are
    // added up before anything is carried.
    TimeText cycle;
    int64_t carry = 0;
    for (std::size_t i = cycle.size(); i-- > 0;) {
        int64_t sum = carry + addition[i] + ComponentValue(exposure, i) + ComponentValue(closed, i);
        carry = 0;
        if (i != kHours && sum >= kBase[i]) {
            carry = sum / kBase[i];
            sum %= kBase[i];
        }
        cycle[i] = std::to_string(sum);
    }
    return cycle;
}

}  // namespace ferrule
