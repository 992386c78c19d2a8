#include "panel/widgets/app_icon.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <array>
#include <cmath>
#include <numbers>

namespace ferrule {
namespace {

constexpr int kBlades = 6;
constexpr double kDesign = 64.0;  // drawn in a 64 x 64 design space
const QPointF kCentre(32.0, 32.0);
constexpr double kHousingRadius = 30.0;
constexpr double kIrisRadius = 22.0;
constexpr double kApertureRadius = 9.0;

QPointF OnCircle(double radius, double degrees) {
    double radians = degrees * std::numbers::pi / 180.0;
    return kCentre + QPointF(radius * std::cos(radians), radius * std::sin(radians));
}

// Where the ray from `from` along `direction` leaves the iris circle.
QPointF LeaveIris(QPointF from, QPointF direction) {
    double length = std::hypot(direction.x(), direction.y());
    QPointF d = direction / length;
    QPointF f = from - kCentre;
    double b = f.x() * d.x() + f.y() * d.y();
    double c = f.x() * f.x() + f.y() * f.y() - kIrisRadius * kIrisRadius;
    double t = -b + std::sqrt(b * b - c);
    return from + d * t;
}

// The angle of a point on the iris circle, as QPainterPath::arcTo counts it.
double ArcAngle(QPointF point) {
    QPointF v = point - kCentre;
    return -std::atan2(v.y(), v.x()) * 180.0 / std::numbers::pi;
}

void DrawHousing(QPainter& painter) {
    QRadialGradient metal(kCentre - QPointF(8, 8), kHousingRadius * 1.6);
    metal.setColorAt(0.0, QColor(0xe4, 0xe8, 0xee));
    metal.setColorAt(1.0, QColor(0x5b, 0x63, 0x70));
    painter.setPen(QPen(QColor(0x22, 0x26, 0x2e), 2.0));
    painter.setBrush(metal);
    painter.drawEllipse(kCentre, kHousingRadius, kHousingRadius);
}

// The blades: between each corner of the hexagonal aperture and the next, a
// blade bounded by the two edges' extensions and the rim of the iris.
void DrawBlades(QPainter& painter) {
    std::array<QPointF, kBlades> corner;
    for (int k = 0; k < kBlades; ++k) {
        corner[k] = OnCircle(kApertureRadius, 30.0 + 60.0 * k);
    }
    painter.setPen(QPen(QColor(0x0e, 0x13, 0x1d), 1.0));
    for (int k = 0; k < kBlades; ++k) {
        const QPointF& here = corner[k];
        const QPointF& next = corner[(k + 1) % kBlades];
        const QPointF& last = corner[(k + kBlades - 1) % kBlades];
        QPointF rimFromHere = LeaveIris(here, here - last);
        QPointF rimFromNext = LeaveIris(next, next - here);
        double start = ArcAngle(rimFromHere);
        double sweep = std::remainder(ArcAngle(rimFromNext) - start, 360.0);

        QPainterPath blade(here);
        blade.lineTo(rimFromHere);
        blade.arcTo(QRectF(kCentre.x() - kIrisRadius, kCentre.y() - kIrisRadius, 2 * kIrisRadius,
                           2 * kIrisRadius),
                    start, sweep);
        blade.lineTo(next);
        blade.closeSubpath();
        painter.setBrush(k % 2 == 0 ? QColor(0x3c, 0x4b, 0x6e) : QColor(0x2c, 0x39, 0x58));
        painter.drawPath(blade);
    }
}

void DrawAperture(QPainter& painter) {
    QPolygonF hexagon;
    for (int k = 0; k < kBlades; ++k) {
        hexagon << OnCircle(kApertureRadius, 30.0 + 60.0 * k);
    }
    QLinearGradient light(kCentre - QPointF(kApertureRadius, kApertureRadius),
                          kCentre + QPointF(kApertureRadius, kApertureRadius));
    light.setColorAt(0.0, QColor(0xc8, 0xf0, 0xff));
    light.setColorAt(1.0, QColor(0x2f, 0x93, 0xd0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(light);
    painter.drawPolygon(hexagon);
}

}  // namespace

QImage AppIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kDesign, size / kDesign);
    DrawHousing(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x14, 0x1b, 0x2b));
    painter.drawEllipse(kCentre, kIrisRadius, kIrisRadius);
    DrawBlades(painter);
    DrawAperture(painter);
    painter.end();
    return image;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    }
    return icon;
}

}  // namespace ferrule
