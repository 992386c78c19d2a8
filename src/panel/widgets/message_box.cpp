#include "panel/widgets/message_box.h"

#include <QMessageBox>

int ExecMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type) {
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (type & 0xF0) {
        case kMbIconStop:
            box.setIcon(QMessageBox::Critical);
            break;
        case kMbIconExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case kMbIconInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    if ((type & 0x0F) == kMbOkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? kIdOk : kIdCancel;
}
