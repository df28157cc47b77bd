#include "desktop/tray_images.h"

#include "desktop/images/drawing.h"

#include <QPixmap>

namespace trayimages {
namespace {

using Picture = void (*)(QPainter&, int);

// Device sizes each icon carries, so trays and menus at 1x and 2x pick an
// exact render instead of a scaled one.
constexpr int kIconSizes[] = {16, 20, 22, 24, 32, 40, 48, 64};

QImage render(Picture picture, int index, int logicalSize, qreal devicePixelRatio) {
    const int side = qRound(logicalSize * devicePixelRatio);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(qreal(logicalSize) / kImageSize, qreal(logicalSize) / kImageSize);
    painter.setClipRect(QRectF(0, 0, kImageSize, kImageSize));
    picture(painter, index);
    return image;
}

QIcon icon(Picture picture, int index) {
    QIcon result;
    for (int size : kIconSizes) result.addPixmap(QPixmap::fromImage(render(picture, index, size, 1.0)));
    return result;
}

void drawApplicationIcon(QPainter& painter, int) {
    drawing::applicationIcon(painter);
}

}  // namespace

QImage renderStateImage(int index, int logicalSize, qreal devicePixelRatio) {
    if (index < 0 || index >= kStateImageCount) return {};
    return render(drawing::stateImage, index, logicalSize, devicePixelRatio);
}

QImage renderMenuImage(int index, int logicalSize, qreal devicePixelRatio) {
    if (index < 0 || index >= kMenuImageCount) return {};
    return render(drawing::menuImage, index, logicalSize, devicePixelRatio);
}

QImage renderApplicationIcon(int logicalSize, qreal devicePixelRatio) {
    return render(drawApplicationIcon, 0, logicalSize, devicePixelRatio);
}

QIcon trayStateIcon(int index) {
    if (index < 0 || index >= kStateImageCount) return {};
    return icon(drawing::stateImage, index);
}

QIcon menuImage(int index) {
    if (index < 0 || index >= kMenuImageCount) return {};
    return icon(drawing::menuImage, index);
}

QIcon applicationIcon() {
    return icon(drawApplicationIcon, 0);
}

QList<QIcon> stateImageList() {
    QList<QIcon> list;
    for (int i = 0; i < kStateImageCount; ++i) list << trayStateIcon(i);
    return list;
}

QList<QIcon> menuImageList() {
    QList<QIcon> list;
    for (int i = 0; i < kMenuImageCount; ++i) list << menuImage(i);
    return list;
}

}  // namespace trayimages
