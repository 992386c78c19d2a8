#include "panel/widgets/about_box.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <algorithm>

#include "core/resources/control_ids.h"
#include "core/resources/dialog_template.h"
#include "panel/widgets/app_icon.h"
#include "panel/widgets/dialog_builder.h"

namespace {

// The licence line, in dialog units: in the text column, below the copyright
// line and as far apart from it as the template's lines are from each other,
// reaching to the OK button's right edge; it wraps onto the lines it needs.
constexpr ferrule::ControlTemplate kLicenceLine{
    ferrule::kNoId, ferrule::ControlKind::Static, "", 42, 48, 186, 9, ferrule::kStyleNone, nullptr,
    nullptr};
// The driver line, in dialog units: below the licence, from the icon's left
// edge to the OK button's right edge.
constexpr ferrule::ControlTemplate kDriverLine{
    ferrule::kNoId, ferrule::ControlKind::Static, "", 11, 0, 217, 9, ferrule::kStyleNone, nullptr,
    nullptr};
constexpr int kDriverLineGap = 7;
constexpr int kDriverLineBottomMargin = 7;
// A path longer than this many box widths is shortened in its middle.
constexpr int kWidestBox = 3;

}  // namespace

CAboutBox::CAboutBox(QWidget* parent, const QString& driverLibrary) : QDialog(parent) {
    const ferrule::DialogTemplate& about = ferrule::AboutBoxTemplate();
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QString::fromUtf8(about.caption));
    setWindowIcon(ferrule::AppIcon());

    ferrule::DialogUnits units = ferrule::DialogUnitsFor(font());
    setFixedSize(ferrule::DialogPixelSize(about, units));
    ferrule::BuiltDialog built = ferrule::BuildDialogControls(about, this, units);
    if (auto* ok = qobject_cast<QAbstractButton*>(built.controls[ferrule::kCtlOk])) {
        connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    }
    AddDriverLine(driverLibrary, AddLicenceLine());
}

QString CAboutBox::LicenceLine() {
    return QStringLiteral(
        "Free software under the GNU General Public License, version 3 or later.");
}

int CAboutBox::AddLicenceLine() {
    ferrule::DialogUnits units = ferrule::DialogUnitsFor(font());
    QRect rect = ferrule::DialogPixelRect(kLicenceLine, units);
    auto* label = new QLabel(LicenceLine(), this);
    label->setObjectName(QStringLiteral("licence"));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setAccessibleName(LicenceLine());
    rect.setHeight(std::max(rect.height(), label->heightForWidth(rect.width())));
    label->setGeometry(rect);
    return rect.y() + rect.height();
}

QString CAboutBox::DriverLine(const QString& driverLibrary) {
    return QStringLiteral("Driver library: ") +
           (driverLibrary.isEmpty() ? QStringLiteral("none loaded") : driverLibrary);
}

// The box grows to show the whole path; only a very long one is shortened,
// and the label's tool tip and accessible name keep it whole.
void CAboutBox::AddDriverLine(const QString& driverLibrary, int below) {
    ferrule::DialogUnits units = ferrule::DialogUnitsFor(font());
    QRect rect = ferrule::DialogPixelRect(kDriverLine, units);
    rect.moveTop(below + static_cast<int>(kDriverLineGap * units.y));
    QString text = DriverLine(driverLibrary);

    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("driverLibrary"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setToolTip(text);
    label->setAccessibleName(text);

    QFontMetrics metrics(label->font());
    int margin = width() - rect.right();
    int needed = metrics.horizontalAdvance(text) + 2;
    int widest = kWidestBox * width() - rect.left() - margin;
    rect.setWidth(std::clamp(needed, rect.width(), widest));
    label->setText(metrics.elidedText(text, Qt::ElideMiddle, rect.width()));
    label->setGeometry(rect);

    int bottom = rect.bottom() + static_cast<int>(kDriverLineBottomMargin * units.y);
    setFixedSize(std::max(width(), rect.right() + margin), bottom);
}
