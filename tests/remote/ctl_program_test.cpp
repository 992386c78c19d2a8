// ferrule-ctl as a user runs it: its exit codes and output on the simulated
// controller, serve with several real clients, and the serial back end
// against ferrule-sim (a device that is busy, unplugged and plugged in again,
// under the same node or another, reconnected by the server by itself), and
// the doctor.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "../tty/pty_sim_process.h"
#include "child_process.h"
#include "csv_rows.h"
#include "socket_client.h"
#include "temp_dir.h"

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Optional;
using ::testing::StartsWith;

namespace {

struct CtlRun {
    int code = -1;
    std::string output;  // standard output and error together
};

std::string Quoted(const std::string& word) {
    return "'" + word + "'";
}

CtlRun Ctl(const std::vector<std::string>& arguments) {
    std::string command = FERRULE_CTL_EXECUTABLE;
    for (const std::string& arg : arguments) {
        command += " " + Quoted(arg);
    }
    command += " </dev/null 2>&1";
    CtlRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 512> chunk;
    while (fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
        run.output += chunk.data();
    }
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class CtlProgram : public ::testing::Test {
protected:
    CtlProgram() { setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1); }
    ~CtlProgram() override { unsetenv("XDG_CONFIG_HOME"); }
    TempDir dir;
};

TEST_F(CtlProgram, ExitCodesTellTheCasesApart) {
    const CtlRun done = Ctl({"--driver", "sim", "--index", "0", "--json", "status"});
    EXPECT_EQ(done.code, 0) << done.output;
    EXPECT_THAT(done.output, StartsWith("{\"shutter\": \"closed\", \"mode\": \"fast\""));

    const CtlRun usage = Ctl({"--driver", "sim", "--index", "0", "shutter", "ajar"});
    EXPECT_EQ(usage.code, 2);
    EXPECT_THAT(usage.output,
                HasSubstr("bad value 'ajar' for shutter; accepted: shutter open|close"));
    EXPECT_EQ(Ctl({"frobnicate"}).code, 2);
    EXPECT_EQ(Ctl({"--index", "65", "status"}).code, 2);
    EXPECT_EQ(Ctl({"--timeout", "0", "status"}).code, 2);
    const CtlRun unconfirmed = Ctl({"--driver", "sim", "--index", "0", "store-config"});
    EXPECT_EQ(unconfirmed.code, 2);
    EXPECT_THAT(unconfirmed.output, HasSubstr("--yes"));
    const CtlRun refused = Ctl({"--driver", "sim", "--index", "0", "timer", "closed", "6:0:0:0:0"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_THAT(refused.output, HasSubstr("Hours number must be less than 6! Please retype."));

    const CtlRun missing = Ctl({"--driver", "sim", "--device", "Bench B", "status"});
    EXPECT_EQ(missing.code, 3);
    EXPECT_THAT(missing.output, HasSubstr("device not found"));
    const CtlRun unchosen = Ctl({"--driver", "sim", "status"});
    EXPECT_EQ(unchosen.code, 3);
    EXPECT_THAT(unchosen.output, HasSubstr("no device chosen"));
    EXPECT_EQ(Ctl({"--driver", dir.File("libnone.so"), "--index", "0", "status"}).code, 3);
}

TEST_F(CtlProgram, AfterThePanelWasUsedOnceStatusJustWorks) {
    std::filesystem::create_directories(dir.File("config"));
    std::ofstream(dir.File("config/ferrule.INI"))
        << "[MyFerruleAp]\nSerDesc=0\nDescString=Quillon Shutter Controller\n";
    const CtlRun status = Ctl({"--driver", "sim", "status"});
    EXPECT_EQ(status.code, 0) << status.output;
    EXPECT_THAT(status.output, HasSubstr("shutter:       closed"));
}

TEST_F(CtlProgram, RunGoWaitPrintsEachCycleAsJsonAndTheEnd) {
    const CtlRun run = Ctl({"--driver", "sim", "--index", "0", "--json", "run", "go", "--wait"});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("{\"event\": \"cycle\", \"left\": 0, \"t_ms\": "));
    EXPECT_THAT(run.output, HasSubstr("{\"event\": \"run-ended\", \"t_ms\": "));
    EXPECT_THAT(run.output, HasSubstr("{\"run\": \"ended\", \"cycles\": 1}\n"));
}

int ReceivedRows(const std::string& path) {
    const std::vector<CsvRow> rows = ReadCsv(path);
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const CsvRow& row) {
        return row.size() == 5 && row[2] == "received";
    }));
}

