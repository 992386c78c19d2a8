// The link doctor's findings in a dialog: a summary line, the findings as a
// list a screen reader reads item by item (each with its evidence and the
// command that fixes it), and buttons to copy the selected finding's fix and
// to examine again.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "core/doctor/link_finding.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace ferrule {

class LinkDoctorDialog : public QDialog {
    Q_OBJECT

public:
    using Examine = std::function<std::vector<LinkFinding>()>;

    LinkDoctorDialog(QWidget* parent, Examine examine);

    // Examines again and shows what was found.
    void Refresh();
    // The selected finding's fix to the clipboard.
    void CopyFix();

    QListWidget* FindingList() const { return m_list; }
    QString Summary() const;
    // A finding as the list shows it, and as a screen reader speaks it.
    static QString ItemText(const LinkFinding& finding);
    static QString SpokenText(const LinkFinding& finding);

private:
    Examine m_examine;
    std::vector<LinkFinding> m_findings;
    QLabel* m_summary;
    QListWidget* m_list;
    QPushButton* m_copy;
};

}  // namespace ferrule
