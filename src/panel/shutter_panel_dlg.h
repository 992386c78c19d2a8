// The main panel: the controller engine's view. It shows the engine's fields
// in its controls and exchanges them both ways, runs every command in the
// command frame around the engine's body, asks the user what a command needs
// (confirmations, the steps prompt, file names), and polls the link. Its
// member functions are defined in the files of the subsystem they belong to.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QRect>
#include <QString>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/profile_file.h"
#include "core/engine/controller_engine.h"
#include "core/engine/engine_hooks.h"
#include "core/link/d2xx_api.h"
#include "core/link/device_opening.h"
#include "core/protocol/poll_pace.h"
#include "core/reconnect/device_choice.h"
#include "core/reconnect/reconnect_watcher.h"
#include "core/remote/line_server.h"
#include "core/resources/control_ids.h"
#include "panel/widgets/message_box.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QScrollBar;
class QSlider;
class QTimer;
class PanelRemote;

namespace ferrule {
class LineListView;
class LiveNotice;
class LogExport;
class ReceivedLogModel;
class SessionRecord;
class ShutterTimeline;
class TimelineWindow;
struct LinkFinding;
struct RecordFailure;
struct RewriteResult;
}  // namespace ferrule

struct PanelOptions {
    std::string driverLibrary = "libftd2xx.so";  // what LoadD2xx opens first
    std::string profilePath;                     // the application profile
    std::string applicationName = "ferrule";     // caption of driver and device messages
    // Tried in order when driverLibrary cannot be loaded; the load message
    // appears only when none of them loads either.
    std::vector<std::string> fallbackDrivers = {};
    // A session record to write from the start, when not empty.
    std::string recordPath = {};
    // Serving clients over a socket (ferrule --serve): where, and whether
    // from the start; the context menu's item starts and stops it.
    ferrule::remote::LineServerOptions serve = {};
    bool serveAtStart = false;
};

class CShutterPanelDlg : public QDialog, private ferrule::EngineHooks {
    Q_OBJECT

public:
    explicit CShutterPanelDlg(PanelOptions options, QWidget* parent = nullptr);
    ~CShutterPanelDlg() override;

    // The widget of a control id, nullptr for an unknown id.
    QWidget* GetDlgItem(int id) const;

    // The engine behind the panel, and its fields the controls show.
    ferrule::ControllerEngine& Engine() { return m_engine; }
    ferrule::PanelFields& Fields() { return m_engine.Fields(); }

    // Modal message box; returns kIdOk or kIdCancel. Tests script the answers.
    virtual int MessageBox(const QString& text, const QString& caption, unsigned type);
    // Every message box of the panel is shown through here, so that a driver
    // message raised meanwhile (by the poll, or by the link-test worker) waits
    // for it to close instead of stacking a second box on top of it.
    int ShowMessageBox(const QString& text, const QString& caption, unsigned type);

    // Held while a message box or prompt of the panel is open; driver
    // messages raised meanwhile are shown, in order, once the last one closes.
    class ModalScope {
    public:
        explicit ModalScope(CShutterPanelDlg& panel);
        ~ModalScope();
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;

    private:
        CShutterPanelDlg& m_panel;
    };

    // The exchange between fields and controls, in either direction. Returns
    // false when a control held a value its field cannot take.
    bool UpdateData(bool saveAndValidate);

    void SetButtonGroup(int which);

    // Lifecycle state.
    QRect m_rectInitial;
    int m_nClientHeight = 0;
    int m_nScrollPos = 0;

    // Control objects used directly by the handlers.
    QSlider* m_sliderTenthMs = nullptr;
    QSlider* m_sliderSecond = nullptr;
    QSlider* m_sliderMillisecond = nullptr;
    QSlider* m_sliderMinute = nullptr;
    QSlider* m_sliderHour = nullptr;
    QComboBox* m_comboTimer = nullptr;
    QSlider* m_sliderSpeed = nullptr;
    ferrule::LineListView* m_listReceived = nullptr;
    ferrule::ReceivedLogModel* m_logReceived = nullptr;

    // Device selection and opening.
    void OnOpenByRadio(int method);
    void OnDeviceTextChanged();
    void OnListSelection();
    void OnSearch();
    void OnOpen();
    FT_STATUS OpenSelectedDevice();
    void OpenAndProbe();
    // Open's sequence on a device choice: the user's (OnOpen), or the one the
    // reconnect watcher found. *quietReason, when given, takes the reason an
    // open failed instead of the log.
    void OpenDevice(const ferrule::DeviceChoice& choice, std::string* quietReason = nullptr);

    // Reconnecting by itself after the link was lost, and the link doctor.
    ferrule::ReconnectWatcher& Reconnect() { return m_reconnect; }
    void OnReconnectToggled(bool on);
    void ReconnectTick();
    void ShowLinkDoctor();
    std::vector<ferrule::LinkFinding> DiagnoseLink();

    // Link test.
    void OnBlinkLeds();
    void OnBlinkOff();
    void OnSpeedReleased();
    void OnClear();

