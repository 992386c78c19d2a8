// Every control notification the panel reacts to, wired in one place. Only the
// user's own actions reach a handler: signals that programmatic changes also
// raise are dropped while the panel itself changes its controls.
#include <QAbstractButton>
#include <QEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

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
    auto onClick = [this](int id, void (CShutterPanelDlg::*handler)()) {
        connect(static_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this,
                [this, handler] {
                    if (m_suppressNotifications == 0) {
                        (this->*handler)();
                    }
                });
    };
    int method = 0;
    for (int id : {1027, 1028, 1029}) {
        connect(static_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this,
                [this, method] {
                    if (m_suppressNotifications == 0) {
                        OnOpenByRadio(method);
                    }
                });
        ++method;
    }
    connect(static_cast<QLineEdit*>(GetDlgItem(1026)), &QLineEdit::textEdited, this, [this] {
        if (m_suppressNotifications == 0) {
            OnDeviceTextChanged();
        }
    });
    onClick(1017, &CShutterPanelDlg::OnBlinkLeds);
    onClick(1018, &CShutterPanelDlg::OnBlinkOff);
    onClick(1023, &CShutterPanelDlg::OnClear);
    onClick(1, &CShutterPanelDlg::ExitSequence);
    onClick(1024, &CShutterPanelDlg::OnOpen);
    onClick(1030, &CShutterPanelDlg::OnSearch);
    connect(m_listReceived, &ferrule::LineListView::rowSelectedByUser, this, [this] {
        if (m_suppressNotifications == 0) {
            OnListSelection();
        }
    });

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
