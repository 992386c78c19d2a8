// Widgets built from the dialog templates: sizes from the font, radio groups,
// tab order, names for assistive technology, and captions that fit.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWidget>
#include <memory>
#include <set>
#include <utility>

#include "core/resources/control_ids.h"
#include "core/resources/dialog_template.h"
#include "panel/widgets/dialog_builder.h"
#include "panel/widgets/line_list_view.h"
#include "panel/widgets/whole_area_buttons.h"
#include "test_application.h"

using namespace ferrule;

namespace {

// A dialog template built into a shown widget with the application's font.
struct Built {
    explicit Built(const DialogTemplate& dialog) : dialog(dialog) {
        TestApplication();
        host = std::make_unique<QWidget>();
        units = ferrule::DialogUnitsFor(host->font());
        host->resize(ferrule::DialogPixelSize(dialog, units));
        result = BuildDialogControls(dialog, host.get(), units);
        host->show();
    }

    // Every widget of the dialog.
    std::vector<QWidget*> Widgets() const {
        std::vector<QWidget*> widgets;
        for (QWidget* w : host->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            widgets.push_back(w);
        }
        return widgets;
    }

    QWidget* operator[](int id) const { return result.controls.at(id); }

    const DialogTemplate& dialog;
    std::unique_ptr<QWidget> host;
    DialogUnits units{};
    BuiltDialog result;
};

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(QAccessible::Name) : QString();
}

QAccessible::Role AccessibleRole(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->role() : QAccessible::NoRole;
}

bool TakesFocus(ControlKind kind) {
    return kind != ControlKind::Static && kind != ControlKind::GroupBox &&
           kind != ControlKind::Icon;
}

// --- Dialog units -----------------------------------------------------------

TEST(ResourceBuilder, DialogUnitsComeFromTheFontsCharacterCell) {
    TestApplication();
    // In a monospace font every letter has the same width, so the average is known.
    QFont mono("DejaVu Sans Mono");
    mono.setPixelSize(16);
    QFontMetricsF metrics(mono);
    DialogUnits units = ferrule::DialogUnitsFor(mono);
    EXPECT_NEAR(units.x, metrics.horizontalAdvance(QLatin1Char('M')) / 4.0, 0.01);
    EXPECT_NEAR(units.y, metrics.height() / 8.0, 0.01);

    QFont larger = mono;
    larger.setPixelSize(32);
    DialogUnits doubled = ferrule::DialogUnitsFor(larger);
    EXPECT_NEAR(doubled.x / units.x, 2.0, 0.1);
    EXPECT_NEAR(doubled.y / units.y, 2.0, 0.1);
}

TEST(ResourceBuilder, PanelPixelSizeForAKnownCell) {
    // A 10 x 16 pixel character cell: 2.5 by 2 pixels per dialog unit.
    QSize size = ferrule::DialogPixelSize(ferrule::PanelTemplate(), DialogUnits{2.5, 2.0});
    EXPECT_EQ(size, QSize(1433, 930));  // 573 x 465 units
}

// Rounding each control's size on its own would let neighbours overlap or part.
TEST(ResourceBuilder, ControlsThatTouchInDialogUnitsTouchInPixels) {
    ControlTemplate left{1, ControlKind::PushButton, "a", 7, 3, 13, 5, 0, nullptr, nullptr};
    ControlTemplate right{2, ControlKind::PushButton, "b", 20, 3, 13, 5, 0, nullptr, nullptr};
    for (double unit : {1.25, 1.5, 1.85126, 1.746, 2.3333}) {
        DialogUnits units{unit, unit};
        QRect a = ferrule::DialogPixelRect(left, units);
        QRect b = ferrule::DialogPixelRect(right, units);
        EXPECT_EQ(a.right() + 1, b.left()) << unit;
    }
}

