#pragma once
// The rows of the find bar's results list: one per match of a LogFinder, shown
// as the line's number and text. Only the matches' line numbers are kept; a
// row's text is read from the log when the list asks for it.

#include <QAbstractListModel>

class LogFinder;
class LogModel;

class FindResultsModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Characters of a line shown in its row; copying takes the whole line.
    static constexpr qsizetype kShownChars = 400;

    FindResultsModel(LogModel* log, LogFinder* finder, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The log line of `row` (0-based), or -1 outside the list.
    qsizetype lineOf(int row) const;
    // The lines of `rows` as the log's Copy gives them: joined by CR LF.
    QString textOf(QList<int> rows) const;

private:
    LogModel* log_;
    LogFinder* finder_;
    int rows_ = 0;  // what the list has been told
};
