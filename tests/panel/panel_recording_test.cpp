// The panel's record, log saving and Shutter Timeline on the simulated
// controller: the context menu's items, --record, a record that fails, a
// large log saved in the background, the timeline's table as assistive
// technology sees it and its exports, and the poll's pace in an armed run.
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <set>

#include "app/shutter_panel_app.h"
#include "core/timeline/timeline_text.h"
#include "csv_rows.h"
#include "panel/timeline/timeline_window.h"
#include "panel/timeline/trace_view.h"
#include "panel/widgets/log_export.h"
#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class PanelRecording : public PanelTest {
protected:
    QAction* Item(const QString& start) const {
        for (QAction* action : panel->MenuActions()) {
            if (action->text().startsWith(start)) {
                return action;
            }
        }
        ADD_FAILURE() << "no menu item " << start.toStdString();
        return nullptr;
    }
    // The link and the panel's clock run on together, a poll every 2 ms.
    void RunFor(int64_t ms) {
        for (int64_t t = 0; t < ms; t += 2) {
            *panel->nowMs += 2;
            PollAfter(2000);
        }
    }
    void SetTimer(int timer, const char* ms) {
        panel->m_comboTimer->setCurrentIndex(timer);
        emit panel->m_comboTimer->activated(timer);
        SetText(kCtlMillisecond, ms);
        Click(kCtlSetTimer);
    }
    // Waits, running the event loop, until the condition holds.
    static bool Within(int ms, const std::function<bool()>& condition) {
        for (int waited = 0; waited < ms; waited += 10) {
            if (condition()) {
                return true;
            }
            QTest::qWait(10);
        }
        return condition();
    }
    void FillLog(int lines) {
        for (int i = 0; i < lines; ++i) {
            panel->m_logReceived->AppendRawByte(static_cast<uint8_t>(i));
            if (i % 100000 == 7) {
                panel->m_logReceived->AppendText("QSC-1000");
            }
        }
        panel->m_logReceived->CommitPending();
    }
};

}  // namespace

// Every new item has a key; the menu shows whether a record runs and where,
// and the record holds what the panel did.
TEST_F(PanelRecording, MenuItemsRecordAndStop) {
    StartReady();
    panel->nowMs = 1000;
    for (const char* text :
         {"Record Session...", "Stop Recording", "Save Log As...", "Shutter Timeline"}) {
        QAction* action = Item(text);
        ASSERT_NE(action, nullptr);
        EXPECT_FALSE(action->shortcut().isEmpty()) << text;
    }
    // No two items of the whole menu share a key, or one would never fire.
    std::set<QString> keys;
    for (QAction* action : panel->MenuActions()) {
        EXPECT_TRUE(keys.insert(action->shortcut().toString()).second)
            << action->text().toStdString();
    }
    EXPECT_EQ(Item("Stop Recording")->text(), "Stop Recording (no record running)");
    EXPECT_FALSE(Item("Stop Recording")->isEnabled());

    const std::string path = dir.File("session.csv");
    panel->paths = {path};
    Item("Record Session...")->trigger();
    EXPECT_EQ(panel->prompts.back().extension, ".csv");
    EXPECT_TRUE(panel->Recording());
    EXPECT_EQ(Item("Stop Recording")->text().toStdString(), "Stop Recording to " + path);
    EXPECT_TRUE(Item("Stop Recording")->isEnabled());

    Click(kCtlStatus);
    RunFor(20);
    Item("Stop Recording")->trigger();
    EXPECT_FALSE(panel->Recording());
    EXPECT_FALSE(Item("Stop Recording")->isEnabled());
    const std::vector<CsvRow> rows = ReadCsv(path);
    ASSERT_GE(rows.size(), 5u);
    EXPECT_THAT(rows[2], ElementsAre(::testing::_, "0", "sent", "CC", "Status"));
    EXPECT_EQ(rows[3][2], "received");
    EXPECT_THAT(rows[3][4], ::testing::StartsWith("echo of Status; status reply: "));
    EXPECT_EQ(rows.back()[4], "record stopped");
    EXPECT_THAT(Messages(), IsEmpty());
}