// watch --record writes the panel's session record: its header, a row per
// read with its time, bytes and meaning, each row whole. The simulated
// controller streams bytes by itself here, as an echoed link test.
TEST_F(CtlProgram, WatchRecordWritesTheSessionRecord) {
    const std::string path = dir.File("watch.csv");
    setenv("FERRULE_SIM_FEED", "12800", 1);
    const CtlRun watched =
        Ctl({"--driver", "sim", "--index", "0", "watch", "--seconds", "0.3", "--record", path});
    unsetenv("FERRULE_SIM_FEED");
    EXPECT_EQ(watched.code, 0) << watched.output.substr(0, 2000);
    const std::vector<CsvRow> rows = ReadCsv(path);
    ASSERT_GE(rows.size(), 5u);
    EXPECT_EQ(rows[0], (CsvRow{"time", "elapsed_ms", "direction", "bytes", "meaning"}));
    EXPECT_EQ(rows[1][4], "record started");
    EXPECT_EQ(rows.back()[4], "record stopped");
    const std::regex isoTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)");
    int64_t lastElapsed = 0;
    for (size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 5u);
        EXPECT_TRUE(std::regex_match(rows[i][0], isoTime)) << rows[i][0];
        EXPECT_GE(std::stoll(rows[i][1]), lastElapsed);
        lastElapsed = std::stoll(rows[i][1]);
    }
    EXPECT_EQ(rows[2][2], "received");
    EXPECT_THAT(rows[2][3], StartsWith("40 41 42 43"));
    EXPECT_EQ(rows[2][4], "link test pattern");

    const CtlRun refused =
        Ctl({"--driver", "sim", "--index", "0", "watch", "--record", dir.File("")});
    EXPECT_EQ(refused.code, 2);
    EXPECT_THAT(refused.output, HasSubstr("watch: the session record " + dir.File("") +
                                          " could not be started: it is a folder"));
}

// The record reaches the file while ferrule-ctl watches, so killing it
// outright loses nothing already read; a record deleted under it stops with a
// warning, the watch goes on, and the exit code says the record is short.
TEST_F(CtlProgram, WatchRecordIsOnDiskWhileRunningAndItsFailureIsTold) {
    const std::string path = dir.File("killed.csv");
    {
        ChildProcess killed({"/bin/sh", "-c",
                             "FERRULE_SIM_FEED=12800 exec " + std::string(FERRULE_CTL_EXECUTABLE) +
                                 " --driver sim --index 0 watch --record " + path + " >/dev/null"});
        ASSERT_TRUE(Eventually([&] { return ReceivedRows(path) >= 5; }));
        killed.Signal(SIGKILL);
        ASSERT_TRUE(killed.Wait().has_value());
        const std::string text = ReadWhole(path);
        EXPECT_EQ(text.back(), '\n');
        EXPECT_GE(ReceivedRows(path), 5);
        EXPECT_NE(ParseCsv(text).back()[4], "record stopped");
    }

    const std::string deleted = dir.File("deleted.csv");
    ChildProcess watch({FERRULE_CTL_EXECUTABLE, "--driver", "sim", "--index", "0", "--json",
                        "watch", "--record", deleted});
    ASSERT_TRUE(Eventually([&] { return ReadCsv(deleted).size() >= 2; }));
    std::filesystem::remove(deleted);
    EXPECT_EQ(watch.ReadLine(), "{\"warning\": \"The session record " + deleted +
                                    " could not be written: the file was deleted. Recording "
                                    "has stopped.\"}");
    watch.Signal(SIGINT);
    EXPECT_EQ(watch.ReadLine(), "{\"error\": \"watch: the session record " + deleted +
                                    " is incomplete: the file was deleted\", \"exit\": 2}");
    const std::optional<int> status = watch.Wait();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 2);
}

