#pragma once
// What assistive technology (AT-SPI, which screen readers such as Orca use)
// needs of the log view between its questions: the offset index over the log's
// store, the window that a log longer than an `int` of characters shows, and
// what was last announced, so that text, caret and selection changes are told
// once each.
//
// Use: the view owns one and calls announce() once per painted frame and after
// every caret or selection move, and aboutToClear() before it empties the log.
// The accessible interface (log_view_accessible.h) reads through it.

#include "logview/accessible/log_text_offsets.h"
#include "logview/accessible/log_text_window.h"

#include <QObject>
#include <QString>

class LogView;
class QAccessibleEvent;

class AccessibleLogText : public QObject {
    Q_OBJECT
public:
    // Changes up to this size travel with their text; a larger one (a Clear of
    // a long log, a long spell hidden, the window moving) is told by the caret
    // event alone, after which a reader looks again.
    static constexpr qint64 kMaxEventCharacters = qint64{1} << 20;

    explicit AccessibleLogText(LogView* view);

    // Brings the window to the caret; every reading starts with it.
    const logtext::LogTextWindow& follow();
    const logtext::LogTextOffsets& offsets() const { return offsets_; }
    // A window offset as a position in the log, and back.
    TextPos positionOf(int offset);
    int offsetOf(TextPos pos);

    void announce();
    void aboutToClear();

    // Where the events go: the platform's bridge to assistive technology, or a
    // test's recorder. Returns the sink it replaces.
    using EventSink = void (*)(QAccessibleEvent* event);
    static EventSink setEventSink(EventSink sink);

private:
    void onCleared();
    void onTrimmed();
    void send(QAccessibleEvent& event);

    LogView* view_;
    logtext::ModelLines lines_;
    logtext::LogTextOffsets offsets_{lines_};
    logtext::LogTextWindow window_{offsets_};
    // What assistive technology was told last; nothing while none listens.
    bool told_ = false;
    qint64 toldLength_ = 0;
    qint64 toldBase_ = 0;
    int toldCaret_ = 0;
    int toldSelectionStart_ = 0;
    int toldSelectionEnd_ = 0;
    bool clearedTextKept_ = false;
    QString clearedText_;
};

// Gives every LogView its accessible interface; the first view installs it.
void installLogViewAccessibleFactory();

// Log text as assistive technology gets it. D-Bus strings end at a NUL, so a
// U+0000 from the device would cut off everything after it: it goes out as
// U+FFFD, one UTF-16 unit as well, so that offsets stay as they are. The log
// itself, copy and save keep the NUL.
QString readableText(QString text);
