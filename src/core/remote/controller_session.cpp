#include "core/remote/controller_session.h"

#include <chrono>
#include <thread>

#include "core/common/leading_integer.h"
#include "core/common/profile_file.h"
#include "core/link/device_opening.h"
#include "core/link/device_profile.h"
#include "core/protocol/message_catalogue.h"
#include "core/remote/command_fields.h"
#include "core/remote/open_failure.h"
#include "core/remote/setting_words.h"
#include "core/timing/timer_frame.h"
#include "core/version.h"

namespace ferrule::remote {

namespace {

std::string ChoiceText(const DeviceChoice& choice) {
    switch (choice.by) {
        case DeviceChoice::By::Index:
            return "number " + std::to_string(choice.index);
        case DeviceChoice::By::Text:
            return "'" + choice.text + "'";
        case DeviceChoice::By::Profile:
            break;
    }
    return "remembered in " + choice.profilePath;
}

// A field of the identification: no commas or line ends inside it.
std::string IdentificationField(std::string text) {
    for (char& c : text) {
        if (c == ',' || static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
    return text;
}

}  // namespace

Outcome DeviceListOutcome(const std::vector<DeviceIdentity>& devices) {
    Outcome outcome;
    std::vector<std::string> items;
    for (const DeviceIdentity& device : devices) {
        items.push_back(JsonObject()
                            .Set("index", device.index)
                            .Set("description", device.description)
                            .Set("serial", device.serial)
                            .Text());
        outcome.lines.push_back(std::to_string(device.index) + "  " + device.description + "  " +
                                device.serial);
    }
    if (devices.empty()) {
        outcome.lines.push_back("no devices attached");
    }
    outcome.result.SetRaw("devices", JsonArray(items));
    return outcome;
}

int64_t SessionClock::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SessionClock::Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ControllerSession::ControllerSession(SessionOptions options, SessionClock& clock)
    : m_options(std::move(options)),
      m_clock(clock),
      m_d2xx([this](const std::string& message) { m_reports.push_back(message); }),
      m_engine(m_d2xx, *this) {
    m_engine.AddObserver(&m_watcher);
}

ControllerSession::~ControllerSession() {
    Close();
}

void ControllerSession::SetRecordSink(LinkNarrator::Sink sink) {
    if (m_narrator) {
        m_engine.RemoveObserver(m_narrator.get());
        m_narrator.reset();
    }
    if (sink) {
        m_narrator = std::make_unique<LinkNarrator>(std::move(sink), m_clock.NowMs());
        m_engine.AddObserver(m_narrator.get());
    }
}

bool ControllerSession::Interrupted() const {
    return m_interrupt != nullptr && m_interrupt->load();
}

Outcome ControllerSession::LoadDriver() {
    if (m_d2xx.IsLoaded()) {
        return {};
    }
    m_reports.clear();
    m_d2xx.LoadD2xx(m_options.drivers);
    if (!m_reports.empty()) {
        // Loaded without every entry point is as good as not loaded.
        const std::string report = m_reports.front();
        m_d2xx.FreeLibrary();
        return Outcome::Failure(ExitCode::DeviceUnavailable,
                                report +
                                    ": the driver library is missing or incomplete; name "
                                    "another with --driver (sim, tty or a path)");
    }
    return {};
}

Outcome ControllerSession::List() {
    if (Outcome loaded = LoadDriver(); !loaded.Done()) {
        return loaded;
    }
    bool countFailed = false;
    const std::vector<DeviceIdentity> devices = ListDeviceIdentities(m_d2xx, &countFailed);
    if (countFailed) {
        return Outcome::Failure(ExitCode::DeviceUnavailable,
                                "the driver could not list the attached devices");
    }
    return DeviceListOutcome(devices);
}

Outcome ControllerSession::Open() {
    if (Outcome loaded = LoadDriver(); !loaded.Done()) {
        return loaded;
    }
    return OpenDevice();
}

// As the panel's Open: the old link closed and what it owed forgotten, the
// device opened by the chosen method, configured and probed; a device that
// does not answer is closed again.
Outcome ControllerSession::OpenDevice() {
    const DeviceChoice& choice = m_options.device;
    int openBy = kOpenByDescription;
    std::string text = choice.text;
    if (choice.by == DeviceChoice::By::Index) {
        openBy = kOpenByDeviceNumber;
        text = std::to_string(choice.index);
    } else if (choice.by == DeviceChoice::By::Profile) {
        const ProfileFile profile(choice.profilePath);
        openBy = profile.GetInt(kProfileSection, kOpenMethodKey, kOpenByDescription);
        if (!IsOpenMethod(openBy)) {
            openBy = kOpenByDescription;
        }
        text = profile.GetString(kProfileSection, KeyForMethod(openBy), kDevicePlaceholder);
    }

    m_engine.Blink().StopAndWait();
    m_d2xx.Close();
    m_engine.SetLinkReady(false);
    m_engine.LinkReopened();
    m_engine.Fields().m_strStatus = "-reset-";
    OpenAttempt attempt = OpenSelectedDevice(m_d2xx, openBy, text);
    // A text names a description, or else a serial number.
    if (choice.by == DeviceChoice::By::Text && attempt.status == FT_DEVICE_NOT_FOUND) {
        openBy = kOpenBySerialNumber;
        attempt = OpenSelectedDevice(m_d2xx, openBy, text);
        if (attempt.status == FT_DEVICE_NOT_FOUND) {
            openBy = kOpenByDescription;
        }
    }
    if (attempt.refusal == OpenRefusal::NoDeviceText) {
        return Outcome::Failure(
            ExitCode::DeviceUnavailable,
            "no device chosen: name it with --device TEXT or --index N, or open it once in the "
            "panel, which remembers it in " +
                choice.profilePath);
    }
    if (attempt.refusal == OpenRefusal::BadDeviceNumber) {
        return Outcome::Failure(ExitCode::Refused, kBadDeviceNumberMessage);
    }
    if (attempt.status != FT_OK) {
        m_engine.Fields().m_strStatus = "Could not open USB";
        return Outcome::Failure(ExitCode::DeviceUnavailable,
                                DescribeOpenFailure(m_d2xx, attempt.status, ChoiceText(choice)));
    }
    const ProbeResult probe = ConfigureAndProbe(m_d2xx, true);
    if (!probe.Succeeded()) {
        m_engine.Fields().m_strStatus = "USB not responding" + probe.Suffix();
        m_d2xx.Close();
        // A controller in a free run reports its shutter as it moves; such a
        // report can come back instead of the probe's answer.
        const bool running = probe.answered && (probe.firstByte == controller::kOpen ||
                                                probe.firstByte == controller::kClose ||
                                                probe.firstByte == controller::kEnd);
        return Outcome::Failure(
            ExitCode::NoAnswer,
            "the controller did not answer the probe (USB not responding" + probe.Suffix() + ")" +
                (running ? ": it sent a shutter report instead, so it is probably in a free "
                           "run; try again when the run has ended"
                         : ""));
    }
    m_engine.Fields().m_strStatus = kLinkReadyStatus;
    m_engine.SetLinkReady(true);
    m_d2xx.SetTimeouts(ControllerEngine::kCommandTimeoutMs, ControllerEngine::kCommandTimeoutMs);

    const std::optional<DeviceIdentity> found =
        FindDevice(ListDeviceIdentities(m_d2xx), openBy, text);
    m_device = found ? *found
                     : DeviceIdentity{openBy == kOpenByDeviceNumber ? choice.index : 0,
                                      openBy == kOpenByDescription ? text : "",
                                      openBy == kOpenBySerialNumber ? text : ""};
    return {};
}

void ControllerSession::Close() {
    m_engine.Blink().StopAndWait();
    m_engine.SetLinkReady(false);
    m_d2xx.Close();
    m_d2xx.FreeLibrary();
}

std::string ControllerSession::Identification() const {
    return "Ferrule," + IdentificationField(m_device.description) + "," +
           IdentificationField(m_device.serial) + "," + FERRULE_VERSION;
}

void ControllerSession::IdlePoll() {
    m_engine.Poll();
}

ExitCode ControllerSession::Await(int64_t deadlineMs) {
    for (;;) {
        const ControllerEngine::PollResult polled = m_engine.Poll();
        if (!polled.ran || polled.linkBroken || m_watcher.LinkLost()) {
            return ExitCode::LinkFailed;
        }
        if (m_watcher.Complete()) {
            return ExitCode::Done;
        }
        if (Interrupted() || m_clock.NowMs() >= deadlineMs) {
            return ExitCode::NoAnswer;
        }
        m_clock.Sleep(kReplyPollMs);
    }
}

Outcome ControllerSession::Failed(const Command& command, ExitCode code) {
    const std::string name = VerbName(command.verb);
    if (code == ExitCode::LinkFailed) {
        return Outcome::Failure(code, name + ": the link to the controller failed");
    }
    if (Interrupted()) {
        return Outcome::Failure(code, name + ": interrupted before the controller answered");
    }
    return Outcome::Failure(code, name + ": the controller did not answer in time (" +
                                      std::to_string(m_options.timeoutMs) + " ms)");
}

Outcome ControllerSession::Framed(const Command& command, ReplyWatcher::Awaits awaits,
                                  const std::function<std::optional<Outcome>()>& body) {
    // What has come in meanwhile is taken first, so that it is not taken
    // for this command's reply.
    m_engine.Poll();
    m_watcher.Arm(awaits);
    if (!m_engine.BeginCommand()) {
        m_engine.EndCommand();
        m_watcher.Disarm();
        return Outcome::Failure(ExitCode::LinkFailed,
                                std::string(VerbName(command.verb)) + ": the link is not ready (" +
                                    m_engine.Fields().m_strStatus + "); open the device again");
    }
    std::optional<Outcome> refused = body();
    m_engine.EndCommand();
    if (refused) {
        m_watcher.Disarm();
        return *refused;
    }
    const ExitCode waited = Await(m_clock.NowMs() + m_options.timeoutMs);
    m_watcher.Disarm();
    return waited == ExitCode::Done ? Outcome{} : Failed(command, waited);
}

Outcome ControllerSession::ReadStatus(const Command& command) {
    Outcome outcome = Framed(command, ReplyWatcher::Awaits::Status, [this] {
        m_engine.Status();
        return std::nullopt;
    });
    if (outcome.Done() && m_watcher.Status()) {
        DescribeSettings(*m_watcher.Status(), &outcome);
    }
    return outcome;
}

Outcome ControllerSession::Run(const Command& command) {
    using Awaits = ReplyWatcher::Awaits;
    const auto send = [&](auto action) {
        return Framed(command, Awaits::Answer, [&]() -> std::optional<Outcome> {
            action();
            return std::nullopt;
        });
    };
    if (command.verb == Verb::List) {
        return List();
    }
    if (command.verb == Verb::Open) {
        return Open();
    }
    if (!m_engine.LinkReady()) {
        return Outcome::Failure(ExitCode::LinkFailed,
                                std::string(VerbName(command.verb)) +
                                    ": the device is not open; send open to open it again");
    }
    switch (command.verb) {
        case Verb::Status:
            return ReadStatus(command);
        case Verb::Info: {
            Outcome outcome = Framed(command, Awaits::Info, [this] {
                m_engine.GetControllerInfo();
                return std::nullopt;
            });
            if (outcome.Done()) {
                const std::string& text = m_watcher.InfoText();
                outcome.result.Set("info", text)
                    .Set("model", text.substr(0, 8))
                    .Set("version", text.size() > 8 ? text.substr(8) : "");
                outcome.lines = {"model:   " + text.substr(0, 8),
                                 "version: " + (text.size() > 8 ? text.substr(8) : "")};
            }
            return outcome;
        }
        case Verb::Shutter:
            return send([&] { m_engine.SetShutter(command.value); });
        case Verb::Mode:
            return send([&] {
                if (command.value == 2) {
                    m_engine.SetNeutralDensity(command.number);
                } else {
                    m_engine.SetShutterMode(command.value);
                }
            });
        case Verb::Trigger:
            return send([&] {
                if (command.value < 0) {
                    TurnPulseOff(m_engine, PulseBox::Trigger);
                } else {
                    m_engine.SetTriggerOption(command.value);
                }
            });
        case Verb::Sync:
            return send([&] {
                if (command.value < 0) {
                    TurnPulseOff(m_engine, PulseBox::Sync);
                } else {
                    m_engine.SetSyncLevel(command.value);
                }
            });
        case Verb::Timer:
            if (std::optional<std::string> refused = CheckTimerCommand(command)) {
                return Outcome::Failure(ExitCode::Refused, *refused);
            }
            return Framed(command, Awaits::Answer, [&]() -> std::optional<Outcome> {
                EnterTimer(m_engine.Fields(), command);
                if (const std::optional<TimerFault> fault = m_engine.SetTimer()) {
                    return Outcome::Failure(
                        ExitCode::Refused,
                        DescribeTimerFault(command.value == 0 ? "closed" : "exposure", *fault));
                }
                return std::nullopt;
            });
        case Verb::Repeat:
            return send([&] {
                EnterRepeat(m_engine.Fields(), command);
                m_engine.SendRepeatCount();
            });
        case Verb::Run:
            return RunOption(command);
        case Verb::Stop:
            return send([&] { m_engine.Stop(); });
        case Verb::Power:
            return send([&] { m_engine.SetPower(command.value == 1); });
        case Verb::Online:
            return send([&] { m_engine.OnLine(); });
        case Verb::Reset:
            return Framed(command, Awaits::Status, [&] {
                m_engine.Reset();
                return std::nullopt;
            });
        case Verb::StoreConfig:
        case Verb::RestoreDefaults: {
            const bool store = command.verb == Verb::StoreConfig;
            if (!command.yes) {
                return Outcome::Failure(
                    ExitCode::Refused,
                    std::string(VerbName(command.verb)) +
                        (store ? " replaces the configuration the controller starts with"
                               : " puts back the controller's factory configuration") +
                        ": confirm it with --yes");
            }
            return Framed(command, store ? Awaits::Answer : Awaits::Status, [&] {
                if (store) {
                    m_engine.StoreConfiguration();
                } else {
                    m_engine.RestoreDefaults();
                }
                return std::nullopt;
            });
        }
        case Verb::Load:
            return Load(command);
        case Verb::Save:
            return Save(command);
        case Verb::Blink:
            return Blink(command);
        case Verb::Watch:
            return Watch(command.durationMs);
        case Verb::Identify: {
            Outcome outcome;
            outcome.plain = Identification();
            outcome.lines = {outcome.plain};
            return outcome;
        }
        default:
            break;
    }
    return Outcome::Failure(ExitCode::Refused, std::string(VerbName(command.verb)) +
                                                   " is not a command for the controller");
}

// A run counts down from the controller's repeat number and by the
// shutter's position when it starts, so both are read from the controller
// first when this session does not know them yet.
Outcome ControllerSession::RunOption(const Command& command) {
    PanelFields& fields = m_engine.Fields();
    if (command.value != 0 && (fields.m_strRepeatCount.empty() || fields.m_nShutter == -1)) {
        Command status;
        status.verb = Verb::Status;
        if (Outcome read = ReadStatus(status); !read.Done()) {
            return read;
        }
    }
    if (std::optional<std::string> refused = RunWaitRefusal(command, fields)) {
        return Outcome::Failure(ExitCode::Refused, *refused);
    }
    Outcome outcome =
        Framed(command, ReplyWatcher::Awaits::Answer, [&]() -> std::optional<Outcome> {
            if (!m_engine.SetRunOption(command.value)) {
                return Outcome::Failure(ExitCode::Refused,
                                        "Please set the repeat number first, then try again!");
            }
            return std::nullopt;
        });
    if (!outcome.Done() || !command.wait) {
        return outcome;
    }
    const int repeat = std::max(LeadingInteger(fields.m_strRepeatCount), 1);
    // The answer may have brought the first cycles along already.
    const int counted = m_watcher.CyclesCounted();
    m_watcher.Arm(ReplyWatcher::Awaits::RunEnd, repeat - counted);
    const ExitCode waited =
        counted >= repeat ? ExitCode::Done
                          : Await(m_clock.NowMs() + RunDurationMs(m_engine) + m_options.timeoutMs);
    const int cycles = counted + m_watcher.CyclesCounted();
    const bool ended = m_watcher.SawCarriageReturn();
    m_watcher.Disarm();
    if (waited != ExitCode::Done) {
        return Failed(command, waited);
    }
    // A run of Go ends with a carriage return after its last movement: it is
    // waited for (briefly), so that it is not taken for the next reply.
    if (command.value == 2 && !ended) {
        m_watcher.Arm(ReplyWatcher::Awaits::CarriageReturn);
        const ExitCode trailing = Await(m_clock.NowMs() + m_options.timeoutMs);
        m_watcher.Disarm();
        if (trailing == ExitCode::LinkFailed) {
            return Failed(command, trailing);
        }
    }
    outcome.result.Set("run", "ended").Set("cycles", cycles);
    outcome.lines = {"run ended after " + std::to_string(cycles) + " cycle(s)"};
    return outcome;
}

Outcome ControllerSession::Watch(int64_t durationMs) {
    const int64_t end = m_clock.NowMs() + durationMs;
    for (;;) {
        const ControllerEngine::PollResult polled = m_engine.Poll();
        if (!polled.ran || polled.linkBroken) {
            return Outcome::Failure(ExitCode::LinkFailed,
                                    "watch: the link to the controller failed");
        }
        if (Interrupted() || (durationMs > 0 && m_clock.NowMs() >= end)) {
            return {};
        }
        m_clock.Sleep(m_engine.State().ReplyExpected() ? kReplyPollMs : kIdlePollMs / 4);
    }
}

}  // namespace ferrule::remote
