// The panel as assistive technology meets it: every control's role, name and
// state through Qt's accessibility interfaces, which the AT-SPI bridge hands
// to screen readers unchanged.
#include <QAccessible>
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
