// The main panel: the whole user interface and the home of all state. Its
// member functions are defined in the folder of the subsystem they belong to.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QRect>
#include <QString>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/message_box.h"
#include "common/profile_file.h"
#include "link/d2xx_api.h"
#include "protocol/info_reply.h"
#include "protocol/message_catalogue.h"
#include "protocol/poll_pace.h"
#include "timing/config_file.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QScrollBar;
class QSlider;
class QTimer;

namespace ferrule {
class LineListView;
class ReceivedLogModel;
struct StatusSettings;
}  // namespace ferrule

struct PanelOptions {
    std::string driverLibrary = "libftd2xx.so";  // what LoadD2xx opens first
    std::string profilePath;                     // the application profile
    std::string applicationName = "ferrule";     // caption of driver and device messages
    // Tried in order when driverLibrary cannot be loaded; the load message
    // appears only when none of them loads either.
    std::vector<std::string> fallbackDrivers = {};
};

class CShutterPanelDlg : public QDialog {
    Q_OBJECT

public:
    explicit CShutterPanelDlg(PanelOptions options, QWidget* parent = nullptr);
    ~CShutterPanelDlg() override;

    // The widget of a control id, nullptr for an unknown id.
    QWidget* GetDlgItem(int id) const;

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

    // Panel state, exchanged with the controls.
    std::string m_strStatus;
    int m_nReceivedBytes = 0;
    std::string m_strDevice = "Enter device Description or Serial Number here.";
    int m_nOpenBy = 0;
    int m_nNdSteps = 0;
    int m_nShutter = -1;
    int m_nShutterMode = -1;
    int m_nSyncLevel = -1;
    int m_nTimerSelect = -1;
    std::string m_strMinute;
    std::string m_strSecond;
    std::string m_strHour;
    std::string m_strMillisecond;
    std::string m_strTenthMs;
    int m_nFreeRunOption = -1;
    std::string m_strRepeatCount;
    std::string m_strCyclesLeft;
    int m_nTriggerMode = -1;

    // Lifecycle state.
    QRect m_rectInitial;
    int m_nClientHeight = 0;
    int m_nScrollPos = 0;

    // The driver table and the open device.
    ferrule::D2xxApi m_d2xx;

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

    // Link test.
    void OnBlinkLeds();
    void OnBlinkOff();
    void OnSpeedReleased();
    void OnClear();

    // The 2 ms poll of the receive queue, and the decoder of what it reads.
    void Poll();
    // Something was sent or armed that the controller will answer: the poll
    // runs at its 2 ms from now on.
    void PollSoon();
    // One batch as the poll handles it: panel read, each byte to the decoder,
    // panel write. With no bytes, only the panel write.
    void DecodeBatch(const uint8_t* bytes, size_t count);
    void ReplyDecoder(uint8_t byte);

    // The commands. Each runs in the command frame: BeginCommand (panel read;
    // true when the link is ready), the body, then EndCommand (time-outs reset,
    // panel write, repaint). RunCommand hands the body the gate's verdict for
    // the branches that write without it; RunGatedCommand runs the body only
    // on a ready link.
    bool BeginCommand();
    void EndCommand();
    void RunCommand(const std::function<void(bool linkReady)>& body);
    void RunGatedCommand(const std::function<void()>& body);
    void WriteMessage(const ferrule::controller::Message& message);
    static constexpr ULONG kCommandTimeoutMs = 100;

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
    // The stored time the selector designates into the five fields and sliders.
    void EditDesignatedTime();

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

    // The cycle time from the stored times and the shutter mode, and its
    // display; the opening and closing captions and the Neutral Density
    // radio's caption for the shutter mode.
    void ComputeCycleTime();
    void ShowCycleTime();
    void RefreshCycleTime();
    void ShowTransitionCaptions();

    // Captions, ticks and slider positions the handlers set directly.
    void SetItemText(int id, const std::string& text);
    bool IsChecked(int id) const;
    void SetCheck(int id, bool checked);
    void SetSliderPosition(QSlider* slider, int position);

    // Window operations.
    void OnVScroll(int code, int thumbPosition);
    void ShowAboutBox();
    void ExitSequence();

    // The exit code the panel's run ended with.
    int ExitCode() const { return m_exitCode; }

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
    void BuildPanel();
    void WireNotifications();
    void OnInitDialog();
    void AddAboutItem();
    void ReportDriverMessage(const std::string& message);
    void ShowDriverMessage(const QString& text);
    void RepaintNow();
    // Leaves what the last exchanges changed to the next frame: the poll's
    // batches are painted at most once a frame, not 500 times a second.
    void RepaintNextFrame() { m_changedControls.clear(); }
    // The probe's outcome: the first byte back, or none at all.
    struct ProbeResult {
        bool answered = false;
        uint8_t firstByte = 0;
        bool Succeeded() const { return answered && firstByte == ferrule::controller::kOnline; }
    };
    ProbeResult ConfigureAndProbe(bool fromOpen);
    // Returns status; when it is a failure the library can explain, logs why.
    FT_STATUS LogOpenFailure(FT_STATUS status);
    void MarkLinkReady();
    void RefreshRememberedIdentity();
    void ReadDeviceChoice();
    std::string ProfileText(int method) const;
    void WriteProfileText(int method, const std::string& text);
    void StopBlinkWorker();
    void SchedulePoll(int intervalMs);
    bool ReplyExpected() const;
    void CountAndList(uint8_t byte);
    void FreeRunCountdown(uint8_t byte);
    void InfoReply(uint8_t byte);
    void TogglePulse(int box, int& level, int onLevel, uint8_t onCode, uint8_t offCode,
                     bool linkReady);
    bool HoursAtMaximum() const;
    void WarnTimer(const char* text);
    void ClearBelowHours();
    bool Confirm(const char* text);
    void ApplyLoadedConfig(const ferrule::ConfigRecords& records);
    void StatusReply(uint8_t byte);
    ferrule::StatusSettings StatusFields();
    void EndStatusReply();
    void ApplyUpload(uint8_t byte);

    struct RadioGroup {
        QButtonGroup* group;
        std::vector<int> ids;
    };
    const RadioGroup* RadioGroupStartingAt(int firstId) const;

    PanelOptions m_options;
    ferrule::ProfileFile m_profile;
    QWidget* m_content = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QTimer* m_pollTimer = nullptr;
    ferrule::PollPace m_pollPace;
    uint64_t m_writesSeenByPoll = 0;
    QAction* m_aboutAction = nullptr;
    QTimer* m_frameTimer = nullptr;  // paints a frame held back by the frame limit
    QElapsedTimer m_clock;           // the panel's monotonic time: frames, the poll's pace
    qint64 m_lastFrameMs = -1;
    bool m_paintingNow = false;  // RepaintNow is painting: no frame limit
    std::map<int, QWidget*> m_controls;
    std::vector<RadioGroup> m_radioGroups;
    bool m_initialised = false;
    bool m_inPoll = false;
    bool m_exiting = false;
    int m_exitCode = 0;
    std::thread m_blinkWorker;
    static constexpr DWORD kReceiveBufferSize = 600;
    uint8_t m_receiveBuffer[kReceiveBufferSize] = {};
    ferrule::InfoReplyText m_infoReply;
    std::vector<QWidget*> m_changedControls;  // written since the last repaint
    int m_suppressNotifications = 0;          // > 0 while the panel itself changes controls
    int m_modalDepth = 0;                     // message boxes and prompts open
    bool m_showingPendingMessages = false;
    std::deque<QString> m_pendingMessages;  // driver messages waiting for a box to close
};
