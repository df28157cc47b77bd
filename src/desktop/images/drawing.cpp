#include "desktop/images/drawing.h"

#include <QLinearGradient>

namespace trayimages::drawing {

void fillShaded(QPainter& painter, const QPainterPath& shape, const Shade& shade, qreal outlineWidth) {
    const QRectF box = shape.boundingRect();
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    gradient.setColorAt(0.0, shade.light);
    gradient.setColorAt(0.45, shade.fill);
    gradient.setColorAt(1.0, shade.fill.darker(115));
    painter.setPen(QPen(shade.outline, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(gradient);
    painter.drawPath(shape);
}

void strokeOutlined(QPainter& painter, const QPainterPath& line, const Shade& shade, qreal width) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(shade.outline, width + 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(line);
    painter.setPen(QPen(shade.fill, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(line);
}

void crossedDisc(QPainter& painter, QPointF centre, qreal radius, const Shade& shade) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, radius + 0.9, radius + 0.9);
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    fillShaded(painter, disc, shade, 0.8);
    const qreal arm = radius * 0.45;
    painter.setPen(QPen(Qt::white, radius * 0.38, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + QPointF(-arm, -arm), centre + QPointF(arm, arm));
    painter.drawLine(centre + QPointF(-arm, arm), centre + QPointF(arm, -arm));
}

void terminalWindow(QPainter& painter, const QRectF& frame, const Shade& titleBar) {
    const qreal unit = frame.width() / 13.0;
    // Frame and title bar.
    QPainterPath outer;
    outer.addRoundedRect(frame, unit, unit);
    painter.setPen(QPen(titleBar.outline, unit));
    painter.setBrush(titleBar.fill);
    painter.drawPath(outer);
    const QRectF title(frame.left(), frame.top(), frame.width(), 3.5 * unit);
    QLinearGradient shine(title.topLeft(), title.bottomLeft());
    shine.setColorAt(0.0, titleBar.light);
    shine.setColorAt(1.0, titleBar.fill);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shine);
    painter.drawRect(title.adjusted(0.5 * unit, 0.5 * unit, -0.5 * unit, 0));
    // The screen.
    const QRectF screen = frame.adjusted(0.5 * unit, 3.5 * unit, -0.5 * unit, -0.5 * unit);
    painter.setBrush(Qt::black);
    painter.drawRect(screen);
    // The prompt: a chevron and a cursor.
    const qreal x = screen.left() + 1.5 * unit;
    const qreal middle = screen.center().y();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xe8, 0xe8, 0xe8), 1.2 * unit, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const QPointF chevron[] = {{x, middle - 2 * unit}, {x + 2 * unit, middle}, {x, middle + 2 * unit}};
    painter.drawPolyline(chevron, 3);
    painter.drawLine(QPointF(x + 3.5 * unit, middle + 2 * unit), QPointF(x + 6.5 * unit, middle + 2 * unit));
}

}  // namespace trayimages::drawing
