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

#include "app/line_list_view.h"
#include "app/shutter_panel_dlg.h"

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

    onClick(1027, [this] { OnOpenByRadio(0); });
    onClick(1028, [this] { OnOpenByRadio(1); });
    onClick(1029, [this] { OnOpenByRadio(2); });
    connect(static_cast<QLineEdit*>(GetDlgItem(1026)), &QLineEdit::textEdited, this,
            userOnly([this] { OnDeviceTextChanged(); }));
    onClick(1017, [this] { OnBlinkLeds(); });
    onClick(1018, [this] { OnBlinkOff(); });
    onClick(1023, [this] { OnClear(); });
    onClick(1, [this] { ExitSequence(); });
    onClick(1024, [this] { OnOpen(); });
    onClick(1030, [this] { OnSearch(); });
    connect(m_listReceived, &ferrule::LineListView::rowSelectedByUser, this,
            userOnly([this] { OnListSelection(); }));

    onClick(1041, [this] { OnOnLine(); });
    onClick(1042, [this] { OnReset(); });
    onClick(1043, [this] { OnStatus(); });
    onClick(1055, [this] { OnShutterMode(0); });
    onClick(1056, [this] { OnShutterMode(1); });
    onClick(1057, [this] { OnNeutralDensity(); });
    onClick(1065, [this] { OnShutter(0); });
    onClick(1066, [this] { OnShutter(1); });
    onClick(1088, [this] { OnSyncPulse(); });
    onClick(1087, [this] { OnTriggerPulse(); });
    onClick(1061, [this] { OnSyncLevel(0); });
    onClick(1062, [this] { OnSyncLevel(1); });

    using Part = TimerPart;
    connect(m_comboTimer, &QComboBox::activated, this, userOnly([this] { OnTimerSelect(); }));
    const std::pair<int, Part> fields[] = {{1079, Part::Hours},
                                           {1080, Part::Minutes},
                                           {1081, Part::Seconds},
                                           {1082, Part::Milliseconds},
                                           {1089, Part::Tenths}};
    for (auto [id, part] : fields) {
        connect(static_cast<QLineEdit*>(GetDlgItem(id)), &QLineEdit::textEdited, this,
                userOnly([this, part = part] { OnTimerFieldEdited(part); }));
    }
    onClick(1044, [this] { OnSetTimer(); });

    onClick(1052, [this] { OnSendRepeatCount(); });
    onClick(1063, [this] { OnRunOption(0); });
    onClick(1064, [this] { OnRunOption(1); });
    onClick(1068, [this] { OnRunOption(2); });
    onClick(1050, [this] { OnStop(); });

    onClick(1045, [this] { OnSaveConfig(); });
    onClick(1047, [this] { OnLoadConfig(); });
    onClick(1048, [this] { OnApply(); });
    onClick(1046, [this] { OnSaveConfigToController(); });
    onClick(1051, [this] { OnRestoreDefault(); });
    onClick(1054, [this] { OnPower(false); });
    onClick(1053, [this] { OnPower(true); });
    onClick(1049, [this] { OnGetControllerInfo(); });
    onClick(1058, [this] { OnTriggerOption(0); });
    onClick(1059, [this] { OnTriggerOption(1); });
    onClick(1110, [this] { OnTriggerOption(2); });
    onClick(1111, [this] { OnTriggerOption(3); });

    // Trackbars report "released" when the mouse lets go after a drag or a
    // click on the groove; keyboard moves do not count.
    for (int id : {1006, 1093, 1095, 1096, 1097, 1098}) {
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
