// The panel's file dialog. The filter comes as "name|pattern|" pairs, the way
// the configuration buttons describe it, and is shown as Qt's name filters.
#include <QFileDialog>
#include <QStringList>

#include "panel/shutter_panel_dlg.h"

namespace {

QStringList NameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (name.isEmpty()) {
            break;  // the closing "||"
        }
        filters << (name.contains(u'(') ? name : name + " (" + pattern + ")");
    }
    return filters;
}

}  // namespace

// No overwrite prompt and no check that the file exists: the operations
// report what goes wrong with the path they are given.
bool CShutterPanelDlg::PromptFileName(bool open, const std::string& filter,
                                      const std::string& defaultExtension, std::string* path) {
    QFileDialog dialog(this);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(NameFilters(filter));
    QString suffix = QString::fromStdString(defaultExtension);
    if (suffix.startsWith(u'.')) {
        suffix.remove(0, 1);
    }
    dialog.setDefaultSuffix(suffix);
    ModalScope modal(*this);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    *path = dialog.selectedFiles().front().toStdString();
    return true;
}
