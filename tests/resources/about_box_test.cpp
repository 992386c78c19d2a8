// The About box: its title, its contents on screen, and OK closing it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "core/resources/control_ids.h"
#include "panel/widgets/about_box.h"
#include "test_application.h"

namespace {

TEST(ResourceAboutBox, IsTitledAndNamesTheProgramVersionAndLicence) {
    TestApplication();
    CAboutBox about;
    EXPECT_EQ(about.windowTitle(), "About Ferrule");
    EXPECT_FALSE(about.windowIcon().isNull());
    bool version = false;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        version = version || label->text().contains("Ferrule Version 1.3");
    }
    EXPECT_TRUE(version);
    auto* licence = about.findChild<QLabel*>("licence");
    ASSERT_NE(licence, nullptr);
    EXPECT_EQ(licence->text(),
              "Free software under the GNU General Public License, version 3 or later.");
    EXPECT_EQ(licence->accessibleName(), licence->text());
}

// The driver line grows the box to show a long path whole; only an
// unreasonably long one is shortened, and stays whole in its tool tip. The
// lines never cover one another, however the licence wraps.
TEST(ResourceAboutBox, EverythingFitsInTheBoxWhateverTheDriverPath) {
    TestApplication();
    const QString deep = "/opt/lab/instruments/shutters/quillon/lib/x86_64/libftd2xx.so";
    const QString huge = "/" + QString("very-long-folder/").repeated(60) + "libftd2xx.so";
    int plainWidth = CAboutBox().width();
    for (const QString& path : {QString(), deep, huge}) {
        CAboutBox about(nullptr, path);
        auto* line = about.findChild<QLabel*>("driverLibrary");
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->toolTip(), CAboutBox::DriverLine(path));
        QRect area(QPoint(0, 0), about.size());
        const QList<QWidget*> children = about.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* child : children) {
            EXPECT_TRUE(area.contains(child->geometry())) << child->objectName().toStdString();
            for (QWidget* other : children) {
                EXPECT_TRUE(child == other || !child->geometry().intersects(other->geometry()))
                    << child->objectName().toStdString() << " covers "
                    << other->objectName().toStdString();
            }
        }
        if (path == huge) {
            EXPECT_LE(about.width(), 3 * plainWidth);
            EXPECT_TRUE(line->text().endsWith("libftd2xx.so"));
        } else {
            EXPECT_EQ(line->text(), CAboutBox::DriverLine(path));
        }
    }
    EXPECT_EQ(CAboutBox::DriverLine(""), "Driver library: none loaded");
}

TEST(ResourceAboutBox, OkClosesIt) {
    TestApplication();
    CAboutBox about;
    about.show();
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("ctl%1").arg(ferrule::kCtlOk));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(ResourceAboutBox, EnterClosesItThroughOk) {
    TestApplication();
    CAboutBox about;
    about.show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&about, &enter);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
