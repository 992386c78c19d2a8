// The headless session driving the simulated controller: the bytes every
// command puts on the wire, the results it reads back, the waits and their
// time-outs, and the exit code of every way a command can end.
#include <gmock/gmock.h>

#include <fstream>

#include "core/timing/config_file.h"
#include "core/version.h"
#include "session_fixture.h"

using ferrule::remote::ExitCode;
using ferrule::remote::LinkRecord;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

TEST_F(SessionTest, EveryCommandSendsWhatThePanelsControlSends) {
    struct Case {
        const char* line;
        Bytes bytes;
    };
    // In one session, so the order keeps the controller able to answer: power
    // off is followed by power on.
    const Case cases[] = {
        {"status", {0xCC}},
        {"info", {0xFD}},
        {"shutter open", {0xAA}},
        {"shutter close", {0xAC}},
        {"mode fast", {0xDC}},
        {"mode soft", {0xDD}},
        {"mode nd 20", {0xDE, 20}},
        {"mode nd 144", {0xDE, 144}},
        {"trigger high", {0xFA, 0xA1}},
        {"trigger low", {0xFA, 0xA2}},
        {"trigger rising", {0xFA, 0xA3}},
        {"trigger falling", {0xFA, 0xA4}},
        {"trigger off", {0xFA, 0xA0}},
        {"trigger off", {0xFA, 0xA0}},  // off when already off still says off
        {"sync high", {0xFA, 0xB1}},
        {"sync low", {0xFA, 0xB2}},
        {"sync off", {0xFA, 0xB0}},
        {"timer closed 0:0:1:500:0", {0xFA, 0x10, 0x00, 0x01, 0x50, 0x00}},
        {"timer exposure 1:2:3:456:7", {0xFA, 0x21, 0x02, 0x03, 0x45, 0x67}},
        {"timer closed 5:0:0:0:0", {0xFA, 0x15, 0x00, 0x00, 0x00, 0x00}},
        {"repeat 3", {0xFA, 0xF0, 0x00, 0x03}},
        {"repeat 65000", {0xFA, 0xF0, 0xFD, 0xE8}},
        {"repeat continuous", {0xFA, 0xF0, 0xFF, 0xFF}},
        {"run power-up", {0xFA, 0xF1}},
        {"stop", {0xBF}},
        {"power off", {0xCF}},
        {"power on", {0xCE}},
        {"online", {0xEE}},
        {"store-config --yes", {0xFA, 0xC1}},
    };
    Opened();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        sim.fsim_clear_written(0);
        const ferrule::remote::Outcome outcome = Run(c.line);
        EXPECT_TRUE(outcome.Done()) << outcome.error;
        EXPECT_THAT(Written(), ElementsAreArray(c.bytes));
    }
}

// The controller ends a reset or a restore with a carriage return; the
// status that follows is what the command waits for.
TEST_F(SessionTest, ResetAndRestoreWaitForTheStatusTheyBringAbout) {
    Opened();
    EXPECT_TRUE(Run("reset").Done());
    EXPECT_THAT(Written(), ElementsAreArray(Bytes{0xFB, 0xCC}));
    sim.fsim_clear_written(0);
    EXPECT_TRUE(Run("restore-defaults --yes").Done());
    EXPECT_THAT(Written(), ElementsAreArray(Bytes{0xFA, 0xC0, 0xCC}));
}

TEST_F(SessionTest, StatusResultHasItsFieldsInTheCommandsOwnWords) {
    Opened();
    for (const char* line : {"mode nd 36", "trigger rising", "sync low", "timer closed 0:0:1:500:0",
                             "timer exposure 0:0:0:250:5", "repeat 5", "shutter open"}) {
        ASSERT_TRUE(Run(line).Done()) << line;
    }
    const ferrule::remote::Outcome status = Run("status");
    ASSERT_TRUE(status.Done()) << status.error;
    // 36 steps of 19/72 ms make a transition of 9.5 ms, two a cycle.
    EXPECT_EQ(status.result.Text(),
              "{\"shutter\": \"open\", \"mode\": \"nd\", \"steps\": 36, \"trigger\": \"rising\", "
              "\"sync\": \"low\", \"closed_time\": \"0:0:1:500:0\", \"closed_ms\": 1500.0, "
              "\"exposure_time\": \"0:0:0:250:5\", \"exposure_ms\": 250.5, "
              "\"cycle_time\": \"0:0:1:769:5\", \"cycle_ms\": 1769.5, \"run\": \"none\", "
              "\"repeat\": 5}");
    EXPECT_THAT(status.lines, ::testing::Contains("mode:          nd, 36 steps"));
}

