// The panel's life: initialisation, scrolling when the window is made smaller
// than its design, the About box and the exit sequence.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QTimer>

#include "core/common/scope_guards.h"
#include "core/link/device_profile.h"
#include "core/resources/strings.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/about_box.h"
#include "panel/widgets/app_icon.h"
#include "panel/widgets/log_export.h"

namespace {

void SetSlider(QSlider* slider, int minimum, int maximum, int position) {
    slider->setRange(minimum, maximum);
    slider->setValue(position);
}

}  // namespace

void CShutterPanelDlg::showEvent(QShowEvent* event) {
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CShutterPanelDlg::OnInitDialog() {
    AddAboutItem();
    AddReconnectItem();
    AddDiagnoseItem();
    AddRecordingItems();
    AddServeItem();
    setWindowIcon(ferrule::AppIcon());

    // The outer window rectangle; decorations the window manager has not
    // reported yet are estimated from the style's title bar.
    m_rectInitial = frameGeometry();
    if (m_rectInitial == geometry()) {
        m_rectInitial.setTop(m_rectInitial.top() -
                             style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    }
    m_nScrollPos = 0;
    m_nClientHeight = 0;

    SetButtonGroup(101);
    m_engine.SetLinkReady(false);
    m_pollTimer->start(2);

    SetSlider(m_sliderSpeed, 0, 500, 10);
    SetSlider(m_sliderTenthMs, 0, 9, 0);
    SetSlider(m_sliderMillisecond, 0, 999, 0);
    SetSlider(m_sliderSecond, 0, 59, 0);
    SetSlider(m_sliderMinute, 0, 59, 0);
    SetSlider(m_sliderHour, 0, 5, 0);

    {
        ferrule::ScopedIncrement quiet(m_suppressNotifications);
        for (int id : {ferrule::kCtlHour, ferrule::kCtlMinute, ferrule::kCtlSecond,
                       ferrule::kCtlMillisecond, ferrule::kCtlTenthMs}) {
            static_cast<QLineEdit*>(GetDlgItem(id))->setText(QString());
        }
        static_cast<QCheckBox*>(GetDlgItem(ferrule::kCtlTriggerPulse))->setChecked(true);
        static_cast<QCheckBox*>(GetDlgItem(ferrule::kCtlSyncPulse))->setChecked(true);
    }
    m_fields.m_nTriggerMode = 0;
    m_fields.m_nSyncLevel = 1;

    ReadDeviceChoice();
    UpdateData(false);

    if (!m_options.recordPath.empty()) {
        StartRecording(m_options.recordPath);
    }
    StartTimeline();
    OpenAndProbe();

    m_fields.m_nShutterMode = 0;
    m_fields.m_nShutter = 1;
    {
        ferrule::ScopedIncrement quiet(m_suppressNotifications);
        static_cast<QRadioButton*>(GetDlgItem(ferrule::kCtlModeFast))->setChecked(true);
        static_cast<QRadioButton*>(GetDlgItem(ferrule::kCtlShutterClose))->setChecked(true);
    }

    GetDlgItem(ferrule::kCtlOpenByDescription)->setFocus();
    if (m_options.serveAtStart) {
        StartServing();
    }
}

void CShutterPanelDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    int barWidth = m_scrollBar->sizeHint().width();
    m_scrollBar->setGeometry(width() - barWidth, 0, barWidth, height());

    int h = height();
    m_nClientHeight = h;
    int designHeight = m_rectInitial.isNull() ? 0 : m_rectInitial.height();
    int range = h < designHeight ? designHeight - h : 0;
    m_scrollBar->blockSignals(true);
    m_scrollBar->setRange(0, range);
    m_scrollBar->setPageStep(range / 10);
    m_scrollBar->setSingleStep(std::max(1, range / 100));
    m_scrollBar->setValue(0);
    m_scrollBar->blockSignals(false);
}

// Scroll codes: 0 line up, 1 line down, 2 page up, 3 page down, 4 thumb
// released at thumbPosition; any other code does nothing.
void CShutterPanelDlg::OnVScroll(int code, int thumbPosition) {
    int range = m_rectInitial.height() - m_nClientHeight;
    int d = 0;
    switch (code) {
        case 0:
            if (m_nScrollPos <= 0)
                return;
            d = -std::min(range / 100, m_nScrollPos);
            break;
        case 1:
            if (m_nScrollPos >= range)
                return;
            d = std::min(range / 100, range - m_nScrollPos);
            break;
        case 2:
            if (m_nScrollPos <= 0)
                return;
            d = -std::min(range / 10, m_nScrollPos);
            break;
        case 3:
            if (m_nScrollPos >= range)
                return;
            d = std::min(range / 10, range - m_nScrollPos);
            break;
        case 4:
            d = thumbPosition - m_nScrollPos;
            break;
        default:
            return;
    }
    m_nScrollPos += d;
    m_scrollBar->blockSignals(true);
    m_scrollBar->setSliderPosition(m_nScrollPos);
    m_scrollBar->blockSignals(false);
    m_content->move(0, -m_nScrollPos);
}

void CShutterPanelDlg::ShowAboutBox() {
    ModalScope open(*this);
    CAboutBox about(this, QString::fromStdString(m_d2xx.LoadedPath()));
    about.exec();
}

void CShutterPanelDlg::closeEvent(QCloseEvent* event) {
    ExitSequence();
    event->accept();
}

// Esc sends cancel, which the panel ignores: there is no Cancel button and the
// panel never closes that way.
void CShutterPanelDlg::reject() {}

// EXIT, and Enter through EXIT being the default button.
void CShutterPanelDlg::accept() {
    ExitSequence();
}

void CShutterPanelDlg::ExitSequence() {
    if (m_exiting) {
        return;
    }
    m_exiting = true;
    // No client's command may reach the engine from now on.
    StopServing();
    // No driver call may run once the library is released: wait for the
    // link-test worker to leave its loop first.
    m_engine.Blink().StopAndWait();
    m_pollTimer->stop();
    if (m_reconnectTimer != nullptr) {
        m_reconnectTimer->stop();
    }
    // The record ends with everything the link did, on disk; a log being
    // saved is finished, not thrown away.
    StopRecording();
    if (m_logExport) {
        m_logExport->Wait();
    }
    m_d2xx.FreeLibrary();
    UpdateData(true);
    m_exitCode = 0;
    QDialog::done(1);
}
