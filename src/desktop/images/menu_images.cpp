// ImageList2: the pictures beside the tray menu's items.

#include "desktop/images/drawing.h"

#include <QPolygonF>
#include <QtMath>

namespace trayimages::drawing {
namespace {

void redCross(QPainter& painter) {
    QPainterPath cross;
    cross.moveTo(3.5, 3.5);
    cross.lineTo(12.5, 12.5);
    cross.moveTo(3.5, 12.5);
    cross.lineTo(12.5, 3.5);
    strokeOutlined(painter, cross, kRed, 2.6);
}

void applicationWindow(QPainter& painter) {
    QPainterPath frame;
    frame.addRoundedRect(QRectF(1.5, 2.5, 13, 11), 1, 1);
    fillShaded(painter, frame, kGreen);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf4, 0xfb, 0xf4));
    painter.drawRect(QRectF(2.5, 5.5, 11, 7));
    // Window buttons on the title bar.
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(11, 3.5, 1.5, 1.2));
}

void arrowRight(QPainter& painter) {
    QPainterPath arrow;
    arrow.addPolygon(QPolygonF({{1.5, 6}, {8, 6}, {8, 2.5}, {14.5, 8}, {8, 13.5}, {8, 10}, {1.5, 10}}));
    arrow.closeSubpath();
    fillShaded(painter, arrow, kGreen);
}

// A regular octagon around the picture's centre with a flat top, as road signs have it.
QPainterPath octagon(qreal radius) {
    QPolygonF corners;
    for (int i = 0; i < 8; ++i) {
        const qreal angle = qDegreesToRadians(22.5 + 45.0 * i);
        corners << QPointF(8, 8) + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    QPainterPath path;
    path.addPolygon(corners);
    path.closeSubpath();
    return path;
}

void stopSign(QPainter& painter) {
    fillShaded(painter, octagon(7.3), kRed);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 0.8));
    painter.drawPath(octagon(5.9));
    // A white bar stands for the lettering.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(4.2, 7, 7.6, 2));
}

void checkMark(QPainter& painter) {
    QPainterPath check;
    check.addPolygon(QPolygonF({{2.8, 8.6}, {6.2, 12}, {13.2, 3.8}}));
    strokeOutlined(painter, check, kGreen, 2.6);
}

}  // namespace

void menuImage(QPainter& painter, int index) {
    switch (index) {
        case 0:
            redCross(painter);
            break;
        case 1:
            terminalWindow(painter, QRectF(1.5, 1.5, 13, 13), kBlue);
            break;
        case 2:
            applicationWindow(painter);
            break;
        case 3:
            arrowRight(painter);
            break;
        case 4:
            stopSign(painter);
            break;
        case 5:
            crossedDisc(painter, {8, 8}, 6.6, kRed);
            break;
        case 6:
            checkMark(painter);
            break;
        default:
            break;
    }
}

void applicationIcon(QPainter& painter) {
    terminalWindow(painter, QRectF(1.5, 1.5, 13, 13), kGrey);
}

}  // namespace trayimages::drawing
