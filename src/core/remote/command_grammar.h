// The command language shared by the command line and the socket: one
// command per line (or per command line), as `ferrule-ctl` takes it after
// its options: `status`, `mode nd 20`, `run go --wait`. The socket adds
// `*IDN?` and `open`; the command line adds the options of `watch`.
// Parsing sends nothing and touches nothing: a command is only a value.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/timing/time_text.h"

namespace ferrule::remote {

enum class Origin { CommandLine, Socket };

enum class Verb {
    List,
    Status,
    Info,
    Shutter,  // value: 0 open, 1 close
    Mode,     // value: 0 fast, 1 soft, 2 nd (steps in `number`)
    Trigger,  // value: -1 off, 0 high, 1 low, 2 rising, 3 falling
    Sync,     // value: -1 off, 0 high, 1 low
    Timer,    // value: 0 closed, 1 exposure; time in `time`
    Repeat,   // number: the repeat number, or kContinuousRepeat
    Run,      // value: 0 power-up, 1 trigger, 2 go; `wait`
    Stop,
    Power,  // value: 1 on, 0 off
    Online,
    Reset,
    StoreConfig,      // `yes`
    RestoreDefaults,  // `yes`
    Load,             // path, `apply`
    Save,             // path
    Watch,            // command line: durationMs (0: until stopped), recordPath
    Blink,            // number: the speed; durationMs
    Identify,         // *IDN? (socket)
    Open,             // open the device again (socket)
};

inline constexpr int kContinuousRepeat = -1;
inline constexpr int kMaxNdSteps = 144;
inline constexpr int kMaxRepeat = 65000;
inline constexpr int kMaxBlinkSpeed = 500;
// The longest blink or watch the duration option takes, in milliseconds.
inline constexpr int64_t kMaxDurationMs = 24LL * 3600 * 1000;

struct Command {
    Verb verb = Verb::Status;
    int value = 0;
    int number = 0;
    TimeText time{};  // Timer: the five components as decimal numbers
    bool wait = false;
    bool yes = false;
    bool apply = false;
    int64_t durationMs = 0;
    std::string path;
    std::string recordPath;
};

struct ParseResult {
    std::optional<Command> command;
    std::string error;  // one line naming the bad word and the accepted forms
};

// The words of one command, after the program's own options.
ParseResult ParseCommand(std::span<const std::string> words, Origin origin);

// A socket line split into words at blanks; a word in double quotes may hold
// blanks. An unclosed quote is an error.
std::optional<std::vector<std::string>> SplitWords(std::string_view line, std::string* error);

// A socket line to a command: the words, then ParseCommand.
ParseResult ParseLine(std::string_view line);

// The command's name as typed ("store-config", "*IDN?").
const char* VerbName(Verb verb);
// Every command with its forms, one per line, for the usage text.
std::string CommandForms(Origin origin);

}  // namespace ferrule::remote
