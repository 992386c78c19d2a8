// Captions, check boxes, the timer selector and sliders set by the handlers
// and the engine rather than by the exchange. Like the exchange, they change
// a control only when its state differs, and they note what changed for the
// next repaint.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include "core/common/scope_guards.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/received_log_model.h"

void CShutterPanelDlg::SetItemText(int id, const std::string& text) {
    QString caption = QString::fromStdString(text);
    QWidget* control = GetDlgItem(id);
    ferrule::ScopedIncrement quiet(m_suppressNotifications);
    if (auto* label = qobject_cast<QLabel*>(control); label && label->text() != caption) {
        label->setText(caption);
        m_changedControls.push_back(label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control);
               button && button->text() != caption) {
        button->setText(caption);
        m_changedControls.push_back(button);
    }
}

bool CShutterPanelDlg::IsChecked(int id) const {
    return static_cast<QAbstractButton*>(GetDlgItem(id))->isChecked();
}

void CShutterPanelDlg::SetCheck(int id, bool checked) {
    auto* box = static_cast<QAbstractButton*>(GetDlgItem(id));
    if (box->isChecked() != checked) {
        ferrule::ScopedIncrement quiet(m_suppressNotifications);
        box->setChecked(checked);
        m_changedControls.push_back(box);
    }
}

void CShutterPanelDlg::SetSliderPosition(QSlider* slider, int position) {
    if (slider->value() != position) {
        ferrule::ScopedIncrement quiet(m_suppressNotifications);
        slider->setValue(position);
        m_changedControls.push_back(slider);
    }
}

void CShutterPanelDlg::LogRawByte(uint8_t byte) {
    m_logReceived->AppendRawByte(byte);
}

void CShutterPanelDlg::LogLine(const std::string& text) {
    m_logReceived->AppendText(text);
}

void CShutterPanelDlg::ShowText(ferrule::Display which, const std::string& text) {
    switch (which) {
        case ferrule::Display::ClosedTime:
            SetItemText(ferrule::kCtlClosedTimeDisplay, text);
            break;
        case ferrule::Display::ExposureTime:
            SetItemText(ferrule::kCtlExposureTimeDisplay, text);
            break;
        case ferrule::Display::CycleTime:
            SetItemText(ferrule::kCtlCycleTimeDisplay, text);
            break;
        case ferrule::Display::ClosingTransition:
            SetItemText(ferrule::kCtlClosingTransition, text);
            break;
        case ferrule::Display::OpeningTransition:
            SetItemText(ferrule::kCtlOpeningTransition, text);
            break;
        case ferrule::Display::NdModeCaption:
            SetItemText(ferrule::kCtlModeNd, text);
            break;
    }
}

void CShutterPanelDlg::TickPulseBox(ferrule::PulseBox box, bool ticked) {
    SetCheck(box == ferrule::PulseBox::Trigger ? ferrule::kCtlTriggerPulse : ferrule::kCtlSyncPulse,
             ticked);
}

void CShutterPanelDlg::SelectTimer(int index) {
    ferrule::ScopedIncrement quiet(m_suppressNotifications);
    m_comboTimer->setCurrentIndex(index);
}

void CShutterPanelDlg::PositionTimerSliders(const std::array<int, 5>& positions) {
    const std::array<QSlider*, 5> sliders{m_sliderHour, m_sliderMinute, m_sliderSecond,
                                          m_sliderMillisecond, m_sliderTenthMs};
    for (size_t i = 0; i < sliders.size(); ++i) {
        SetSliderPosition(sliders[i], positions[i]);
    }
}
