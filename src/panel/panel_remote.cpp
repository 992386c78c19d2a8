#include "panel/panel_remote.h"

#include <QSlider>

#include "core/common/leading_integer.h"
#include "core/link/device_identity.h"
#include "core/remote/command_fields.h"
#include "core/remote/controller_session.h"
#include "core/remote/session_server.h"
#include "core/remote/setting_words.h"
#include "core/version.h"
#include "panel/shutter_panel_dlg.h"

namespace remote = ferrule::remote;
using remote::ExitCode;
using remote::Verb;

namespace {

// How often a request that found the panel busy (a box or prompt open) looks
// again.
constexpr int kBusyRetryMs = 50;

}  // namespace

PanelRemote::PanelRemote(CShutterPanelDlg& panel) : m_panel(panel) {
    m_awaitTimer.setTimerType(Qt::PreciseTimer);
    m_awaitTimer.setInterval(2);
    connect(&m_awaitTimer, &QTimer::timeout, this, &PanelRemote::CheckAwaited);
}

PanelRemote::~PanelRemote() {
    Stop();
}

bool PanelRemote::Start(const remote::LineServerOptions& options, std::string* error) {
    if (m_server) {
        return true;
    }
    auto server = std::make_unique<remote::LineServer>(options);
    // The server's thread hands each request over to the GUI thread.
    const bool started = server->Start(
        [this](const remote::LineServer::Request& request) {
            QMetaObject::invokeMethod(
                this, [this, request] { Take(request); }, Qt::QueuedConnection);
        },
        error);
    if (!started) {
        return false;
    }
    m_server = std::move(server);
    ferrule::ControllerEngine& engine = m_panel.Engine();
    m_narrator = std::make_unique<remote::LinkNarrator>(
        [this](const remote::LinkRecord& record) {
            if (m_server && record.level == remote::LinkRecord::Level::Moment) {
                m_server->Broadcast(record.json.Text());
            }
        },
        m_panel.MonotonicMs());
    engine.AddObserver(&m_watcher);
    engine.AddObserver(m_narrator.get());
    return true;
}

void PanelRemote::Stop() {
    if (!m_server) {
        return;
    }
    m_server->Stop();
    m_server.reset();
    m_awaitTimer.stop();
    m_current.reset();
    m_then = nullptr;
    m_panel.Engine().RemoveObserver(&m_watcher);
    m_panel.Engine().RemoveObserver(m_narrator.get());
    m_narrator.reset();
}

std::string PanelRemote::Addresses() const {
    if (!m_server) {
        return {};
    }
    std::string text;
    if (!m_server->UnixPath().empty()) {
        text = "unix:" + m_server->UnixPath();
    }
    if (m_server->TcpPort() != 0) {
        text += (text.empty() ? "tcp:" : " and tcp:") + std::to_string(m_server->TcpPort());
    }
    return text;
}

std::string PanelRemote::Identification() const {
    ferrule::ControllerEngine& engine = m_panel.Engine();
    const auto device =
        ferrule::FindDevice(ferrule::ListDeviceIdentities(engine.Driver()),
                            m_panel.Fields().m_nOpenBy, m_panel.Fields().m_strDevice);
    auto field = [](std::string text) {
        for (char& c : text) {
            if (c == ',' || static_cast<unsigned char>(c) < 0x20) {
                c = ' ';
            }
        }
        return text;
    };
    return "Ferrule," + (device ? field(device->description) : std::string()) + "," +
           (device ? field(device->serial) : std::string()) + "," + FERRULE_VERSION;
}

void PanelRemote::Take(const remote::LineServer::Request& request) {
    if (!m_server) {
        return;
    }
    if (m_panel.Busy()) {
        QTimer::singleShot(kBusyRetryMs, this, [this, request] { Take(request); });
        return;
    }
    Execute(request);
}

void PanelRemote::Execute(const remote::LineServer::Request& request) {
    m_current = request;
    const remote::ParseResult parsed = remote::ParseLine(request.line);
    if (std::optional<std::string> reply =
            remote::ServerReply(request, parsed, *m_server, Identification())) {
        m_current.reset();
        m_server->Reply(request.id, *reply);
        return;
    }
    m_command = *parsed.command;
    if (std::optional<Outcome> done = Begin(m_command)) {
        Finish(*done);
    }
}

void PanelRemote::Finish(const Outcome& outcome) {
    m_awaitTimer.stop();
    m_then = nullptr;
    m_watcher.Disarm();
    if (m_current && m_server) {
        m_server->Reply(m_current->id, remote::ReplyLine(outcome));
    }
    m_current.reset();
}

remote::Outcome PanelRemote::NotReady(const remote::Command& command) const {
    return Outcome::Failure(ExitCode::LinkFailed, std::string(remote::VerbName(command.verb)) +
                                                      ": the link is not ready (" +
                                                      m_panel.Fields().m_strStatus +
                                                      "); send open");
}

