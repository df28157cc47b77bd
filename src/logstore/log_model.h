#pragma once
// The monitor log: every line the simulator sent, in order, without widgets.
//
// Use: the connection engine calls append() with each received batch on the
// user-interface thread; the log view (logview/log_view.h) shows the model and
// repaints on appended()/cleared()/trimmed(). Clear and Save go through the view.
// How the lines are kept: logstore/log_storage.h.
//
// Lines are handed out as UTF-16 text; CR and TAB never stand inside a line.

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <functional>

namespace logstore {
struct LogStorage;
}

class LogModel : public QObject {
    Q_OBJECT
public:
    explicit LogModel(QObject* parent = nullptr);
    // Sealed chunks compressed in pieces of `framePieceBytes` rather than
    // logstore::kFramePieceBytes: a long line then spans many pieces with
    // kilobytes instead of gigabytes.
    explicit LogModel(std::size_t framePieceBytes, QObject* parent = nullptr);
    ~LogModel() override;

    // One received batch: CR -> CR LF, split only at CR LF pairs, continue the last
    // line, lone LF stays in its line, TAB -> 4 spaces. Emits appended() once.
    void append(QStringView batch);
    // Removes all lines; emits cleared().
    void clear();
    // Removes every line's trailing characters U+0000..U+0020 (before a save);
    // emits trimmed().
    void trimTrailingBlanks();

    qsizetype lineCount() const;
    QString line(qsizetype index) const;  // UTF-16 text of one line
    qsizetype lineLength(qsizetype index) const;
    // Up to `count` characters of line `index` from column `from` (clamped).
    QString lineSlice(qsizetype index, qsizetype from, qsizetype count) const;
    // The character at (index, column); the column must lie inside the line.
    QChar charAt(qsizetype index, qsizetype column) const;
    // The length of the longest line.
    qsizetype maxLineLength() const;

    // Appends the text from (fromLine, fromColumn) to (toLine, toColumn), columns
    // clamped into their lines, lines joined by `lineBreak`, to `out` in one pass.
    void appendText(qsizetype fromLine, qsizetype fromColumn, qsizetype toLine, qsizetype toColumn,
                    QStringView lineBreak, QString& out) const;

    // Appends line `index` to `out` in the 8-bit code page ('?' for characters
    // the page cannot hold).
    void appendEncodedLine(qsizetype index, QByteArray& out) const;

    // Hands the whole log to `sink` as code-page bytes, every line followed by
    // `lineEnd`, in blocks of about a megabyte; stops early when `sink` returns false.
    bool writeEncoded(QByteArrayView lineEnd, const std::function<bool(QByteArrayView block)>& sink) const;

    // Bytes the model holds for its lines (chunks and line index), for measuring.
    qsizetype storageBytes() const;

    // The lines as stored, for the finder (logstore/log_find.h).
    const logstore::LogStorage& storage() const { return *d_; }

signals:
    // Emitted before Clear, the trimming and destruction change or free stored
    // chunks, so that readers on other threads let go of them first.
    void aboutToRewrite();
    void appended();  // the widget reacts: drop selection, caret to end, scroll, one repaint
    void cleared();
    void trimmed();

private:
    logstore::LogStorage* d_;
};
