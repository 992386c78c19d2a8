// The panel on the serial back end bringing a lost link back by itself:
// ferrule-sim pulled (stopped, which unplugs its fake device) and plugged in
// again, under the same node or another; two devices of one kind; the user's
// own Search and the menu item that turns it off; a cable that comes and
// goes; the clients of the panel's serving told; and the link doctor on what
// the panel uses.
#include <signal.h>
#include <unistd.h>

#include <QAccessible>
#include <QAction>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <regex>

#include "core/doctor/link_finding.h"
#include "panel/panel_fixture.h"
#include "panel/widgets/live_notice.h"
#include "pty_sim_process.h"
#include "remote/socket_client.h"

namespace {

using ::testing::Contains;
using ::testing::ContainsRegex;
using ::testing::StartsWith;

class TtyReconnect : public PanelTest {
protected:
    TtyReconnect() {
        setenv("FERRULE_TTY_SYSFS", (root + "/sys").c_str(), 1);
        setenv("FERRULE_TTY_DEV", (root + "/dev").c_str(), 1);
    }
    ~TtyReconnect() override {
        panel.reset();
        unsetenv("FERRULE_TTY_SYSFS");
        unsetenv("FERRULE_TTY_DEV");
    }

    // A controller plugged in as ttyUSB<port>.
    std::unique_ptr<PtySimProcess> Plug(int port, const std::string& serial = kSerial) {
        auto sim = std::make_unique<PtySimProcess>(std::vector<std::string>{
            "--fake-sysfs", root, "--port", std::to_string(port), "--serial", serial});
        EXPECT_TRUE(sim->Ready());
        return sim;
    }
    bool WaitForStatus(const std::string& status, int ms = 20'000) {
        return QTest::qWaitFor([&] { return Status() == status; }, ms);
    }
    // Whether this process (the panel) has the terminal open.
    static bool Holding(const std::string& path) {
        std::error_code ec;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
            if (std::filesystem::read_symlink(fd.path(), ec) == path) {
                return true;
            }
        }
        return false;
    }
    int LinesMatching(const std::string& pattern) const {
        const std::regex re(pattern);
        int n = 0;
        for (const std::string& line : LogLines()) {
            n += std::regex_search(line, re) ? 1 : 0;
        }
        return n;
    }
    QAction* Action(const char* name) const { return panel->findChild<QAction*>(name); }

    TempDir fakeDir;
    std::string root = fakeDir.File("fake");
};

TEST_F(TtyReconnect, PulledAndPluggedInUnderAnotherNodeItComesBackByItself) {
    auto first = Plug(0);
    RememberDevice(1, kSerial);
    Start(FTTY_LIBRARY_PATH);
    ASSERT_EQ(Status(), "USB ready for communication.");
    const QTimer* timer = panel->findChild<QTimer*>("reconnectTimer");
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    // A client of the panel's serving that watches.
    setenv("XDG_RUNTIME_DIR", fakeDir.File("").c_str(), 1);
    ASSERT_FALSE(panel->StartServing());
    SocketClient watcher = SocketClient::Unix(fakeDir.File("ferrule.sock"));
    watcher.Send("watch\n");
    std::vector<std::string> heard;
    const auto hears = [&](const std::string& start) {
        return QTest::qWaitFor(
            [&] {
                while (std::optional<std::string> line = watcher.ReadLine(0)) {
                    heard.push_back(*line);
                }
                return std::any_of(heard.begin(), heard.end(), [&](const std::string& line) {
                    return line.rfind(start, 0) == 0;
                });
            },
            20'000);
    };
    ASSERT_TRUE(hears("{\"ok\": true}"));

    EXPECT_EQ(first->Stop(SIGTERM), 0);
    ASSERT_TRUE(WaitForStatus("USB not open."));
    EXPECT_THAT(LogLines(), Contains(ContainsRegex("^Link lost at [0-9]{2}:[0-9]{2}:[0-9]{2}; "
                                                   "reconnecting when the device is back\\.$")));
    auto* notice = panel->findChild<ferrule::LiveNotice*>("linkNotice");
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(notice);
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->role(), QAccessible::Notification);
    EXPECT_THAT(spoken->text(QAccessible::Name).toStdString(), ContainsRegex("^Link lost at "));
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(hears("{\"event\": \"link-lost\""));
    EXPECT_TRUE(hears("{\"event\": \"link-notice\""));

    auto second = Plug(1);
    ASSERT_TRUE(WaitForStatus("USB ready for communication."));
    EXPECT_TRUE(Holding(second->SlavePath()));
    EXPECT_THAT(LogLines(), Contains(ContainsRegex("^Link back at [0-9:]{8}, after [0-9]+ s\\.$")));
    EXPECT_THAT(spoken->text(QAccessible::Name).toStdString(), ContainsRegex("^Link back at "));
    EXPECT_TRUE(panel->Engine().LinkReady());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !timer->isActive(); }, 5000));
    EXPECT_TRUE(hears("{\"event\": \"link-back\""));
    EXPECT_THAT(heard, Contains(StartsWith("{\"event\": \"link-back\", \"description\": \"Quillon "
                                           "Shutter Controller\", \"serial\": \"QSC00001\"")));
    panel->StopServing();
    unsetenv("XDG_RUNTIME_DIR");
}

