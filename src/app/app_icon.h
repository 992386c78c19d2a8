// The application icon (icon resource 128): a shutter iris in a round housing,
// drawn at run time.
#pragma once

#include <QIcon>

namespace ferrule {

// The icon at 16, 32, 48 and 64 pixels.
QIcon AppIcon();

}  // namespace ferrule
