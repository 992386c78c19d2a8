// The panel serving a client over a real socket: a command runs as its
// control would and the panel and its log show it; nothing a client sends
// opens a box; and a client's command waits while the person's box is open.
#include <QCoreApplication>
#include <QThread>
#include <chrono>

#include "core/version.h"
#include "panel_fixture.h"
#include "remote/socket_client.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class PanelRemoteTest : public PanelTest {
protected:
    TestPanel& StartServing() {
        RememberDevice(0, kDescription);
        PanelOptions options{FSIM_LIBRARY_PATH, profile.Path(), "ferrule"};
        options.serve.unixPath = dir.File("panel.sock");
        panel = std::make_unique<TestPanel>(options);
        // As the application runs it: modally.
        panel->setWindowModality(Qt::ApplicationModal);
        panel->show();
        PollAfter(1000);
        sim.fsim_clear_written(0);
        EXPECT_EQ(panel->StartServing(), std::nullopt);
        client = std::make_unique<SocketClient>(SocketClient::Unix(options.serve.unixPath));
        return *panel;
    }
    // Sends a line and runs the panel (its events, its poll on the
    // simulator's clock) until the reply comes.
    std::string Ask(const std::string& line) {
        client->Send(line + "\n");
        return AwaitReply(*client);
    }
    std::string AwaitReply(SocketClient& from) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            QCoreApplication::processEvents();
            PollAfter(2000);
            if (std::optional<std::string> reply = from.ReadLine(1)) {
                return *reply;
            }
        }
        return "(no reply)";
    }
    // Runs the panel's events for a while without its poll.
    void Pump(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
    }

    std::unique_ptr<SocketClient> client;
};

TEST_F(PanelRemoteTest, ACommandRunsAsItsControlAndTheLogShowsItsBytes) {
    StartServing();
    EXPECT_EQ(Ask("shutter open"), "{\"ok\": true}");
    EXPECT_THAT(LogLines(), ::testing::Contains(HasSubstr("Serving remote commands on unix:")));
    EXPECT_THAT(Written(), ElementsAre(0xAA));
    EXPECT_TRUE(Checked(ferrule::kCtlShutterOpen));
    const std::vector<std::string> log = LogLines();
    EXPECT_THAT(std::vector<std::string>(log.end() - 2, log.end()),
                ElementsAre("170  0xAA", "170  0xAA"));

    EXPECT_THAT(Ask("status"), HasSubstr("\"shutter\": \"open\""));
    EXPECT_EQ(Ask("*IDN?"), "Ferrule,Quillon Shutter Controller,QSC00001," FERRULE_VERSION);
    EXPECT_THAT(Ask("bogus"), HasSubstr("unknown command 'bogus'"));
}

TEST_F(PanelRemoteTest, NothingAClientSendsOpensABox) {
    StartServing();
    EXPECT_EQ(Ask("mode nd 20"), "{\"ok\": true}");
    EXPECT_THAT(Written(), ElementsAre(0xDE, 20));
    EXPECT_TRUE(Checked(ferrule::kCtlModeNd));
    sim.fsim_clear_written(0);
    EXPECT_THAT(Ask("store-config"), HasSubstr("--yes"));
    EXPECT_THAT(Ask("restore-defaults"), HasSubstr("--yes"));
    EXPECT_THAT(Written(), IsEmpty());
    EXPECT_EQ(Ask("store-config --yes"), "{\"ok\": true}");
    EXPECT_THAT(Written(), ElementsAre(0xFA, 0xC1));
    EXPECT_THAT(Ask("timer closed 0:60:0:0:0"),
                HasSubstr("Minutes number must be less than 60! Please retype."));
    SetText(ferrule::kCtlRepeatCount, "");
    EXPECT_THAT(Ask("run go"), HasSubstr("Please set the repeat number first"));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(PanelRemoteTest, TheTimerAndRepeatNumberShowInTheirFieldsAndARunIsWaitedFor) {
    StartServing();
    EXPECT_EQ(Ask("timer closed 0:0:0:100:0"), "{\"ok\": true}");
    EXPECT_EQ(Text(ferrule::kCtlMillisecond), "100");
    EXPECT_EQ(Text(ferrule::kCtlClosedTimeDisplay), "00:00:00:100:0");
    EXPECT_EQ(Ask("repeat 2"), "{\"ok\": true}");
    EXPECT_EQ(Text(ferrule::kCtlRepeatCount), "2");
    EXPECT_EQ(Ask("run go --wait"), "{\"run\": \"ended\", \"cycles\": 2}");
    EXPECT_THAT(Ask("status"), HasSubstr("\"run\": \"go\", \"repeat\": 2"));
}

TEST_F(PanelRemoteTest, AClientsCommandWaitsWhileThePersonsBoxIsOpen) {
    StartServing();
    panel->answers = {kIdCancel};
    std::vector<uint8_t> writtenWhileOpen{0};
    panel->whileShown = [&] {
        client->Send("shutter open\n");
        Pump(200);
        writtenWhileOpen = Written();
    };
    Click(ferrule::kCtlSaveConfigToController);
    EXPECT_THAT(writtenWhileOpen, IsEmpty());
    EXPECT_EQ(AwaitReply(*client), "{\"ok\": true}");
    EXPECT_THAT(Written(), ElementsAre(0xAA));
}

TEST_F(PanelRemoteTest, WatchersHearWhatThePersonDoes) {
    StartServing();
    EXPECT_EQ(Ask("watch"), "{\"ok\": true}");
    Click(ferrule::kCtlShutterOpen);
    EXPECT_THAT(AwaitReply(*client), HasSubstr("{\"event\": \"shutter\", \"state\": \"open\""));
}

TEST_F(PanelRemoteTest, TheMenuItemStartsAndStopsServing) {
    StartReady();
    QAction* serve = panel->findChild<QAction*>("serveAction");
    ASSERT_NE(serve, nullptr);
    EXPECT_FALSE(serve->shortcut().isEmpty());
    EXPECT_FALSE(serve->text().isEmpty());
    EXPECT_FALSE(panel->Serving());
    setenv("XDG_RUNTIME_DIR", dir.File("").c_str(), 1);
    serve->trigger();
    EXPECT_TRUE(panel->Serving());
    EXPECT_TRUE(serve->isChecked());
    SocketClient other = SocketClient::Unix(dir.File("ferrule.sock"));
    other.Send("online\n");
    EXPECT_EQ(AwaitReply(other), "{\"ok\": true}");
    serve->trigger();
    EXPECT_FALSE(panel->Serving());
    EXPECT_FALSE(SocketClient::Unix(dir.File("ferrule.sock")).Connected());
    unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
