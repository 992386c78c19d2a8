// The exchange between the panel's fields and its controls. One binding table,
// walked in order in either direction. Controls are written only when their
// value differs, and nothing a control raises while the exchange runs reaches
// a handler.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>

#include "core/common/scope_guards.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/line_list_view.h"
#include "panel/widgets/received_log_model.h"

namespace {

enum class Exchange { Text, Integer, RadioIndex, SelectionIndex };

using ferrule::PanelFields;

struct Binding {
    int PanelFields::*intField;
    std::string PanelFields::*textField;
    int controlId;
    Exchange kind;
};

constexpr Binding Text(std::string PanelFields::*field, int id) {
    return {nullptr, field, id, Exchange::Text};
}
constexpr Binding Int(int PanelFields::*field, int id, Exchange kind) {
    return {field, nullptr, id, kind};
}

// A radio group is bound by its first button.
const Binding kBindings[] = {
    Text(&PanelFields::m_strStatus, ferrule::kCtlStatusLine),
    Int(&PanelFields::m_nReceivedBytes, ferrule::kCtlReceivedBytes, Exchange::Integer),
    Text(&PanelFields::m_strDevice, ferrule::kCtlDevice),
    Int(&PanelFields::m_nOpenBy, ferrule::kCtlOpenByDescription, Exchange::RadioIndex),
    Int(&PanelFields::m_nShutter, ferrule::kCtlShutterOpen, Exchange::RadioIndex),
    Int(&PanelFields::m_nShutterMode, ferrule::kCtlModeFast, Exchange::RadioIndex),
    Int(&PanelFields::m_nSyncLevel, ferrule::kCtlHighForOpen, Exchange::RadioIndex),
    Int(&PanelFields::m_nTimerSelect, ferrule::kCtlTimerSelect, Exchange::SelectionIndex),
    Text(&PanelFields::m_strMinute, ferrule::kCtlMinute),
    Text(&PanelFields::m_strSecond, ferrule::kCtlSecond),
    Text(&PanelFields::m_strHour, ferrule::kCtlHour),
    Text(&PanelFields::m_strMillisecond, ferrule::kCtlMillisecond),
    Text(&PanelFields::m_strTenthMs, ferrule::kCtlTenthMs),
    Int(&PanelFields::m_nFreeRunOption, ferrule::kCtlOnPowerUp, Exchange::RadioIndex),
    Text(&PanelFields::m_strRepeatCount, ferrule::kCtlRepeatCount),
    Text(&PanelFields::m_strCyclesLeft, ferrule::kCtlCyclesLeft),
    Int(&PanelFields::m_nTriggerMode, ferrule::kCtlEnableOnHigh, Exchange::RadioIndex),
};

// A whole decimal integer, blanks around it allowed.
bool ParseInteger(const QString& text, int* value) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*[-+]?\\d+\\s*$"));
    if (!pattern.match(text).hasMatch()) {
        return false;
    }
    bool ok = false;
    *value = text.trimmed().toInt(&ok);
    return ok;
}

}  // namespace

bool CShutterPanelDlg::UpdateData(bool saveAndValidate) {
    ferrule::ScopedIncrement quiet(m_suppressNotifications);
    bool ok = true;
    for (const Binding& binding : kBindings) {
        QWidget* control = GetDlgItem(binding.controlId);
        switch (binding.kind) {
            case Exchange::Text: {
                auto* edit = static_cast<QLineEdit*>(control);
                std::string& field = m_fields.*binding.textField;
                if (saveAndValidate) {
                    field = edit->text().toStdString();
                } else if (edit->text().toStdString() != field) {
                    edit->setText(QString::fromStdString(field));
                    m_changedControls.push_back(edit);
                }
                break;
            }
            case Exchange::Integer: {
                auto* edit = static_cast<QLineEdit*>(control);
                int& field = m_fields.*binding.intField;
                if (saveAndValidate) {
                    if (!ParseInteger(edit->text(), &field)) {
                        edit->setFocus();
                        edit->selectAll();
                        ShowMessageBox("Please enter an integer.",
                                       QString::fromStdString(m_options.applicationName),
                                       kMbOk | kMbIconExclamation);
                        ok = false;
                    }
                } else {
                    QString text = QString::number(field);
                    if (edit->text() != text) {
                        edit->setText(text);
                        m_changedControls.push_back(edit);
                    }
                }
                break;
            }
            case Exchange::RadioIndex: {
                const RadioGroup* group = RadioGroupStartingAt(binding.controlId);
                int& field = m_fields.*binding.intField;
                if (saveAndValidate) {
                    field = -1;
                    for (size_t i = 0; i < group->ids.size(); ++i) {
                        if (static_cast<QAbstractButton*>(GetDlgItem(group->ids[i]))->isChecked()) {
                            field = static_cast<int>(i);
                            break;
                        }
                    }
                } else {
                    // An exclusive group cannot uncheck its last button.
                    group->group->setExclusive(false);
                    for (size_t i = 0; i < group->ids.size(); ++i) {
                        auto* radio = static_cast<QAbstractButton*>(GetDlgItem(group->ids[i]));
                        bool checked = static_cast<int>(i) == field;
                        if (radio->isChecked() != checked) {
                            radio->setChecked(checked);
                            m_changedControls.push_back(radio);
                        }
                    }
                    group->group->setExclusive(true);
                }
                break;
            }
            case Exchange::SelectionIndex: {
                auto* combo = static_cast<QComboBox*>(control);
                int& field = m_fields.*binding.intField;
                if (saveAndValidate) {
                    field = combo->currentIndex();
                } else if (combo->currentIndex() != field) {
                    combo->setCurrentIndex(field < combo->count() ? field : -1);
                    m_changedControls.push_back(combo);
                }
                break;
            }
        }
        if (!ok) {
            break;
        }
    }
    if (!saveAndValidate) {
        // The log follows new lines itself while the user has it at its end.
        if (m_logReceived->CommitPending()) {
            m_changedControls.push_back(m_listReceived->viewport());
        }
        PointStatusToDoctor();
    }
    return ok;
}
