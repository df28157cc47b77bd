#pragma once
// Shared pieces of the pictures. Every picture draws into a 16 x 16 box of
// logical units; the renderer scales the painter to the wanted size.

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

namespace trayimages::drawing {

// A colour with its darker outline and lighter highlight.
struct Shade {
    QColor fill;
    QColor outline;
    QColor light;
};

inline const Shade kRed{QColor(0xe5, 0x39, 0x35), QColor(0x8c, 0x14, 0x14), QColor(0xff, 0x8a, 0x80)};
inline const Shade kGreen{QColor(0x43, 0xa0, 0x47), QColor(0x1b, 0x5e, 0x20), QColor(0xa5, 0xd6, 0xa7)};
inline const Shade kBlue{QColor(0x1e, 0x63, 0xd0), QColor(0x0d, 0x2f, 0x6e), QColor(0x82, 0xb1, 0xff)};
inline const Shade kGrey{QColor(0xc8, 0xc8, 0xc8), QColor(0x4a, 0x4a, 0x4a), QColor(0xf0, 0xf0, 0xf0)};

// Fills `shape` with a top-lit gradient of `shade` and traces its outline.
void fillShaded(QPainter& painter, const QPainterPath& shape, const Shade& shade, qreal outlineWidth = 1.0);

// A line of `width` drawn over a wider line in the outline colour.
void strokeOutlined(QPainter& painter, const QPainterPath& line, const Shade& shade, qreal width);

// A disc at `centre` with a white cross, ringed in white so it stands out on
// top of other shapes.
void crossedDisc(QPainter& painter, QPointF centre, qreal radius, const Shade& shade);

// A terminal window in `frame`: title bar in `titleBar`, black screen with a
// ">_" prompt.
void terminalWindow(QPainter& painter, const QRectF& frame, const Shade& titleBar);

// The pictures themselves.
void stateImage(QPainter& painter, int index);
void menuImage(QPainter& painter, int index);
void applicationIcon(QPainter& painter);

}  // namespace trayimages::drawing