TEST_F(CtlProgram, ServeAnswersSeveralClientsAndLeavesNothingBehindOnSigterm) {
    const std::string socket = dir.File("ferrule.sock");
    ChildProcess serve({FERRULE_CTL_EXECUTABLE, "serve", "--driver", "sim", "--index", "0",
                        "--socket", socket, "--listen", "127.0.0.1:0"});
    EXPECT_EQ(serve.ReadLine(), "serving Quillon Shutter Controller (QSC00001)");
    EXPECT_EQ(serve.ReadLine(), "listening on unix:" + socket);
    std::smatch port;
    const std::string tcp = serve.ReadLine();
    ASSERT_TRUE(std::regex_match(tcp, port, std::regex("listening on tcp:127\\.0\\.0\\.1:(\\d+)")));
    const uint16_t tcpPort = static_cast<uint16_t>(std::stoi(port[1]));

    std::vector<std::thread> clients;
    std::atomic<int> replies{0};
    for (int c = 0; c < 4; ++c) {
        clients.emplace_back([&, c] {
            SocketClient client = c % 2 ? SocketClient::Tcp(tcpPort) : SocketClient::Unix(socket);
            for (int i = 0; i < 10; ++i) {
                client.Send(i % 2 ? "shutter open\n" : "status\n");
            }
            for (int i = 0; i < 10; ++i) {
                const std::optional<std::string> reply = client.ReadLine();
                if (reply &&
                    (i % 2 ? *reply == "{\"ok\": true}" : reply->rfind("{\"shutter\"", 0) == 0)) {
                    ++replies;
                }
            }
        });
    }
    for (std::thread& t : clients) {
        t.join();
    }
    EXPECT_EQ(replies, 40);

    serve.Signal(SIGTERM);
    const std::optional<int> status = serve.Wait();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    struct stat gone {};
    EXPECT_NE(stat(socket.c_str(), &gone), 0);
}

