#include "panel/widgets/link_doctor_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ferrule {
namespace {

QString Fix(const LinkFinding& finding) {
    return QString::fromStdString(finding.fix);
}

}  // namespace

LinkDoctorDialog::LinkDoctorDialog(QWidget* parent, Examine examine)
    : QDialog(parent),
      m_examine(std::move(examine)),
      m_summary(new QLabel(this)),
      m_list(new QListWidget(this)),
      m_copy(new QPushButton("&Copy Fix", this)) {
    setWindowTitle("Diagnose Link");
    setObjectName("linkDoctor");
    m_summary->setObjectName("doctorSummary");
    m_summary->setWordWrap(true);
    m_summary->setAccessibleName("Summary");
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_list->setObjectName("doctorFindings");
    m_list->setAccessibleName("Findings");
    m_list->setAccessibleDescription(
        "What stands between you and the controller, each with the "
        "command that fixes it");
    m_list->setWordWrap(true);
    m_list->setUniformItemSizes(false);
    m_list->setSpacing(2);
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);

    m_copy->setObjectName("doctorCopyFix");
    m_copy->setAccessibleDescription("Copies the selected finding's fix to the clipboard");
    auto* again = new QPushButton("Check &Again", this);
    again->setObjectName("doctorCheckAgain");
    auto* close = new QPushButton("Close", this);
    close->setObjectName("doctorClose");
    close->setDefault(true);
    connect(m_copy, &QPushButton::clicked, this, &LinkDoctorDialog::CopyFix);
    connect(again, &QPushButton::clicked, this, &LinkDoctorDialog::Refresh);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        m_copy->setEnabled(row >= 0 && static_cast<size_t>(row) < m_findings.size() &&
                           !m_findings[static_cast<size_t>(row)].fix.empty());
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_copy);
    buttons->addWidget(again);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(720, 480);
    Refresh();
    m_list->setFocus();
}

void LinkDoctorDialog::Refresh() {
    m_findings = m_examine ? m_examine() : std::vector<LinkFinding>{};
    m_list->clear();
    for (const LinkFinding& finding : m_findings) {
        auto* item = new QListWidgetItem(ItemText(finding), m_list);
        item->setData(Qt::AccessibleTextRole, SpokenText(finding));
        item->setData(Qt::ToolTipRole, Fix(finding));
    }
    m_summary->setText(Summary());
    if (m_list->count() > 0) {
        m_list->setCurrentRow(0);
    }
    m_copy->setEnabled(!m_findings.empty() && !m_findings.front().fix.empty());
}

void LinkDoctorDialog::CopyFix() {
    const int row = m_list->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= m_findings.size()) {
        return;
    }
    QApplication::clipboard()->setText(Fix(m_findings[static_cast<size_t>(row)]));
}

QString LinkDoctorDialog::Summary() const {
    int problems = 0, warnings = 0, unread = 0;
    for (const LinkFinding& finding : m_findings) {
        problems += finding.kind == LinkFinding::Kind::Problem;
        warnings += finding.kind == LinkFinding::Kind::Warning;
        unread += finding.kind == LinkFinding::Kind::Unreadable;
    }
    if (problems + warnings + unread == 0) {
        return "Nothing found stands between you and the controller.";
    }
    return QString(
               "%1 problem(s), %2 warning(s), %3 thing(s) that could not be checked. "
               "Each finding below says what to do.")
        .arg(problems)
        .arg(warnings)
        .arg(unread);
}

QString LinkDoctorDialog::ItemText(const LinkFinding& finding) {
    return QString::fromStdString(FormatFindings({finding})).trimmed();
}

QString LinkDoctorDialog::SpokenText(const LinkFinding& finding) {
    QString text =
        QString::fromUtf8(KindLabel(finding.kind)) + ": " + QString::fromStdString(finding.summary);
    if (!finding.detail.empty()) {
        text += " " + QString::fromStdString(finding.detail).replace('\n', ' ');
    }
    if (!finding.fix.empty()) {
        text += " Fix: " + Fix(finding).replace('\n', ' ');
    }
    return text;
}

}  // namespace ferrule
