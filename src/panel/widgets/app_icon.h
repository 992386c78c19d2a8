// The application icon (icon resource 128): a shutter iris in a round housing,
// drawn at run time.
#pragma once

#include <QIcon>
#include <QImage>

namespace ferrule {

// The icon at 16, 32, 48 and 64 pixels.
QIcon AppIcon();

// The icon drawn at one size, for the image files the desktop reads.
QImage AppIconImage(int size);

}  // namespace ferrule
