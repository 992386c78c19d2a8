// Writes the application icon, as the program draws it, into the image files
// the desktop's icon theme reads: icon_files FOLDER SIZE...
// Each size goes to FOLDER/SIZExSIZE/apps/ferrule.png.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "panel/widgets/app_icon.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: icon_files FOLDER SIZE...\n", stderr);
        return 2;
    }
    // Drawing needs no window system: run on the offscreen platform whatever
    // the build machine has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "icon_files: not a size: %s\n", argv[i]);
            return 2;
        }
        QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        QString file = apps + QStringLiteral("/ferrule.png");
        if (!QDir().mkpath(apps) || !ferrule::AppIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "icon_files: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
