#include "splash/splash_picture.h"

#include "splash/splash_layout.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace splash {
namespace {

const QColor kPanelBlue(0x15, 0x5c, 0xc4);
const QColor kPanelBlueDark(0x0b, 0x34, 0x7a);
const QColor kLogoBlue(0x0d, 0x3b, 0x84);

constexpr QRectF kBoxFront(78, 52, 264, 88);
constexpr qreal kBoxDepth = 10;

void programName(QPainter& painter) {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(22);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(14, 8, 240, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Torvik Master"));
}

void shadow(QPainter& painter) {
    QRadialGradient gradient(QPointF(210, 146), 150);
    gradient.setColorAt(0.0, QColor(0, 0, 0, 70));
    gradient.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.save();
    painter.translate(210, 146);
    painter.scale(1.0, 0.08);
    painter.translate(-210, -146);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(QPointF(210, 146), 150, 150);
    painter.restore();
}

// The black housing: its front, its top and right faces seen from above right.
void housing(QPainter& painter) {
    const QRectF f = kBoxFront;
    QPainterPath top;
    top.moveTo(f.topLeft());
    top.lineTo(f.topLeft() + QPointF(kBoxDepth, -kBoxDepth));
    top.lineTo(f.topRight() + QPointF(kBoxDepth, -kBoxDepth));
    top.lineTo(f.topRight());
    top.closeSubpath();
    QPainterPath side;
    side.moveTo(f.topRight());
    side.lineTo(f.topRight() + QPointF(kBoxDepth, -kBoxDepth));
    side.lineTo(f.bottomRight() + QPointF(kBoxDepth, -kBoxDepth));
    side.lineTo(f.bottomRight());
    side.closeSubpath();
    painter.setPen(QPen(QColor(0x11, 0x11, 0x11), 1));
    painter.setBrush(QColor(0x3a, 0x3a, 0x3a));
    painter.drawPath(top);
    painter.setBrush(QColor(0x1c, 0x1c, 0x1c));
    painter.drawPath(side);
    QLinearGradient front(f.topLeft(), f.bottomLeft());
    front.setColorAt(0.0, QColor(0x2a, 0x2a, 0x2a));
    front.setColorAt(1.0, QColor(0x05, 0x05, 0x05));
    painter.setBrush(front);
    painter.drawRoundedRect(f, 3, 3);
    // Feet.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x22, 0x22, 0x22));
    painter.drawRect(QRectF(f.left() + 14, f.bottom(), 22, 4));
    painter.drawRect(QRectF(f.right() - 36, f.bottom(), 22, 4));
}

QRectF panelRect() {
    return kBoxFront.adjusted(10, 9, -10, -9);
}

void frontPanel(QPainter& painter) {
    const QRectF panel = panelRect();
    QLinearGradient blue(panel.topLeft(), panel.bottomLeft());
    blue.setColorAt(0.0, kPanelBlue.lighter(125));
    blue.setColorAt(0.5, kPanelBlue);
    blue.setColorAt(1.0, kPanelBlueDark);
    painter.setPen(QPen(QColor(0x06, 0x1c, 0x40), 1));
    painter.setBrush(blue);
    painter.drawRoundedRect(panel, 2, 2);
    // Screws in the corners.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xb0, 0xbe, 0xd0));
    for (QPointF corner : {panel.topLeft() + QPointF(5, 5), panel.topRight() + QPointF(-5, 5),
                           panel.bottomLeft() + QPointF(5, -5), panel.bottomRight() + QPointF(-5, -5)}) {
        painter.drawEllipse(corner, 1.6, 1.6);
    }
}

// A knob seen from the front, its pointer at `angle` degrees from straight up.
void knob(QPainter& painter, QPointF centre, qreal angle) {
    constexpr qreal kRadius = 12;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 90));
    painter.drawEllipse(centre + QPointF(1.5, 2), kRadius, kRadius);
    QRadialGradient metal(centre + QPointF(-4, -5), kRadius * 1.6);
    metal.setColorAt(0.0, QColor(0xf4, 0xf4, 0xf4));
    metal.setColorAt(0.6, QColor(0x9a, 0x9a, 0x9a));
    metal.setColorAt(1.0, QColor(0x4a, 0x4a, 0x4a));
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
    painter.setBrush(metal);
    painter.drawEllipse(centre, kRadius, kRadius);
    painter.setBrush(QColor(0x70, 0x70, 0x70));
    painter.drawEllipse(centre, kRadius * 0.55, kRadius * 0.55);
    const qreal radians = qDegreesToRadians(angle);
    const QPointF tip = centre + QPointF(std::sin(radians), -std::cos(radians)) * (kRadius - 2.5);
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + (tip - centre) * 0.35, tip);
    // Scale marks around the knob.
    painter.setPen(QPen(QColor(0xd8, 0xe6, 0xff), 1));
    for (int mark = -135; mark <= 135; mark += 45) {
        const qreal r = qDegreesToRadians(qreal(mark));
        const QPointF direction(std::sin(r), -std::cos(r));
        painter.drawLine(centre + direction * (kRadius + 2), centre + direction * (kRadius + 4.5));
    }
}

