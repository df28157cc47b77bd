#include "logview/find/find_bar.h"

#include "logstore/log_find.h"
#include "logstore/log_model.h"
#include "logview/find/find_results_model.h"
#include "logview/log_view.h"
#include "logview/paint/log_view_look.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPointer>
#include <QShortcut>

namespace {

constexpr int kListRows = 8;

const QString kToolTip = QStringLiteral(
    "Enter or F3 shows the next match in the log, Shift+Enter or Shift+F3 the previous one; a double "
    "click shows that row's match. While the monitor streams, the next batch takes the log back to "
    "its end.");

}  // namespace

FindBar::FindBar(LogView* view, QWidget* parent) : QWidget(parent), view_(view) {
    setObjectName(QStringLiteral("FindBar"));
    setToolTip(kToolTip);
    finder_ = new LogFinder(view->model(), this);
    model_ = new FindResultsModel(view->model(), finder_, this);

    field_ = new QLineEdit(this);
    field_->setAccessibleName(QStringLiteral("Find"));
    field_->setPlaceholderText(QStringLiteral("Find"));
    field_->setToolTip(kToolTip);
    matchCase_ = new QCheckBox(QStringLiteral("Match case"), this);
    matchCase_->setAccessibleName(QStringLiteral("Match case"));
    regex_ = new QCheckBox(QStringLiteral("Regular expression"), this);
    regex_->setAccessibleName(QStringLiteral("Regular expression"));
    count_ = new QLabel(this);
    count_->setAccessibleName(QStringLiteral("Match count"));
    list_ = new QListView(this);
    list_->setAccessibleName(QStringLiteral("Find results"));
    list_->setModel(model_);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setFont(logview::textFont());  // the rows are log lines
    list_->setToolTip(kToolTip);
    list_->setFixedHeight(QFontMetrics(list_->font()).height() * kListRows + 2 * list_->frameWidth() + 4);

    auto* copy = new QAction(QStringLiteral("Copy"), list_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    list_->addAction(copy);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(copy, &QAction::triggered, this, &FindBar::copySelected);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(field_, 1);
    top->addWidget(matchCase_);
    top->addWidget(regex_);
    top->addWidget(count_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 2);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addWidget(list_);
    setTabOrder(field_, matchCase_);
    setTabOrder(matchCase_, regex_);
    setTabOrder(regex_, list_);

    connect(field_, &QLineEdit::textChanged, this, &FindBar::search);
    connect(matchCase_, &QCheckBox::toggled, this, &FindBar::search);
    connect(regex_, &QCheckBox::toggled, this, &FindBar::search);
    connect(finder_, &LogFinder::progressChanged, this, &FindBar::updateCount);
    connect(finder_, &LogFinder::finished, this, &FindBar::updateCount);
    connect(finder_, &LogFinder::matchesAdded, this, &FindBar::updateCount);
    connect(finder_, &LogFinder::matchesRemoved, this, &FindBar::updateCount);
    connect(finder_, &LogFinder::matchesReset, this, &FindBar::updateCount);
    connect(list_, &QListView::doubleClicked, this,
            [this](const QModelIndex& i) { showMatch(i.row(), true); });

    auto* next = new QShortcut(QKeySequence(Qt::Key_F3), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(next, &QShortcut::activated, this, &FindBar::showNext);
    auto* previous =
        new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(previous, &QShortcut::activated, this, &FindBar::showPrevious);
    auto* close =
        new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(close, &QShortcut::activated, this, &FindBar::closeRequested);
    field_->installEventFilter(this);
    list_->installEventFilter(this);
    updateCount();
}

FindBar::~FindBar() = default;

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        if (enter && watched == field_) {
            (k->modifiers() & Qt::ShiftModifier) ? showPrevious() : showNext();
            return true;
        }
        if (enter && watched == list_ && list_->currentIndex().isValid()) {
            showMatch(list_->currentIndex().row(), true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::search() {
    finder_->start({field_->text(), matchCase_->isChecked(), regex_->isChecked()});
    updateCount();
}

QString FindBar::countText() const {
    if (!finder_->isValid()) return QStringLiteral("invalid expression");
    if (finder_->isSearching()) return QStringLiteral("searching... %1 %").arg(finder_->progress());
    if (field_->text().isEmpty()) return {};
    const qsizetype n = finder_->matchCount();
    if (n == 0) return QStringLiteral("no match");
    const QString number = QLocale(QLocale::English).toString(qlonglong(n));
    return n == 1 ? QStringLiteral("1 match") : number + QStringLiteral(" matches");
}

void FindBar::updateCount() {
    const QString text = countText();
    if (count_->text() == text) return;
    count_->setText(text);
    list_->setAccessibleDescription(text);
}

void FindBar::showMatch(int row, bool focusLog) {
    const qsizetype line = model_->lineOf(row);
    if (line < 0) return;
    list_->setCurrentIndex(model_->index(row));
    LogModel* log = view_->model();
    view_->selectRange({line, 0}, {line, log->lineLength(line)});
    if (focusLog) view_->setFocus(Qt::OtherFocusReason);
}

void FindBar::showNext() {
    const int rows = model_->rowCount();
    if (rows == 0) return;
    const QModelIndex current = list_->currentIndex();
    showMatch(current.isValid() ? (current.row() + 1) % rows : 0, false);
}

void FindBar::showPrevious() {
    const int rows = model_->rowCount();
    if (rows == 0) return;
    const QModelIndex current = list_->currentIndex();
    showMatch(current.isValid() ? (current.row() + rows - 1) % rows : rows - 1, false);
}

void FindBar::copySelected() {
    QList<int> rows;
    for (const QModelIndex& i : list_->selectionModel()->selectedIndexes()) rows.append(i.row());
    if (rows.isEmpty()) return;
    QGuiApplication::clipboard()->setText(model_->textOf(rows));
}

void installFindBar(QWidget* window, LogView* view, QBoxLayout* layout, int index) {
    auto* open = new QShortcut(QKeySequence::Find, window, nullptr, nullptr, Qt::WindowShortcut);
    auto bar = std::make_shared<QPointer<FindBar>>();
    QObject::connect(open, &QShortcut::activated, window, [=] {
        if (!*bar) {
            *bar = new FindBar(view, window);
            layout->insertWidget(index, *bar);
            QObject::connect(*bar, &FindBar::closeRequested, window, [=] {
                // The bar goes as a whole; the log takes its room back.
                FindBar* gone = *bar;
                *bar = nullptr;
                gone->hide();
                view->setFocus(Qt::ShortcutFocusReason);
                gone->deleteLater();
            });
        }
        (*bar)->show();
        (*bar)->field().setFocus(Qt::ShortcutFocusReason);
        (*bar)->field().selectAll();
    });
}
