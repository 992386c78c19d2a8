// The Timer group: the selector, and the five fields and sliders that edit
// one time and follow each other. Only the panel's fields change here; the
// stored times and the controller wait for Set Timer on Controller.
#include <QComboBox>
#include <QSlider>

#include "core/common/leading_integer.h"
#include "core/timing/timer_frame.h"
#include "core/timing/timer_limits.h"
#include "panel/shutter_panel_dlg.h"

namespace {

constexpr int kMaxHours = ferrule::kMaxTimerHours;
constexpr const char* kAtMaximum = ferrule::kTimerAtMaximumMessage;

// One of the five editors: its field, its slider, and its limit and warnings.
struct TimerComponent {
    std::string ferrule::PanelFields::*field;
    QSlider* CShutterPanelDlg::*slider;
    int limit;             // the largest value the field takes
    const char* refused;   // the warning for a value above it
    const char* negative;  // the warning for a value below 0
};

TimerComponent MakeComponent(std::string ferrule::PanelFields::*field,
                             QSlider* CShutterPanelDlg::*slider, std::size_t index) {
    const ferrule::TimerComponentLimit& limit = ferrule::TimerLimit(index);
    return {field, slider, limit.limit, limit.refused, limit.negative};
}

const TimerComponent kHoursComponent =
    MakeComponent(&ferrule::PanelFields::m_strHour, &CShutterPanelDlg::m_sliderHour, 0);

// Minutes, seconds, milliseconds and tenths, in the order of TimerPart.
const TimerComponent kBelowHours[] = {
    MakeComponent(&ferrule::PanelFields::m_strMinute, &CShutterPanelDlg::m_sliderMinute, 1),
    MakeComponent(&ferrule::PanelFields::m_strSecond, &CShutterPanelDlg::m_sliderSecond, 2),
    MakeComponent(&ferrule::PanelFields::m_strMillisecond, &CShutterPanelDlg::m_sliderMillisecond,
                  3),
    MakeComponent(&ferrule::PanelFields::m_strTenthMs, &CShutterPanelDlg::m_sliderTenthMs, 4),
};

const TimerComponent& Component(CShutterPanelDlg::TimerPart part) {
    return part == CShutterPanelDlg::TimerPart::Hours ? kHoursComponent
                                                      : kBelowHours[static_cast<int>(part) - 1];
}

}  // namespace

bool CShutterPanelDlg::HoursAtMaximum() const {
    return ferrule::LeadingInteger(m_fields.m_strHour) == kMaxHours;
}

void CShutterPanelDlg::WarnTimer(const char* text) {
    ShowMessageBox(QString::fromUtf8(text), QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
}

// Five hours is the whole range: the smaller components are emptied.
void CShutterPanelDlg::ClearBelowHours() {
    for (const TimerComponent& c : kBelowHours) {
        SetSliderPosition(this->*c.slider, 0);
        (m_fields.*c.field).clear();
    }
}

// Edits never sent are replaced by the stored time the selector now shows.
void CShutterPanelDlg::OnTimerSelect() {
    UpdateData(true);
    const int selected = m_comboTimer->currentIndex();
    if (selected != -1) {
        m_fields.m_nTimerSelect = selected;
        m_engine.EditDesignatedTime();
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
        m_fields.m_strHour = std::to_string(hours);
    } else {
        const TimerComponent& c = Component(part);
        if (HoursAtMaximum()) {
            WarnTimer(kAtMaximum);
            SetSliderPosition(this->*c.slider, 0);
        } else {
            m_fields.*c.field = std::to_string((this->*c.slider)->value());
        }
    }
    UpdateData(false);
}

void CShutterPanelDlg::OnTimerFieldEdited(TimerPart part) {
    UpdateData(true);
    if (part == TimerPart::Hours) {
        const int hours = ferrule::LeadingInteger(m_fields.m_strHour);
        if (hours > kMaxHours || hours < 0) {
            WarnTimer(hours < 0 ? kHoursComponent.negative : kHoursComponent.refused);
            m_fields.m_strHour.clear();
        }
        if (HoursAtMaximum()) {
            ClearBelowHours();
        }
        SetSliderPosition(m_sliderHour, ferrule::LeadingInteger(m_fields.m_strHour));
    } else {
        // At five hours every change is refused, even one to 0 or to nothing.
        // A negative number is refused like one above the limit.
        const TimerComponent& c = Component(part);
        std::string& field = m_fields.*c.field;
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
void CShutterPanelDlg::RefuseUnsendableEdit(const ferrule::TimerFault& fault) {
    const TimerComponent& c = Component(static_cast<TimerPart>(fault.component));
    WarnTimer(fault.kind == ferrule::TimerFault::Kind::Negative ? c.negative : c.refused);
    (m_fields.*c.field).clear();
    SetSliderPosition(this->*c.slider, 0);
}