TEST_F(CtlProgram, AnAddressBeyondLoopbackNeedsAllowRemote) {
    const CtlRun refused = Ctl(
        {"serve", "--driver", "sim", "--index", "0", "--socket", "none", "--listen", "0.0.0.0:0"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_THAT(refused.output, HasSubstr("--allow-remote"));
}

// The serial back end: the device is the port ferrule-sim makes.
class CtlOnTty : public CtlProgram {
protected:
    CtlOnTty() {
        setenv("FERRULE_TTY_SYSFS", (root + "/sys").c_str(), 1);
        setenv("FERRULE_TTY_DEV", (root + "/dev").c_str(), 1);
    }
    ~CtlOnTty() override {
        unsetenv("FERRULE_TTY_SYSFS");
        unsetenv("FERRULE_TTY_DEV");
    }
    std::string root = dir.File("fake");

    // The controller plugged in as ttyUSB<port>.
    std::unique_ptr<PtySimProcess> Plug(int port) {
        auto sim = std::make_unique<PtySimProcess>(
            std::vector<std::string>{"--fake-sysfs", root, "--port", std::to_string(port)});
        EXPECT_TRUE(sim->Ready());
        return sim;
    }
};

// The lines a client is sent until one starts with `prefix` (that one
// included); all it was sent when none does within the time.
std::vector<std::string> LinesUntil(SocketClient& client, const std::string& prefix,
                                    int timeoutMs = 20'000) {
    std::vector<std::string> lines;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::optional<std::string> line = client.ReadLine(500);
        if (line) {
            lines.push_back(*line);
            if (line->rfind(prefix, 0) == 0) {
                break;
            }
        }
    }
    return lines;
}

TEST_F(CtlOnTty, CommandsReachFerruleSimAndASecondServerFindsTheDeviceBusy) {
    auto sim = std::make_unique<PtySimProcess>(std::vector<std::string>{"--fake-sysfs", root});
    ASSERT_TRUE(sim->Ready());
    const CtlRun status =
        Ctl({"--driver", FTTY_LIBRARY_PATH, "--device", "QSC00001", "--json", "status"});
    EXPECT_EQ(status.code, 0) << status.output;
    EXPECT_THAT(status.output, StartsWith("{\"shutter\": \"closed\""));

    const std::string socket = dir.File("ferrule.sock");
    ChildProcess serve({FERRULE_CTL_EXECUTABLE, "serve", "--driver", FTTY_LIBRARY_PATH, "--device",
                        "Quillon Shutter Controller", "--socket", socket});
    ASSERT_EQ(serve.ReadLine(), "serving Quillon Shutter Controller (QSC00001)");
    ASSERT_EQ(serve.ReadLine(), "listening on unix:" + socket);

    const CtlRun second = Ctl({"serve", "--driver", FTTY_LIBRARY_PATH, "--device", "QSC00001",
                               "--socket", dir.File("second.sock")});
    EXPECT_EQ(second.code, 3);
    EXPECT_THAT(second.output, HasSubstr("device busy"));
    EXPECT_THAT(second.output, HasSubstr("in use by another program"));
    const CtlRun meanwhile = Ctl({"--driver", FTTY_LIBRARY_PATH, "--device", "QSC00001", "status"});
    EXPECT_EQ(meanwhile.code, 3);

    // Every kind of command is answered through the serial back end.
    SocketClient each = SocketClient::Unix(socket);
    for (const std::string line :
         {"info", "mode nd 20", "trigger rising", "sync low", "timer closed 0:0:0:50:0",
          "timer exposure 0:0:0:50:0", "repeat 2", "run go --wait", "reset", "shutter open", "stop",
          "online", "power off", "power on", "restore-defaults --yes"}) {
        each.Send(line + "\n");
        const std::optional<std::string> reply = each.ReadLine();
        EXPECT_TRUE(reply && reply->find("\"error\"") == std::string::npos)
            << line << ": " << reply.value_or("(none)");
    }

    // Unplugged while serving: watchers are told, the server goes on, and
    // opens the device again when asked once it is back.
    SocketClient watcher = SocketClient::Unix(socket);
    watcher.Send("watch\n");
    EXPECT_THAT(watcher.ReadLine(), Optional(std::string("{\"ok\": true}")));
    sim.reset();
    EXPECT_THAT(watcher.ReadLine(), Optional(StartsWith("{\"event\": \"link-lost\"")));
    SocketClient script = SocketClient::Unix(socket);
    script.Send("status\n");
    EXPECT_THAT(script.ReadLine(), Optional(HasSubstr("send open")));
    script.Send("open\n");
    EXPECT_THAT(script.ReadLine(), Optional(HasSubstr("device not found")));
    sim = std::make_unique<PtySimProcess>(std::vector<std::string>{"--fake-sysfs", root});
    ASSERT_TRUE(sim->Ready());
    script.Send("open\nshutter open\n");
    EXPECT_THAT(script.ReadLine(), Optional(std::string("{\"ok\": true}")));
    EXPECT_THAT(script.ReadLine(), Optional(std::string("{\"ok\": true}")));
    serve.Signal(SIGTERM);
    EXPECT_TRUE(serve.Wait());
}

TEST_F(CtlOnTty, ServeReconnectsByItselfUnderAnotherNodeAndTellsItsWatchers) {
    auto sim = Plug(0);
    const std::string socket = dir.File("ferrule.sock");
    ChildProcess serve({FERRULE_CTL_EXECUTABLE, "serve", "--driver", FTTY_LIBRARY_PATH, "--device",
                        "QSC00001", "--socket", socket});
    ASSERT_EQ(serve.ReadLine(), "serving Quillon Shutter Controller (QSC00001)");
    ASSERT_EQ(serve.ReadLine(), "listening on unix:" + socket);
    SocketClient watcher = SocketClient::Unix(socket);
    watcher.Send("watch\n");
    ASSERT_THAT(watcher.ReadLine(), Optional(std::string("{\"ok\": true}")));

    sim.reset();  // pulled
    std::vector<std::string> told = LinesUntil(watcher, "{\"event\": \"link-notice\"");
    EXPECT_THAT(told, Contains(StartsWith("{\"event\": \"link-lost\"")));
    EXPECT_THAT(told.back(), MatchesRegex("\\{\"event\": \"link-notice\", \"text\": \"Link lost at "
                                          "[0-9:]{8}; reconnecting when the device is back\\.\", "
                                          "\"t_ms\": [0-9]+\\}"));
    EXPECT_THAT(serve.ReadLine(), MatchesRegex("Link lost at [0-9:]{8}; reconnecting .*"));

    sim = Plug(1);  // plugged in again, as ttyUSB1
    told = LinesUntil(watcher, "{\"event\": \"link-back\"");
    ASSERT_FALSE(told.empty());
    EXPECT_THAT(told.back(),
                StartsWith("{\"event\": \"link-back\", \"description\": \"Quillon "
                           "Shutter Controller\", \"serial\": \"QSC00001\", \"t_ms\": "));
    EXPECT_THAT(LinesUntil(watcher, "{\"event\": \"link-notice\""),
                Contains(HasSubstr("\"text\": \"Link back at ")));
    EXPECT_THAT(serve.ReadLine(), MatchesRegex("Link back at [0-9:]{8}, after [0-9]+ s\\."));
    SocketClient script = SocketClient::Unix(socket);
    script.Send("shutter open\n");
    EXPECT_THAT(script.ReadLine(), Optional(std::string("{\"ok\": true}")));
    serve.Signal(SIGTERM);
    EXPECT_TRUE(serve.Wait());
}

TEST_F(CtlOnTty, WithoutReconnectTheServerWaitsForOpen) {
    auto sim = Plug(0);
    const std::string socket = dir.File("ferrule.sock");
    ChildProcess serve({FERRULE_CTL_EXECUTABLE, "serve", "--no-reconnect", "--driver",
                        FTTY_LIBRARY_PATH, "--device", "QSC00001", "--socket", socket});
    ASSERT_EQ(serve.ReadLine(), "serving Quillon Shutter Controller (QSC00001)");
    ASSERT_EQ(serve.ReadLine(), "listening on unix:" + socket);
    SocketClient script = SocketClient::Unix(socket);
    sim.reset();
    EXPECT_THAT(serve.ReadLine(), MatchesRegex("Link lost at [0-9:]{8}\\."));
    sim = Plug(0);
    // Longer than the reconnect would take to look.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    script.Send("status\n");
    EXPECT_THAT(script.ReadLine(), Optional(HasSubstr("send open")));
    script.Send("open\nstatus\n");
    EXPECT_THAT(script.ReadLine(), Optional(std::string("{\"ok\": true}")));
    EXPECT_THAT(script.ReadLine(), Optional(StartsWith("{\"shutter\"")));
    serve.Signal(SIGTERM);
    EXPECT_TRUE(serve.Wait());
}

// The doctor on ferrule-sim's tree: the controller answers; held by a server,
// the open fails as busy and the doctor names the holder (and a latency timer
// of 16 ms); a user without permission is told so.
TEST_F(CtlOnTty, DoctorTellsWhatStandsInTheWayAndOpenFailuresPointToIt) {
    auto sim = Plug(0);
    const CtlRun fine =
        Ctl({"--driver", FTTY_LIBRARY_PATH, "--device", "QSC00001", "--json", "doctor"});
    EXPECT_EQ(fine.code, 0) << fine.output;
    EXPECT_THAT(fine.output, HasSubstr("{\"finding\": \"ok\", \"summary\": \"The controller "
                                       "opened and answered: Quillon Shutter Controller "
                                       "(QSC00001).\""));
    EXPECT_THAT(fine.output, HasSubstr("\n{\"ok\": true}\n"));

    const std::string socket = dir.File("ferrule.sock");
    ChildProcess serve({FERRULE_CTL_EXECUTABLE, "serve", "--driver", FTTY_LIBRARY_PATH, "--device",
                        "QSC00001", "--socket", socket});
    ASSERT_EQ(serve.ReadLine(), "serving Quillon Shutter Controller (QSC00001)");
    // A latency timer as the kernel leaves it (the serial back end set 2 ms).
    std::ofstream(root + "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer") << "16\n";
    const CtlRun busy = Ctl({"--driver", FTTY_LIBRARY_PATH, "--device", "QSC00001", "status"});
    EXPECT_EQ(busy.code, 3);
    EXPECT_THAT(busy.output, HasSubstr("device busy"));
    EXPECT_THAT(busy.output, HasSubstr("'ferrule-ctl doctor' tells what stands in the way."));
    const CtlRun held = Ctl({"--driver", FTTY_LIBRARY_PATH, "--device", "QSC00001", "doctor"});
    EXPECT_EQ(held.code, 3);
    EXPECT_THAT(held.output, HasSubstr("Problem: The last open failed: "));
    EXPECT_THAT(held.output, MatchesRegex("(.|\n)*Problem: .*ttyUSB0 is held by another program: "
                                          "ferrule-ctl \\(PID [0-9]+\\)\\.(.|\n)*"));
    EXPECT_THAT(held.output, HasSubstr("Fix: Close ferrule-ctl, or end it:"));
    EXPECT_THAT(held.output, HasSubstr("Warning: The latency timer of ttyUSB0 is 16 ms"));
    EXPECT_THAT(held.output, HasSubstr("Fix: echo 2 | sudo tee "));
    serve.Signal(SIGTERM);
    EXPECT_TRUE(serve.Wait());

    if (geteuid() != 0) {
        return;  // the rest runs as another user
    }
    // As nobody, who may not open the terminal (root's, mode 0620).
    std::filesystem::permissions(
        dir.File(""), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                          std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                          std::filesystem::perms::others_exec);
    ASSERT_EQ(chmod(sim->SlavePath().c_str(), 0620), 0);
    const auto asNobody = [&](const std::string& command) {
        ChildProcess ctl({FERRULE_CTL_EXECUTABLE, "--driver", FTTY_LIBRARY_PATH, "--device",
                          "QSC00001", "--json", command},
                         true);
        std::string output;
        for (std::string line = ctl.ReadLine(); !line.empty(); line = ctl.ReadLine()) {
            output += line + "\n";
        }
        const std::optional<int> status = ctl.Wait();
        return CtlRun{status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1, output};
    };
    const CtlRun denied = asNobody("status");
    EXPECT_EQ(denied.code, 3) << denied.output;
    EXPECT_THAT(denied.output, HasSubstr("device not permitted"));
    const CtlRun doctor = asNobody("doctor");
    EXPECT_EQ(doctor.code, 3) << doctor.output;
    EXPECT_THAT(doctor.output, HasSubstr("may not be opened by you (nobody)"));
}

}  // namespace