TEST(ResourceBuilder, PanelControlsStayApartAndOnTheDialogInPixels) {
    const DialogTemplate& panel = ferrule::PanelTemplate();
    for (DialogUnits units :
         {DialogUnits{1.85126, 1.74609}, DialogUnits{1.5, 1.625}, DialogUnits{2.25, 2.125}}) {
        QRect area(QPoint(0, 0), ferrule::DialogPixelSize(panel, units));
        std::vector<QRect> rects;
        for (const ControlTemplate& c : panel.controls) {
            QRect r = ferrule::DialogPixelRect(c, units);
            EXPECT_TRUE(area.contains(r)) << c.id;
            if (c.kind != ControlKind::GroupBox) {
                for (const QRect& other : rects) {
                    EXPECT_FALSE(r.intersects(other)) << c.id;
                }
                rects.push_back(r);
            }
        }
    }
}

// --- Radio groups -----------------------------------------------------------

TEST(ResourceBuilder, RadioGroupsAreThoseThePanelExchanges) {
    Built panel(ferrule::PanelTemplate());
    std::vector<std::vector<int>> expected = {
        {kCtlOpenByDescription, kCtlOpenBySerialNumber, kCtlOpenByDeviceNumber},
        {kCtlModeFast, kCtlModeSoft, kCtlModeNd},
        {kCtlShutterOpen, kCtlShutterClose},
        {kCtlHighForOpen, kCtlLowForOpen},
        {kCtlOnPowerUp, kCtlOnTriggerPulse, kCtlGo},
        {kCtlEnableOnHigh, kCtlEnableOnLow, kCtlTriggerOnRisingEdge, kCtlTriggerOnFallingEdge},
    };
    EXPECT_EQ(panel.result.radioGroupIds, expected);
    ASSERT_EQ(panel.result.radioGroups.size(), expected.size());
    for (size_t g = 0; g < expected.size(); ++g) {
        QButtonGroup* group = panel.result.radioGroups[g];
        EXPECT_TRUE(group->exclusive());
        ASSERT_EQ(group->buttons().size(), static_cast<qsizetype>(expected[g].size()));
        for (int id : expected[g]) {
            EXPECT_EQ(group->button(id), panel[id]) << id;
        }
    }
}

TEST(ResourceBuilder, ARadioClearsOnlyItsOwnGroup) {
    Built panel(ferrule::PanelTemplate());
    auto radio = [&](int id) { return qobject_cast<QRadioButton*>(panel[id]); };
    radio(kCtlModeFast)->click();
    radio(kCtlShutterClose)->click();
    radio(kCtlOpenBySerialNumber)->click();
    radio(kCtlOpenByDeviceNumber)->click();
    EXPECT_FALSE(radio(kCtlOpenBySerialNumber)->isChecked());
    EXPECT_TRUE(radio(kCtlOpenByDeviceNumber)->isChecked());
    EXPECT_TRUE(radio(kCtlModeFast)->isChecked());
    EXPECT_TRUE(radio(kCtlShutterClose)->isChecked());
    radio(kCtlShutterOpen)->click();
    EXPECT_FALSE(radio(kCtlShutterClose)->isChecked());
    EXPECT_TRUE(radio(kCtlModeFast)->isChecked());
    EXPECT_TRUE(radio(kCtlOpenByDeviceNumber)->isChecked());
}

// --- Focus --------------------------------------------------------------------

TEST(ResourceBuilder, TabOrderFollowsTemplateOrder) {
    for (const DialogTemplate* dialog :
         {&ferrule::PanelTemplate(), &ferrule::NdStepsTemplate(), &ferrule::AboutBoxTemplate()}) {
        Built built(*dialog);
        std::vector<QWidget*> expected;
        for (const ControlTemplate& control : dialog->controls) {
            if (TakesFocus(control.kind)) {
                expected.push_back(built[control.id]);
            }
        }
        std::set<QWidget*> focusable(expected.begin(), expected.end());
        std::vector<QWidget*> order;
        QWidget* w = expected.front();
        do {
            if (focusable.count(w) != 0 && (w->focusPolicy() & Qt::TabFocus) != 0) {
                order.push_back(w);
            }
            w = w->nextInFocusChain();
        } while (w != expected.front() && order.size() <= expected.size());
        EXPECT_EQ(order, expected) << dialog->caption;
    }
}

