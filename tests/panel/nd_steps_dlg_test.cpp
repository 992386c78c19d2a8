// The neutral-density steps prompt as a user meets it: typing into its edit,
// OK, Enter, Cancel, Escape, its warnings, and a screen reader working it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "core/resources/control_ids.h"
#include "panel/nd_steps_dlg.h"
#include "test_application.h"

using namespace ferrule;

namespace {

constexpr const char* kRangeWarning = "Steps must be less than 145. Please try again!";
constexpr const char* kEmptyWarning = "No steps. Please enter the number!";
constexpr const char* kNegativeWarning = "Steps must not be negative. Please try again!";

struct Shown {
    std::string text;
    std::string caption;
    unsigned type;
};

class ScriptedSteps : public CNdStepsDlg {
public:
    int MessageBox(const QString& text, const QString& caption, unsigned type) override {
        shown.push_back({text.toStdString(), caption.toStdString(), type});
        if (whileShown) {
            whileShown();
        }
        return kIdOk;
    }

    std::vector<Shown> shown;
    std::function<void()> whileShown;  // what the user does while the box is up
};

QLineEdit* Edit(CNdStepsDlg& dlg) {
    return qobject_cast<QLineEdit*>(dlg.GetDlgItem(kCtlSteps));
}
QPushButton* Button(CNdStepsDlg& dlg, int id) {
    return qobject_cast<QPushButton*>(dlg.GetDlgItem(id));
}
void Type(CNdStepsDlg& dlg, const std::string& text) {
    QTest::keyClicks(Edit(dlg), QString::fromStdString(text));
}
void ClickOk(CNdStepsDlg& dlg) {
    QTest::mouseClick(Button(dlg, kCtlOk), Qt::LeftButton);
}
void ClickCancel(CNdStepsDlg& dlg) {
    QTest::mouseClick(Button(dlg, kCtlCancel), Qt::LeftButton);
}
// The Press action clicks as an animated click does: down at once, the click
// itself on release a moment later.
void PressAccessible(QAccessibleInterface* button) {
    ASSERT_NE(button, nullptr);
    ASSERT_NE(button->actionInterface(), nullptr);
    auto* widget = qobject_cast<QAbstractButton*>(button->object());
    ASSERT_NE(widget, nullptr);
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([widget] { return !widget->isDown(); }, 2000));
}
void Press(QWidget* widget) {
    PressAccessible(QAccessible::queryAccessibleInterface(widget));
}

class NdSteps : public ::testing::Test {
protected:
    NdSteps() { TestApplication(); }
};

// Shows the prompt modally and lets `user` work it from inside its modal loop.
// A prompt the user left open is closed afterwards and reported.
int RunPrompt(CNdStepsDlg& dlg, const std::function<void()>& user) {
    bool ran = false;
    QTimer::singleShot(0, &dlg, [&] {
        ran = true;
        user();
        if (dlg.isVisible()) {
            ADD_FAILURE() << "the prompt is still open";
            dlg.done(QDialog::Rejected);
        }
    });
    int result = dlg.DoModal();
    EXPECT_TRUE(ran);
    return result;
}

struct OkCase {
    const char* typed;
    const char* warning;  // nullptr: accepted
};

class NdStepsOk : public NdSteps, public ::testing::WithParamInterface<OkCase> {};

