#include "logview/accessible/accessible_log_text.h"

#include "logstore/log_model.h"
#include "logview/accessible/log_view_accessible.h"
#include "logview/log_view.h"

#include <QAccessible>
#include <QCoreApplication>

#include <utility>

namespace {

// Whether assistive technology listens: what the platform says, or what it
// last announced (a listener may also switch accessibility on by itself).
class Listeners : public QAccessible::ActivationObserver {
public:
    Listeners() { QAccessible::installActivationObserver(this); }
    void accessibilityActiveChanged(bool active) override {
        active_ = active;
#ifndef Q_OS_WIN
        // The bridge takes its place on the bus right after it turns active.
        if (active) QMetaObject::invokeMethod(qApp, &answerLogRangesOverAtSpi, Qt::QueuedConnection);
#endif
    }
    bool active() const {
        return active_ || QAccessible::isActive();
    }

private:
    bool active_ = false;
};

// Made once and kept for the process: the observer list outlives every view.
const Listeners& listeners() {
    static const Listeners* const instance = new Listeners;
    return *instance;
}

AccessibleLogText::EventSink eventSink = &QAccessible::updateAccessibility;

}  // namespace

QString readableText(QString text) {
    text.replace(QChar(u'\0'), QChar(QChar::ReplacementCharacter));
    return text;
}

AccessibleLogText::EventSink AccessibleLogText::setEventSink(EventSink sink) {
    return std::exchange(eventSink, sink);
}

AccessibleLogText::AccessibleLogText(LogView* view) : QObject(view), view_(view), lines_(*view->model()) {
    installLogViewAccessibleFactory();
    listeners();
#ifndef Q_OS_WIN
    if (QAccessible::isActive()) answerLogRangesOverAtSpi();
#endif
    // Connected after the view's own handlers: the view's state is current here.
    connect(view->model(), &LogModel::cleared, this, &AccessibleLogText::onCleared);
    connect(view->model(), &LogModel::trimmed, this, &AccessibleLogText::onTrimmed);
}

const logtext::LogTextWindow& AccessibleLogText::follow() {
    window_.follow(offsets_.offsetOf(view_->state().caret()));
    return window_;
}

TextPos AccessibleLogText::positionOf(int offset) {
    return offsets_.positionOf(follow().toGlobal(offset));
}

int AccessibleLogText::offsetOf(TextPos pos) {
    return follow().toLocal(offsets_.offsetOf(pos));
}

void AccessibleLogText::send(QAccessibleEvent& event) {
    eventSink(&event);
}

void AccessibleLogText::announce() {
    if (!listeners().active()) {
        told_ = false;  // nobody listens: nothing to keep up to date
        return;
    }
    const LogViewState& state = view_->state();
    const qint64 caret = offsets_.offsetOf(state.caret());
    window_.follow(caret);
    const qint64 length = offsets_.length();
    const bool windowMoved = window_.base() != toldBase_;
    // Text is only ever added at the end between a clear and the next one.
    if (told_ && !windowMoved && length > toldLength_ && length - toldLength_ <= kMaxEventCharacters) {
        QAccessibleTextInsertEvent inserted(view_, window_.toLocal(toldLength_),
                                            readableText(offsets_.text(toldLength_, length)));
        send(inserted);
    }
    const int caretOffset = window_.toLocal(caret);
    if (told_ && (caretOffset != toldCaret_ || windowMoved)) {
        QAccessibleTextCursorEvent moved(view_, caretOffset);
        send(moved);
    }
    int start = caretOffset;
    int end = caretOffset;
    if (state.hasSelection()) {
        start = window_.toLocal(offsets_.offsetOf(state.selectionStart()));
        end = window_.toLocal(offsets_.offsetOf(state.selectionEnd()));
    }
    if (told_ && (start != toldSelectionStart_ || end != toldSelectionEnd_) &&
        (state.hasSelection() || toldSelectionStart_ != toldSelectionEnd_)) {
        QAccessibleTextSelectionEvent selected(view_, start, end);
        send(selected);
    }
    told_ = true;
    toldLength_ = length;
    toldBase_ = window_.base();
    toldCaret_ = caretOffset;
    toldSelectionStart_ = start;
    toldSelectionEnd_ = end;
}

void AccessibleLogText::aboutToClear() {
    clearedTextKept_ = false;
    clearedText_.clear();
    if (!told_ || !listeners().active()) return;
    const int count = window_.count();
    if (count > kMaxEventCharacters) return;
    clearedText_ = readableText(offsets_.text(window_.base(), window_.base() + count));
    clearedTextKept_ = true;
}

void AccessibleLogText::onCleared() {
    offsets_.reset();
    window_.reset();
    if (told_ && listeners().active()) {
        if (clearedTextKept_ && !clearedText_.isEmpty()) {
            QAccessibleTextRemoveEvent removed(view_, 0, clearedText_);
            send(removed);
        }
        if (toldSelectionStart_ != toldSelectionEnd_) {
            QAccessibleTextSelectionEvent unselected(view_, 0, 0);
            send(unselected);
        }
        QAccessibleTextCursorEvent moved(view_, 0);
        send(moved);
    }
    clearedTextKept_ = false;
    clearedText_ = QString();
    toldLength_ = toldBase_ = 0;
    toldCaret_ = toldSelectionStart_ = toldSelectionEnd_ = 0;
}

void AccessibleLogText::onTrimmed() {
    // Trimming removes blanks at line ends all over the log; they are not told
    // one by one: the new length is taken as told, and the caret follows.
    offsets_.reset();
    if (!told_) return;
    toldLength_ = offsets_.length();
    announce();
}
