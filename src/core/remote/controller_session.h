// The controller without a window: the driver chosen as the panel chooses
// it, the device named on the command line or remembered in the panel's
// profile, opened and probed as the panel's Open does, every command run in
// the command frame, and every reply waited for with a time-out (the engine
// polled at 2 ms meanwhile). Released when closed or destroyed.
//
// One thread only, as the engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/engine/controller_engine.h"
#include "core/link/d2xx_api.h"
#include "core/link/device_identity.h"
#include "core/remote/command_grammar.h"
#include "core/remote/link_narrator.h"
#include "core/remote/outcome.h"
#include "core/remote/reply_watcher.h"

namespace ferrule::remote {

// The attached devices as a result: "devices", a list of objects with
// index, description and serial; a line each for a person.
Outcome DeviceListOutcome(const std::vector<DeviceIdentity>& devices);

// The time the session waits by. Tests run it on the simulated controller's
// manual clock.
class SessionClock {
public:
    virtual ~SessionClock() = default;
    virtual int64_t NowMs();
    virtual void Sleep(int ms);
};

struct DeviceChoice {
    enum class By { Profile, Text, Index };
    By by = By::Profile;
    std::string text;         // By::Text: a description, else a serial number
    int index = 0;            // By::Index
    std::string profilePath;  // By::Profile: the panel's profile, only read
};

struct SessionOptions {
    std::vector<std::string> drivers;  // tried in order; the first that loads is used
    DeviceChoice device;
    int timeoutMs = 2000;  // for every reply
};

class ControllerSession : private EngineHooks {
public:
    static constexpr int kReplyPollMs = 2;
    static constexpr int kIdlePollMs = 40;

    ControllerSession(SessionOptions options, SessionClock& clock);
    ~ControllerSession() override;
    ControllerSession(const ControllerSession&) = delete;
    ControllerSession& operator=(const ControllerSession&) = delete;

    // The attached devices; needs the driver only.
    Outcome List();
    // Loads the driver, opens the chosen device and probes it.
    Outcome Open();
    // The device closed and the driver released.
    void Close();
    bool LinkReady() const { return m_engine.LinkReady(); }

    // One command, waited for. Commands of the socket (*IDN?, watch) are the
    // server's; `open` opens the device again.
    Outcome Run(const Command& command);
    // Every byte and moment told to the sink until `durationMs` has passed
    // (0: until interrupted) or the link fails.
    Outcome Watch(int64_t durationMs);
    // One poll between commands, so that what the controller sends of its
    // own accord (and a link that failed) is noticed.
    void IdlePoll();

    // "Ferrule,<description>,<serial number>,<version>".
    std::string Identification() const;
    const DeviceIdentity& Device() const { return m_device; }

    // Where the narration of the link goes (nothing is narrated without one).
    void SetRecordSink(LinkNarrator::Sink sink);
    // Waits end early, as not answered, once the flag is set (a stop signal).
    void SetInterrupt(const std::atomic<bool>* flag) { m_interrupt = flag; }
    ControllerEngine& Engine() { return m_engine; }

private:
    // EngineHooks: the session has no view; it keeps time.
    int64_t NowMs() override { return m_clock.NowMs(); }

    Outcome LoadDriver();
    Outcome OpenDevice();
    bool Interrupted() const;
    // Polls until the watcher is satisfied, the deadline passes or the link
    // fails.
    ExitCode Await(int64_t deadlineMs);
    // A command in the frame: the gate, the body, the frame's end, and the
    // wait for what `awaits` names. A body may refuse, sending nothing.
    Outcome Framed(const Command& command, ReplyWatcher::Awaits awaits,
                   const std::function<std::optional<Outcome>()>& body);
    Outcome Failed(const Command& command, ExitCode code);
    Outcome ReadStatus(const Command& command);
    Outcome RunOption(const Command& command);
    Outcome Load(const Command& command);
    Outcome Save(const Command& command);
    Outcome Blink(const Command& command);

    SessionOptions m_options;
    SessionClock& m_clock;
    std::vector<std::string> m_reports;  // what the driver binding reported
    D2xxApi m_d2xx;
    ControllerEngine m_engine;
    ReplyWatcher m_watcher;
    std::unique_ptr<LinkNarrator> m_narrator;
    DeviceIdentity m_device;
    const std::atomic<bool>* m_interrupt = nullptr;
};

}  // namespace ferrule::remote
