#include "view_test_support.h"

#include "logview/save_text_file_dialog.h"
#include "support/error_box_recorder.h"
#include "support/log_model_text.h"

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

QStringList entriesOf(QMenu& menu) {
    QStringList out;
    for (QAction* a : menu.actions())
        out.append(a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : " [grey]"));
    return out;
}

}  // namespace

TEST_F(LogViewTest, NoKeyChangesTheText) {
    model.append(u"abc\rdef");
    const QStringList before = linesOf(model);
    QTest::keyClicks(&view, "typed");
    for (int key :
         {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab, Qt::Key_Space})
        QTest::keyClick(&view, Qt::Key(key));
    for (int key : {Qt::Key_X, Qt::Key_V, Qt::Key_Z, Qt::Key_Y})
        QTest::keyClick(&view, Qt::Key(key), Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(linesOf(model), before);
    QTest::keyClick(&view, Qt::Key_Home);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.state().caret(), (TextPos{1, 1}));
}

TEST_F(LogViewTest, TabShiftTabAndEnterKeepTheFocusInTheView) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QLineEdit;
    LogView inner(&model);
    auto* after = new QLineEdit;
    layout->addWidget(before);
    layout->addWidget(&inner);
    layout->addWidget(after);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    inner.setFocus();
    ASSERT_TRUE(inner.hasFocus());
    QTest::keyClick(&inner, Qt::Key_Tab);
    EXPECT_TRUE(inner.hasFocus());
    QTest::keyClick(&inner, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(inner.hasFocus());
    QTest::keyClick(&inner, Qt::Key_Return);
    EXPECT_TRUE(inner.hasFocus());
    layout->removeWidget(&inner);
    inner.setParent(nullptr);
}

TEST_F(LogViewTest, CtrlASelectsAllWithoutMovingTheCaretAndCtrlCCopiesWithCrLf) {
    model.append(u"one\rtwo\nx\rthree");
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      cellCentre(1, 1) - QPoint(view.metrics().cellWidth / 2, 0));
    const TextPos caret = view.state().caret();
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.state().caret(), caret);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("one\r\ntwo\nx\r\nthree"));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&view, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("one\r\ntwo\nx\r\nthree"));
}

TEST_F(LogViewTest, ShiftArrowsAndShiftClickExtendTheSelection) {
    model.append(u"abcdef\rghijkl");
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      cellCentre(0, 1) - QPoint(view.metrics().cellWidth / 2, 0));
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view.state().selectedText(), QStringLiteral("bc"));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      cellCentre(1, 2) - QPoint(view.metrics().cellWidth / 2, 0));
    EXPECT_EQ(view.state().selectedText(), QStringLiteral("bcdef\r\ngh"));
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_FALSE(view.state().hasSelection());
}

TEST_F(LogViewTest, AClickAnywhereInACellPutsTheCaretInThatCell) {
    model.append(QString(200, u'x') + u'\r' + QStringLiteral("0123456789").repeated(4));
    settle();
    const int cw = view.metrics().cellWidth;
    const int lh = view.metrics().lineHeight;
    auto clickAt = [this](int x, int y, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, mods, QPoint(x, y));
        return view.state().caret();
    };
    for (const int firstColumn : {0, 5}) {
        view.horizontalScrollBar()->setValue(firstColumn);
        ASSERT_EQ(view.state().firstColumn(), firstColumn);
        for (const int cell : {0, 3, 8})
            for (const int dx : {0, 1, cw / 2 - 1, cw / 2, cw / 2 + 1, cw - 1}) {
                const int x = logview::kTextLeft + cell * cw + dx;
                const int y = lh + lh / 2;  // the second row: line 1
                EXPECT_EQ(clickAt(x, y), (TextPos{1, firstColumn + cell}))
                    << "first column " << firstColumn << ", cell " << cell << ", " << dx << " px inside";
            }
    }
    // Shift extends the selection to the clicked cell, the right half included.
    view.horizontalScrollBar()->setValue(0);
    clickAt(logview::kTextLeft + 2 * cw + cw - 1, lh + 1);
    clickAt(logview::kTextLeft + 6 * cw + cw - 2, lh + lh - 1, Qt::ShiftModifier);
    EXPECT_EQ(view.state().selectedText(), QStringLiteral("2345"));
    // Right of the line's end, the caret stops after its last character.
    EXPECT_EQ(clickAt(logview::kTextLeft + 60 * cw + cw - 1, lh + 1), (TextPos{1, 40}));
}

TEST_F(LogViewTest, DraggingSelectsFromThePressToThePointer) {
    model.append(u"0123456789");
    const QPoint from = cellCentre(0, 2) - QPoint(view.metrics().cellWidth / 2, 0);
    const QPoint to = cellCentre(0, 7) - QPoint(view.metrics().cellWidth / 2, 0);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), view.viewport()->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(view.state().selectedText(), QStringLiteral("23456"));
    EXPECT_EQ(model.line(0), QStringLiteral("0123456789"));
}