TEST_F(TtyReconnect, OfTwoDevicesOfOneKindOnlyTheOneThatWasOpenComesBack) {
    auto mine = Plug(0, "QSC00001");
    auto twin = Plug(1, "QSC00002");
    RememberDevice(0, kDescription);
    Start(FTTY_LIBRARY_PATH);
    ASSERT_EQ(Status(), "USB ready for communication.");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return panel->Reconnect().Device().serial == "QSC00001"; }, 5000));

    mine->Stop(SIGTERM);
    ASSERT_TRUE(WaitForStatus("USB not open."));
    QTest::qWait(2500);  // looked for twice at least: its twin is not it
    EXPECT_EQ(Status(), "USB not open.");
    EXPECT_FALSE(Holding(twin->SlavePath()));

    auto back = Plug(2, "QSC00001");
    ASSERT_TRUE(WaitForStatus("USB ready for communication."));
    EXPECT_TRUE(Holding(back->SlavePath()));
    EXPECT_FALSE(Holding(twin->SlavePath()));
}

TEST_F(TtyReconnect, SearchHasTheLastWordAndTheMenuItemTurnsItOffForGood) {
    auto first = Plug(0);
    RememberDevice(1, kSerial);
    Start(FTTY_LIBRARY_PATH);
    QAction* reconnect = Action("reconnectAutomatically");
    ASSERT_NE(reconnect, nullptr);
    EXPECT_TRUE(reconnect->isCheckable());
    EXPECT_TRUE(reconnect->isChecked());
    EXPECT_EQ(reconnect->shortcut(), QKeySequence("Ctrl+Alt+R"));
    ASSERT_NE(Action("diagnoseLink"), nullptr);
    EXPECT_EQ(Action("diagnoseLink")->shortcut(), QKeySequence("Ctrl+D"));
    EXPECT_TRUE(panel->actions().contains(reconnect));

    first->Stop(SIGTERM);
    ASSERT_TRUE(WaitForStatus("USB not open."));
    Click(ferrule::kCtlSearch);
    auto second = Plug(0);
    QTest::qWait(2500);
    EXPECT_EQ(Status(), "USB Closed.");

    // Off: remembered in its own section, the device choice untouched.
    reconnect->trigger();
    EXPECT_EQ(profile.GetString("Reconnect", "Automatic", ""), "0");
    EXPECT_EQ(profile.GetString("MyFerruleAp", "SerialString", ""), kSerial);
    EXPECT_EQ(profile.GetString("MyFerruleAp", "SerDesc", ""), "1");
    SetText(ferrule::kCtlDevice, kSerial);
    Click(ferrule::kCtlOpen);
    ASSERT_EQ(Status(), "USB ready for communication.");
    second->Stop(SIGTERM);
    ASSERT_TRUE(WaitForStatus("USB not open."));
    EXPECT_THAT(LogLines(), Contains(ContainsRegex("^Link lost at [0-9:]{8}\\.$")));
    auto third = Plug(0);
    QTest::qWait(2500);
    EXPECT_EQ(Status(), "USB not open.");

    // A new run reads the choice back.
    panel.reset();
    Start(FTTY_LIBRARY_PATH);
    EXPECT_FALSE(Action("reconnectAutomatically")->isChecked());
}

// A bad cable: the controller comes and goes every 100 ms for a while. The
// log tells it in a few lines, and the link is up once it settles.
TEST_F(TtyReconnect, ACableThatComesAndGoesIsToldBrieflyAndUpWhenItSettles) {
    auto sim = Plug(0);
    RememberDevice(1, kSerial);
    Start(FTTY_LIBRARY_PATH);
    ASSERT_EQ(Status(), "USB ready for communication.");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    while (std::chrono::steady_clock::now() < until) {
        sim.reset();
        QTest::qWait(100);
        sim = Plug(0);
        QTest::qWait(100);
    }
    ASSERT_TRUE(WaitForStatus("USB ready for communication.", 30'000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !panel->findChild<QTimer*>("reconnectTimer")->isActive(); }, 15'000));
    EXPECT_LE(LinesMatching("^Link |^Could not reconnect"), 5);
    EXPECT_EQ(Status(), "USB ready for communication.");
}

TEST_F(TtyReconnect, TheDoctorExaminesWhatThePanelUses) {
    auto sim = Plug(0);
    RememberDevice(1, "QSC09999");
    Start(FTTY_LIBRARY_PATH);
    EXPECT_THAT(LogLines(), Contains(ContainsRegex("^Could not open the device: .*QSC09999.*\\. "
                                                   "Diagnose Link\\.\\.\\. \\(Ctrl\\+D\\) tells "
                                                   "what stands in the way\\.$")));
    std::string report = ferrule::FormatFindings(panel->DiagnoseLink());
    EXPECT_THAT(report, ContainsRegex("Problem: An FTDI device is attached, but not the one "
                                      "Ferrule is set to open \\(serial number \"QSC09999\"\\)"));
    SetText(ferrule::kCtlDevice, kSerial);
    Click(ferrule::kCtlOpen);
    ASSERT_EQ(Status(), "USB ready for communication.");
    report = ferrule::FormatFindings(panel->DiagnoseLink());
    EXPECT_THAT(report, ContainsRegex("OK: .*ttyUSB0 is open in this program \\(PID " +
                                      std::to_string(getpid()) + "\\)"));
}

}  // namespace
