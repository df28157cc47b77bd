// Build-time tool: renders the program's own application icon into the
// freedesktop icon theme layout, so that the launcher, the menu and the
// software centre show the same picture as the window and the tray.
//
//   torvik-render-icons OUTDIR ICON-NAME SIZE...
// writes OUTDIR/hicolor/<N>x<N>/apps/ICON-NAME.png for every SIZE.
#include "desktop/tray_images.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTDIR ICON-NAME SIZE...\n", argv[0]);
        return 2;
    }
    // No display is needed: the pictures are drawn into images.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "%s: bad size '%s'\n", argv[0], argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(outDir).arg(size);
        const QImage image = trayimages::renderApplicationIcon(size, 1.0);
        if (image.isNull() || image.width() != size || !QDir().mkpath(dir) ||
            !image.save(QStringLiteral("%1/%2.png").arg(dir, name), "PNG")) {
            std::fprintf(stderr, "%s: cannot write the %dx%d icon into %s\n", argv[0], size, size,
                         qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