TEST(ResourceBuilder, LabelsFramesAndDrawingsTakeNoFocus) {
    Built panel(ferrule::PanelTemplate());
    int passive = 0;
    for (QWidget* widget : panel.Widgets()) {
        if (qobject_cast<QLabel*>(widget) != nullptr ||
            qobject_cast<QGroupBox*>(widget) != nullptr) {
            ++passive;
            EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus) << widget->objectName().toStdString();
        }
    }
    EXPECT_GT(passive, 30);
}

TEST(ResourceBuilder, TheStepsPromptStartsInItsEditAndOkIsTheDefault) {
    Built steps(ferrule::NdStepsTemplate());
    // The first control that takes tab focus is the one a dialog focuses on showing.
    QWidget* first = steps.host->nextInFocusChain();
    while (first != steps.host.get() && (first->focusPolicy() & Qt::TabFocus) == 0) {
        first = first->nextInFocusChain();
    }
    EXPECT_EQ(first, steps[kCtlSteps]);
    EXPECT_TRUE(qobject_cast<QPushButton*>(steps[kCtlOk])->isDefault());
    EXPECT_FALSE(qobject_cast<QPushButton*>(steps[kCtlCancel])->isDefault());
}

// Nothing, group boxes included, lies over a control where the user clicks it.
TEST(ResourceBuilder, EveryControlReceivesClicksAtItsCentre) {
    Built panel(ferrule::PanelTemplate());
    for (const auto& [id, widget] : panel.result.controls) {
        if (qobject_cast<QLabel*>(widget) != nullptr ||
            qobject_cast<QGroupBox*>(widget) != nullptr) {
            continue;
        }
        QWidget* hit = panel.host->childAt(widget->geometry().center());
        EXPECT_TRUE(hit == widget || widget->isAncestorOf(hit)) << id;
    }
}

// --- Controls -------------------------------------------------------------

TEST(ResourceBuilder, TimerSelectorOffersBothTimersWithNothingSelected) {
    Built panel(ferrule::PanelTemplate());
    auto* combo = qobject_cast<QComboBox*>(panel[kCtlTimerSelect]);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "Closed Time");
    EXPECT_EQ(combo->itemText(1), "Exposure Time");
    EXPECT_EQ(combo->currentIndex(), -1);
}

TEST(ResourceBuilder, ReceivedLogIsAListToReadAndPickOneLineFrom) {
    Built panel(ferrule::PanelTemplate());
    auto* list = qobject_cast<ferrule::LineListView*>(panel[kCtlReceivedData]);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->currentRow(), -1);
    EXPECT_EQ(list->focusPolicy(), Qt::StrongFocus);
}

TEST(ResourceBuilder, StatusLineAndCountsCannotBeTypedInto) {
    Built panel(ferrule::PanelTemplate());
    for (int id : {kCtlStatusLine, kCtlReceivedBytes, kCtlCyclesLeft}) {
        EXPECT_TRUE(qobject_cast<QLineEdit*>(panel[id])->isReadOnly()) << id;
    }
    for (int id : {kCtlDevice, kCtlHour, kCtlMinute, kCtlSecond, kCtlMillisecond, kCtlTenthMs,
                   kCtlRepeatCount}) {
        EXPECT_FALSE(qobject_cast<QLineEdit*>(panel[id])->isReadOnly()) << id;
    }
}

TEST(ResourceBuilder, ExitIsTheOnlyDefaultButton) {
    Built panel(ferrule::PanelTemplate());
    for (QPushButton* button : panel.host->findChildren<QPushButton*>()) {
        EXPECT_EQ(button->isDefault(), button == panel[kCtlExit]) << button->text().toStdString();
    }
}

// --- Accessibility ------------------------------------------------------------

TEST(ResourceAccessibility, EveryControlHasAName) {
    for (const DialogTemplate* dialog :
         {&ferrule::PanelTemplate(), &ferrule::NdStepsTemplate(), &ferrule::AboutBoxTemplate()}) {
        Built built(*dialog);
        for (QWidget* widget : built.Widgets()) {
            EXPECT_FALSE(AccessibleName(widget).trimmed().isEmpty())
                << widget->objectName().toStdString();
        }
    }
}

