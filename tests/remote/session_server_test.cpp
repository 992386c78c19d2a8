// ferrule-ctl serve's heart in one process: the session on the simulated
// controller (its real clock) answering real socket clients on its own
// thread, with events for the clients that watch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "core/remote/session_server.h"
#include "core/version.h"
#include "sim_library.h"
#include "socket_client.h"
#include "temp_dir.h"

using ::testing::HasSubstr;
using ::testing::Optional;
using ::testing::StartsWith;

namespace {

class SessionServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ferrule::remote::SessionOptions options;
        options.drivers = {FSIM_LIBRARY_PATH};
        options.device.by = ferrule::remote::DeviceChoice::By::Index;
        session = std::make_unique<ferrule::remote::ControllerSession>(options, clock);
        ASSERT_TRUE(session->Open().Done());
        ferrule::remote::LineServerOptions serverOptions;
        serverOptions.unixPath = dir.File("ferrule.sock");
        server = std::make_unique<ferrule::remote::LineServer>(serverOptions);
        sessionServer = std::make_unique<ferrule::remote::SessionServer>(*session, *server);
        std::string error;
        ASSERT_TRUE(server->Start(sessionServer->Handler(), &error)) << error;
        engineThread = std::thread([this] { sessionServer->Run(stop); });
    }
    void TearDown() override {
        stop = true;
        if (engineThread.joinable()) {
            engineThread.join();
        }
        server->Stop();
    }
    SocketClient Client() { return SocketClient::Unix(server->UnixPath()); }

    SimLibrary sim;
    TempDir dir;
    ferrule::remote::SessionClock clock;
    std::unique_ptr<ferrule::remote::ControllerSession> session;
    std::unique_ptr<ferrule::remote::LineServer> server;
    std::unique_ptr<ferrule::remote::SessionServer> sessionServer;
    std::atomic<bool> stop{false};
    std::thread engineThread;
};

TEST_F(SessionServerTest, EachLineGetsOneReplyAndEventsGoOnlyToWatchers) {
    SocketClient script = Client();
    SocketClient watcher = Client();
    watcher.Send("watch\n");
    EXPECT_THAT(watcher.ReadLine(), Optional(std::string("{\"ok\": true}")));

    script.Send("*IDN?\nstatus\nbogus\n\nshutter open\nmode nd 20\n");
    EXPECT_THAT(script.ReadLine(), Optional("Ferrule,Quillon Shutter Controller,QSC00001," +
                                            std::string(FERRULE_VERSION)));
    EXPECT_THAT(script.ReadLine(),
                Optional(StartsWith("{\"shutter\": \"closed\", \"mode\": \"fast\"")));
    EXPECT_THAT(script.ReadLine(), Optional(HasSubstr("unknown command 'bogus'")));
    EXPECT_THAT(script.ReadLine(), Optional(HasSubstr("empty line")));
    EXPECT_THAT(script.ReadLine(), Optional(std::string("{\"ok\": true}")));
    EXPECT_THAT(script.ReadLine(), Optional(std::string("{\"ok\": true}")));
    EXPECT_EQ(script.ReadLine(300), std::nullopt);  // no events for a client that did not ask

    // The status reply, then the shutter moving.
    std::vector<std::string> events;
    while (std::optional<std::string> line = watcher.ReadLine(500)) {
        events.push_back(*line);
    }
    EXPECT_THAT(events, ::testing::Contains(StartsWith("{\"event\": \"status\"")));
    EXPECT_THAT(events,
                ::testing::Contains(StartsWith("{\"event\": \"shutter\", \"state\": \"open\"")));
}

TEST_F(SessionServerTest, ARunWaitedForFromOneClientKeepsOthersInLineAndSurvivesItsClient) {
    SocketClient setup = Client();
    setup.Send("timer closed 0:0:0:100:0\ntimer exposure 0:0:0:100:0\nrepeat 3\n");
    for (int i = 0; i < 3; ++i) {
        EXPECT_THAT(setup.ReadLine(), Optional(std::string("{\"ok\": true}")));
    }
    {
        SocketClient leaving = Client();
        leaving.Send("run go --wait\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // Its run goes on to its end; the next command waits for it.
    SocketClient next = Client();
    next.Send("status\n");
    EXPECT_THAT(next.ReadLine(), Optional(HasSubstr("\"run\": \"go\"")));
    SocketClient waiter = Client();
    waiter.Send("run go --wait\n");
    EXPECT_THAT(waiter.ReadLine(5000),
                Optional(std::string("{\"run\": \"ended\", \"cycles\": 3}")));
}

TEST_F(SessionServerTest, AnUnpluggedDeviceIsToldToWatchersAndOpenedAgainOnRequest) {
    SocketClient watcher = Client();
    watcher.Send("watch\n");
    EXPECT_THAT(watcher.ReadLine(), Optional(std::string("{\"ok\": true}")));
    sim.fsim_fail_queue_status(0, FT_IO_ERROR);
    EXPECT_THAT(watcher.ReadLine(), Optional(StartsWith("{\"event\": \"link-lost\"")));
    SocketClient script = Client();
    script.Send("shutter open\n");
    EXPECT_THAT(script.ReadLine(), Optional(HasSubstr("send open")));
    sim.fsim_fail_queue_status(0, FT_OK);
    script.Send("open\nshutter open\n");
    EXPECT_THAT(script.ReadLine(), Optional(std::string("{\"ok\": true}")));
    EXPECT_THAT(script.ReadLine(), Optional(std::string("{\"ok\": true}")));
}

}  // namespace