// A warning leaves the prompt open with the text as typed; the user then cancels.
TEST_P(NdStepsOk, AcceptsUpTo144OrWarnsAndStaysOpen) {
    const OkCase& c = GetParam();
    ScriptedSteps dlg;
    bool openAfterOk = false;
    std::string shownAfterOk;
    int result = RunPrompt(dlg, [&] {
        Type(dlg, c.typed);
        ClickOk(dlg);
        openAfterOk = dlg.isVisible();
        shownAfterOk = Edit(dlg)->text().toStdString();
        if (openAfterOk) {
            ClickCancel(dlg);
        }
    });
    EXPECT_EQ(dlg.m_strSteps, c.typed);  // exactly as typed, either way
    if (c.warning == nullptr) {
        EXPECT_EQ(result, kIdOk);
        EXPECT_FALSE(openAfterOk);
        EXPECT_TRUE(dlg.shown.empty());
    } else {
        EXPECT_EQ(result, kIdCancel);
        EXPECT_TRUE(openAfterOk);
        EXPECT_EQ(shownAfterOk, c.typed);
        ASSERT_EQ(dlg.shown.size(), 1u);
        EXPECT_EQ(dlg.shown[0].text, c.warning);
        EXPECT_EQ(dlg.shown[0].caption, "Warning");
        EXPECT_EQ(dlg.shown[0].type, kMbOk | kMbIconExclamation);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, NdStepsOk,
                         ::testing::Values(OkCase{"144", nullptr}, OkCase{"145", kRangeWarning},
                                           OkCase{"", kEmptyWarning}, OkCase{" ", nullptr},
                                           OkCase{"abc", nullptr}, OkCase{"-5", kNegativeWarning},
                                           OkCase{"0144", nullptr}, OkCase{"+144", nullptr},
                                           OkCase{"12ab", nullptr}, OkCase{"200ab", kRangeWarning},
                                           OkCase{"300", kRangeWarning},
                                           OkCase{"200", kRangeWarning},
                                           OkCase{"  145", kRangeWarning}, OkCase{" 12 ", nullptr},
                                           OkCase{"99999999999", kRangeWarning}));

struct EndCase {
    const char* name;
    std::function<void(CNdStepsDlg&)> end;
    int result;
};

class NdStepsEnding : public NdSteps, public ::testing::WithParamInterface<EndCase> {};

// Cancel in any form hands back the empty text when OK was never pressed.
TEST_P(NdStepsEnding, EndsWithTheResultOfTheWayTheUserLeft) {
    const EndCase& c = GetParam();
    ScriptedSteps dlg;
    int result = RunPrompt(dlg, [&] {
        Type(dlg, "12");
        c.end(dlg);
    });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(dlg.m_strSteps, c.result == kIdOk ? "12" : "");
    EXPECT_TRUE(dlg.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, NdStepsEnding,
    ::testing::Values(
        EndCase{"ClickOk", ClickOk, kIdOk},
        EndCase{"Return", [](CNdStepsDlg& d) { QTest::keyClick(Edit(d), Qt::Key_Return); }, kIdOk},
        EndCase{"Enter", [](CNdStepsDlg& d) { QTest::keyClick(Edit(d), Qt::Key_Enter); }, kIdOk},
        EndCase{"PressOk", [](CNdStepsDlg& d) { Press(Button(d, kCtlOk)); }, kIdOk},
        EndCase{"ClickCancel", ClickCancel, kIdCancel},
        EndCase{"Escape", [](CNdStepsDlg& d) { QTest::keyClick(Edit(d), Qt::Key_Escape); },
                kIdCancel},
        EndCase{"PressCancel", [](CNdStepsDlg& d) { Press(Button(d, kCtlCancel)); }, kIdCancel},
        EndCase{"CloseWindow", [](CNdStepsDlg& d) { d.close(); }, kIdCancel}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST_F(NdSteps, ARejectedTextCanBeCorrectedAndAccepted) {
    ScriptedSteps dlg;
    int result = RunPrompt(dlg, [&] {
        Type(dlg, "200");
        ClickOk(dlg);
        Edit(dlg)->selectAll();
        Type(dlg, "20");
        QTest::keyClick(Edit(dlg), Qt::Key_Return);
    });
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(dlg.m_strSteps, "20");
    ASSERT_EQ(dlg.shown.size(), 1u);
    EXPECT_EQ(dlg.shown[0].text, kRangeWarning);
}

// Assistive technology can press the prompt's buttons while its warning is up;
// that neither stacks a second warning nor ends the prompt underneath.
TEST_F(NdSteps, ItsButtonsWaitWhileAWarningIsUp) {
    ScriptedSteps dlg;
    bool openUnderWarning = false;
    dlg.whileShown = [&] {
        Press(Button(dlg, kCtlOk));
        Press(Button(dlg, kCtlCancel));
        dlg.close();
        openUnderWarning = dlg.isVisible();
    };
    int result = RunPrompt(dlg, [&] {
        Type(dlg, "300");
        ClickOk(dlg);
        dlg.whileShown = nullptr;
        ClickCancel(dlg);
    });
    EXPECT_TRUE(openUnderWarning);
    EXPECT_EQ(dlg.shown.size(), 1u);
    EXPECT_EQ(result, kIdCancel);
    EXPECT_EQ(dlg.m_strSteps, "300");
}

TEST_F(NdSteps, OpensTitledWithTheCursorInItsEmptyEdit) {
    ScriptedSteps dlg;
    QWidget* focused = nullptr;
    std::string text = "unset";
    RunPrompt(dlg, [&] {
        focused = dlg.focusWidget();
        text = Edit(dlg)->text().toStdString();
        ClickCancel(dlg);
    });
    EXPECT_EQ(dlg.windowTitle(), "Neutral Density Shutter");
    EXPECT_EQ(focused, Edit(dlg));
    EXPECT_EQ(text, "");
}

// A screen reader finds the edit by its name, types into it and presses OK.
TEST_F(NdSteps, AScreenReaderCanAnswerIt) {
    ScriptedSteps dlg;
    int result = RunPrompt(dlg, [&] {
        QAccessibleInterface* prompt = QAccessible::queryAccessibleInterface(&dlg);
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(prompt->text(QAccessible::Name).toStdString(), "Neutral Density Shutter");
        QAccessibleInterface* edit = nullptr;
        QAccessibleInterface* ok = nullptr;
        for (int i = 0; i < prompt->childCount(); ++i) {
            QAccessibleInterface* child = prompt->child(i);
            QString name = child->text(QAccessible::Name);
            if (child->role() == QAccessible::EditableText && name == "Steps") {
                edit = child;
            } else if (child->role() == QAccessible::Button && name == "OK") {
                ok = child;
            }
            if (child->role() == QAccessible::Button && name == "Cancel") {
                EXPECT_NE(child->actionInterface(), nullptr);
            }
        }
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(edit->text(QAccessible::Description).contains("0-144"));
        ASSERT_NE(edit->editableTextInterface(), nullptr);
        edit->editableTextInterface()->insertText(0, "12");
        PressAccessible(ok);
    });
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(dlg.m_strSteps, "12");
}

// The real warning box, closed the three ways a user closes it.
struct CloseCase {
    const char* name;
    std::function<void(QMessageBox&)> close;
};

class NdStepsRealWarning : public NdSteps, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(NdStepsRealWarning, ClosesAndLeavesThePromptOpen) {
    CNdStepsDlg dlg;
    struct Seen {
        std::string text, title;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QWidget* parent;
    };
    std::vector<Seen> seen;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || box->property("closing").toBool()) {
            return;
        }
        box->setProperty("closing", true);
        seen.push_back({box->text().toStdString(), box->windowTitle().toStdString(), box->icon(),
                        box->standardButtons(), box->parentWidget()});
        GetParam().close(*box);
    });
    closer.start(10);
    bool openAfterWarning = false;
    int result = RunPrompt(dlg, [&] {
        Type(dlg, "145");
        ClickOk(dlg);  // returns once the box has closed
        openAfterWarning = dlg.isVisible();
        ClickCancel(dlg);
    });
    closer.stop();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, kRangeWarning);
    EXPECT_EQ(seen[0].title, "Warning");
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(seen[0].parent, &dlg);
    EXPECT_TRUE(openAfterWarning);
    EXPECT_EQ(result, kIdCancel);
    EXPECT_EQ(dlg.m_strSteps, "145");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, NdStepsRealWarning,
    ::testing::Values(
        CloseCase{"Click",
                  [](QMessageBox& box) {
                      QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
                  }},
        CloseCase{"Return", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }},
        CloseCase{"PressAction", [](QMessageBox& box) { Press(box.button(QMessageBox::Ok)); }}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

}  // namespace
