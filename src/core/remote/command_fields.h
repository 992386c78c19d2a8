// What a command puts into the panel's fields before the engine's body runs,
// as a person's typing and clicking would: the timer's selector and five
// fields, the repeat number's text, a pulse box turned off. Shared by the
// headless session and the panel serving a client, so both send the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/engine/controller_engine.h"
#include "core/remote/command_grammar.h"

namespace ferrule::remote {

// The time checked against the panel's limits: its warning, or none.
std::optional<std::string> CheckTimerCommand(const Command& command);
// The selector and the five fields of `timer closed|exposure H:M:S:MS:T`.
void EnterTimer(PanelFields& fields, const Command& command);
// The repeat number's text: the number, or one above the largest number
// sent as such, which the engine turns into Continuous.
void EnterRepeat(PanelFields& fields, const Command& command);
// `trigger off` and `sync off`: the box turned off whatever the fields said,
// which writes the off message.
void TurnPulseOff(ControllerEngine& engine, PulseBox box);

// Why `run ... --wait` cannot wait (a run with no end of its own), or none.
std::optional<std::string> RunWaitRefusal(const Command& command, const PanelFields& fields);
// How long a run of the fields' repeat number takes, in milliseconds.
int64_t RunDurationMs(const ControllerEngine& engine);

}  // namespace ferrule::remote
