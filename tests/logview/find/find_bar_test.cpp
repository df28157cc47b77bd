#include "logview/find/find_bar.h"
#include "logstore/log_find.h"
#include "logstore/log_model.h"
#include "logview/find/find_results_model.h"
#include "logview/log_view.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A window laid out as the main window is: the log, then the buttons.
class FindBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        view = new LogView(&log, &window);
        buttons = new QPushButton(QStringLiteral("Clear"), &window);
        layout->addWidget(view, 1);
        layout->addWidget(buttons, 0);
        installFindBar(&window, view, layout, 1);
        window.resize(503, 553);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        view->setFocus();
        QApplication::processEvents();
    }

    FindBar* bar() const { return window.findChild<FindBar*>(); }
    FindBar& open() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        EXPECT_NE(bar(), nullptr);
        return *bar();
    }
    void type(const QString& text) {
        QTest::keyClicks(&bar()->field(), text);
        settle();
    }
    void settle() {
        EXPECT_TRUE(bar()->finder().waitUntilIdle(10000));
        QApplication::processEvents();
    }
    QStringList rows() const {
        QStringList out;
        const FindResultsModel& m = bar()->resultsModel();
        for (int r = 0; r < m.rowCount(); ++r)
            out.append(m.data(m.index(r), Qt::AccessibleTextRole).toString());
        return out;
    }

    QWidget window;
    LogModel log;
    LogView* view = nullptr;
    QPushButton* buttons = nullptr;
};

TEST_F(FindBarTest, CtrlFOpensBetweenLogAndButtonsAndEscapeLeavesTheWindowAsItWas) {
    const QRect logBefore = view->geometry();
    const QRect buttonsBefore = buttons->geometry();
    EXPECT_EQ(bar(), nullptr);
    FindBar& b = open();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), &b.field());
    EXPECT_LT(view->geometry().bottom(), b.geometry().top());
    EXPECT_LE(b.geometry().bottom(), buttons->geometry().top());
    EXPECT_EQ(buttons->geometry(), buttonsBefore);
    EXPECT_FALSE(b.matchCase().isChecked());
    EXPECT_FALSE(b.regularExpression().isChecked());
    EXPECT_EQ(b.field().accessibleName(), "Find");
    EXPECT_EQ(b.results().accessibleName(), "Find results");
    EXPECT_EQ(b.matchCase().accessibleName(), "Match case");
    EXPECT_EQ(b.regularExpression().accessibleName(), "Regular expression");
    EXPECT_TRUE(b.field().toolTip().contains("back to its end"));

    QTest::keyClick(&b.field(), Qt::Key_Escape);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(bar(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), view);
    EXPECT_EQ(view->geometry(), logBefore);
    EXPECT_EQ(buttons->geometry(), buttonsBefore);

    // Opened again it keeps nothing of the last time.
    open();
    EXPECT_TRUE(bar()->field().text().isEmpty());
}

TEST_F(FindBarTest, TypingListsTheMatchingLinesWithCountCaseAndExpressions) {
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += (i % 2 ? QStringLiteral("7E8 fine %1\r") : QStringLiteral("7DF %1\r")).arg(i);
    text += QStringLiteral("7e8 lower\r");
    log.append(text);
    FindBar& b = open();
    type(QStringLiteral("7E8"));
    EXPECT_EQ(b.count().text(), "1,501 matches");
    EXPECT_EQ(b.results().accessibleDescription(), "1,501 matches");
    ASSERT_EQ(b.resultsModel().rowCount(), 1501);
    EXPECT_EQ(rows().first(), "2 7E8 fine 1");
    EXPECT_EQ(rows().last(), "3001 7e8 lower");
    // On screen the numbers line up.
    EXPECT_EQ(b.resultsModel().data(b.resultsModel().index(0), Qt::DisplayRole).toString(),
              "   2 7E8 fine 1");
    b.matchCase().setChecked(true);
    settle();
    EXPECT_EQ(b.count().text(), "1,500 matches");
    b.regularExpression().setChecked(true);
    b.field().setText(QStringLiteral("^7E8 fine 2[89]99$"));
    settle();
    EXPECT_EQ(rows(), QStringList({"2900 7E8 fine 2899", "3000 7E8 fine 2999"}));
    b.field().setText(QStringLiteral("(("));
    settle();
    EXPECT_EQ(b.count().text(), "invalid expression");
    b.regularExpression().setChecked(false);
    b.field().setText(QStringLiteral("lower"));
    settle();
    EXPECT_EQ(b.count().text(), "1 match");
    b.field().setText(QStringLiteral("absent"));
    settle();
    EXPECT_EQ(b.count().text(), "no match");
    EXPECT_EQ(b.results().accessibleDescription(), "no match");
}

