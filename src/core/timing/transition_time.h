// How long the shutter takes to open or to close in a transition mode: the
// allowance the cycle time adds for one opening and one closing, and the
// captions that show one movement.
#pragma once

#include <string>

namespace ferrule {

// A duration split into whole milliseconds and tenths of a millisecond. The
// tenths are not carried into the milliseconds and may reach 10 or more.
struct TimeAllowance {
    int milliseconds = 0;
    int tenths = 0;

    bool operator==(const TimeAllowance&) const = default;
};

// Shutter mode 0 Fast (12 ms), 1 Soft (70 ms), 2 Neutral Density (19/72 ms
// per step); any other mode, none selected included, moves as Fast does.
struct TransitionTime {
    int shutterMode = 0;
    int ndSteps = 0;

    // Twice one movement. In Neutral Density the movement is split into
    // whole milliseconds and tenths rounded half up (0 to 10), and each part
    // is doubled on its own, so the tenths run up to 20.
    TimeAllowance CycleAllowance() const;

    // One movement for the opening and closing displays: "12 ms", "70 ms",
    // or the exact neutral-density time with two decimals.
    std::string Caption() const;

    // The Neutral Density radio's caption: the step count while that mode
    // is set, the plain name in any other mode.
    std::string NdRadioCaption() const;
};

}  // namespace ferrule
