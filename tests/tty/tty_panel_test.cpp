// The panel on the serial back end, with the port held by another program:
// the status line keeps its texts, and the received-data log says why the
// device did not open.
#include "fake_tree.h"
#include "panel/panel_fixture.h"
#include "port_holder_process.h"
#include "pty_sim_process.h"

namespace {

using ::testing::ElementsAre;

class TtyPanel : public PanelTest {
protected:
    TtyPanel() {
        EXPECT_TRUE(controller.Ready());
        tree.AddUsbDevice("1-1", kDescription, kSerial);
        tree.AddPort("1-1", 0, "ttyUSB0", controller.SlavePath());
    }

    PtySimProcess controller;
    TempDir treeDir;
    FakeTree tree{treeDir};
};

TEST_F(TtyPanel, ABusyPortIsNamedInTheLogAtStartAndOnOpen) {
    auto holder = StartPortHolder();
    ASSERT_EQ(ReadOpened(*holder).status, FT_OK);
    const std::string busy = "Could not open the device: " + (tree.Dev() / "ttyUSB0").string() +
                             " is in use by another program. Diagnose Link... (Ctrl+D) tells "
                             "what stands in the way.";
    RememberDevice(1, kSerial);
    Start(FTTY_LIBRARY_PATH);
    EXPECT_EQ(Status(), "USB not responding");
    EXPECT_THAT(LogLines(), ElementsAre(busy));

    Click(1024);
    EXPECT_EQ(Status(), "Could not open USB");
    EXPECT_THAT(LogLines(), ElementsAre(busy, busy));

    // An open the panel refuses itself reaches no library: no reason is logged.
    SetText(1026, "Enter device Description here");
    Click(1024);
    EXPECT_EQ(Status(), "Could not open USB");
    EXPECT_EQ(LogLines().size(), 2u);

    holder->Send("close");
    ASSERT_EQ(holder->ReadLine(), "closed");
    SetText(1026, kSerial);
    Click(1024);
    EXPECT_EQ(Status(), "USB ready for communication.");
    EXPECT_EQ(LogLines().size(), 2u);
}

}  // namespace