TEST(ResourceAccessibility, UncaptionedControlsAreFoundByTheirNames) {
    Built panel(ferrule::PanelTemplate());
    const std::pair<const char*, int> names[] = {
        {"Device", kCtlDevice},
        {"Status line", kCtlStatusLine},
        {"Received Bytes #", kCtlReceivedBytes},
        {"Data Received:", kCtlReceivedData},
        {"Speed", kCtlSpeed},
        {"HR", kCtlHour},
        {"MIN", kCtlMinute},
        {"S", kCtlSecond},
        {"MS", kCtlMillisecond},
        {".1MS", kCtlTenthMs},
        {"0 - 5 Hour", kCtlHourSlider},
        {"0 - 59 Minute", kCtlMinuteSlider},
        {"0 - 59 Seconds", kCtlSecondSlider},
        {"0 - 1000 Milliseconds", kCtlMillisecondSlider},
        {"0 - 0.9 Milliseconds", kCtlTenthMsSlider},
        {"Select Timer:", kCtlTimerSelect},
        {"Repeat Cycle Number:", kCtlRepeatCount},
        {"Left Cycle Number", kCtlCyclesLeft},
    };
    for (const auto& [name, id] : names) {
        std::vector<QWidget*> found;
        for (QWidget* widget : panel.Widgets()) {
            if (widget->focusPolicy() != Qt::NoFocus && AccessibleName(widget) == name) {
                found.push_back(widget);
            }
        }
        ASSERT_EQ(found.size(), 1u) << name;
        EXPECT_EQ(found.front(), panel[id]) << name;
    }
    Built steps(ferrule::NdStepsTemplate());
    EXPECT_EQ(AccessibleName(steps[kCtlSteps]), "Steps");
}

TEST(ResourceAccessibility, CaptionedControlsAreNamedByCaption) {
    Built panel(ferrule::PanelTemplate());
    EXPECT_EQ(AccessibleName(panel[kCtlSearch]), "Search");
    EXPECT_EQ(AccessibleName(panel[kCtlTriggerPulse]), "Trigger Pulse ->>");
    EXPECT_EQ(AccessibleName(panel[kCtlCommandGroup]), "Vireo Shutter Control Command");
}

// Displays are read by their current text, and say what they show.
TEST(ResourceAccessibility, DisplaysAreNamedByTheTextTheyShowNow) {
    Built panel(ferrule::PanelTemplate());
    const std::pair<int, const char*> displays[] = {
        {kCtlClosedTimeDisplay, "Closed time"},
        {kCtlExposureTimeDisplay, "Exposure time"},
        {kCtlCycleTimeDisplay, "Cycle time"},
        {kCtlClosingTransition, "Closing transition"},
        {kCtlOpeningTransition, "Opening transition"},
    };
    for (const auto& [id, description] : displays) {
        auto* label = qobject_cast<QLabel*>(panel[id]);
        ASSERT_NE(label, nullptr) << id;
        EXPECT_EQ(AccessibleName(label), label->text()) << id;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(label);
        EXPECT_EQ(face->text(QAccessible::Description), description) << id;
        label->setText("01:02:03:004:5");
        EXPECT_EQ(AccessibleName(label), "01:02:03:004:5") << id;
    }
    auto* density = qobject_cast<QRadioButton*>(panel[kCtlModeNd]);
    density->setText("Neutral Density - 10");
    EXPECT_EQ(AccessibleName(density), "Neutral Density - 10");
}

// A screen reader tells controls of one kind apart by their names alone.
TEST(ResourceAccessibility, NoTwoControlsOfOneKindShareAName) {
    Built panel(ferrule::PanelTemplate());
    std::set<std::pair<int, QString>> seen;
    for (QWidget* widget : panel.Widgets()) {
        if (widget->focusPolicy() == Qt::NoFocus) {
            continue;
        }
        auto key = std::make_pair(static_cast<int>(AccessibleRole(widget)),
                                  AccessibleName(widget).trimmed());
        EXPECT_TRUE(seen.insert(key).second) << key.second.toStdString();
    }
}