TEST_F(FindBarTest, NewLinesJoinTheListAndClearEmptiesIt) {
    log.append(u"one hit\rmiss\r");
    FindBar& b = open();
    type(QStringLiteral("hit"));
    EXPECT_EQ(rows(), QStringList({"1 one hit"}));
    log.append(u"two hit\rthree h");
    log.append(QStringView(u"it\0nul\r", 7));
    settle();
    EXPECT_EQ(rows(), QStringList({"1 one hit", "3 two hit", QString::fromUtf16(u"4 three hit\u2400nul")}));
    EXPECT_EQ(b.count().text(), "3 matches");
    log.clear();
    settle();
    EXPECT_EQ(b.resultsModel().rowCount(), 0);
    EXPECT_EQ(b.count().text(), "no match");
    log.append(u"hit again\r");
    settle();
    EXPECT_EQ(rows(), QStringList({"1 hit again"}));
}

TEST_F(FindBarTest, CopyTakesTheSelectedRowsLinesAsTheLogsCopyWould) {
    log.append(QStringView(u"a match 1\rskip\rb match\0 2  \rc match 3\r", 38));
    FindBar& b = open();
    type(QStringLiteral("match"));
    ASSERT_EQ(b.resultsModel().rowCount(), 3);
    QItemSelectionModel* sel = b.results().selectionModel();
    sel->select(b.resultsModel().index(2), QItemSelectionModel::Select);
    sel->select(b.resultsModel().index(1), QItemSelectionModel::Select);
    b.results().setFocus();
    QTest::keyClick(&b.results(), Qt::Key_C, Qt::ControlModifier);
    const QString expected = QString::fromUtf16(u"b match\0 2  \r\nc match 3", 23);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    // The log's own Copy of the same two lines gives the same text.
    view->selectRange({2, 0}, {3, log.lineLength(3)});
    view->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    ASSERT_EQ(b.results().actions().size(), 1);
    EXPECT_EQ(b.results().actions().first()->text(), "Copy");
    EXPECT_EQ(b.results().contextMenuPolicy(), Qt::ActionsContextMenu);
}

TEST_F(FindBarTest, EnterF3AndDoubleClickSelectTheMatchInTheLog) {
    QString text;
    for (int i = 0; i < 500; ++i)
        text += (i % 100 == 50 ? QStringLiteral("needle %1\r") : QStringLiteral("hay %1\r")).arg(i);
    log.append(text);
    FindBar& b = open();
    type(QStringLiteral("needle"));
    ASSERT_EQ(b.resultsModel().rowCount(), 5);
    auto selectedLine = [&] {
        const LogViewState& s = view->state();
        EXPECT_EQ(s.selectionStart().line, s.selectionEnd().line);
        EXPECT_EQ(s.selectionStart().column, 0);
        EXPECT_EQ(s.selectionEnd().column, log.lineLength(s.selectionStart().line));
        EXPECT_GE(s.selectionStart().line, s.firstLine());
        EXPECT_LT(s.selectionStart().line, s.firstLine() + s.pageRows());
        return s.selectionStart().line;
    };
    QTest::keyClick(&b.field(), Qt::Key_Return);
    EXPECT_EQ(selectedLine(), 50);
    EXPECT_EQ(QApplication::focusWidget(), &b.field());
    QTest::keyClick(&b.field(), Qt::Key_F3);
    EXPECT_EQ(selectedLine(), 150);
    QTest::keyClick(&b.field(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(selectedLine(), 50);
    QTest::keyClick(&b.field(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(selectedLine(), 450);  // wraps around
    const QRect row = b.results().visualRect(b.resultsModel().index(3));
    QTest::mouseClick(b.results().viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(b.results().viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(selectedLine(), 350);
    EXPECT_EQ(QApplication::focusWidget(), view);
    // The next batch still drops the selection and goes to the end.
    log.append(u"more\r");
    QApplication::processEvents();
    EXPECT_FALSE(view->state().hasSelection());
    EXPECT_EQ(view->state().caret().line, log.lineCount() - 1);
}

}  // namespace