void PanelRemote::Expect(int64_t budgetMs, std::function<Outcome()> then, Until until) {
    m_deadlineMs = m_panel.MonotonicMs() + budgetMs;
    m_until = until;
    m_then = std::move(then);
    m_awaitTimer.start();
}

void PanelRemote::CheckAwaited() {
    if (!m_then) {
        m_awaitTimer.stop();
        return;
    }
    const std::string name = remote::VerbName(m_command.verb);
    if (m_watcher.LinkLost()) {
        Finish(Outcome::Failure(ExitCode::LinkFailed,
                                name + ": the link to the controller failed; send open"));
        return;
    }
    const bool timeUp = m_panel.MonotonicMs() >= m_deadlineMs;
    const bool reached = m_until == Until::Time          ? timeUp
                         : m_until == Until::ReplyOrTime ? timeUp || m_watcher.Complete()
                                                         : m_watcher.Complete();
    if (reached) {
        const std::function<Outcome()> then = std::move(m_then);
        m_then = nullptr;
        const Outcome outcome = then();
        if (!m_then) {  // `then` waits for more when it sets another
            Finish(outcome);
        }
        return;
    }
    if (timeUp) {
        Finish(Outcome::Failure(ExitCode::NoAnswer,
                                name + ": the controller did not answer in time (" +
                                    std::to_string(kReplyTimeoutMs) + " ms)"));
    }
}

