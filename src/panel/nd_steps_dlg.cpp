#include "panel/nd_steps_dlg.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include "core/common/leading_integer.h"
#include "core/common/scope_guards.h"
#include "core/resources/control_ids.h"
#include "core/resources/dialog_template.h"
#include "panel/widgets/app_icon.h"
#include "panel/widgets/dialog_builder.h"

namespace {

constexpr int kStepsEditId = ferrule::kCtlSteps;

}  // namespace

CNdStepsDlg::CNdStepsDlg(QWidget* parent) : QDialog(parent) {
    const ferrule::DialogTemplate& steps = ferrule::NdStepsTemplate();
    setObjectName(QStringLiteral("ndStepsDlg"));
    setWindowTitle(QString::fromUtf8(steps.caption));
    setWindowIcon(ferrule::AppIcon());

    ferrule::DialogUnits units = ferrule::DialogUnitsFor(font());
    setFixedSize(ferrule::DialogPixelSize(steps, units));
    ferrule::BuiltDialog built = ferrule::BuildDialogControls(steps, this, units);
    m_controls = built.controls;
    m_editSteps = qobject_cast<QLineEdit*>(GetDlgItem(kStepsEditId));

    // The prompt above the edit labels it, and tells a screen reader user the
    // range as well as the name "Steps" does not.
    if (auto* prompt = findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        prompt->setBuddy(m_editSteps);
        m_editSteps->setAccessibleDescription(prompt->text());
    }
    if (auto* ok = qobject_cast<QAbstractButton*>(GetDlgItem(ferrule::kCtlOk))) {
        connect(ok, &QAbstractButton::clicked, this, &CNdStepsDlg::accept);
    }
    if (auto* cancel = qobject_cast<QAbstractButton*>(GetDlgItem(ferrule::kCtlCancel))) {
        connect(cancel, &QAbstractButton::clicked, this, &CNdStepsDlg::reject);
    }
}

bool CNdStepsDlg::Acceptable(const std::string& steps) {
    const int value = ferrule::LeadingInteger(steps);
    return !steps.empty() && value >= 0 && value <= kMaxSteps;
}

QWidget* CNdStepsDlg::GetDlgItem(int id) const {
    auto it = m_controls.find(id);
    return it != m_controls.end() ? it->second : nullptr;
}

int CNdStepsDlg::DoModal() {
    UpdateData(false);
    m_editSteps->setFocus();
    return exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

void CNdStepsDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strSteps = m_editSteps->text().toStdString();
    } else {
        m_editSteps->setText(QString::fromStdString(m_strSteps));
    }
}

int CNdStepsDlg::MessageBox(const QString& text, const QString& caption, unsigned type) {
    return ExecMessageBox(this, text, caption, type);
}

// The range is tested before emptiness. A text without digits is read as 0
// and accepted; a negative number is refused, since the controller would
// take its low eight bits as a large step count.
void CNdStepsDlg::accept() {
    if (m_warningOpen) {
        return;
    }
    UpdateData(true);
    const int steps = ferrule::LeadingInteger(m_strSteps);
    if (steps > kMaxSteps) {
        Warn(QStringLiteral("Steps must be less than 145. Please try again!"));
        return;
    }
    if (steps < 0) {
        Warn(QStringLiteral("Steps must not be negative. Please try again!"));
        return;
    }
    if (m_strSteps.empty()) {
        Warn(QStringLiteral("No steps. Please enter the number!"));
        return;
    }
    UpdateData(true);
    QDialog::accept();
}

void CNdStepsDlg::reject() {
    if (m_warningOpen) {
        return;
    }
    QDialog::reject();
}

// While the box is up, the prompt's own buttons stay inert: assistive
// technology can still press them, and a second box stacked over the first,
// or the prompt ending under its own warning, would leave the user stranded.
void CNdStepsDlg::Warn(const QString& text) {
    {
        ferrule::ScopedFlag warning(m_warningOpen);
        MessageBox(text, QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
    }
    UpdateData(true);
    // Back in the edit with the rejected text selected, ready to be retyped.
    m_editSteps->setFocus();
    m_editSteps->selectAll();
}