TEST_F(SessionTest, RunGoWaitReturnsWhenTheCountdownEndsTellingEachCycle) {
    Opened();
    for (const char* line :
         {"timer closed 0:0:0:100:0", "timer exposure 0:0:0:50:0", "repeat 5", "status"}) {
        ASSERT_TRUE(Run(line).Done()) << line;
    }
    std::vector<std::string> moments;
    session->SetRecordSink([&](const LinkRecord& record) {
        if (record.level == LinkRecord::Level::Moment) {
            moments.push_back(record.json.Get("event") + record.json.Get("left"));
        }
    });
    const uint64_t startUs = sim.fsim_now_us();
    const ferrule::remote::Outcome run = Run("run go --wait");
    ASSERT_TRUE(run.Done()) << run.error;
    EXPECT_EQ(run.result.Text(), "{\"run\": \"ended\", \"cycles\": 5}");
    std::vector<std::string> cycles;
    for (const std::string& m : moments) {
        if (m.rfind("\"cycle\"", 0) == 0) {
            cycles.push_back(m);
        }
    }
    EXPECT_THAT(cycles, ElementsAreArray({"\"cycle\"4", "\"cycle\"3", "\"cycle\"2", "\"cycle\"1",
                                          "\"cycle\"0"}));
    EXPECT_EQ(moments.back(), "\"run-ended\"");
    // Five cycles of 100 + 50 ms and two 12 ms movements passed on the
    // simulator's clock, and the wait ended with them.
    const uint64_t elapsedMs = (sim.fsim_now_us() - startUs) / 1000;
    EXPECT_GE(elapsedMs, 5u * 174u - 174u);
    EXPECT_LT(elapsedMs, 5u * 174u + 2000u);
    // The run's closing carriage return was taken with it, not by the next
    // reply.
    const ferrule::remote::Outcome after = Run("status");
    EXPECT_THAT(after.result.Text(), HasSubstr("\"mode\": \"fast\""));
    EXPECT_THAT(after.result.Text(), HasSubstr("\"run\": \"go\", \"repeat\": 5"));
}

TEST_F(SessionTest, RunReadsTheRepeatNumberFirstAndRefusesToWaitForAnEndlessRun) {
    Opened();
    // A fresh session knows neither the repeat number nor the shutter.
    EXPECT_TRUE(Run("run go").Done());
    EXPECT_THAT(Written(), ElementsAreArray(Bytes{0xCC, 0xFA, 0xF3}));
    ASSERT_TRUE(Run("stop").Done());
    ASSERT_TRUE(Run("repeat continuous").Done());
    sim.fsim_clear_written(0);
    const ferrule::remote::Outcome refused = Run("run go --wait");
    EXPECT_EQ(refused.code, ExitCode::Refused);
    EXPECT_THAT(refused.error, HasSubstr("continuous"));
    EXPECT_TRUE(Written().empty());
}

// Each reply has its time-out; a controller that never answers makes every
// command end with "no answer" once it has passed on the simulator's clock.
TEST_F(SessionTest, ASilentControllerEndsEachWaitAtItsTimeOut) {
    Opened();
    sim.fsim_set_silent(0, 1);
    for (const char* line : {"status", "info", "shutter open", "mode nd 10", "reset"}) {
        SCOPED_TRACE(line);
        const uint64_t startUs = sim.fsim_now_us();
        const ferrule::remote::Outcome outcome = Run(line);
        EXPECT_EQ(outcome.code, ExitCode::NoAnswer);
        EXPECT_THAT(outcome.error, HasSubstr("did not answer in time (2000 ms)"));
        const uint64_t waitedMs = (sim.fsim_now_us() - startUs) / 1000;
        EXPECT_GE(waitedMs, 2000u);
        EXPECT_LT(waitedMs, 2100u);
    }
}