    // The poll of the receive queue, paced by what is awaited.
    void Poll();
    // Something was sent or armed that the controller will answer: the poll
    // runs at its 2 ms from now on.
    void PollSoon();
    // The panel's monotonic clock in milliseconds. Tests override it to move
    // time by hand.
    virtual int64_t MonotonicMs() const;

    // The commands. Each runs in the command frame: BeginCommand (panel read;
    // true when the link is ready), the engine's body, then EndCommand
    // (time-outs reset, panel write, repaint). RunCommand hands the body the
    // gate's verdict for the branches that write without it; RunGatedCommand
    // runs the body only on a ready link.
    bool BeginCommand();
    void EndCommand();
    void RunCommand(const std::function<void(bool linkReady)>& body);
    void RunGatedCommand(const std::function<void()>& body);

    void OnOnLine();
    void OnReset();
    void OnStatus();
    void OnShutterMode(int mode);  // Fast 0 and Soft 1
    void OnNeutralDensity();
    void OnShutter(int shutter);  // 0 Open, 1 Close
    void OnSyncLevel(int level);  // 0 High for Open, 1 Low for Open
    void OnSyncPulse();
    void OnTriggerPulse();

    // The Timer group: the selector, the five sliders (their mouse release)
    // and the five fields (each edit by the user), and the button that sends
    // and stores the time being edited.
    enum class TimerPart { Hours, Minutes, Seconds, Milliseconds, Tenths };
    void OnTimerSelect();
    void OnTimerSliderReleased(TimerPart part);
    void OnTimerFieldEdited(TimerPart part);
    void OnSetTimer();

    // Configuration files, and Apply, which uploads the panel's configuration.
    void OnSaveConfig();
    void OnLoadConfig();
    void OnApply();
    // A file dialog for opening or saving, with a filter of "name|pattern|"
    // pairs and a default extension; returns false on Cancel. Tests override it.
    virtual bool PromptFileName(bool open, const std::string& filter,
                                const std::string& defaultExtension, std::string* path);

    // Free run.
    void OnSendRepeatCount();
    void OnRunOption(int option);  // 0 On Power Up, 1 On Trigger Pulse, 2 Go
    void OnStop();

    // The controller's maintenance and its trigger input.
    void OnSaveConfigToController();
    void OnRestoreDefault();
    void OnPower(bool on);
    void OnGetControllerInfo();
    void OnTriggerOption(int mode);  // 0-3, as the trigger-option radios

    // Captions, ticks and slider positions the handlers set directly.
    void SetItemText(int id, const std::string& text);
    bool IsChecked(int id) const;
    void SetCheck(int id, bool checked);
    void SetSliderPosition(QSlider* slider, int position);

    // Window operations.
    void OnVScroll(int code, int thumbPosition);
    void ShowAboutBox();
    void ExitSequence();

    // Serving commands from clients over a socket, as the context menu's
    // item does. Starting says why it could not in the log, and returns it.
    std::optional<std::string> StartServing();
    void StopServing();
    bool Serving() const;
    // A handler of the panel's own is under way with a box or prompt open:
    // a client's command waits for it to close.
    bool Busy() const;

    // Load Config. and Save Config. without the file prompt and without a
    // box: why it failed, or nothing.
    std::optional<std::string> LoadConfigFrom(const std::string& path);
    std::optional<std::string> SaveConfigTo(const std::string& path);

    // The exit code the panel's run ended with.
    int ExitCode() const { return m_exitCode; }

