// The panel as assistive technology meets it: every control's role, name and
// state through Qt's accessibility interfaces, which the AT-SPI bridge hands
// to screen readers unchanged.
#include <QAccessible>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>

#include "core/resources/dialog_template.h"
#include "panel/widgets/line_list_view.h"
#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;
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
    {kCtlDevice, "Device"},
    {kCtlStatusLine, "Status line"},
    {kCtlReceivedBytes, "Received Bytes #"},
    {kCtlReceivedData, "Data Received:"},
    {kCtlSpeed, "Speed"},
    {kCtlHour, "HR"},
    {kCtlMinute, "MIN"},
    {kCtlSecond, "S"},
    {kCtlMillisecond, "MS"},
    {kCtlTenthMs, ".1MS"},
    {kCtlHourSlider, "0 - 5 Hour"},
    {kCtlMinuteSlider, "0 - 59 Minute"},
    {kCtlSecondSlider, "0 - 59 Seconds"},
    {kCtlMillisecondSlider, "0 - 1000 Milliseconds"},
    {kCtlTenthMsSlider, "0 - 0.9 Milliseconds"},
    {kCtlTimerSelect, "Select Timer:"},
    {kCtlRepeatCount, "Repeat Cycle Number:"},
    {kCtlCyclesLeft, "Left Cycle Number"},
};

const std::map<int, std::string> kDescriptionsOfDisplays = {
    {kCtlClosedTimeDisplay, "Closed time"},        {kCtlExposureTimeDisplay, "Exposure time"},
    {kCtlCycleTimeDisplay, "Cycle time"},          {kCtlClosingTransition, "Closing transition"},
    {kCtlOpeningTransition, "Opening transition"},
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
    panel->Fields().m_nTriggerMode = 2;
    panel->Fields().m_nSyncLevel = -1;
    panel->UpdateData(false);
    for (int id : {kCtlEnableOnHigh, kCtlEnableOnLow, kCtlTriggerOnRisingEdge,
                   kCtlTriggerOnFallingEdge, kCtlHighForOpen, kCtlLowForOpen}) {
        QAccessibleInterface* a = Accessible(Control(id));
        EXPECT_EQ(a->role(), QAccessible::RadioButton) << id;
        EXPECT_TRUE(a->state().checkable) << id;
        EXPECT_EQ(a->state().checked, id == kCtlTriggerOnRisingEdge) << id;
    }
    // The user's click still moves the check within a group.
    Click(kCtlEnableOnLow);
    EXPECT_TRUE(Accessible(Control(kCtlEnableOnLow))->state().checked);
    EXPECT_FALSE(Accessible(Control(kCtlTriggerOnRisingEdge))->state().checked);
    EXPECT_EQ(Accessible(Control(kCtlTriggerPulse))->role(), QAccessible::CheckBox);
    EXPECT_EQ(Accessible(Control(kCtlSyncPulse))->role(), QAccessible::CheckBox);
}

// A screen reader's Toggle clicks as the mouse does, so the command behind
// the control runs; it answers at once, before any prompt the command opens.
TEST_F(PanelAccessibility, ToggleOnARadioOrCheckBoxRunsItsCommand) {
    RememberDevice(0, kDescription);
    Start();
    PollAfter(1000);
    sim.fsim_clear_written(0);
    auto toggle = [this](int id) {
        QAccessibleActionInterface* action = Accessible(Control(id))->actionInterface();
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        action->doAction(QAccessibleActionInterface::toggleAction());
        QCoreApplication::processEvents();
    };
    toggle(kCtlModeSoft);
    toggle(kCtlSyncPulse);
    EXPECT_THAT(Written(), ElementsAre(0xDD, 0xFA, 0xB0));
    EXPECT_EQ(Name(Control(kCtlModeSoft)), "Soft");
    EXPECT_TRUE(Accessible(Control(kCtlModeSoft))->state().checked);
    EXPECT_FALSE(Accessible(Control(kCtlSyncPulse))->state().checked);
    EXPECT_EQ(Name(Control(kCtlModeNd)), "Neutral Density");  // the caption Soft set
}

TEST_F(PanelAccessibility, UpdatedDisplaysAreNamedByTheirNewText) {
    Start();
    static_cast<QLabel*>(Control(kCtlCycleTimeDisplay))->setText("Cycle Time - 00:00:00:024:0");
    EXPECT_EQ(Name(Control(kCtlCycleTimeDisplay)), "Cycle Time - 00:00:00:024:0");
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
    EXPECT_EQ(real->Fields().m_strStatus, "USB not open.");
    real->ExitSequence();
}

namespace {

struct LogItems {
    QAccessibleInterface* list;
    QAccessibleTableInterface* table;

