// The log view's mouse, keyboard and context-menu handling. Every gesture moves
// the caret, the selection or the scroll position; none changes the text.
#include "logview/log_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>

#include <memory>

using namespace logview;
using Move = LogViewState::Move;

namespace {

bool isCopyKey(const QKeyEvent* k) {
    return k->matches(QKeySequence::Copy) ||
           (k->key() == Qt::Key_Insert && k->modifiers() == Qt::ControlModifier);
}

// Keys the view keeps for itself even where a window shortcut would take them.
bool isOwnKey(const QKeyEvent* k) {
    if (isCopyKey(k) || k->matches(QKeySequence::SelectAll) || k->matches(QKeySequence::Cut) ||
        k->matches(QKeySequence::Paste) || k->matches(QKeySequence::Undo) || k->matches(QKeySequence::Redo) ||
        k->matches(QKeySequence::Delete))
        return true;
    switch (k->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool LogView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (isOwnKey(k)) {
            k->accept();
            return true;
        }
    }
    // Tab and Shift+Tab stay in the view instead of moving the focus on.
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            k->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool LogView::handleNavigationKey(QKeyEvent* k) {
    const bool extend = k->modifiers() & Qt::ShiftModifier;
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    Move move;
    switch (k->key()) {
        case Qt::Key_Left:
            move = ctrl ? Move::WordLeft : Move::Left;
            break;
        case Qt::Key_Right:
            move = ctrl ? Move::WordRight : Move::Right;
            break;
        case Qt::Key_Up:
            move = Move::Up;
            break;
        case Qt::Key_Down:
            move = Move::Down;
            break;
        case Qt::Key_Home:
            move = ctrl ? Move::DocStart : Move::Home;
            break;
        case Qt::Key_End:
            move = ctrl ? Move::DocEnd : Move::End;
            break;
        case Qt::Key_PageUp:
            move = Move::PageUp;
            break;
        case Qt::Key_PageDown:
            move = Move::PageDown;
            break;
        default:
            return false;
    }
    state_.move(move, extend);
    afterCaretMove();
    return true;
}

void LogView::keyPressEvent(QKeyEvent* k) {
    if (isCopyKey(k)) {
        copy();
    } else if (k->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (!handleNavigationKey(k) && (k->modifiers() & Qt::AltModifier)) {
        k->ignore();  // menu mnemonics belong to the window
        return;
    }
    // Typing, Backspace, Delete, Enter, cut, paste, undo: read-only, nothing changes.
    k->accept();
}

TextPos LogView::positionAt(const QPoint& pos) const {
    const qsizetype row = pos.y() >= 0 ? pos.y() / metrics_.lineHeight : -1;
    // The cell that holds the point, wherever in the cell it lies.
    const qsizetype column = state_.firstColumn() + std::max(pos.x() - textLeft(), 0) / metrics_.cellWidth;
    return {state_.firstLine() + row, column};
}

void LogView::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        state_.moveTo(positionAt(pos), e->modifiers() & Qt::ShiftModifier);
        state_.ensureCaretVisible();
        afterCaretMove();
    } else if (e->button() == Qt::RightButton && pos.x() >= gutter().width()) {
        setFocus(Qt::MouseFocusReason);
    }
    e->accept();
}

void LogView::mouseMoveEvent(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton)) return;
    // Dragging past an edge scrolls one step per move, as the caret follows.
    state_.moveTo(positionAt(e->position().toPoint()), true);
    state_.ensureCaretVisible();
    afterCaretMove();
}

void LogView::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
}

void LogView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    state_.selectWordAt(positionAt(e->position().toPoint()));
    afterCaretMove();
}

void LogView::wheelEvent(QWheelEvent* e) {
    // 120 units are one notch; smaller steps add up until they make one.
    wheelRemainder_ += e->angleDelta().y();
    const int notches = wheelRemainder_ / 120;
    wheelRemainder_ -= notches * 120;
    if (notches != 0) {
        followingEnd_ = false;
        state_.scrollLines(-notches * kWheelLinesPerNotch);
        syncScrollBars();
        viewport()->update();
    }
    e->accept();
}

void LogView::contextMenuEvent(QContextMenuEvent* e) {
    e->accept();
    if (e->reason() == QContextMenuEvent::Mouse && e->pos().x() < gutter().width()) return;
    setFocus(Qt::OtherFocusReason);
    std::unique_ptr<QMenu> menu(createContextMenu());
    menuRunner_(*menu, e->globalPos());
}

QMenu* LogView::createContextMenu() {
    auto* menu = new QMenu(this);
    const bool selected = state_.hasSelection();
    auto add = [menu](const QString& text, const char* shortcut, bool enabled) {
        QAction* action = menu->addAction(*shortcut ? text + u'\t' + QLatin1String(shortcut) : text);
        action->setEnabled(enabled);
        return action;
    };
    add(QStringLiteral("Undo"), "Ctrl-Z", false);
    add(QStringLiteral("Redo"), "Ctrl-Y", false);
    menu->addSeparator();
    connect(add(QStringLiteral("Copy"), "Ctrl-C", selected), &QAction::triggered, this, &LogView::copy);
    add(QStringLiteral("Cut"), "Ctrl-X", selected);  // read-only: nothing is removed
    add(QStringLiteral("Paste"), "Ctrl-V", false);
    add(QStringLiteral("Delete"), "", selected);  // read-only: nothing is removed
    menu->addSeparator();
    connect(add(QStringLiteral("Select All"), "Ctrl-A", true), &QAction::triggered, this,
            &LogView::selectAll);
    return menu;
}
