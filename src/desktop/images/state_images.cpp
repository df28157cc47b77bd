// ImageList1: a plug and a socket, red and apart while the link is closed,
// green and joined while it is open, with the marks of images 2 and 3.
// Edges sit on the 16 px grid (outlines on half units) so the 1x renders stay sharp.

#include "desktop/images/drawing.h"

namespace trayimages::drawing {
namespace {

const Shade kMetal{QColor(0xd8, 0xd8, 0xd8), QColor(0x50, 0x50, 0x50), QColor(0xff, 0xff, 0xff)};

QPainterPath box(qreal left, qreal top, qreal right, qreal bottom, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(left, top), QPointF(right, bottom)), radius, radius);
    return path;
}

void cable(QPainter& painter, qreal from, qreal to, const Shade& shade) {
    fillShaded(painter, box(from, 6.5, to, 9.5, 0), shade);
}

// The socket, its open face at `face`, the cable leaving to the left. `showSlots`
// shows where the prongs go in while the plug is away.
void socket(QPainter& painter, qreal face, const Shade& shade, bool showSlots) {
    cable(painter, -1, face - 4, shade);
    fillShaded(painter, box(face - 5, 3.5, face, 12.5, 1.5), shade);
    if (!showSlots) return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade.outline);
    painter.drawRect(QRectF(face - 2.5, 5.5, 2, 2));
    painter.drawRect(QRectF(face - 2.5, 8.5, 2, 2));
}

// The plug, its front at `face`: two prongs to the left, a grip ridge, the
// cable leaving to the right.
void plug(QPainter& painter, qreal face, const Shade& shade) {
    fillShaded(painter, box(face - 2.5, 5.5, face + 1, 7.5, 0), kMetal);
    fillShaded(painter, box(face - 2.5, 8.5, face + 1, 10.5, 0), kMetal);
    cable(painter, face + 3, 17, shade);
    fillShaded(painter, box(face, 4.5, face + 4, 11.5, 1.2), shade);
    painter.setPen(QPen(shade.outline, 1));
    painter.drawLine(QPointF(face + 2.5, 6), QPointF(face + 2.5, 10));
}

void joined(QPainter& painter, const Shade& shade) {
    plug(painter, 8.5, shade);
    socket(painter, 8.5, shade, false);
}

}  // namespace

void stateImage(QPainter& painter, int index) {
    switch (index) {
        case 0:  // link closed
            socket(painter, 5.5, kRed, true);
            plug(painter, 10.5, kRed);
            break;
        case 1:  // link open, monitor on
            joined(painter, kGreen);
            break;
        case 2:  // link open with a fault mark (unused by the program)
            joined(painter, kGreen);
            crossedDisc(painter, {11.5, 11.5}, 3.6, kRed);
            break;
        case 3: {  // link open, monitor off
            joined(painter, kGreen);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::white);
            painter.drawEllipse(QPointF(3.5, 3.5), 3.2, 3.2);
            QPainterPath dot;
            dot.addEllipse(QPointF(3.5, 3.5), 2.4, 2.4);
            fillShaded(painter, dot, kRed, 0.8);
            break;
        }
        default:
            break;
    }
}

}  // namespace trayimages::drawing
