// The session's configuration files: load (and upload) one, and save the
// controller's settings to one, in the panel's file format.
#include "core/common/bounded_file_read.h"
#include "core/common/file_rewrite.h"
#include "core/remote/controller_session.h"
#include "core/remote/setting_words.h"
#include "core/timing/config_file.h"

namespace ferrule::remote {

namespace {

// The fields and stored times as the settings a status would report.
StatusValues LoadedSettings(const ControllerEngine& engine) {
    const PanelFields& f = engine.Fields();
    StatusValues values;
    values.shutter = f.m_nShutter;
    values.shutterMode = f.m_nShutterMode;
    values.ndSteps = f.m_nNdSteps;
    values.triggerMode = f.m_nTriggerMode;
    values.syncLevel = f.m_nSyncLevel;
    values.timerSelect = f.m_nTimerSelect;
    values.freeRunOption = f.m_nFreeRunOption;
    values.repeatCount = f.m_strRepeatCount;
    values.cyclesLeft = f.m_strCyclesLeft;
    values.closed = engine.State().m_strClosedTime;
    values.exposure = engine.State().m_strExposureTime;
    return values;
}

}  // namespace

// The file is read and checked whole before the fields change. Without
// --apply nothing is sent: the result is what the file holds. With it, the
// upload goes out as Apply sends it, each step once the controller has
// answered the one before.
Outcome ControllerSession::Load(const Command& command) {
    std::string error;
    const std::optional<std::string> bytes =
        ReadRegularFile(command.path, kMaxConfigFileBytes, &error);
    if (!bytes) {
        return Outcome::Failure(
            ExitCode::Refused,
            "load: the configuration could not be read from " + command.path + ": " + error);
    }
    const std::optional<ConfigRecords> records = DecodeConfigFile(*bytes);
    if (!records) {
        return Outcome::Failure(
            ExitCode::Refused, "load: " + command.path +
                                   " is not a configuration file (it ends before its last record)");
    }
    m_engine.LoadConfiguration(*records);
    Outcome outcome;
    DescribeSettings(LoadedSettings(m_engine), &outcome);
    JsonObject result;
    result.Set("file", command.path).Set("applied", command.apply).Append(outcome.result);
    outcome.result = result;
    if (!command.apply) {
        return outcome;
    }
    m_watcher.Arm(ReplyWatcher::Awaits::Upload);
    const std::optional<std::string> refused = m_engine.Apply();
    m_engine.EndCommand();
    if (refused) {
        m_watcher.Disarm();
        return Outcome::Failure(ExitCode::Refused, "load --apply: " + *refused);
    }
    // Each of the upload's eight messages may take the reply time-out.
    const ExitCode waited = Await(m_clock.NowMs() + m_options.timeoutMs +
                                  static_cast<int64_t>(ControllerEngine::kUploadQuietLimitMs));
    const std::string problem = m_watcher.UploadProblem();
    m_watcher.Disarm();
    if (waited != ExitCode::Done) {
        return Failed(command, waited);
    }
    if (!problem.empty()) {
        return Outcome::Failure(ExitCode::NoAnswer,
                                "load --apply: the upload was given up: " + problem);
    }
    outcome.lines.insert(outcome.lines.begin(), "uploaded " + command.path);
    return outcome;
}

// What the controller reports now, not what this session last sent.
Outcome ControllerSession::Save(const Command& command) {
    Command status;
    status.verb = Verb::Status;
    Outcome read = ReadStatus(status);
    if (!read.Done()) {
        return read;
    }
    const std::string bytes = EncodeConfigFile(m_engine.SaveConfiguration());
    const RewriteResult saved =
        RewriteFile(command.path, [&bytes](std::string_view) { return bytes; });
    if (!saved) {
        return Outcome::Failure(ExitCode::Refused, "save: the configuration could not be saved: " +
                                                       command.path + " " + saved.Reason());
    }
    Outcome outcome;
    outcome.result.Set("file", command.path).Append(read.result);
    outcome.lines = {"saved to " + command.path};
    return outcome;
}

}  // namespace ferrule::remote
