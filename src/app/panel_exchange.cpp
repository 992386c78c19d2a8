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

#include "app/line_list_view.h"
#include "app/received_log_model.h"
#include "app/shutter_panel_dlg.h"

namespace {

enum class Exchange { Text, Integer, RadioIndex, SelectionIndex };

struct Binding {
    int CShutterPanelDlg::*intField;
    std::string CShutterPanelDlg::*textField;
    int controlId;
    Exchange kind;
};

constexpr Binding Text(std::string CShutterPanelDlg::*field, int id) {
    return {nullptr, field, id, Exchange::Text};
}
constexpr Binding Int(int CShutterPanelDlg::*field, int id, Exchange kind) {
    return {field, nullptr, id, kind};
}

const Binding kBindings[] = {
    Text(&CShutterPanelDlg::m_strStatus, 1015),
    Int(&CShutterPanelDlg::m_nReceivedBytes, 1021, Exchange::Integer),
    Text(&CShutterPanelDlg::m_strDevice, 1026),
    Int(&CShutterPanelDlg::m_nOpenBy, 1027, Exchange::RadioIndex),
    Int(&CShutterPanelDlg::m_nShutter, 1065, Exchange::RadioIndex),
    Int(&CShutterPanelDlg::m_nShutterMode, 1055, Exchange::RadioIndex),
    Int(&CShutterPanelDlg::m_nSyncLevel, 1061, Exchange::RadioIndex),
    Int(&CShutterPanelDlg::m_nTimerSelect, 1090, Exchange::SelectionIndex),
    Text(&CShutterPanelDlg::m_strMinute, 1080),
    Text(&CShutterPanelDlg::m_strSecond, 1081),
    Text(&CShutterPanelDlg::m_strHour, 1079),
    Text(&CShutterPanelDlg::m_strMillisecond, 1082),
    Text(&CShutterPanelDlg::m_strTenthMs, 1089),
    Int(&CShutterPanelDlg::m_nFreeRunOption, 1063, Exchange::RadioIndex),
    Text(&CShutterPanelDlg::m_strRepeatCount, 1083),
    Text(&CShutterPanelDlg::m_strCyclesLeft, 1084),
    Int(&CShutterPanelDlg::m_nTriggerMode, 1058, Exchange::RadioIndex),
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
    ++m_suppressNotifications;
    bool ok = true;
    for (const Binding& binding : kBindings) {
        QWidget* control = GetDlgItem(binding.controlId);
        switch (binding.kind) {
            case Exchange::Text: {
                auto* edit = static_cast<QLineEdit*>(control);
                std::string& field = this->*binding.textField;
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
                int& field = this->*binding.intField;
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
                int& field = this->*binding.intField;
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
                int& field = this->*binding.intField;
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
    }
    --m_suppressNotifications;
    return ok;
}
