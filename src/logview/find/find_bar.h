#pragma once
// The find bar: a text field, "Match case" and "Regular expression", a count
// and the list of matching lines, under the log and above the buttons.
//
// Use: installFindBar(window, view, layout, index) gives the window Ctrl+F.
// The bar is made when Ctrl+F opens it and goes when Escape closes it, so a
// window without it is the same as before and nothing is kept between uses.
// Enter in the field and F3 go to the next match, Shift with them to the
// previous one, a double click or Enter on a row to that row's match: each
// selects the line in the log through the log's own selection and scrolling.

#include <QWidget>

class FindResultsModel;
class LogFinder;
class LogView;
class QBoxLayout;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;

class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(LogView* view, QWidget* parent = nullptr);
    ~FindBar() override;

    QLineEdit& field() const { return *field_; }
    QCheckBox& matchCase() const { return *matchCase_; }
    QCheckBox& regularExpression() const { return *regex_; }
    QLabel& count() const { return *count_; }
    QListView& results() const { return *list_; }
    FindResultsModel& resultsModel() const { return *model_; }
    LogFinder& finder() const { return *finder_; }

    // The count as shown: "1,204 matches", "searching... 38 %", "no match".
    QString countText() const;

    // Selects the match of `row` in the log and makes it the list's current row.
    void showMatch(int row, bool focusLog);
    // The match after (before) the current row, wrapping around.
    void showNext();
    void showPrevious();
    // Copies the selected rows' lines, joined by CR LF.
    void copySelected();

signals:
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void search();
    void updateCount();

    LogView* view_;
    LogFinder* finder_;
    FindResultsModel* model_;
    QLineEdit* field_;
    QCheckBox* matchCase_;
    QCheckBox* regex_;
    QLabel* count_;
    QListView* list_;
};

// Gives `window` Ctrl+F, which opens a FindBar for `view` at `index` of `layout`
// (or gives its field the focus again); Escape in the bar closes it and hands
// the focus back to the view.
void installFindBar(QWidget* window, LogView* view, QBoxLayout* layout, int index);