void lamp(QPainter& painter, QPointF centre, const QColor& colour, bool lit) {
    if (lit) {
        QRadialGradient glow(centre, 7);
        glow.setColorAt(0.0, QColor(colour.red(), colour.green(), colour.blue(), 150));
        glow.setColorAt(1.0, QColor(colour.red(), colour.green(), colour.blue(), 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(centre, 7, 7);
    }
    QRadialGradient body(centre + QPointF(-1, -1), 4);
    body.setColorAt(0.0, lit ? colour.lighter(170) : colour.darker(250));
    body.setColorAt(1.0, lit ? colour : colour.darker(400));
    painter.setPen(QPen(QColor(0x05, 0x15, 0x30), 0.8));
    painter.setBrush(body);
    painter.drawEllipse(centre, 3.2, 3.2);
}

void controls(QPainter& painter) {
    const QRectF panel = panelRect();
    const qreal knobY = panel.top() + 44;
    const qreal spacing = 37;
    const qreal firstX = panel.left() + 30;
    const qreal angles[] = {-90, -30, 45, 0, 120};
    for (int i = 0; i < 5; ++i) knob(painter, QPointF(firstX + i * spacing, knobY), angles[i]);

    // Status lamps in a row above the knobs, and a power lamp on the right.
    const QColor green(0x3c, 0xff, 0x5a), amber(0xff, 0xb3, 0x00), red(0xff, 0x3b, 0x30);
    const QColor colours[] = {green, green, amber, red, green};
    const bool lit[] = {true, true, true, false, true};
    for (int i = 0; i < 5; ++i)
        lamp(painter, QPointF(firstX + i * spacing, panel.top() + 12), colours[i], lit[i]);
    const qreal rightX = panel.right() - 24;
    lamp(painter, QPointF(rightX, panel.top() + 12), green, true);
    // A small display and a connector on the right of the panel.
    painter.setPen(QPen(QColor(0x04, 0x10, 0x26), 1));
    painter.setBrush(QColor(0x0a, 0x1a, 0x12));
    painter.drawRect(QRectF(rightX - 16, panel.top() + 24, 32, 14));
    painter.setPen(QPen(QColor(0x6f, 0xff, 0x9a), 1));
    for (int i = 0; i < 4; ++i) {
        painter.drawLine(QPointF(rightX - 12 + i * 7, panel.top() + 31),
                         QPointF(rightX - 8 + i * 7, panel.top() + 31));
    }
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
    painter.setBrush(QColor(0xc0, 0xc0, 0xc0));
    painter.drawRoundedRect(QRectF(rightX - 9, panel.top() + 48, 18, 9), 2, 2);
    painter.setBrush(QColor(0x30, 0x30, 0x30));
    painter.drawRect(QRectF(rightX - 6, panel.top() + 51, 12, 3));
}

// The maker's logo: a ring carrying a pulse trace, and the maker's name.
void makersLogo(QPainter& painter) {
    const QPointF centre(146, 172);
    painter.setPen(QPen(kLogoBlue, 2.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 12, 12);
    QPainterPath pulse;
    pulse.moveTo(centre + QPointF(-9, 0));
    pulse.lineTo(centre + QPointF(-4, 0));
    pulse.lineTo(centre + QPointF(-1.5, -7));
    pulse.lineTo(centre + QPointF(2, 7));
    pulse.lineTo(centre + QPointF(4.5, 0));
    pulse.lineTo(centre + QPointF(9, 0));
    painter.setPen(QPen(QColor(0xe5, 0x39, 0x35), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(pulse);

    QFont name(QStringLiteral("Tahoma"));
    name.setStyleHint(QFont::SansSerif);
    name.setPixelSize(17);
    name.setBold(true);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    painter.setFont(name);
    painter.setPen(kLogoBlue);
    painter.drawText(QRectF(164, 158, 130, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TORVIK"));
    QFont tagline = name;
    tagline.setPixelSize(7);
    tagline.setBold(false);
    tagline.setLetterSpacing(QFont::AbsoluteSpacing, 1.6);
    painter.setFont(tagline);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawText(QRectF(165, 176, 140, 10), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("ECU SIMULATION"));
}

}  // namespace

void paintPicture(QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(QRectF(QPointF(0, 0), kSplashSize), Qt::white);
    programName(painter);
    shadow(painter);
    housing(painter);
    frontPanel(painter);
    controls(painter);
    makersLogo(painter);
    painter.restore();
}

QImage renderPicture(qreal devicePixelRatio) {
    QImage image(kSplashSize * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&image);
    paintPicture(painter);
    return image;
}

}  // namespace splash
