// The schedule of a free run: cycles of closed time, opening, exposure time
// and closing that the controller runs on its own clock, a given number of
// times or until stopped.
#pragma once

#include <cstdint>
#include <optional>

namespace ferrule {

class ControllerFreeRun {
public:
    enum class Event { Open, Close, End };

    struct Plan {
        uint64_t closedUs = 0;
        uint64_t exposureUs = 0;
        uint64_t transitionUs = 0;  // one movement, opening or closing
        uint16_t repeat = 1;        // controller::kContinuous: until stopped
    };

    // A movement never takes less than this, so that a cycle always takes
    // some time even with zero times and no transition.
    static constexpr uint64_t kMinMovementUs = 100;

    // Starts at nowUs. Every cycle begins with the shutter closed: an open
    // shutter is closed first, and the cycles start once it has closed.
    void Start(uint64_t nowUs, const Plan& plan, bool shutterOpen);
    void Stop() { m_next.reset(); }

    bool Running() const { return m_next.has_value(); }
    std::optional<uint64_t> NextEventUs() const;
    // Takes the next event and schedules the one after it. Only while running.
    Event Pop();

private:
    struct Scheduled {
        uint64_t timeUs;
        Event event;
    };

    // The closed phase of a cycle, or the end when all cycles are done.
    void ScheduleCycle(uint64_t startUs);
    bool AllDone() const;

    Plan m_plan;
    std::optional<Scheduled> m_next;
    uint32_t m_cyclesDone = 0;
    bool m_closingFirst = false;
};

}  // namespace ferrule
