// The link doctor's dialog: findings a screen reader reads one by one, each
// fix copied with a button, examined again on request; the panel's context
// menu item that opens it, and the status line that points to it.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "panel/widgets/link_doctor_dialog.h"
#include "panel_fixture.h"

namespace {

using ferrule::LinkDoctorDialog;
using ferrule::LinkFinding;
using Kind = LinkFinding::Kind;

TEST(LinkDoctorDialog, FindingsAreReadItemByItemAndTheirFixesCopied) {
    TestApplication();
    int examined = 0;
    LinkDoctorDialog dialog(nullptr, [&] {
        ++examined;
        return std::vector<LinkFinding>{
            {Kind::Problem, "/dev/ttyUSB0 is held by another program: minicom (PID 4242).",
             "A serial port is one program's at a time.", "Close minicom, or end it:\nkill 4242"},
            {Kind::Fine, "The device is attached.", "1-1: description \"Q\"", ""}};
    });
    QListWidget* list = dialog.FindingList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->accessibleName(), "Findings");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->item(0)->data(Qt::AccessibleTextRole).toString(),
              "Problem: /dev/ttyUSB0 is held by another program: minicom (PID 4242). A serial "
              "port is one program's at a time. Fix: Close minicom, or end it: kill 4242");
    EXPECT_EQ(list->item(0)->text(),
              "Problem: /dev/ttyUSB0 is held by another program: minicom (PID 4242).\n"
              "  A serial port is one program's at a time.\n"
              "  Fix: Close minicom, or end it:\n"
              "       kill 4242");
    EXPECT_EQ(dialog.Summary().toStdString(),
              "1 problem(s), 0 warning(s), 0 thing(s) that could not be checked. Each finding "
              "below says what to do.");

    auto* copy = dialog.findChild<QPushButton*>("doctorCopyFix");
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isEnabled());
    copy->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "Close minicom, or end it:\nkill 4242");
    list->setCurrentRow(1);
    EXPECT_FALSE(copy->isEnabled());  // nothing to fix

    dialog.findChild<QPushButton*>("doctorCheckAgain")->click();
    EXPECT_EQ(examined, 2);
    EXPECT_EQ(list->count(), 2);
}

class PanelDoctor : public PanelTest {};

TEST_F(PanelDoctor, TheContextMenuItemOpensTheDoctorForTheLibraryInUse) {
    StartReady();
    QAction* diagnose = panel->findChild<QAction*>("diagnoseLink");
    ASSERT_NE(diagnose, nullptr);
    EXPECT_EQ(diagnose->text(), "&Diagnose Link...");
    std::string shown;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<LinkDoctorDialog*>(QApplication::activeModalWidget())) {
            shown = dialog->windowTitle().toStdString() + ": " +
                    dialog->FindingList()->item(0)->text().toStdString();
            dialog->accept();
        }
    });
    diagnose->trigger();
    EXPECT_EQ(shown,
              "Diagnose Link: OK: The simulated controller is in use: no USB device, port "
              "or permission is involved.");
}

// Where a failed open or a lost link shows, the status line points to the
// doctor, for the eye and for a screen reader; its text is the status alone.
TEST_F(PanelDoctor, TheStatusLinePointsToTheDoctorWhileTheLinkIsDown) {
    RememberDevice(0, "Some other shutter");
    Start();
    ASSERT_EQ(Status(), "USB not responding");
    QWidget* line = panel->GetDlgItem(ferrule::kCtlStatusLine);
    const std::string hint = "Diagnose Link... (Ctrl+D) tells what stands in the way.";
    EXPECT_EQ(line->toolTip().toStdString(), hint);
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(line);
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->text(QAccessible::Description).toStdString(), hint);

    SetText(ferrule::kCtlDevice, kDescription);
    Click(ferrule::kCtlOpen);
    ASSERT_EQ(Status(), "USB ready for communication.");
    EXPECT_TRUE(line->toolTip().isEmpty());
    EXPECT_TRUE(spoken->text(QAccessible::Description).isEmpty());
}

}  // namespace
