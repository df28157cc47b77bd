#include "logview/paint/cell_glyphs.h"

#include <QFont>
#include <QPainter>
#include <QTextLayout>

#include <limits>

namespace logview {
namespace {
constexpr quint32 kUnknown = std::numeric_limits<quint32>::max();
constexpr char16_t kTableSize = 0x2200;  // the characters a run may hold lie below
constexpr int kMaxDigits = 20;           // the longest line number
}  // namespace

CellGlyphs::CellGlyphs(const QFont& font, int cellWidth)
    : face_(QRawFont::fromFont(font)), cellWidth_(cellWidth), glyphs_(kTableSize, kUnknown) {
    glyphRun_.setRawFont(face_);
    // Digits share one advance in a fixed-pitch face, so a laid-out row of
    // zeros gives the place of every digit of any number.
    QTextLayout layout(QString(kMaxDigits, u'0'), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() == 1 && runs.front().positions().size() == kMaxDigits) {
        const QList<QPointF> at = runs.front().positions();
        for (const QPointF& point : at) digitX_.push_back(point.x() - at.front().x());
    }
}

quint32 CellGlyphs::glyphOf(char16_t ch) const {
    if (ch >= kTableSize || !face_.isValid()) return 0;
    quint32& glyph = glyphs_[ch];
    if (glyph == kUnknown) {
        const QChar c(ch);
        quint32 index = 0;
        int count = 1;
        if (!face_.glyphIndexesForChars(&c, 1, &index, &count) || count != 1) index = 0;
        glyph = index;
    }
    return glyph;
}

bool CellGlyphs::draw(QPainter& painter, QPointF origin, QStringView run) const {
    indexes_.resize(run.size());
    positions_.resize(run.size());
    for (qsizetype i = 0; i < run.size(); ++i) {
        const quint32 glyph = glyphOf(run[i].unicode());
        if (glyph == 0) return false;
        indexes_[i] = glyph;
        positions_[i] = QPointF(qreal(i * cellWidth_), 0);
    }
    drawGlyphs(painter, origin);
    return true;
}

bool CellGlyphs::drawDigits(QPainter& painter, QPointF origin, QStringView digits) const {
    if (!addedIndexes_.isEmpty()) drawAdded(painter);
    if (!addDigits(origin, digits)) return false;
    drawAdded(painter);
    return true;
}

bool CellGlyphs::addDigits(QPointF origin, QStringView digits) const {
    if (digits.size() > qsizetype(digitX_.size())) return false;
    const qsizetype start = addedIndexes_.size();
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const quint32 glyph = glyphOf(digits[i].unicode());
        if (glyph == 0 || !digits[i].isDigit()) {
            addedIndexes_.resize(start);
            addedPositions_.resize(start);
            return false;
        }
        addedIndexes_.push_back(glyph);
        addedPositions_.push_back(origin + QPointF(digitX_[std::size_t(i)], 0));
    }
    return true;
}

void CellGlyphs::drawAdded(QPainter& painter) const {
    if (addedIndexes_.isEmpty()) return;
    glyphRun_.setGlyphIndexes(addedIndexes_);
    glyphRun_.setPositions(addedPositions_);
    painter.drawGlyphRun(QPointF(0, 0), glyphRun_);
    addedIndexes_.clear();
    addedPositions_.clear();
}

void CellGlyphs::drawGlyphs(QPainter& painter, QPointF origin) const {
    glyphRun_.setGlyphIndexes(indexes_);
    glyphRun_.setPositions(positions_);
    painter.drawGlyphRun(origin, glyphRun_);
}

}  // namespace logview
