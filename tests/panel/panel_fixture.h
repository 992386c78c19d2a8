// A real panel on the real simulator library, loaded through the program's own
// driver binding, with message boxes answered by the test instead of a user.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QThread>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/profile_file.h"
#include "core/resources/control_ids.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/received_log_model.h"
#include "sim_library.h"
#include "temp_dir.h"
#include "test_application.h"

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned type;
};

class TestPanel : public CShutterPanelDlg {
public:
    using CShutterPanelDlg::CShutterPanelDlg;

    int MessageBox(const QString& text, const QString& caption, unsigned type) override {
        messages.push_back({text.toStdString(), caption.toStdString(), type});
        shownByGuiThread.push_back(QThread::currentThread() == thread());
        mostShownAtOnce = std::max(mostShownAtOnce, ++shownNow);
        if (whileShown) {
            whileShown();
        }
        --shownNow;
        if (answers.empty()) {
            return kIdOk;
        }
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // The file dialog answered with the next path; none left, or an empty
    // one, is Cancel.
    bool PromptFileName(bool open, const std::string& filter, const std::string& extension,
                        std::string* path) override {
        prompts.push_back({open, filter, extension});
        if (paths.empty() || paths.front().empty()) {
            if (!paths.empty()) {
                paths.pop_front();
            }
            return false;
        }
        *path = paths.front();
        paths.pop_front();
        return true;
    }
    struct FilePrompt {
        bool open;
        std::string filter, extension;
    };
    std::vector<FilePrompt> prompts;
    std::deque<std::string> paths;

    std::vector<ShownMessage> messages;
    std::vector<bool> shownByGuiThread;
    std::deque<int> answers;
    int shownNow = 0;
    int mostShownAtOnce = 0;
    // Runs while a message is up, as the modal loop of a real box would run
    // timer ticks.
    std::function<void()> whileShown;

    // The panel's clock, moved by hand when set.
    int64_t MonotonicMs() const override {
        return nowMs ? *nowMs : CShutterPanelDlg::MonotonicMs();
    }
    std::optional<int64_t> nowMs;
};

class PanelTest : public ::testing::Test {
protected:
    using Bytes = std::vector<uint8_t>;
    static constexpr const char* kDescription = "Quillon Shutter Controller";
    static constexpr const char* kSerial = "QSC00001";

    PanelTest() {
        TestApplication();
        sim.fsim_use_manual_clock(1);
    }

    static std::string Variant(const char* missing) {
        return std::string(FSIM_LIBRARY_DIR) + "/libfsim_no_" + missing + ".so";
    }

    void RememberDevice(int method, const std::string& text) {
        profile.WriteString("MyFerruleAp", "SerDesc", std::to_string(method));
        static const char* keys[] = {"DescString", "SerialString", "DevNmbr"};
        profile.WriteString("MyFerruleAp", keys[method], text);
    }

    TestPanel& Start(const std::string& driver = FSIM_LIBRARY_PATH) {
        panel = std::make_unique<TestPanel>(PanelOptions{driver, profile.Path(), "ferrule"});
        panel->show();
        return *panel;
    }

    // A panel whose link came up on the simulated controller, its probe's
    // answer read and the controller's log of received bytes cleared.
    TestPanel& StartReady() {
        RememberDevice(0, kDescription);
        Start();
        PollAfter(1000);
        sim.fsim_clear_written(0);
        return *panel;
    }
    // What the controller received for one click.
    Bytes Sent(int id) {
        sim.fsim_clear_written(0);
        Click(id);
        return Written();
    }
    // The Timer group's five fields and sliders, hours first.
    std::vector<std::string> TimerFields() const {
        return {Text(ferrule::kCtlHour), Text(ferrule::kCtlMinute), Text(ferrule::kCtlSecond),
                Text(ferrule::kCtlMillisecond), Text(ferrule::kCtlTenthMs)};
    }
    std::vector<int> TimerSliders() const {
        std::vector<int> positions;
        for (QSlider* s : {panel->m_sliderHour, panel->m_sliderMinute, panel->m_sliderSecond,
                           panel->m_sliderMillisecond, panel->m_sliderTenthMs}) {
            positions.push_back(s->value());
        }
        return positions;
    }

    QWidget* Control(int id) const { return panel->GetDlgItem(id); }
    // The engine's fields and protocol state behind the panel.
    ferrule::PanelFields& Fields() const { return panel->Fields(); }
    ferrule::ProtocolState& State() const { return panel->Engine().State(); }
    std::string Text(int id) const {
        QWidget* w = Control(id);
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            return edit->text().toStdString();
        if (auto* label = qobject_cast<QLabel*>(w))
            return label->text().toStdString();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            return button->text().toStdString();
        return {};
    }
    std::string Status() const { return Text(ferrule::kCtlStatusLine); }
    bool Checked(int id) const { return static_cast<QAbstractButton*>(Control(id))->isChecked(); }
    bool Enabled(int id) const { return Control(id)->isEnabled(); }
    void Click(int id) { static_cast<QAbstractButton*>(Control(id))->click(); }
    void SetText(int id, const std::string& text) {
        static_cast<QLineEdit*>(Control(id))->setText(QString::fromStdString(text));
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const ShownMessage& m : panel->messages)
            texts.push_back(m.text);
        return texts;
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        for (int row = 0; row < panel->m_logReceived->rowCount(); ++row) {
            lines.push_back(panel->m_logReceived->LineText(row));
        }
        return lines;
    }
    Bytes Written(int device = 0) const {
        Bytes bytes(sim.fsim_written(device, nullptr, 0));
        sim.fsim_written(device, bytes.data(), static_cast<uint32_t>(bytes.size()));
        return bytes;
    }
    void Inject(Bytes bytes, int device = 0) {
        sim.fsim_inject(device, bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    // Lets the link deliver what is on its way, then runs one poll.
    void PollAfter(uint64_t microseconds) {
        sim.fsim_advance_us(microseconds);
        panel->Poll();
    }
    std::vector<std::string> CallLines() const {
        std::vector<std::string> lines;
        std::string calls = sim.Calls();
        size_t start = 0;
        for (size_t end; (end = calls.find('\n', start)) != std::string::npos; start = end + 1) {
            lines.push_back(calls.substr(start, end - start));
        }
        return lines;
    }

    SimLibrary sim;
    TempDir dir;
    ferrule::ProfileFile profile{dir.File("ferrule.INI")};
    std::unique_ptr<TestPanel> panel;
};
