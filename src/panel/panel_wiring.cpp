// Every control notification the panel reacts to, wired in one place. Only the
// user's own actions reach a handler: signals that programmatic changes also
// raise are dropped while the panel itself changes its controls.
#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <functional>

#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/line_list_view.h"

namespace {

// Scroll codes of the panel's vertical scroll bar.
int ScrollCode(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return 0;
        case QAbstractSlider::SliderSingleStepAdd:
            return 1;
        case QAbstractSlider::SliderPageStepSub:
            return 2;
        case QAbstractSlider::SliderPageStepAdd:
            return 3;
        default:
            return -1;
    }
}

}  // namespace

void CShutterPanelDlg::WireNotifications() {
    // Every handler is reached through this one gate, which drops what the
    // panel's own changes to its controls raise.
    auto userOnly = [this](std::function<void()> handler) {
        return [this, handler = std::move(handler)] {
            if (m_suppressNotifications == 0) {
                handler();
            }
        };
    };
    auto onClick = [this, &userOnly](int id, std::function<void()> handler) {
        connect(static_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this,
                userOnly(std::move(handler)));
    };

    onClick(ferrule::kCtlOpenByDescription, [this] { OnOpenByRadio(0); });
    onClick(ferrule::kCtlOpenBySerialNumber, [this] { OnOpenByRadio(1); });
    onClick(ferrule::kCtlOpenByDeviceNumber, [this] { OnOpenByRadio(2); });
    connect(static_cast<QLineEdit*>(GetDlgItem(ferrule::kCtlDevice)), &QLineEdit::textEdited, this,
            userOnly([this] { OnDeviceTextChanged(); }));
    onClick(ferrule::kCtlBlinkLeds, [this] { OnBlinkLeds(); });
    onClick(ferrule::kCtlBlinkOff, [this] { OnBlinkOff(); });
    onClick(ferrule::kCtlClear, [this] { OnClear(); });
    onClick(ferrule::kCtlExit, [this] { ExitSequence(); });
    onClick(ferrule::kCtlOpen, [this] { OnOpen(); });
    onClick(ferrule::kCtlSearch, [this] { OnSearch(); });
    connect(m_listReceived, &ferrule::LineListView::rowSelectedByUser, this,
            userOnly([this] { OnListSelection(); }));

    onClick(ferrule::kCtlOnLine, [this] { OnOnLine(); });
    onClick(ferrule::kCtlReset, [this] { OnReset(); });
    onClick(ferrule::kCtlStatus, [this] { OnStatus(); });
    onClick(ferrule::kCtlModeFast, [this] { OnShutterMode(0); });
    onClick(ferrule::kCtlModeSoft, [this] { OnShutterMode(1); });
    onClick(ferrule::kCtlModeNd, [this] { OnNeutralDensity(); });
    onClick(ferrule::kCtlShutterOpen, [this] { OnShutter(0); });
    onClick(ferrule::kCtlShutterClose, [this] { OnShutter(1); });
    onClick(ferrule::kCtlSyncPulse, [this] { OnSyncPulse(); });
    onClick(ferrule::kCtlTriggerPulse, [this] { OnTriggerPulse(); });
    onClick(ferrule::kCtlHighForOpen, [this] { OnSyncLevel(0); });
    onClick(ferrule::kCtlLowForOpen, [this] { OnSyncLevel(1); });

    using Part = TimerPart;
    connect(m_comboTimer, &QComboBox::activated, this, userOnly([this] { OnTimerSelect(); }));
    const std::pair<int, Part> fields[] = {{ferrule::kCtlHour, Part::Hours},
                                           {ferrule::kCtlMinute, Part::Minutes},
                                           {ferrule::kCtlSecond, Part::Seconds},
                                           {ferrule::kCtlMillisecond, Part::Milliseconds},
                                           {ferrule::kCtlTenthMs, Part::Tenths}};
    for (auto [id, part] : fields) {
        connect(static_cast<QLineEdit*>(GetDlgItem(id)), &QLineEdit::textEdited, this,
                userOnly([this, part = part] { OnTimerFieldEdited(part); }));
    }
    onClick(ferrule::kCtlSetTimer, [this] { OnSetTimer(); });

    onClick(ferrule::kCtlSendRepeatCount, [this] { OnSendRepeatCount(); });
    onClick(ferrule::kCtlOnPowerUp, [this] { OnRunOption(0); });
    onClick(ferrule::kCtlOnTriggerPulse, [this] { OnRunOption(1); });
    onClick(ferrule::kCtlGo, [this] { OnRunOption(2); });
    onClick(ferrule::kCtlStop, [this] { OnStop(); });

    onClick(ferrule::kCtlSaveConfig, [this] { OnSaveConfig(); });
    onClick(ferrule::kCtlLoadConfig, [this] { OnLoadConfig(); });
    onClick(ferrule::kCtlApply, [this] { OnApply(); });
    onClick(ferrule::kCtlSaveConfigToController, [this] { OnSaveConfigToController(); });
    onClick(ferrule::kCtlRestoreDefault, [this] { OnRestoreDefault(); });
    onClick(ferrule::kCtlPowerOff, [this] { OnPower(false); });
    onClick(ferrule::kCtlPowerOn, [this] { OnPower(true); });
    onClick(ferrule::kCtlGetControllerInfo, [this] { OnGetControllerInfo(); });
    onClick(ferrule::kCtlEnableOnHigh, [this] { OnTriggerOption(0); });
    onClick(ferrule::kCtlEnableOnLow, [this] { OnTriggerOption(1); });
    onClick(ferrule::kCtlTriggerOnRisingEdge, [this] { OnTriggerOption(2); });
    onClick(ferrule::kCtlTriggerOnFallingEdge, [this] { OnTriggerOption(3); });

    // Trackbars report "released" when the mouse lets go after a drag or a
    // click on the groove; keyboard moves do not count.
    for (int id :
         {ferrule::kCtlSpeed, ferrule::kCtlMillisecondSlider, ferrule::kCtlSecondSlider,
          ferrule::kCtlTenthMsSlider, ferrule::kCtlMinuteSlider, ferrule::kCtlHourSlider}) {
        GetDlgItem(id)->installEventFilter(this);
    }

    connect(m_pollTimer, &QTimer::timeout, this, &CShutterPanelDlg::Poll);

    connect(m_scrollBar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        int before = m_scrollBar->value();
        int code = ScrollCode(action);
        if (code < 0) {
            return;  // thumb tracking and the rest move nothing
        }
        int position = m_nScrollPos;
        OnVScroll(code, 0);
        if (position == m_nScrollPos) {
            m_scrollBar->setSliderPosition(before);
        }
    });
    connect(m_scrollBar, &QAbstractSlider::sliderReleased, this,
            [this] { OnVScroll(4, m_scrollBar->sliderPosition()); });
}

bool CShutterPanelDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) {
        return QDialog::eventFilter(watched, event);
    }
    // Handled after the slider has taken the release, so its position is final.
    auto released = [this](std::function<void()> handler) {
        QMetaObject::invokeMethod(this, std::move(handler), Qt::QueuedConnection);
    };
    using Part = TimerPart;
    const std::pair<QSlider*, Part> timerSliders[] = {
        {m_sliderHour, Part::Hours},     {m_sliderMinute, Part::Minutes},
        {m_sliderSecond, Part::Seconds}, {m_sliderMillisecond, Part::Milliseconds},
        {m_sliderTenthMs, Part::Tenths},
    };
    if (watched == m_sliderSpeed) {
        released([this] { OnSpeedReleased(); });
    }
    for (auto [slider, part] : timerSliders) {
        if (watched == slider) {
            released([this, part = part] { OnTimerSliderReleased(part); });
        }
    }
    return QDialog::eventFilter(watched, event);
}
