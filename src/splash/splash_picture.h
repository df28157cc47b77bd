#pragma once
// The splash picture, 400 x 205, drawn in code: the simulator unit (a black
// box whose blue front panel carries five knobs and status lamps) on white,
// the program's name in bold black at the top left, the maker's logo below
// the unit.

#include <QImage>

class QPainter;

namespace splash {

// Paints the picture at the painter's origin in 400 x 205 logical pixels.
void paintPicture(QPainter& painter);

// The picture as an image at `devicePixelRatio`.
QImage renderPicture(qreal devicePixelRatio = 1.0);

}  // namespace splash
