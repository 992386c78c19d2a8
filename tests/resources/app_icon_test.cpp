// The application icon, drawn at run time at every size the desktop asks for.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "panel/widgets/app_icon.h"
#include "test_application.h"

namespace {

TEST(ResourceIcon, ComesInTheUsualSizes) {
    TestApplication();
    QIcon icon = ferrule::AppIcon();
    QList<QSize> sizes = icon.availableSizes();
    for (int side : {16, 32, 48, 64}) {
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    }
}

// A round icon: painted in the middle, see-through in the corners.
TEST(ResourceIcon, IsARoundPictureOnATransparentGround) {
    TestApplication();
    QIcon icon = ferrule::AppIcon();
    for (int side : {16, 32, 48, 64}) {
        QImage image = icon.pixmap(QSize(side, side)).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << side;
        EXPECT_EQ(qAlpha(image.pixel(side - 1, side - 1)), 0) << side;
        EXPECT_EQ(qAlpha(image.pixel(side / 2, side / 2)), 255) << side;
        EXPECT_EQ(qAlpha(image.pixel(side / 2, side / 10)), 255) << side;
    }
}

}  // namespace
