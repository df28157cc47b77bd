#include "logview/find/find_results_model.h"

#include "logstore/log_find.h"
#include "logstore/log_model.h"

#include <algorithm>
#include <climits>

namespace {
// A list view counts its rows in int; a longer list shows its first INT_MAX.
int clampedRows(qsizetype n) {
    return int(std::min<qsizetype>(n, INT_MAX));
}
}  // namespace

FindResultsModel::FindResultsModel(LogModel* log, LogFinder* finder, QObject* parent)
    : QAbstractListModel(parent), log_(log), finder_(finder) {
    connect(finder_, &LogFinder::matchesReset, this, [this] {
        beginResetModel();
        rows_ = 0;
        endResetModel();
    });
    connect(finder_, &LogFinder::matchesRemoved, this, [this](qsizetype first) {
        if (first >= rows_) return;
        beginRemoveRows({}, int(first), rows_ - 1);
        rows_ = int(first);
        endRemoveRows();
    });
    connect(finder_, &LogFinder::matchesAdded, this, [this](qsizetype, qsizetype end) {
        const int to = clampedRows(end);
        if (to <= rows_) return;
        beginInsertRows({}, rows_, to - 1);
        rows_ = to;
        endInsertRows();
    });
}

int FindResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

qsizetype FindResultsModel::lineOf(int row) const {
    if (row < 0 || row >= rows_ || row >= finder_->matchCount()) return -1;
    const qsizetype line = finder_->matchLine(row);
    return line < log_->lineCount() ? line : -1;
}

QVariant FindResultsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole) return {};
    const qsizetype line = lineOf(index.row());
    if (line < 0) return {};
    // On screen the numbers line up (as wide as the log's last line number);
    // a screen reader gets them without the padding.
    QString text = QString::number(line + 1);
    if (role == Qt::DisplayRole) text = text.rightJustified(QString::number(log_->lineCount()).size());
    text += u' ';
    QString shown = log_->lineSlice(line, 0, kShownChars);
    // A control character would break or hide the row: it shows as its picture.
    for (QChar& ch : shown)
        if (ch.unicode() < 0x20) ch = QChar(char16_t(0x2400 + ch.unicode()));
    text += shown;
    if (log_->lineLength(line) > kShownChars) text += QChar(0x2026);
    return text;
}

QString FindResultsModel::textOf(QList<int> rows) const {
    std::sort(rows.begin(), rows.end());
    QString out;
    bool first = true;
    for (int row : rows) {
        const qsizetype line = lineOf(row);
        if (line < 0) continue;
        if (!first) out += QStringLiteral("\r\n");
        first = false;
        log_->appendText(line, 0, line, log_->lineLength(line), u"\r\n", out);
    }
    return out;
}
