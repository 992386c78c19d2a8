// What the controller engine asks of whoever shows it. The panel answers
// with its controls; a front end without one logs what it wants and leaves
// the rest as these defaults, which do nothing.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace ferrule {

// The texts a command, a reply or a loaded configuration refreshes.
enum class Display {
    ClosedTime,         // the stored closed time
    ExposureTime,       // the stored exposure time
    CycleTime,          // "Cycle Time - ..."
    ClosingTransition,  // "12 ms", "70 ms" or the neutral-density time
    OpeningTransition,
    NdModeCaption,  // the Neutral Density mode's caption, with its steps while chosen
};

// The two boxes that show whether the trigger input and the SYNC output are
// on. They have no field: the engine ticks them as it changes the settings.
enum class PulseBox { Trigger, Sync };

class EngineHooks {
public:
    virtual ~EngineHooks() = default;

    // The received-data log: one line per raw byte, or a line of text.
    virtual void LogRawByte(uint8_t /*byte*/) {}
    virtual void LogLine(const std::string& /*text*/) {}

    // The panel exchange: the fields take what the controls show (before a
    // batch of received bytes, and before each upload step, which sends what
    // is shown now), and the controls show the fields (after a batch).
    virtual void ReadFields() {}
    virtual void WriteFields() {}
    // After a batch whose every byte was only counted and listed (the plain
    // path, no shutter report, no reply begun): of the fields only the count
    // changed, so a view may show just the count and the new log lines.
    virtual void WriteCountAndLog() { WriteFields(); }

    virtual void ShowText(Display /*which*/, const std::string& /*text*/) {}
    virtual void TickPulseBox(PulseBox /*box*/, bool /*ticked*/) {}
    // The timer selector (-1: none) and the five timer sliders, hours first.
    virtual void SelectTimer(int /*index*/) {}
    virtual void PositionTimerSliders(const std::array<int, 5>& /*positions*/) {}

    // The poll found the link broken; the link test has been told to stop.
    virtual void LinkBroken() {}

    // A monotonic clock in milliseconds, for what the engine gives up on.
    virtual int64_t NowMs() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace ferrule
