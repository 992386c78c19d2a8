// The panel as assistive technology meets it: every control's role, name and
// state through Qt's accessibility interfaces, which the AT-SPI bridge hands
// to screen readers unchanged.
#include <QAccessible>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>

#include "panel_fixture.h"
#include "resources/dialog_template.h"

using PanelAccessibility = PanelTest;

namespace {

QAccessibleInterface* Accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

std::string Name(QWidget* widget) {
    QAccessibleInterface* a = Accessible(widget);
    return a ? a->text(QAccessible::Name).toStdString() : std::string();
}

// The names of the controls without a caption of their own.
const std::map<int, std::string> kNamesOfUncaptioned = {
    {1026, "Device"},
    {1015, "Status line"},
    {1021, "Received Bytes #"},
    {1019, "Data Received:"},
    {1006, "Speed"},
    {1079, "HR"},
    {1080, "MIN"},
    {1081, "S"},
    {1082, "MS"},
    {1089, ".1MS"},
    {1098, "0 - 5 Hour"},
    {1097, "0 - 59 Minute"},
    {1095, "0 - 59 Seconds"},
    {1093, "0 - 1000 Milliseconds"},
    {1096, "0 - 0.9 Milliseconds"},
    {1090, "Select Timer:"},
    {1083, "Repeat Cycle Number:"},
    {1084, "Left Cycle Number"},
};

const std::map<int, std::string> kDescriptionsOfDisplays = {
    {1103, "Closed time"},        {1104, "Exposure time"},      {1105, "Cycle time"},
    {1099, "Closing transition"}, {1100, "Opening transition"},
};

QAccessible::Role RoleOf(ferrule::ControlKind kind) {
    using K = ferrule::ControlKind;
    switch (kind) {
        case K::PushButton:
        case K::DefaultPushButton:
            return QAccessible::Button;
        case K::RadioButton:
            return QAccessible::RadioButton;
        case K::CheckBox:
            return QAccessible::CheckBox;
        case K::Edit:
            return QAccessible::EditableText;
        case K::ListBox:
            return QAccessible::List;
        case K::DropDownList:
            return QAccessible::ComboBox;
        case K::Trackbar:
            return QAccessible::Slider;
        case K::Static:
            return QAccessible::StaticText;
        case K::GroupBox:
            return QAccessible::Grouping;
        case K::Icon:
            return QAccessible::Graphic;
    }
    return QAccessible::NoRole;
}

}  // namespace

TEST_F(PanelAccessibility, EveryControlHasTheRoleOfWhatItIsAndItsName) {
    RememberDevice(0, kDescription);
    Start();
    for (const ferrule::ControlTemplate& control : ferrule::PanelTemplate().controls) {
        if (control.id == ferrule::kNoId) {
            continue;
        }
        QWidget* widget = Control(control.id);
        QAccessibleInterface* a = Accessible(widget);
        ASSERT_NE(a, nullptr) << control.id;
        EXPECT_EQ(a->role(), RoleOf(control.kind)) << control.id;

        std::string expected;
        if (auto it = kNamesOfUncaptioned.find(control.id); it != kNamesOfUncaptioned.end()) {
            expected = it->second;
        } else if ((control.style & ferrule::kLiveText) != 0) {
            expected = Text(control.id);  // a display is named by what it shows
        } else {
            expected = control.caption;
        }
        EXPECT_EQ(a->text(QAccessible::Name).toStdString(), expected) << control.id;
        if (auto it = kDescriptionsOfDisplays.find(control.id);
            it != kDescriptionsOfDisplays.end()) {
            EXPECT_EQ(a->text(QAccessible::Description).toStdString(), it->second) << control.id;
        }
    }
}

TEST_F(PanelAccessibility, RadioGroupsReportCheckedAndNoneCheckedAsRadios) {
    Start();
    panel->m_nTriggerMode = 2;
    panel->m_nSyncLevel = -1;
    panel->UpdateData(false);
    for (int id : {1058, 1059, 1110, 1111, 1061, 1062}) {
        QAccessibleInterface* a = Accessible(Control(id));
        EXPECT_EQ(a->role(), QAccessible::RadioButton) << id;
        EXPECT_TRUE(a->state().checkable) << id;
        EXPECT_EQ(a->state().checked, id == 1110) << id;
    }
    // The user's click still moves the check within a group.
    Click(1059);
    EXPECT_TRUE(Accessible(Control(1059))->state().checked);
    EXPECT_FALSE(Accessible(Control(1110))->state().checked);
    EXPECT_EQ(Accessible(Control(1087))->role(), QAccessible::CheckBox);
    EXPECT_EQ(Accessible(Control(1088))->role(), QAccessible::CheckBox);
}

TEST_F(PanelAccessibility, UpdatedDisplaysAreNamedByTheirNewText) {
    Start();
    static_cast<QLabel*>(Control(1105))->setText("Cycle Time - 00:00:00:024:0");
    EXPECT_EQ(Name(Control(1105)), "Cycle Time - 00:00:00:024:0");
}

// The poll runs inside every modal loop: its message must wait for the box
// that is up, not stack a second, blocked box above it.
TEST_F(PanelAccessibility, APollMessageWaitsForTheBoxThatIsUp) {
    RememberDevice(0, kDescription);
    panel = std::make_unique<TestPanel>(
        PanelOptions{Variant("FT_SetTimeouts"), profile.Path(), "ferrule"});
    panel->whileShown = [this] { panel->Poll(); };
    panel->show();
    std::vector<std::string> texts = Messages();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2], "FT_SetTimeouts is not valid!");
    EXPECT_EQ(texts.back(), "FT_GetQueueStatus is not valid!");
    EXPECT_EQ(panel->mostShownAtOnce, 1);
    EXPECT_EQ(Status(), "USB not open.");
}

// Real message boxes, closed the way a screen reader closes them: through the
// OK button's Press action.
TEST_F(PanelAccessibility, MessageBoxesCloseOnThePressAction) {
    RememberDevice(0, kDescription);
    auto real = std::make_unique<CShutterPanelDlg>(
        PanelOptions{Variant("FT_SetTimeouts"), profile.Path(), "ferrule"});
    std::vector<std::string> pressed;
    size_t mostVisible = 0;
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        std::vector<QMessageBox*> visible;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                visible.push_back(box);
        }
        mostVisible = std::max(mostVisible, visible.size());
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || box->property("pressed").toBool())
            return;
        box->setProperty("pressed", true);
        pressed.push_back(box->text().toStdString());
        QAccessibleInterface* ok =
            QAccessible::queryAccessibleInterface(box->button(QMessageBox::Ok));
        ASSERT_NE(ok, nullptr);
        ASSERT_NE(ok->actionInterface(), nullptr);
        ok->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    });
    presser.start(10);
    real->show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::count(pressed.begin(), pressed.end(), "FT_GetQueueStatus is not valid!") &&
                   QApplication::activeModalWidget() == nullptr;
        },
        10000));
    EXPECT_EQ(pressed.front(), "Error: Can't Find FT_SetTimeouts");
    EXPECT_EQ(pressed.back(), "FT_GetQueueStatus is not valid!");  // after the box it interrupted
    EXPECT_EQ(mostVisible, 1u);
    EXPECT_EQ(real->m_strStatus, "USB not open.");
    real->ExitSequence();
}
