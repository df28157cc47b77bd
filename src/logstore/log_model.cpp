#include "logstore/log_model.h"

#include "logstore/log_storage.h"
#include "text/codepage.h"

#include <QByteArrayView>

#include <algorithm>

using logstore::ByteLine;

LogModel::LogModel(QObject* parent) : LogModel(logstore::kFramePieceBytes, parent) {}

LogModel::LogModel(std::size_t framePieceBytes, QObject* parent)
    : QObject(parent), d_(new logstore::LogStorage(framePieceBytes)) {}

LogModel::~LogModel() {
    emit aboutToRewrite();
    delete d_;
}

void LogModel::append(QStringView batch) {
    d_->append(batch);
    emit appended();
}

void LogModel::clear() {
    emit aboutToRewrite();
    d_->clear();
    emit cleared();
}

void LogModel::trimTrailingBlanks() {
    emit aboutToRewrite();
    d_->trimTrailingBlanks();
    emit trimmed();
}

qsizetype LogModel::lineCount() const {
    return d_->count();
}

QString LogModel::line(qsizetype index) const {
    return lineSlice(index, 0, lineLength(index));
}

qsizetype LogModel::lineLength(qsizetype index) const {
    return d_->length(index);
}

QString LogModel::lineSlice(qsizetype index, qsizetype from, qsizetype count) const {
    if (d_->isWide(index)) {
        const QString& text = d_->wide.at(index);
        from = std::clamp<qsizetype>(from, 0, text.size());
        return text.mid(from, std::clamp<qsizetype>(count, 0, text.size() - from));
    }
    const ByteLine bytes = d_->bytesOf(index);
    const auto length = static_cast<qsizetype>(bytes.size);
    from = std::clamp<qsizetype>(from, 0, length);
    count = std::clamp<qsizetype>(count, 0, length - from);
    QString out;
    codepage::decodeAppend(QByteArrayView(bytes.data + from, count), out);
    return out;
}

QChar LogModel::charAt(qsizetype index, qsizetype column) const {
    if (d_->isWide(index)) return d_->wide.at(index).at(column);
    const ByteLine bytes = d_->bytesOf(index);
    if (static_cast<std::size_t>(column) >= bytes.size) return QChar();
    return QChar(codepage::toUnicode(static_cast<std::uint8_t>(bytes.data[column])));
}

qsizetype LogModel::maxLineLength() const {
    return d_->maxLength;
}

qsizetype LogModel::storageBytes() const {
    return static_cast<qsizetype>(d_->bytesHeld());
}