TEST_F(SessionTest, LoadApplySendsEachStepOnceThePreviousOneIsAnswered) {
    ferrule::ConfigRecords records{"1", "0", "0", "-1", "-1", "0",   "0", "0",  "1",
                                   "0", "0", "0", "0",  "0",  "500", "0", "-1", "2"};
    const std::string file = dir.File("bench.cfg");
    std::ofstream(file, std::ios::binary) << ferrule::EncodeConfigFile(records);
    Opened();
    const ferrule::remote::Outcome applied = Run("load " + file + " --apply");
    ASSERT_TRUE(applied.Done()) << applied.error;
    EXPECT_THAT(Written(), ElementsAreArray(Bytes{0xAC,                                // shutter
                                                  0xDC,                                // mode
                                                  0xFA, 0xA0,                          // trigger
                                                  0xFA, 0xB0,                          // SYNC
                                                  0xFA, 0x10, 0,    1,    0x00, 0x00,  // closed
                                                  0xFA, 0x20, 0,    0,    0x50, 0x00,  // exposure
                                                  0xFA, 0xF0, 0x00, 0x02,              // repeat
                                                  0xFA, 0xF0}));                       // run option

    // A controller that stops answering holds the upload at its first byte,
    // and after a second of silence the upload is given up.
    sim.fsim_set_silent(0, 1);
    sim.fsim_clear_written(0);
    const ferrule::remote::Outcome stalled = Run("load " + file + " --apply");
    EXPECT_EQ(stalled.code, ExitCode::NoAnswer);
    EXPECT_THAT(stalled.error, HasSubstr("did not answer for a second"));
    EXPECT_THAT(Written(), ElementsAreArray(Bytes{0xAC}));
}

TEST_F(SessionTest, LoadWithoutApplySendsNothingAndRefusesWhatIsNoConfiguration) {
    const std::string file = dir.File("short.cfg");
    std::ofstream(file, std::ios::binary) << "\x01"
                                             "1";
    Opened();
    const ferrule::remote::Outcome damaged = Run("load " + file);
    EXPECT_EQ(damaged.code, ExitCode::Refused);
    EXPECT_THAT(damaged.error, HasSubstr("is not a configuration file"));
    const ferrule::remote::Outcome missing = Run("load " + dir.File("none.cfg"));
    EXPECT_EQ(missing.code, ExitCode::Refused);
    EXPECT_TRUE(Written().empty());
}

TEST_F(SessionTest, SaveWritesTheControllersSettingsInThePanelsFileFormat) {
    Opened();
    ASSERT_TRUE(Run("mode soft").Done());
    ASSERT_TRUE(Run("timer exposure 0:0:2:0:0").Done());
    ASSERT_TRUE(Run("repeat 7").Done());
    const std::string file = dir.File("saved.cfg");
    const ferrule::remote::Outcome saved = Run("save " + file);
    ASSERT_TRUE(saved.Done()) << saved.error;
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::optional<ferrule::ConfigRecords> records = ferrule::DecodeConfigFile(bytes);
    ASSERT_TRUE(records);
    EXPECT_EQ((*records)[ferrule::kRecordShutterMode], "1");
    EXPECT_EQ((*records)[ferrule::kRecordExposureTime + ferrule::kSeconds], "2");
    EXPECT_EQ((*records)[ferrule::kRecordRepeatCount], "7");
}

TEST_F(SessionTest, RefusedValuesSendNothing) {
    Opened();
    for (const char* line : {"timer closed 6:0:0:0:0", "timer closed 5:0:0:0:1",
                             "timer exposure 0:-1:0:0:0", "store-config", "restore-defaults"}) {
        SCOPED_TRACE(line);
        const ferrule::remote::Outcome outcome = Run(line);
        EXPECT_EQ(outcome.code, ExitCode::Refused);
    }
    EXPECT_EQ(Run("timer closed 0:60:0:0:0").error,
              "Minutes number must be less than 60! Please retype.");
    EXPECT_EQ(Run("timer closed 5:0:1:0:0").error,
              "Timer has reached the maximum value - 5 hours.");
    EXPECT_THAT(Run("store-config").error, HasSubstr("--yes"));
    EXPECT_TRUE(Written().empty());
}