    // The session record: every exchange with the controller to a CSV file.
    // A record that cannot be started or written says so in a warning box
    // naming the file and the reason; the link is not touched.
    void OnRecordSession();
    bool StartRecording(const std::string& path);
    void StopRecording();
    bool Recording() const;
    // Save Log As...: the received-data list's lines to a text file, written
    // in the background with progress and Cancel.
    void OnSaveLogAs();
    ferrule::LogExport* LogSaving() const { return m_logExport; }
    // The Shutter Timeline window, made on first use; it follows the link
    // from then on.
    ferrule::TimelineWindow* ShowTimeline();
    ferrule::TimelineWindow* Timeline() const { return m_timelineWindow; }
    // The context menu's items, in order.
    const std::vector<QAction*>& MenuActions() const { return m_menuActions; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void reject() override;
    void accept() override;

private:
    // What the engine asks of its view.
    void LogRawByte(uint8_t byte) override;
    void LogLine(const std::string& text) override;
    void ReadFields() override;
    void WriteFields() override;
    void WriteCountAndLog() override;
    void ShowText(ferrule::Display which, const std::string& text) override;
    void TickPulseBox(ferrule::PulseBox box, bool ticked) override;
    void SelectTimer(int index) override;
    void PositionTimerSliders(const std::array<int, 5>& positions) override;
    void LinkBroken() override;
    int64_t NowMs() override { return MonotonicMs(); }

    void BuildPanel();
    void WireNotifications();
    // Any change to a control the exchange reads means the fields must take
    // the controls in again before the next batch.
    void WatchBoundControls();
    // Writes the count box now.
    void ShowCount();
    void OnInitDialog();
    void AddAboutItem();
    void AddReconnectItem();
    void AddDiagnoseItem();
    ferrule::DeviceChoice CurrentChoice() const;
    void FollowLinkUp();
    void OnLinkLost();
    void StopReconnecting();
    void ScheduleReconnect();
    void TellLinkNotices();
    void CommitLogLines();
    void PlaceLinkNotice();
    void ShowOpenRefusal(ferrule::OpenRefusal refusal);
    void PointStatusToDoctor();
    void AddRecordingItems();
    void StartTimeline();
    void RefreshRecordingItems();
    void RecordFailed(const ferrule::RecordFailure& failure);
    void LogSaved(const ferrule::RewriteResult& result);
    void AddServeItem();
    // Adds an item to the panel's context menu (a right click, the menu key
    // or Shift+F10), after those already there; its shortcut works anywhere
    // in the panel.
    void AddMenuAction(QAction* action);
    void ReportDriverMessage(const std::string& message);
    void ShowDriverMessage(const QString& text);
    void RepaintNow();
    void LogOpenFailure(uint32_t category, const std::string& reason);
    void MarkLinkReady();
    void RefreshRememberedIdentity();
    void ReadDeviceChoice();
    std::string ProfileText(int method) const;
    void WriteProfileText(int method, const std::string& text);
    void WriteProfile(std::string_view key, const std::string& value);
    void SchedulePoll(int intervalMs);
    bool HoursAtMaximum() const;
    void WarnTimer(const char* text);
    void ClearBelowHours();
    void RefuseUnsendableEdit(const ferrule::TimerFault& fault);
    bool Confirm(const char* text);

    struct RadioGroup {
        QButtonGroup* group;
        std::vector<int> ids;
    };
    const RadioGroup* RadioGroupStartingAt(int firstId) const;

    PanelOptions m_options;
    ferrule::ProfileFile m_profile;
    bool m_profileProblemTold = false;  // a failed profile write was told in the log
    // The driver table before the engine, which writes through it to the end.
    ferrule::D2xxApi m_d2xx;
    ferrule::ControllerEngine m_engine;
    ferrule::PanelFields& m_fields = m_engine.Fields();
    QWidget* m_content = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QTimer* m_pollTimer = nullptr;
    ferrule::PollPace m_pollPace;
    uint64_t m_writesSeenByPoll = 0;
    // The fields hold what every control shows: nothing changed since a read.
    bool m_fieldsMatchControls = false;
    // While a stream runs at the stream pace the count box is written at most
    // once in this time.
    static constexpr int64_t kCountEveryMs = 250;
    bool m_countMayWait = false;              // this wake-up is at the stream pace
    bool m_countBehind = false;               // the count box shows less than the count
    int64_t m_countShownMs = -kCountEveryMs;  // when the count box was last written
    QAction* m_aboutAction = nullptr;
    QAction* m_reconnectAction = nullptr;
    QAction* m_diagnoseAction = nullptr;
    ferrule::ReconnectWatcher m_reconnect;
    QTimer* m_reconnectTimer = nullptr;  // runs only while the watcher has something due
    ferrule::LiveNotice* m_linkNotice = nullptr;
    // Why the last open failed, as the library told it, for the link doctor.
    uint32_t m_lastOpenError = 0;
    std::string m_lastOpenReason;
    QAction* m_serveAction = nullptr;
    std::vector<QAction*> m_menuActions;  // the context menu's items, in order
    QTimer* m_frameTimer = nullptr;       // paints a frame held back by the frame limit
    QElapsedTimer m_clock;                // the panel's monotonic time: frames, the poll's pace
    qint64 m_lastFrameMs = -1;
    bool m_paintingNow = false;  // RepaintNow is painting: no frame limit
    std::map<int, QWidget*> m_controls;
    std::vector<RadioGroup> m_radioGroups;
    bool m_initialised = false;
    bool m_inPoll = false;
    bool m_exiting = false;
    int m_exitCode = 0;
    std::vector<QWidget*> m_changedControls;  // written since the last repaint
    int m_suppressNotifications = 0;          // > 0 while the panel itself changes controls
    int m_modalDepth = 0;                     // message boxes and prompts open
    bool m_showingPendingMessages = false;
    std::deque<QString> m_pendingMessages;  // driver messages waiting for a box to close

    std::unique_ptr<ferrule::SessionRecord> m_record;
    QAction* m_recordAction = nullptr;
    QAction* m_stopRecordAction = nullptr;
    ferrule::LogExport* m_logExport = nullptr;
    QWidget* m_logProgress = nullptr;
    std::unique_ptr<ferrule::ShutterTimeline> m_timeline;
    ferrule::TimelineWindow* m_timelineWindow = nullptr;
    std::unique_ptr<PanelRemote> m_remote;  // after the engine, which it observes
};
