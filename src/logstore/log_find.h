#pragma once
// Finding text in the log: every line that holds a plain text (with or without
// matching case) or a match of a regular expression, as line numbers in log
// order.
//
// Use: make a LogFinder for the model on the user-interface thread and call
// start() with what to look for. The sealed chunks are scanned on worker
// threads, each decompressing one chunk at a time into a buffer of its own; the
// open chunk is copied once at the start. Matches arrive in order through
// matchesAdded(); progressChanged() follows the scan and finished() ends the
// first pass. While a search stands, every batch the model appends is scanned
// too (from the previous last line, which may have grown), so the list keeps
// following the traffic. Clear and the trimming before a save stop the workers
// before the store changes; the search then starts over on what is left.
//
// Matches are kept as one 64-bit line number each; the text of a line is read
// from the model when it is needed.

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class LogModel;

namespace logstore {
struct FindRun;
}

class LogFinder : public QObject {
    Q_OBJECT
public:
    struct Query {
        QString text;
        bool matchCase = false;
        bool regularExpression = false;
    };

    explicit LogFinder(LogModel* model, QObject* parent = nullptr);
    ~LogFinder() override;

    // Cancels the search in progress and starts one for `query`; an empty text
    // searches for nothing and leaves the list empty.
    void start(const Query& query);
    // Cancels the search in progress and empties the list.
    void stop();

    const Query& query() const { return query_; }
    // False while the regular expression does not compile; errorText() says why.
    bool isValid() const { return error_.isEmpty(); }
    const QString& errorText() const { return error_; }
    // True from start() until the first pass over the log has ended.
    bool isSearching() const { return searching_; }
    // The share of the log scanned by the first pass, 0 to 100.
    int progress() const { return progress_; }

    qsizetype matchCount() const { return static_cast<qsizetype>(matches_.size()); }
    qsizetype matchLine(qsizetype row) const { return matches_[static_cast<std::size_t>(row)]; }
    // The first row whose line is `line` or after it (matchCount() when none is).
    qsizetype rowAtOrAfter(qsizetype line) const;
    // Bytes held for the matches, for measuring.
    std::size_t matchBytes() const { return matches_.capacity() * sizeof(qint64); }

    // For tests and benchmarks: runs the event loop until the first pass has
    // ended and every appended batch has been scanned; false after `msecs`.
    bool waitUntilIdle(int msecs);

signals:
    void matchesReset();                                // the list is empty again
    void matchesAdded(qsizetype first, qsizetype end);  // rows [first, end) are new
    void matchesRemoved(qsizetype first);               // rows from `first` on are gone
    void progressChanged(int percent);
    void finished();  // the first pass has ended

private:
    void collect();
    void queueTail();
    void halt();
    void restart();

    static constexpr int kPollMs = 10;

    LogModel* model_;
    QTimer poll_;
    Query query_;
    QString error_;
    std::shared_ptr<logstore::FindRun> run_;
    std::vector<qint64> matches_;
    qsizetype tailFrom_ = 0;  // the first line the next batch must have scanned
    bool searching_ = false;
    int progress_ = 0;
};
