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

#include "core/resources/dialog_template.h"
#include "panel/widgets/dialog_builder.h"
#include "panel/widgets/line_list_view.h"
#include "panel/widgets/whole_area_buttons.h"
#include "test_application.h"

namespace {

using ferrule::BuildDialogControls;
using ferrule::BuiltDialog;
using ferrule::ControlKind;
using ferrule::ControlTemplate;
using ferrule::DialogTemplate;
using ferrule::DialogUnits;

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
        {1027, 1028, 1029}, {1055, 1056, 1057}, {1065, 1066},
        {1061, 1062},       {1063, 1064, 1068}, {1058, 1059, 1110, 1111},
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
    radio(1055)->click();
    radio(1066)->click();
    radio(1028)->click();
    radio(1029)->click();
    EXPECT_FALSE(radio(1028)->isChecked());
    EXPECT_TRUE(radio(1029)->isChecked());
    EXPECT_TRUE(radio(1055)->isChecked());
    EXPECT_TRUE(radio(1066)->isChecked());
    radio(1065)->click();
    EXPECT_FALSE(radio(1066)->isChecked());
    EXPECT_TRUE(radio(1055)->isChecked());
    EXPECT_TRUE(radio(1029)->isChecked());
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
    EXPECT_EQ(first, steps[1075]);
    EXPECT_TRUE(qobject_cast<QPushButton*>(steps[1])->isDefault());
    EXPECT_FALSE(qobject_cast<QPushButton*>(steps[2])->isDefault());
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
    auto* combo = qobject_cast<QComboBox*>(panel[1090]);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "Closed Time");
    EXPECT_EQ(combo->itemText(1), "Exposure Time");
    EXPECT_EQ(combo->currentIndex(), -1);
}

TEST(ResourceBuilder, ReceivedLogIsAListToReadAndPickOneLineFrom) {
    Built panel(ferrule::PanelTemplate());
    auto* list = qobject_cast<ferrule::LineListView*>(panel[1019]);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->currentRow(), -1);
    EXPECT_EQ(list->focusPolicy(), Qt::StrongFocus);
}

TEST(ResourceBuilder, StatusLineAndCountsCannotBeTypedInto) {
    Built panel(ferrule::PanelTemplate());
    for (int id : {1015, 1021, 1084}) {
        EXPECT_TRUE(qobject_cast<QLineEdit*>(panel[id])->isReadOnly()) << id;
    }
    for (int id : {1026, 1079, 1080, 1081, 1082, 1089, 1083}) {
        EXPECT_FALSE(qobject_cast<QLineEdit*>(panel[id])->isReadOnly()) << id;
    }
}

TEST(ResourceBuilder, ExitIsTheOnlyDefaultButton) {
    Built panel(ferrule::PanelTemplate());
    for (QPushButton* button : panel.host->findChildren<QPushButton*>()) {
        EXPECT_EQ(button->isDefault(), button == panel[1]) << button->text().toStdString();
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
        {"Device", 1026},
        {"Status line", 1015},
        {"Received Bytes #", 1021},
        {"Data Received:", 1019},
        {"Speed", 1006},
        {"HR", 1079},
        {"MIN", 1080},
        {"S", 1081},
        {"MS", 1082},
        {".1MS", 1089},
        {"0 - 5 Hour", 1098},
        {"0 - 59 Minute", 1097},
        {"0 - 59 Seconds", 1095},
        {"0 - 1000 Milliseconds", 1093},
        {"0 - 0.9 Milliseconds", 1096},
        {"Select Timer:", 1090},
        {"Repeat Cycle Number:", 1083},
        {"Left Cycle Number", 1084},
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
    EXPECT_EQ(AccessibleName(steps[1075]), "Steps");
}

TEST(ResourceAccessibility, CaptionedControlsAreNamedByCaption) {
    Built panel(ferrule::PanelTemplate());
    EXPECT_EQ(AccessibleName(panel[1030]), "Search");
    EXPECT_EQ(AccessibleName(panel[1087]), "Trigger Pulse ->>");
    EXPECT_EQ(AccessibleName(panel[1107]), "Vireo Shutter Control Command");
}

// Displays are read by their current text, and say what they show.
TEST(ResourceAccessibility, DisplaysAreNamedByTheTextTheyShowNow) {
    Built panel(ferrule::PanelTemplate());
    const std::pair<int, const char*> displays[] = {
        {1103, "Closed time"},        {1104, "Exposure time"},      {1105, "Cycle time"},
        {1099, "Closing transition"}, {1100, "Opening transition"},
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
    auto* density = qobject_cast<QRadioButton*>(panel[1057]);
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
    qobject_cast<QRadioButton*>(panel[1057])->setText("Neutral Density - 144");
    qobject_cast<QLabel*>(panel[1105])->setText("Cycle Time - 10:59:59:999:9");
    qobject_cast<QLabel*>(panel[1099])->setText("38.00 ms");
    qobject_cast<QLabel*>(panel[1100])->setText("38.00 ms");
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
        {1015, "USB ready for communication."},
        {1015, "No response from USB (0xFF)"},
        {1026, "Enter device Description or Serial Number here."},
        {1084, "Continuous"},
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
