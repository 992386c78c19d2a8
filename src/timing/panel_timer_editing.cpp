// The Timer group: the selector, and the five fields and sliders that edit
// one time and follow each other. Only the panel's fields change here; the
// stored times and the controller wait for Set Timer on Controller.
#include <QComboBox>
#include <QSlider>

#include "app/shutter_panel_dlg.h"
#include "common/leading_integer.h"
#include "timing/stored_times.h"
#include "timing/timer_frame.h"

namespace {

constexpr int kMaxHours = 5;
constexpr const char* kAtMaximum = "Timer has reached the maximum value - 5 hours.";

struct TimerComponent {
    std::string CShutterPanelDlg::*field;
    QSlider* CShutterPanelDlg::*slider;
    int limit;             // the largest value the field takes
    const char* refused;   // the warning for a value above it
    const char* negative;  // the warning for a value below 0
};

const TimerComponent kHoursComponent = {&CShutterPanelDlg::m_strHour,
                                        &CShutterPanelDlg::m_sliderHour, kMaxHours,
                                        "Hours number must be less than 6! Please retype.",
                                        "Hours number must not be negative! Please retype."};

// Minutes, seconds, milliseconds and tenths, in the order of TimerPart.
const TimerComponent kBelowHours[] = {
    {&CShutterPanelDlg::m_strMinute, &CShutterPanelDlg::m_sliderMinute, 59,
     "Minutes number must be less than 60! Please retype.",
     "Minutes number must not be negative! Please retype."},
    {&CShutterPanelDlg::m_strSecond, &CShutterPanelDlg::m_sliderSecond, 59,
     "Seconds number must be less than 60! Please retype.",
     "Seconds number must not be negative! Please retype."},
    {&CShutterPanelDlg::m_strMillisecond, &CShutterPanelDlg::m_sliderMillisecond, 999,
     "Milliseconds number must be less than 1000! Please retype.",
     "Milliseconds number must not be negative! Please retype."},
    {&CShutterPanelDlg::m_strTenthMs, &CShutterPanelDlg::m_sliderTenthMs, 9,
     "1/10 Milliseconds number must be less than 10! Please retype.",
     "1/10 Milliseconds number must not be negative! Please retype."},
};

const TimerComponent& Component(CShutterPanelDlg::TimerPart part) {
    return part == CShutterPanelDlg::TimerPart::Hours ? kHoursComponent
                                                      : kBelowHours[static_cast<int>(part) - 1];
}

}  // namespace

bool CShutterPanelDlg::HoursAtMaximum() const {
    return ferrule::LeadingInteger(m_strHour) == kMaxHours;
}

void CShutterPanelDlg::WarnTimer(const char* text) {
    ShowMessageBox(QString::fromUtf8(text), QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
}

// Five hours is the whole range: the smaller components are emptied.
void CShutterPanelDlg::ClearBelowHours() {
    for (const TimerComponent& c : kBelowHours) {
        SetSliderPosition(this->*c.slider, 0);
        (this->*c.field).clear();
    }
}

void CShutterPanelDlg::EditDesignatedTime() {
    const ferrule::TimeText& stored = ferrule::DesignatedStoredTime(m_nTimerSelect);
    m_strHour = stored[ferrule::kHours];
    m_strMinute = stored[ferrule::kMinutes];
    m_strSecond = stored[ferrule::kSeconds];
    m_strMillisecond = stored[ferrule::kMilliseconds];
    m_strTenthMs = stored[ferrule::kTenths];
    SetSliderPosition(m_sliderHour, ferrule::LeadingInteger(m_strHour));
    for (const TimerComponent& c : kBelowHours) {
        SetSliderPosition(this->*c.slider, ferrule::LeadingInteger(this->*c.field));
    }
}

// Edits never sent are replaced by the stored time the selector now shows.
void CShutterPanelDlg::OnTimerSelect() {
    UpdateData(true);
    const int selected = m_comboTimer->currentIndex();
    if (selected != -1) {
        m_nTimerSelect = selected;
        EditDesignatedTime();
    }
    UpdateData(false);
    RepaintNow();
}

void CShutterPanelDlg::OnTimerSliderReleased(TimerPart part) {
    UpdateData(true);
    if (part == TimerPart::Hours) {
        const int hours = m_sliderHour->value();
        if (hours == kMaxHours) {
            ClearBelowHours();
        }
        m_strHour = std::to_string(hours);
    } else {
        const TimerComponent& c = Component(part);
        if (HoursAtMaximum()) {
            WarnTimer(kAtMaximum);
            SetSliderPosition(this->*c.slider, 0);
        } else {
            this->*c.field = std::to_string((this->*c.slider)->value());
        }
    }
    UpdateData(false);
}

void CShutterPanelDlg::OnTimerFieldEdited(TimerPart part) {
    UpdateData(true);
    if (part == TimerPart::Hours) {
        const int hours = ferrule::LeadingInteger(m_strHour);
        if (hours > kMaxHours || hours < 0) {
            WarnTimer(hours < 0 ? kHoursComponent.negative : kHoursComponent.refused);
            m_strHour.clear();
        }
        if (HoursAtMaximum()) {
            ClearBelowHours();
        }
        SetSliderPosition(m_sliderHour, ferrule::LeadingInteger(m_strHour));
    } else {
        // At five hours every change is refused, even one to 0 or to nothing.
        // A negative number is refused like one above the limit.
        const TimerComponent& c = Component(part);
        std::string& field = this->*c.field;
        const bool atMaximum = HoursAtMaximum();
        const int value = ferrule::LeadingInteger(field);
        if (atMaximum || value > c.limit || value < 0) {
            WarnTimer(atMaximum ? kAtMaximum : (value < 0 ? c.negative : c.refused));
            field.clear();
        }
        SetSliderPosition(this->*c.slider, ferrule::LeadingInteger(field));
    }
    UpdateData(false);
}

// A time the timer message cannot carry (a negative number, or one a loaded
// file or a status reply put beyond what its byte holds) is refused as the
// field refuses it while typing: the warning, and the field emptied.
bool CShutterPanelDlg::RefuseUnsendableEdit(const ferrule::TimeText& edited) {
    const std::optional<ferrule::TimerFault> fault = ferrule::CheckTimerTime(edited);
    if (!fault) {
        return false;
    }
    const TimerComponent& c = Component(static_cast<TimerPart>(fault->component));
    WarnTimer(fault->kind == ferrule::TimerFault::Kind::Negative ? c.negative : c.refused);
    (this->*c.field).clear();
    SetSliderPosition(this->*c.slider, 0);
    return true;
}
