#include "logview/log_model.h"

#include "device/codepage.h"

#include <QStringList>

#include <algorithm>

struct LogModel::Storage {
    QStringList lines;
    qsizetype maxLength = 0;
};

LogModel::LogModel(QObject* parent) : QObject(parent), d_(new Storage) {}

LogModel::~LogModel() { delete d_; }

void LogModel::append(QStringView batch) {
    if (d_->lines.isEmpty()) d_->lines.append(QString());
    // A CR becomes CR LF, so every CR is exactly one line break and a LF is text.
    for (QChar ch : batch) {
        if (ch == u'\r') {
            d_->lines.append(QString());
        } else if (ch == u'\t') {
            d_->lines.last().append(QStringLiteral("    "));
        } else {
            d_->lines.last().append(ch);
        }
    }
    d_->maxLength = 0;
    for (const QString& l : d_->lines) d_->maxLength = std::max(d_->maxLength, l.size());
    emit appended();
}

void LogModel::clear() {
    d_->lines.clear();
    d_->maxLength = 0;
    emit cleared();
}

void LogModel::trimTrailingBlanks() {
    d_->maxLength = 0;
    for (QString& l : d_->lines) {
        qsizetype n = l.size();
        while (n > 0 && l.at(n - 1).unicode() <= 0x20) --n;
        l.truncate(n);
        d_->maxLength = std::max(d_->maxLength, n);
    }
    emit trimmed();
}

qsizetype LogModel::lineCount() const { return d_->lines.size(); }

QString LogModel::line(qsizetype index) const { return d_->lines.at(index); }

qsizetype LogModel::lineLength(qsizetype index) const { return d_->lines.at(index).size(); }

QString LogModel::lineSlice(qsizetype index, qsizetype from, qsizetype count) const {
    return d_->lines.at(index).mid(from, count);
}

QChar LogModel::charAt(qsizetype index, qsizetype column) const { return d_->lines.at(index).at(column); }

qsizetype LogModel::maxLineLength() const { return d_->maxLength; }

void LogModel::appendEncodedLine(qsizetype index, QByteArray& out) const {
    out.append(codepage::encode(d_->lines.at(index)));
}