// --record on the command line records from the start; a record that cannot
// start or goes wrong says so, names the file, and leaves the link alone.
TEST_F(PanelRecording, CommandLineRecordAndFailures) {
    char program[] = "ferrule", option[] = "--record", file[] = "/tmp/x.csv";
    char* argv[] = {program, option, file};
    EXPECT_EQ(ParseCommandLine(3, argv, {}, "p.INI").panel.recordPath, "/tmp/x.csv");
    EXPECT_EQ(ParseCommandLine(2, argv, {}, "p.INI").error, "--record needs a value");

    RememberDevice(0, kDescription);
    panel = std::make_unique<TestPanel>(
        PanelOptions{FSIM_LIBRARY_PATH, profile.Path(), "ferrule", {}, dir.File("")});
    panel->show();
    PollAfter(1000);
    ASSERT_EQ(panel->messages.size(), 1u);
    EXPECT_EQ(panel->messages[0].text,
              "The session record " + dir.File("") + " could not be started: it is a folder.");
    EXPECT_EQ(panel->messages[0].type, kMbOk | kMbIconExclamation);
    EXPECT_EQ(Status(), "USB ready for communication.");

    const std::string path = dir.File("started.csv");
    panel.reset();
    sim.fsim_reset();  // the device free for the next panel
    sim.fsim_use_manual_clock(1);
    panel = std::make_unique<TestPanel>(
        PanelOptions{FSIM_LIBRARY_PATH, profile.Path(), "ferrule", {}, path});
    panel->show();
    PollAfter(1000);
    EXPECT_TRUE(panel->Recording());
    EXPECT_THAT(Messages(), IsEmpty());
    // Deleted under the record: it stops at its next check, within a second.
    std::filesystem::remove(path);
    ASSERT_TRUE(Within(3000, [&] { return !panel->messages.empty(); }));
    EXPECT_EQ(panel->messages[0].text, "The session record " + path +
                                           " could not be written: the file was deleted. "
                                           "Recording has stopped.");
    EXPECT_FALSE(panel->Recording());
    EXPECT_FALSE(Item("Stop Recording")->isEnabled());
    sim.fsim_clear_written(0);
    Click(kCtlStatus);
    EXPECT_THAT(Written(), ElementsAre(0xCC));
    EXPECT_EQ(Status(), "USB ready for communication.");
}

// A million lines saved in the background, each as the list shows it; Cancel
// leaves no file, and a file that was there stays as it was.
TEST_F(PanelRecording, SaveLogAsWritesEveryLineOrNothing) {
    StartReady();
    FillLog(1000000);
    const int lines = panel->m_logReceived->rowCount();
    const std::string path = dir.File("log.txt");
    panel->paths = {path};
    Item("Save Log As...")->trigger();
    ASSERT_NE(panel->LogSaving(), nullptr);
    ASSERT_TRUE(Within(60000, [&] { return !panel->LogSaving()->Running(); }));
    QTest::qWait(2 * 100);
    const std::string text = ReadWhole(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), lines);
    size_t start = 0;
    // Spot checks: the first lines, a text line and the last.
    std::vector<std::string> first;
    for (int i = 0; i < 9; ++i) {
        const size_t end = text.find('\n', start);
        first.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(first[static_cast<size_t>(i)], panel->m_logReceived->LineText(i));
    }
    EXPECT_EQ(first[8], "QSC-1000");
    const size_t lastStart = text.rfind('\n', text.size() - 2) + 1;
    EXPECT_EQ(text.substr(lastStart, text.size() - 1 - lastStart),
              panel->m_logReceived->LineText(lines - 1));
    EXPECT_THAT(Messages(), IsEmpty());

    std::ofstream(dir.File("old.txt")) << "old log";
    panel->paths = {dir.File("old.txt")};
    Item("Save Log As...")->trigger();
    panel->LogSaving()->Cancel();
    ASSERT_TRUE(Within(60000, [&] { return !panel->LogSaving()->Running(); }));
    EXPECT_EQ(ReadWhole(dir.File("old.txt")), "old log");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File(""))) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names.size(), 3u);  // the profile, the log and the old file: nothing half-written

    panel->paths = {dir.File("missing/log.txt")};
    Item("Save Log As...")->trigger();
    ASSERT_TRUE(Within(10000, [&] { return !panel->messages.empty(); }));
    EXPECT_THAT(panel->messages[0].text, HasSubstr(dir.File("missing/log.txt")));
}