    std::vector<std::string> ChildNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface* item = list->child(i);
            EXPECT_EQ(item->role(), QAccessible::ListItem);
            EXPECT_EQ(list->indexOfChild(item), i);
            names.push_back(item->text(QAccessible::Name).toStdString());
        }
        return names;
    }
    std::string Line(int row) const {
        QAccessibleInterface* item = table->cellAt(row, 0);
        return item ? item->text(QAccessible::Name).toStdString() : "(none)";
    }
    void Press(int row) const {
        table->cellAt(row, 0)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
    }
};

}  // namespace

class PanelLogAccessibility : public PanelTest {
protected:
    LogItems Log() {
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(panel->m_listReceived);
        EXPECT_EQ(list->role(), QAccessible::List);
        EXPECT_EQ(list->text(QAccessible::Name).toStdString(), "Data Received:");
        EXPECT_NE(list->tableInterface(), nullptr);
        return {list, list->tableInterface()};
    }
    void AppendBytes(int count, uint8_t byte) {
        for (int i = 0; i < count; ++i)
            panel->m_logReceived->AppendRawByte(byte);
        panel->UpdateData(false);
    }
};

TEST_F(PanelLogAccessibility, SearchResultsAreItemsThatSelectLikeAClick) {
    sim.fsim_clear_devices();
    sim.fsim_add_device("Bench A", "QSA01");
    sim.fsim_add_device("Bench B", "QSB02");
    RememberDevice(0, "Bench A");
    Start();
    Click(kCtlSearch);
    LogItems log = Log();
    EXPECT_THAT(log.ChildNames(),
                ::testing::ElementsAre("2 device(s) attached:", "Bench A", "Bench B"));
    EXPECT_EQ(log.table->rowCount(), 3);
    EXPECT_EQ(log.table->selectedRowCount(), 0);

    log.Press(2);
    EXPECT_EQ(Text(kCtlDevice), "Bench B");
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DescString", ""), "Bench B");
    EXPECT_TRUE(log.table->isRowSelected(2));
    EXPECT_TRUE(log.list->child(2)->state().selected);
    EXPECT_FALSE(log.list->child(1)->state().selected);
    EXPECT_EQ(log.list->text(QAccessible::Value).toStdString(), "Bench B");

    EXPECT_TRUE(log.table->selectRow(0));  // the table's own selection, as AT-SPI offers it
    EXPECT_EQ(Text(kCtlDevice), "2 device(s) attached:");
    EXPECT_FALSE(log.table->unselectRow(0));  // a line stays chosen, as with the mouse
}

TEST_F(PanelLogAccessibility, ReceivedBytesAndTheInformationReplyAreItems) {
    RememberDevice(0, kDescription);
    Start();
    Inject({0xAA, 0xFD, 'Q', 'S', 'C', '-', '1', '0', '0', '0', 'V', '2', '.', '0'});
    PollAfter(10'000);
    EXPECT_THAT(Log().ChildNames(),
                ::testing::ElementsAre("170  0xAA", "253  0xFD", "QSC-1000", "V2.0"));
}

TEST_F(PanelLogAccessibility, ALineSelectedWhileLinesArriveIsTheLineAskedFor) {
    Start();
    AppendBytes(10, 0x41);
    LogItems log = Log();
    QAccessibleInterface* fifth = log.table->cellAt(5, 0);
    AppendBytes(600, 0x42);  // a poll's batch arrives meanwhile
    fifth->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(panel->m_listReceived->currentRow(), 5);
    EXPECT_EQ(Text(kCtlDevice), "65  0x41");

    panel->OnClear();  // an item outlives the lines it stood for
    EXPECT_FALSE(fifth->isValid());
    EXPECT_EQ(log.table->rowCount(), 0);
    EXPECT_EQ(log.list->childCount(), 0);
}

TEST_F(PanelLogAccessibility, AHugeLogAnswersAtOnceAndShowsOnlyWhatIsInSight) {
    Start();
    const int lines = 10'000'000;
    for (int i = 0; i < lines; ++i)
        panel->m_logReceived->AppendRawByte(static_cast<uint8_t>(i));
    panel->UpdateData(false);
    LogItems log = Log();
    EXPECT_EQ(log.table->rowCount(), lines);
    EXPECT_EQ(log.Line(lines - 1), "127  0x7F");
    EXPECT_EQ(log.Line(3), "3  0x03");
    EXPECT_EQ(log.Line(lines), "(none)");
    // The children are the lines in sight: the log follows its end.
    int inSight = log.list->childCount();
    EXPECT_GT(inSight, 0);
    EXPECT_LT(inSight, 20);
    EXPECT_EQ(log.list->child(inSight - 1)->text(QAccessible::Name).toStdString(), "127  0x7F");
    // Walking many lines keeps only a bounded number of items alive: the
    // oldest asked for are made again, still naming their own lines.
    for (int row = 0; row < 5000; ++row)
        ASSERT_EQ(log.Line(row * 1999), panel->m_logReceived->LineText(row * 1999)) << row;
}