TEST_F(SessionTest, DevicesThatCannotBeHadEndWithTheirOwnExitCode) {
    session =
        std::make_unique<ferrule::remote::ControllerSession>(Options("No Such Device"), clock);
    ferrule::remote::Outcome outcome = session->Open();
    EXPECT_EQ(outcome.code, ExitCode::DeviceUnavailable);
    EXPECT_THAT(outcome.error, HasSubstr("device not found"));

    // Held by somebody else: the simulator refuses a second open.
    FT_HANDLE held = nullptr;
    ASSERT_EQ(sim.FT_Open(0, &held), FT_OK);
    session = std::make_unique<ferrule::remote::ControllerSession>(Options(), clock);
    outcome = session->Open();
    EXPECT_EQ(outcome.code, ExitCode::DeviceUnavailable);
    EXPECT_THAT(outcome.error, HasSubstr("busy"));
    sim.FT_Close(held);

    // Nothing named and nothing remembered.
    ferrule::remote::SessionOptions options = Options();
    options.device.by = ferrule::remote::DeviceChoice::By::Profile;
    session = std::make_unique<ferrule::remote::ControllerSession>(options, clock);
    outcome = session->Open();
    EXPECT_EQ(outcome.code, ExitCode::DeviceUnavailable);
    EXPECT_THAT(outcome.error, HasSubstr("no device chosen"));

    // A driver that does not load.
    options = Options();
    options.drivers = {dir.File("libnothing.so")};
    session = std::make_unique<ferrule::remote::ControllerSession>(options, clock);
    outcome = session->Open();
    EXPECT_EQ(outcome.code, ExitCode::DeviceUnavailable);
    EXPECT_THAT(outcome.error, HasSubstr("Can't Load"));

    // A device that does not answer its probe is no controller.
    sim.fsim_set_probe_reply(0, FSIM_PROBE_SILENT, 0);
    session = std::make_unique<ferrule::remote::ControllerSession>(Options(), clock);
    outcome = session->Open();
    EXPECT_EQ(outcome.code, ExitCode::NoAnswer);
    // A shutter report instead of the answer: a run is going on.
    sim.fsim_set_probe_reply(0, FSIM_PROBE_OTHER, 0xAA);
    session = std::make_unique<ferrule::remote::ControllerSession>(Options(), clock);
    outcome = session->Open();
    EXPECT_EQ(outcome.code, ExitCode::NoAnswer);
    EXPECT_THAT(outcome.error, HasSubstr("(0xAA)"));
    EXPECT_THAT(outcome.error, HasSubstr("free run"));
}

TEST_F(SessionTest, TheDeviceRememberedInThePanelsProfileIsOpened) {
    std::ofstream(dir.File("ferrule.INI")) << "[MyFerruleAp]\nSerDesc=1\nSerialString=QSC00001\n";
    ferrule::remote::SessionOptions options = Options();
    options.device.by = ferrule::remote::DeviceChoice::By::Profile;
    session = std::make_unique<ferrule::remote::ControllerSession>(options, clock);
    ASSERT_TRUE(session->Open().Done());
    EXPECT_EQ(session->Identification(),
              "Ferrule,Quillon Shutter Controller,QSC00001," FERRULE_VERSION);
}

TEST_F(SessionTest, ALinkThatFailsMidCommandEndsItAsFailedAndNeedsOpen) {
    Opened();
    std::vector<std::string> moments;
    session->SetRecordSink([&](const LinkRecord& record) {
        if (record.level == LinkRecord::Level::Moment) {
            moments.push_back(record.json.Text());
        }
    });
    sim.fsim_fail_queue_status(0, FT_IO_ERROR);
    const ferrule::remote::Outcome failed = Run("status");
    EXPECT_EQ(failed.code, ExitCode::LinkFailed);
    ASSERT_FALSE(moments.empty());
    EXPECT_THAT(moments.back(), HasSubstr("\"event\": \"link-lost\""));
    EXPECT_EQ(Run("shutter open").code, ExitCode::LinkFailed);
    EXPECT_THAT(Run("shutter open").error, HasSubstr("send open"));

    sim.fsim_fail_queue_status(0, FT_OK);
    EXPECT_TRUE(Run("open").Done());
    EXPECT_TRUE(Run("status").Done());
}

}  // namespace