// Ten cycles of a Go run in the timeline, opened after the run: a table with
// headers for a screen reader, a summary, and the three exports.
TEST_F(PanelRecording, TimelineTableSummaryAndExports) {
    StartReady();
    panel->nowMs = 5000;
    Click(kCtlShutterClose);
    SetTimer(0, "50");
    SetTimer(1, "20");
    SetText(kCtlRepeatCount, "10");
    Click(kCtlSendRepeatCount);
    RunFor(20);
    Click(kCtlGo);
    RunFor(1200);

    TimelineWindow* window = panel->ShowTimeline();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Shutter Timeline");
    const QList<QPushButton*> buttons = window->findChildren<QPushButton*>();
    EXPECT_EQ(buttons.size(), 6);
    for (QPushButton* button : buttons) {
        EXPECT_FALSE(button->shortcut().isEmpty()) << button->text().toStdString();
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->text().toStdString();
    }
    // The whole run is in view, from the axis's zero.
    EXPECT_LE(window->Trace()->StartMs(), 5020);
    EXPECT_GE(window->Trace()->StartMs() + window->Trace()->SpanMs(), 6220);

    QTableView* table = window->Table();
    ASSERT_EQ(table->model()->rowCount(), 10);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(table);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Table);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Cycles");
    QAccessibleTableInterface* cells = accessible->tableInterface();
    ASSERT_NE(cells, nullptr);
    EXPECT_EQ(cells->rowCount(), 10);
    EXPECT_EQ(cells->columnCount(), kCycleColumns);
    EXPECT_EQ(cells->columnDescription(2), "Closed (ms)");
    EXPECT_EQ(cells->columnDescription(6), "Configured exposure (ms)");
    QAccessibleInterface* cell = cells->cellAt(9, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), "10");
    EXPECT_EQ(table->model()->index(0, 3).data().toString(), "50.0");  // from Go: no movement
    EXPECT_EQ(table->model()->index(1, 3).data().toString(), "62.0");
    EXPECT_EQ(table->model()->index(4, 6).data().toString(), "32.0");
    EXPECT_THAT(window->SummaryText().toStdString(), HasSubstr("10 cycles in 1 run."));

    const std::string png = dir.File("trace.png");
    ASSERT_TRUE(window->ExportPng(png));
    QImage image(QString::fromStdString(png));
    EXPECT_EQ(image.size(), TimelineWindow::kExportSize);
    const std::string svg = dir.File("trace.svg");
    ASSERT_TRUE(window->ExportSvg(svg));
    EXPECT_THAT(ReadWhole(svg), HasSubstr("<svg"));
    EXPECT_THAT(ReadWhole(svg), HasSubstr("<title>Shutter Timeline</title>"));
    const std::string csv = dir.File("cycles.csv");
    ASSERT_TRUE(window->ExportCsv(csv));
    const std::vector<CsvRow> rows = ReadCsv(csv);
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows[10][0], "1");
    EXPECT_EQ(rows[10][1], "10");

    // A failed export is told; the window stays.
    panel->paths = {dir.File("missing/trace.png")};
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->accessibleName() == "Export picture as PNG") {
            EXPECT_EQ(button->shortcut(), QKeySequence("Ctrl+Shift+P"));
            button->click();
        }
    }
    ASSERT_EQ(panel->messages.size(), 1u);
    EXPECT_THAT(panel->messages[0].text,
                HasSubstr("could not be saved to " + dir.File("missing/trace.png")));
}

// Zoom and scroll by keyboard leave live following; End takes it back.
TEST_F(PanelRecording, TraceScrollsZoomsAndFollows) {
    StartReady();
    panel->nowMs = 100000;
    TimelineWindow* window = panel->ShowTimeline();
    TraceView* trace = window->Trace();
    EXPECT_TRUE(trace->Following());
    const double span = trace->SpanMs();
    trace->setFocus();
    QTest::keyClick(trace, Qt::Key_Plus);
    EXPECT_NEAR(trace->SpanMs(), span / 1.5, 1e-6);
    EXPECT_TRUE(trace->Following());
    const double start = trace->StartMs();
    QTest::keyClick(trace, Qt::Key_Left);
    EXPECT_FALSE(trace->Following());
    EXPECT_LT(trace->StartMs(), start);
    *panel->nowMs += 60000;
    window->Refresh();
    EXPECT_LT(trace->StartMs(), start);  // stays where the user put it
    QTest::keyClick(trace, Qt::Key_End);
    EXPECT_TRUE(trace->Following());
    EXPECT_NEAR(trace->StartMs() + trace->SpanMs(), static_cast<double>(*panel->nowMs), 1e-6);
}

// However a run is armed, the poll stays at its fastest pace while it runs,
// so the shutter reports are timed at 2 ms; with nothing armed it slows down.
TEST_F(PanelRecording, AnArmedRunKeepsThePollAtItsFastestPace) {
    StartReady();
    auto* pollTimer = panel->findChild<QTimer*>("pollTimer");
    ASSERT_NE(pollTimer, nullptr);
    Click(kCtlShutterClose);
    SetTimer(0, "500");
    SetTimer(1, "500");
    SetText(kCtlRepeatCount, "3");
    Click(kCtlSendRepeatCount);
    Click(kCtlEnableOnHigh);
    PollAfter(20000);
    auto quietPace = [&] {
        // Longer than the pace's hold, with no byte coming.
        QTest::qWait(static_cast<int>(PollPace::kHoldMs) + 150);
        return pollTimer->interval();
    };
    EXPECT_EQ(quietPace(), PollPace::kQuietMs);

    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"Go", [&] { Click(kCtlGo); }},
        {"On Trigger Pulse", [&] { Click(kCtlOnTriggerPulse); }},
        {"Apply with Go",
         [&] {
             Fields().m_nFreeRunOption = 2;
             panel->UpdateData(false);
             Click(kCtlApply);
         }},
        {"Apply with On Trigger Pulse",
         [&] {
             Fields().m_nFreeRunOption = 1;
             panel->UpdateData(false);
             Click(kCtlApply);
         }},
    };
    for (const auto& [name, arm] : ways) {
        Click(kCtlStop);
        for (int i = 0; i < 20; ++i) {
            PollAfter(100000);
        }
        State().m_nFreeRunCountMode = 0;
        EXPECT_EQ(quietPace(), PollPace::kQuietMs) << name;
        arm();
        for (int i = 0; i < 50 && State().m_nApplyEchoCount >= 0; ++i) {
            PollAfter(2000);
        }
        ASSERT_GT(State().m_nFreeRunCountMode, 0) << name;
        EXPECT_EQ(quietPace(), PollPace::kReplyMs) << name;
    }
}
