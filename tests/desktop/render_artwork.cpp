// Writes every picture of the program, the splash included, as PNG files for a person to look at:
// render_artwork <folder>. Each image comes as drawn at 8x, and as its 1x and
// 2x renders magnified with hard pixel edges, beside each other in a sheet.

#include "desktop/tray_images.h"
#include "splash/splash_layout.h"
#include "splash/splash_screen.h"

#include <QApplication>
#include <QDir>
#include <QPainter>

#include <cstdio>
#include <functional>

namespace {

constexpr int kCell = 128;

using Render = std::function<QImage(int logicalSize, qreal dpr)>;

QImage magnified(const QImage& image) {
    QImage plain = image;
    plain.setDevicePixelRatio(1.0);
    return plain.scaled(kCell, kCell, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// One row: 1x magnified, 2x magnified, 8x drawn; on a checkered ground so
// transparency shows.
QImage sheetRow(const Render& render, int logicalSize) {
    QImage row(3 * kCell + 20, kCell, QImage::Format_ARGB32_Premultiplied);
    row.fill(Qt::white);
    QPainter painter(&row);
    for (int x = 0; x < row.width(); x += 8) {
        for (int y = 0; y < row.height(); y += 8) {
            if ((x / 8 + y / 8) % 2) painter.fillRect(x, y, 8, 8, QColor(0xdd, 0xdd, 0xdd));
        }
    }
    painter.drawImage(0, 0, magnified(render(logicalSize, 1.0)));
    painter.drawImage(kCell + 10, 0, magnified(render(logicalSize, 2.0)));
    QImage sharp = render(logicalSize, kCell / qreal(logicalSize));
    sharp.setDevicePixelRatio(1.0);
    painter.drawImage(2 * kCell + 20, 0, sharp);
    return row;
}

void writeSheet(const QString& path, const QList<Render>& renders, int logicalSize) {
    QImage sheet(3 * kCell + 20, renders.size() * (kCell + 10), QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < renders.size(); ++i)
        painter.drawImage(0, i * (kCell + 10), sheetRow(renders[i], logicalSize));
    painter.end();
    sheet.save(path);
    std::printf("%s\n", qUtf8Printable(path));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("artwork");
    QDir().mkpath(folder);
    QList<Render> states, menu;
    for (int i = 0; i < trayimages::kStateImageCount; ++i) {
        states << [i](int size, qreal dpr) { return trayimages::renderStateImage(i, size, dpr); };
        trayimages::renderStateImage(i, 16, 8).save(QStringLiteral("%1/state_%2_8x.png").arg(folder).arg(i));
    }
    for (int i = 0; i < trayimages::kMenuImageCount; ++i) {
        menu << [i](int size, qreal dpr) { return trayimages::renderMenuImage(i, size, dpr); };
        trayimages::renderMenuImage(i, 16, 8).save(QStringLiteral("%1/menu_%2_8x.png").arg(folder).arg(i));
    }
    const Render appIcon = [](int size, qreal dpr) { return trayimages::renderApplicationIcon(size, dpr); };
    writeSheet(folder + QStringLiteral("/state_images.png"), states, 16);
    writeSheet(folder + QStringLiteral("/menu_images.png"), menu, 16);
    writeSheet(folder + QStringLiteral("/application_icon_16.png"), {appIcon}, 16);
    writeSheet(folder + QStringLiteral("/application_icon_32.png"), {appIcon}, 32);
    // The splash as its window paints it, texts included.
    splash::SplashScreen screen;
    for (int scale : {1, 2, 8}) {
        QImage image(splash::kSplashSize * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        screen.render(&image);
        const QString path = QStringLiteral("%1/splash_%2x.png").arg(folder).arg(scale);
        image.save(path);
        std::printf("%s\n", qUtf8Printable(path));
    }
    return 0;
}