// Labels are tied to the control they label, which sits beside or under them.
TEST(ResourceAccessibility, LabelsLabelTheControlNextToThem) {
    Built panel(ferrule::PanelTemplate());
    int labelled = 0;
    for (QLabel* label : panel.host->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (buddy == nullptr) {
            continue;
        }
        ++labelled;
        QRect l = label->geometry();
        QRect b = buddy->geometry();
        bool sameRow = l.top() < b.bottom() && b.top() < l.bottom() && l.right() < b.left();
        bool above = l.left() < b.right() && b.left() < l.right() && l.bottom() <= b.top() &&
                     b.top() - l.bottom() < 2 * l.height();
        EXPECT_TRUE(sameRow || above) << label->text().toStdString();
    }
    EXPECT_GE(labelled, 16);
}

// --- Captions -------------------------------------------------------------

// The texts the panel shows at run time must fit as well as the template's own.
TEST(ResourceCaptions, EveryCaptionFitsItsControl) {
    Built panel(ferrule::PanelTemplate());
    qobject_cast<QRadioButton*>(panel[kCtlModeNd])->setText("Neutral Density - 144");
    qobject_cast<QLabel*>(panel[kCtlCycleTimeDisplay])->setText("Cycle Time - 10:59:59:999:9");
    qobject_cast<QLabel*>(panel[kCtlClosingTransition])->setText("38.00 ms");
    qobject_cast<QLabel*>(panel[kCtlOpeningTransition])->setText("38.00 ms");
    for (QWidget* widget : panel.Widgets()) {
        QString text;
        int needed = 0;
        QFontMetrics metrics(widget->font());
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            text = button->text();
            needed = metrics.horizontalAdvance(text) + 8;
        } else if (auto* radioOrCheck = qobject_cast<QAbstractButton*>(widget)) {
            text = radioOrCheck->text();
            needed = radioOrCheck->sizeHint().width();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            text = label->text();
            needed = metrics.horizontalAdvance(text) + 2 * label->frameWidth();
        } else {
            continue;
        }
        EXPECT_LE(needed, widget->width()) << text.toStdString();
        EXPECT_LE(metrics.height(), widget->height()) << text.toStdString();
    }
}

TEST(ResourceCaptions, StatusAndDeviceTextsShowWhole) {
    Built panel(ferrule::PanelTemplate());
    const std::pair<int, const char*> texts[] = {
        {kCtlStatusLine, "USB ready for communication."},
        {kCtlStatusLine, "No response from USB (0xFF)"},
        {kCtlDevice, "Enter device Description or Serial Number here."},
        {kCtlCyclesLeft, "Continuous"},
    };
    for (const auto& [id, text] : texts) {
        auto* edit = qobject_cast<QLineEdit*>(panel[id]);
        QFontMetrics metrics(edit->font());
        EXPECT_LE(metrics.horizontalAdvance(QString::fromUtf8(text)) + 12, edit->width()) << text;
    }
}

TEST(ResourceCaptions, BarDrawingsSpanTheirRectangles) {
    Built panel(ferrule::PanelTemplate());
    int bars = 0;
    for (QLabel* label : panel.host->findChildren<QLabel*>()) {
        if (!label->objectName().startsWith("bar")) {
            continue;
        }
        ++bars;
        QFontMetrics metrics(label->font());
        int width = metrics.horizontalAdvance(label->text());
        EXPECT_LE(width, label->width()) << label->text().toStdString();
        EXPECT_GE(width, label->width() * 9 / 10) << label->text().toStdString();
        EXPECT_LE(metrics.height(), label->height());
    }
    EXPECT_EQ(bars, 2);
}

}  // namespace

// Radio buttons and check boxes take a click anywhere in their rectangle,
// and a screen reader still sees what they are.
TEST(ResourceBuilder, CheckableControlsTakeAClickAnywhereInTheirRectangle) {
    TestApplication();
    QWidget parent;
    auto* box = new ferrule::WholeAreaCheckBox(QStringLiteral("On"), &parent);
    auto* radio = new ferrule::WholeAreaRadioButton(QStringLiteral("Go"), &parent);
    box->setGeometry(0, 0, 200, 20);
    radio->setGeometry(0, 30, 200, 20);
    parent.show();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(195, 10));
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(195, 10));
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(radio->isChecked());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(box)->role(), QAccessible::CheckBox);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(radio)->role(), QAccessible::RadioButton);
}