TEST_F(LogViewTest, DroppingTextIntoTheViewChangesNothing) {
    model.append(u"keep");
    QMimeData mime;
    mime.setText(QStringLiteral("dropped"));
    const QPoint at = cellCentre(0, 1);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drop);
    EXPECT_EQ(linesOf(model), QStringList{"keep"});
}

TEST_F(LogViewTest, WheelScrollsFourLinesANotchWithoutMovingTheCaret) {
    appendLines(200);
    view.verticalScrollBar()->setValue(50);
    const TextPos caret = view.state().caret();
    QWheelEvent down(QPointF(100, 50), view.viewport()->mapToGlobal(QPointF(100, 50)), QPoint(),
                     QPoint(0, -240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &down);
    EXPECT_EQ(view.state().firstLine(), 58);
    EXPECT_EQ(view.verticalScrollBar()->value(), 58);
    EXPECT_EQ(view.state().caret(), caret);
    QWheelEvent up(QPointF(100, 50), view.viewport()->mapToGlobal(QPointF(100, 50)), QPoint(),
                   QPoint(0, 120 * 100), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &up);
    EXPECT_EQ(view.state().firstLine(), 0);
}

TEST_F(LogViewTest, ContextMenuEntriesAndTheirGreyedStates) {
    model.append(u"word other");
    std::unique_ptr<QMenu> menu(view.createContextMenu());
    EXPECT_EQ(entriesOf(*menu),
              (QStringList{"Undo\tCtrl-Z [grey]", "Redo\tCtrl-Y [grey]", "-", "Copy\tCtrl-C [grey]",
                           "Cut\tCtrl-X [grey]", "Paste\tCtrl-V [grey]", "Delete [grey]", "-",
                           "Select All\tCtrl-A"}));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cellCentre(0, 1));
    menu.reset(view.createContextMenu());
    EXPECT_EQ(entriesOf(*menu),
              (QStringList{"Undo\tCtrl-Z [grey]", "Redo\tCtrl-Y [grey]", "-", "Copy\tCtrl-C", "Cut\tCtrl-X",
                           "Paste\tCtrl-V [grey]", "Delete", "-", "Select All\tCtrl-A"}));
    menu->actions().at(4)->trigger();  // Cut
    menu->actions().at(6)->trigger();  // Delete
    EXPECT_EQ(model.line(0), QStringLiteral("word other"));
    menu->actions().at(3)->trigger();  // Copy
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("word"));
    menu->actions().at(8)->trigger();  // Select All
    EXPECT_EQ(view.state().selectedText(), QStringLiteral("word other"));
}

TEST_F(LogViewTest, RightClickOpensTheMenuInTheTextAreaButNotOverTheGutter) {
    model.append(u"text");
    int opened = 0;
    view.setMenuRunner([&opened](QMenu&, const QPoint&) { ++opened; });
    auto rightClick = [this](QPoint pos) {
        QTest::mouseClick(view.viewport(), Qt::RightButton, {}, pos);
        QContextMenuEvent e(QContextMenuEvent::Mouse, pos, view.viewport()->mapToGlobal(pos));
        QApplication::sendEvent(view.viewport(), &e);
    };
    rightClick(QPoint(20, 5));
    EXPECT_EQ(opened, 0);
    rightClick(cellCentre(0, 2));
    EXPECT_EQ(opened, 1);
}

TEST_F(LogViewTest, ABatchDropsTheSelectionAndBringsTheViewBackToTheEnd) {
    appendLines(300);
    view.verticalScrollBar()->setValue(10);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cellCentre(12, 1));
    ASSERT_TRUE(view.state().hasSelection());
    model.append(u"more");
    settle();
    EXPECT_FALSE(view.state().hasSelection());
    EXPECT_EQ(view.state().caret(), (TextPos{300, 4}));
    EXPECT_EQ(view.state().firstLine(), 300 - view.state().pageRows() + 1);
    EXPECT_EQ(view.verticalScrollBar()->value(), view.state().firstLine());
}

TEST_F(LogViewTest, ABatchThatAddsNoLineStillBringsTheScrollBarBack) {
    appendLines(300);
    const int end = view.verticalScrollBar()->value();
    view.verticalScrollBar()->setValue(10);
    model.append(u"same line");
    settle();
    EXPECT_EQ(view.state().firstLine(), end);
    EXPECT_EQ(view.verticalScrollBar()->value(), end);
}

TEST_F(LogViewTest, ALongLineShowsItsEndWithAHorizontalBarAndTheLastLineStaysInView) {
    appendLines(100);
    model.append(QString(500, u'q'));
    settle();
    ASSERT_TRUE(view.horizontalScrollBar()->isVisible());
    const auto& st = view.state();
    // The caret after the 500th column stays in sight with the text area narrowed by both bars.
    EXPECT_LE(st.firstColumn(), 500);
    EXPECT_GE(st.firstColumn() + st.pageColumns() - 1, 500);
    EXPECT_EQ(st.firstLine() + st.pageRows() - 1, 100);
    const int textHeight = view.viewport()->height();
    EXPECT_EQ(st.pageRows(), textHeight / view.metrics().lineHeight);
}