// Each command as its control's handler runs it. The watcher is armed before
// the handler, which sends at once; what it awaits comes with the polls.
std::optional<remote::Outcome> PanelRemote::Begin(const remote::Command& command) {
    ferrule::ControllerEngine& engine = m_panel.Engine();
    ferrule::PanelFields& fields = m_panel.Fields();
    const auto answered = [this](
                              Awaits awaits, const std::function<void()>& handler,
                              std::function<Outcome()> then = [] { return Outcome{}; }) {
        m_watcher.Arm(awaits);
        handler();
        Expect(kReplyTimeoutMs, std::move(then));
        return std::optional<Outcome>();
    };
    const auto describeStatus = [this] {
        Outcome outcome;
        if (m_watcher.Status()) {
            remote::DescribeSettings(*m_watcher.Status(), &outcome);
        }
        return outcome;
    };

    if (command.verb == Verb::List) {
        return remote::DeviceListOutcome(ferrule::ListDeviceIdentities(engine.Driver()));
    }
    if (command.verb == Verb::Open) {
        m_panel.OnOpen();
        if (engine.LinkReady()) {
            return Outcome{};
        }
        return Outcome::Failure(ExitCode::DeviceUnavailable, "open: " + fields.m_strStatus);
    }
    if (fields.m_strStatus != ferrule::kLinkReadyStatus) {
        return NotReady(command);
    }
    switch (command.verb) {
        case Verb::Status:
            return answered(
                Awaits::Status, [this] { m_panel.OnStatus(); }, describeStatus);
        case Verb::Info:
            return answered(
                Awaits::Info, [this] { m_panel.OnGetControllerInfo(); },
                [this] {
                    Outcome outcome;
                    const std::string& text = m_watcher.InfoText();
                    outcome.result.Set("info", text)
                        .Set("model", text.substr(0, 8))
                        .Set("version", text.size() > 8 ? text.substr(8) : "");
                    return outcome;
                });
        case Verb::Shutter:
            return answered(Awaits::Answer, [&] { m_panel.OnShutter(command.value); });
        case Verb::Mode:
            return answered(Awaits::Answer, [&] {
                if (command.value == 2) {
                    m_panel.RunGatedCommand([&] { engine.SetNeutralDensity(command.number); });
                } else {
                    m_panel.OnShutterMode(command.value);
                }
            });
        case Verb::Trigger:
            return answered(Awaits::Answer, [&] {
                if (command.value < 0) {
                    m_panel.RunGatedCommand(
                        [&] { remote::TurnPulseOff(engine, ferrule::PulseBox::Trigger); });
                } else {
                    m_panel.OnTriggerOption(command.value);
                }
            });
        case Verb::Sync:
            return answered(Awaits::Answer, [&] {
                if (command.value < 0) {
                    m_panel.RunGatedCommand(
                        [&] { remote::TurnPulseOff(engine, ferrule::PulseBox::Sync); });
                } else {
                    m_panel.OnSyncLevel(command.value);
                }
            });
        case Verb::Timer:
            if (std::optional<std::string> refused = remote::CheckTimerCommand(command)) {
                return Outcome::Failure(ExitCode::Refused, *refused);
            }
            return answered(Awaits::Answer, [&] {
                m_panel.UpdateData(true);
                remote::EnterTimer(fields, command);
                m_panel.UpdateData(false);
                m_panel.OnSetTimer();
            });
        case Verb::Repeat:
            return answered(Awaits::Answer, [&] {
                m_panel.UpdateData(true);
                remote::EnterRepeat(fields, command);
                m_panel.UpdateData(false);
                m_panel.OnSendRepeatCount();
            });
        case Verb::Run: {
            // The panel's warning box, as the reply.
            m_panel.UpdateData(true);
            if (command.value != 0 && fields.m_strRepeatCount.empty()) {
                return Outcome::Failure(ExitCode::Refused,
                                        "Please set the repeat number first, then try again!");
            }
            if (std::optional<std::string> refused = remote::RunWaitRefusal(command, fields)) {
                return Outcome::Failure(ExitCode::Refused, *refused);
            }
            return answered(
                Awaits::Answer, [&] { m_panel.OnRunOption(command.value); },
                [this] {
                    if (!m_command.wait) {
                        return Outcome{};
                    }
                    const int repeat =
                        std::max(ferrule::LeadingInteger(m_panel.Fields().m_strRepeatCount), 1);
                    const int counted = m_watcher.CyclesCounted();
                    if (counted < repeat) {
                        m_watcher.Arm(Awaits::RunEnd, repeat - counted);
                        m_cyclesBefore = counted;
                        Expect(remote::RunDurationMs(m_panel.Engine()) + kReplyTimeoutMs, [this] {
                            m_cyclesBefore += m_watcher.CyclesCounted();
                            const auto ended = [this] {
                                Outcome outcome;
                                outcome.result.Set("run", "ended").Set("cycles", m_cyclesBefore);
                                return outcome;
                            };
                            // A run of Go ends with a carriage return after its
                            // last movement: waited for briefly, so that it is
                            // not taken for the next reply.
                            if (m_command.value == 2 && !m_watcher.SawCarriageReturn()) {
                                m_watcher.Arm(Awaits::CarriageReturn);
                                Expect(kReplyTimeoutMs, ended, Until::ReplyOrTime);
                                return Outcome{};
                            }
                            return ended();
                        });
                        return Outcome{};
                    }
                    Outcome outcome;
                    outcome.result.Set("run", "ended").Set("cycles", counted);
                    return outcome;
                });
        }
        case Verb::Stop:
            return answered(Awaits::Answer, [this] { m_panel.OnStop(); });
        case Verb::Power:
            return answered(Awaits::Answer, [&] { m_panel.OnPower(command.value == 1); });
        case Verb::Online:
            return answered(Awaits::Answer, [this] { m_panel.OnOnLine(); });
        case Verb::Reset:
            return answered(Awaits::Status, [this] { m_panel.OnReset(); });
        case Verb::StoreConfig:
        case Verb::RestoreDefaults: {
            const bool store = command.verb == Verb::StoreConfig;
            // The confirmation comes with the command: nobody is there to
            // answer the panel's box.
            if (!command.yes) {
                return Outcome::Failure(ExitCode::Refused,
                                        std::string(remote::VerbName(command.verb)) +
                                            " needs its confirmation: send it with --yes");
            }
            return answered(store ? Awaits::Answer : Awaits::Status, [&] {
                m_panel.RunGatedCommand([&] {
                    if (store) {
                        engine.StoreConfiguration();
                    } else {
                        engine.RestoreDefaults();
                    }
                });
            });
        }
        case Verb::Load: {
            if (std::optional<std::string> failed = m_panel.LoadConfigFrom(command.path)) {
                return Outcome::Failure(ExitCode::Refused, "load: " + *failed);
            }
            if (!command.apply) {
                return Outcome{};
            }
            m_watcher.Arm(Awaits::Upload);
            const std::optional<std::string> refused = engine.Apply();
            m_panel.EndCommand();
            if (refused) {
                return Outcome::Failure(ExitCode::Refused, "load --apply: " + *refused);
            }
            Expect(kReplyTimeoutMs + ferrule::ControllerEngine::kUploadQuietLimitMs, [this] {
                if (!m_watcher.UploadProblem().empty()) {
                    return Outcome::Failure(
                        ExitCode::NoAnswer,
                        "load --apply: the upload was given up: " + m_watcher.UploadProblem());
                }
                return Outcome{};
            });
            return std::nullopt;
        }
        case Verb::Save:
            return answered(
                Awaits::Status, [this] { m_panel.OnStatus(); },
                [this] {
                    if (std::optional<std::string> failed = m_panel.SaveConfigTo(m_command.path)) {
                        return Outcome::Failure(ExitCode::Refused, "save: " + *failed);
                    }
                    Outcome outcome;
                    outcome.result.Set("file", m_command.path);
                    return outcome;
                });
        case Verb::Blink:
            m_panel.OnBlinkLeds();
            m_panel.m_sliderSpeed->setValue(command.number);
            m_panel.OnSpeedReleased();
            Expect(
                command.durationMs,
                [this] {
                    m_panel.OnBlinkOff();
                    Outcome outcome;
                    outcome.result.Set("speed", m_command.number).Set("ms", m_command.durationMs);
                    return outcome;
                },
                Until::Time);
            return std::nullopt;
        default:
            break;
    }
    return Outcome::Failure(ExitCode::Refused, std::string(remote::VerbName(command.verb)) +
                                                   " is not served by the panel");
}
