// ferrule-ctl as a user runs it: its exit codes and output on the simulated
// controller, serve with several real clients, and the serial back end
// against ferrule-sim (a device that is busy, unplugged and plugged in again).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <thread>

#include "../tty/pty_sim_process.h"
#include "child_process.h"
#include "socket_client.h"
#include "temp_dir.h"

using ::testing::HasSubstr;
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
};

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

}  // namespace
