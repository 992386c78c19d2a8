#include "app/about_box.h"

#include <QAbstractButton>

#include "app/app_icon.h"
#include "app/dialog_builder.h"
#include "resources/dialog_template.h"

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
    const ferrule::DialogTemplate& about = ferrule::AboutBoxTemplate();
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QString::fromUtf8(about.caption));
    setWindowIcon(ferrule::AppIcon());

    ferrule::DialogUnits units = ferrule::DialogUnitsFor(font());
    setFixedSize(ferrule::DialogPixelSize(about, units));
    ferrule::BuiltDialog built = ferrule::BuildDialogControls(about, this, units);
    if (auto* ok = qobject_cast<QAbstractButton*>(built.controls[1])) {
        connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    }
}
