// ferrule-ctl: the shutter controller from the shell, from scripts and from
// lab software, without a window. One command a run, or `serve` to own the
// device and take commands over a socket.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/common/profile_location.h"
#include "core/link/driver_choice.h"
#include "core/remote/command_grammar.h"
#include "core/remote/controller_session.h"
#include "core/version.h"
#include "ctl/confirmation.h"
#include "ctl/ctl_options.h"
#include "ctl/doctor.h"
#include "ctl/output.h"
#include "ctl/serve.h"
#include "ctl/stop_flag.h"
#include "ctl/watch_record.h"

namespace {

using ferrule::remote::ExitCode;
using ferrule::remote::Outcome;
using ferrule::remote::Verb;

std::filesystem::path OwnExecutable(const char* argv0) {
    std::error_code ignored;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
    return self.empty() ? std::filesystem::absolute(argv0, ignored) : self;
}

ferrule::remote::SessionOptions SessionOptionsFor(const ferrule::ctl::CtlOptions& options,
                                                  const char* argv0) {
    const auto folders = ferrule::BundledDriverFolders(OwnExecutable(argv0));
    ferrule::remote::SessionOptions session;
    session.drivers =
        options.driver ? std::vector<std::string>{ferrule::ResolveDriver(*options.driver, folders)}
                       : ferrule::DefaultDrivers(folders);
    session.device = options.device;
    session.device.profilePath = options.profile.value_or(ferrule::DefaultProfileLocation());
    session.timeoutMs = options.timeoutMs;
    return session;
}

// One command: the device opened, the command run and waited for, the
// device released.
int RunCommand(ferrule::remote::Command command, ferrule::remote::ControllerSession& session,
               ferrule::remote::SessionClock& clock, ferrule::ctl::Output& output) {
    // Started before the device is opened, so that a file that cannot be
    // written refuses before anything is sent.
    ferrule::ctl::WatchRecord record(session, clock, output);
    if (command.verb == Verb::Watch && !command.recordPath.empty()) {
        if (Outcome started = record.Start(command.recordPath); !started.Done()) {
            return output.Finish(started);
        }
    }
    if (Outcome confirmed = ferrule::ctl::Confirm(&command); !confirmed.Done()) {
        return output.Finish(confirmed);
    }
    if (command.verb == Verb::List) {
        return output.Finish(session.List());
    }
    if (command.verb == Verb::Doctor) {
        return ferrule::ctl::Doctor(session, output);
    }
    if (Outcome opened = session.Open(); !opened.Done()) {
        return output.Finish(record.Finish(opened));
    }
    // What a command shows as it goes: every byte and moment for watch,
    // each cycle and the end for a run that is waited for.
    if (command.verb == Verb::Watch) {
        session.SetRecordSink([&output](const auto& record) { output.Record(record); });
    } else if (command.verb == Verb::Run && command.wait) {
        session.SetRecordSink([&output](const ferrule::remote::LinkRecord& record) {
            const std::string event = record.json.Get("event");
            if (event == "\"cycle\"" || event == "\"run-ended\"") {
                output.Record(record);
            }
        });
    }
    const Outcome outcome = record.Finish(session.Run(command));
    session.SetRecordSink({});
    session.Close();
    return output.Finish(outcome);
}

}  // namespace

int main(int argc, char** argv) {
    const ferrule::ctl::ParsedOptions parsed =
        ferrule::ctl::ParseCtlOptions(std::vector<std::string>(argv + 1, argv + argc));
    const bool json = parsed.options && parsed.options->json;
    ferrule::ctl::Output output(json);
    if (!parsed.options) {
        return output.Usage(parsed.error);
    }
    const ferrule::ctl::CtlOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(ferrule::ctl::kUsageHead, stdout);
        std::fputs(ferrule::remote::CommandForms(ferrule::remote::Origin::CommandLine).c_str(),
                   stdout);
        std::fputs(ferrule::ctl::kUsageTail, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("ferrule-ctl %s\n", FERRULE_VERSION);
        return 0;
    }
    const std::atomic<bool>& stop = ferrule::ctl::InstallStopSignals();
    ferrule::remote::SessionClock clock;
    ferrule::remote::ControllerSession session(SessionOptionsFor(options, argv[0]), clock);
    session.SetInterrupt(&stop);
    if (options.serve) {
        return ferrule::ctl::Serve(options.serveOptions, session, stop, output);
    }
    const ferrule::remote::ParseResult command =
        ferrule::remote::ParseCommand(options.words, ferrule::remote::Origin::CommandLine);
    if (!command.command) {
        return output.Usage(command.error);
    }
    return RunCommand(*command.command, session, clock, output);
}
