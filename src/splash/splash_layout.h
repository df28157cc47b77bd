#pragma once
// Where the splash goes and what it writes: its size, its place on the
// screen, the frame its texts sit in, and the texts.

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace splash {

inline constexpr QSize kSplashSize(400, 205);

inline const QString kVersionText = QStringLiteral("Version 1.1");
inline const QString kCopyrightText = QStringLiteral("\u00A9 2026 Torvik Master contributors");

// The window less 2 px on each side and 5 more on the right: (2,2)-(392,202)
// for the 400 x 205 splash. The version sits at its top right, the copyright
// at its bottom right.
QRect textFrame(QSize splashSize);

// Top-left corner of a splash of `size`: half the difference between the
// primary screen's work area and the splash, counted from the screen's
// top-left corner, never left of or above the desktop's top-left corner.
QPoint centredPosition(const QRect& screen, const QRect& workArea, const QPoint& desktopTopLeft, QSize size);

// Tahoma at 11 px, or the platform's sans-serif face without it.
QFont textFont();

}  // namespace splash