TEST_F(LogViewTest, ALineAsWideAsTheTextAreaGetsAScrollRangeThatShowsTheCaret) {
    appendLines(100);  // the vertical bar is already there, so the width stays put
    const qsizetype columns = view.state().pageColumns();
    model.append(QString(columns - 1, u'w'));
    settle();
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible()) << "the caret still fits in the last column";
    model.append(u"w");
    settle();
    const auto& st = view.state();
    ASSERT_EQ(model.lineLength(100), columns);
    ASSERT_EQ(st.caret(), (TextPos{100, columns}));
    EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.horizontalScrollBar()->value(), st.firstColumn());
    EXPECT_GE(st.firstColumn() + st.pageColumns() - 1, st.caret().column)
        << "the caret is past the right edge";
    EXPECT_EQ(st.firstLine() + st.pageRows() - 1, 100) << "the last line stays in view above the new bar";
}

TEST_F(LogViewTest, ClearEmptiesTheViewAndTheNextBatchStartsLineOne) {
    appendLines(100);
    model.append(u"in progress");
    view.clearLog();
    EXPECT_EQ(model.lineCount(), 0);
    EXPECT_EQ(view.state().firstLine(), 0);
    EXPECT_EQ(view.state().caret(), (TextPos{0, 0}));
    model.append(u"A");
    EXPECT_EQ(linesOf(model), QStringList{"A"});
}

TEST_F(LogViewTest, HugeLinesAndFloodsOfCarriageReturnsStayResponsive) {
    model.append(QString(1 << 20, u'L'));
    model.append(QString(1 << 20, u'\r'));
    EXPECT_EQ(model.lineCount(), (1 << 20) + 1);
    EXPECT_EQ(model.lineLength(0), 1 << 20);
    const QImage img = grab();
    EXPECT_EQ(img.size(), view.size());
    view.verticalScrollBar()->setValue(0);
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    EXPECT_FALSE(grab().isNull());
}

class LogViewSaveTest : public LogViewTest {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray readAll(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir;
    SaveTextFileDialog dialog;
    ErrorBoxRecorder errors;
};

TEST_F(LogViewSaveTest, SaveTrimsTheViewWritesCrLfAfterEveryLineAndRemembersTheName) {
    QStringList offered;
    dialog.setChooser([&](QWidget*, const QString& last) {
        offered.append(last);
        return path("log.txt");
    });
    model.append(u"a \r");
    view.saveLog(dialog);
    EXPECT_EQ(readAll("log.txt"), QByteArray("a\r\n\r\n"));
    EXPECT_EQ(linesOf(model), (QStringList{"a", ""}));
    model.append(u"b");
    view.saveLog(dialog);
    EXPECT_EQ(offered, (QStringList{"", path("log.txt")}));
    EXPECT_EQ(readAll("log.txt"), QByteArray("a\r\nb\r\n"));
    EXPECT_EQ(errors.count(), 0);
}

TEST_F(LogViewSaveTest, LaterTextFollowsTheLastNonBlankCharacterAfterASave) {
    dialog.setChooser([this](QWidget*, const QString&) { return path("x.txt"); });
    model.append(u"value   ");
    view.saveLog(dialog);
    model.append(u"!");
    EXPECT_EQ(model.line(0), QStringLiteral("value!"));
    EXPECT_EQ(view.state().caret(), (TextPos{0, 6}));
}

TEST_F(LogViewSaveTest, CancelledSaveWritesNothingAndTrimsNothing) {
    dialog.setChooser([](QWidget*, const QString&) { return QString(); });
    model.append(u"x  ");
    view.saveLog(dialog);
    EXPECT_EQ(model.line(0), QStringLiteral("x  "));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(dialog.fileName(), QString());
}

TEST_F(LogViewSaveTest, SaveOfAnEmptyViewGivesAZeroByteFile) {
    dialog.setChooser([this](QWidget*, const QString&) { return path("empty.txt"); });
    model.append(u"gone");
    view.clearLog();
    view.saveLog(dialog);
    EXPECT_EQ(readAll("empty.txt"), QByteArray());
}

TEST_F(LogViewSaveTest, AFailedCreateStillTrimsTheViewAndReportsTheError) {
    dialog.setChooser([this](QWidget*, const QString&) { return path("missing/dir/log.txt"); });
    model.append(u"text \t");
    view.saveLog(dialog);
    EXPECT_EQ(model.line(0), QStringLiteral("text"));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_TRUE(errors.texts().first().startsWith(
        QStringLiteral("Datei \"%1\" kann nicht erstellt werden. ").arg(path("missing/dir/log.txt"))));
}

TEST(SaveTextFileDialog, IsSetUpForLogFilesWithoutAnOverwriteQuestion) {
    QFileDialog dialog;
    SaveTextFileDialog::configure(dialog, QStringLiteral("/tmp/previous.txt"));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.nameFilters(), QStringList{"Log File (*.txt)"});
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("txt"));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
}
