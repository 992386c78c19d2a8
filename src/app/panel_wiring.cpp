// Every control notification the panel reacts to, wired in one place. Only the
// user's own actions reach a handler: signals that programmatic changes also
// raise are dropped while the panel itself changes its controls.
#include <QAbstractButton>
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
    if (event->type() == QEvent::MouseButtonRelease && watched == m_sliderSpeed) {
        // After the slider has taken the release, so its position is final.
        QMetaObject::invokeMethod(this, &CShutterPanelDlg::OnSpeedReleased, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}
