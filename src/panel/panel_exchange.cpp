// The exchange between the panel's fields and its controls. One binding table,
// walked in order in either direction. Controls are written only when their
// value differs, and nothing a control raises while the exchange runs reaches
// a handler.
//
// The poll's batches take a shorter way when they can. Before a batch the
// fields take what the controls show only if a control has changed since the
// fields last took them all in (otherwise they hold it already). After a batch
// that only counted and listed its bytes, only the count and the log are
// shown; while a stream runs at the stream pace, the count box is written at
// most four times a second, so that it never lags the count by more than the
// bytes of a quarter of a second, and exactly once the stream stops. Whatever
// reads the controls brings the count box up to date first.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <charconv>

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

// Writes a number into an edit unless it shows it already; true if written.
// Compared without building a string, so that an unchanged count costs nothing.
bool WriteInteger(QLineEdit* edit, int value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const QLatin1String text(digits, end - digits);
    if (edit->text() == text) {
        return false;
    }
    edit->setText(text);
    return true;
}

}  // namespace

void CShutterPanelDlg::WatchBoundControls() {
    auto changed = [this] { m_fieldsMatchControls = false; };
    for (const Binding& binding : kBindings) {
        if (binding.kind == Exchange::RadioIndex) {
            for (int id : RadioGroupStartingAt(binding.controlId)->ids) {
                connect(static_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::toggled,
                        this, changed);
            }
        } else if (binding.kind == Exchange::SelectionIndex) {
            connect(static_cast<QComboBox*>(GetDlgItem(binding.controlId)),
                    &QComboBox::currentIndexChanged, this, changed);
        } else {
            connect(static_cast<QLineEdit*>(GetDlgItem(binding.controlId)), &QLineEdit::textChanged,
                    this, changed);
        }
    }
}

void CShutterPanelDlg::ReadFields() {
    if (!m_fieldsMatchControls) {
        UpdateData(true);
    }
}

void CShutterPanelDlg::WriteFields() {
    UpdateData(false);
}

void CShutterPanelDlg::WriteCountAndLog() {
    ferrule::ScopedIncrement quiet(m_suppressNotifications);
    if (m_logReceived->CommitPending()) {
        m_changedControls.push_back(m_listReceived->viewport());
    }
    // At the stream pace the poll writes the count once its wake-up is over.
    if (m_countMayWait) {
        m_countBehind = true;
    } else {
        ShowCount();
    }
}

// The count box shows the field. Its own text change is not a change the
// fields have to take in: the box shows what they hold.
void CShutterPanelDlg::ShowCount() {
    ferrule::ScopedIncrement quiet(m_suppressNotifications);
    const bool matched = m_fieldsMatchControls;
    auto* box = static_cast<QLineEdit*>(GetDlgItem(ferrule::kCtlReceivedBytes));
    if (WriteInteger(box, m_fields.m_nReceivedBytes)) {
        m_changedControls.push_back(box);
    }
    m_fieldsMatchControls = matched;
    m_countBehind = false;
    m_countShownMs = MonotonicMs();
}

bool CShutterPanelDlg::UpdateData(bool saveAndValidate) {
    ferrule::ScopedIncrement quiet(m_suppressNotifications);
    // A count box that lags the count would hand the fields an old count.
    if (m_countBehind) {
        ShowCount();
    }
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
                    if (WriteInteger(edit, field)) {
                        m_changedControls.push_back(edit);
                    }
                    m_countShownMs = MonotonicMs();  // the one integer binding is the count
                    m_countBehind = false;
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
    // After a read the fields hold what the controls show. After a write the
    // controls show the fields, but a value a control cannot show (a radio
    // index past its group) would read back differently, so the next batch
    // reads them again.
    m_fieldsMatchControls = saveAndValidate && ok;
    return ok;
}
