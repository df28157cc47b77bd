#include "text/error_box.h"

#include <cstdio>
#include <mutex>

namespace {

void toStderr(const QString& title, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
}

std::mutex& presenterMutex() {
    static std::mutex m;
    return m;
}

errorbox::Presenter& presenterSlot() {
    static errorbox::Presenter presenter = toStderr;
    return presenter;
}

}  // namespace

namespace errorbox {

Presenter setPresenter(Presenter presenter) {
    std::lock_guard lock(presenterMutex());
    Presenter old = std::move(presenterSlot());
    presenterSlot() = presenter ? std::move(presenter) : Presenter(toStderr);
    return old;
}

QString withFullStop(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
    return message;
}

void reportApplicationError(const QString& message) {
    showTitled(QStringLiteral("Torvik Master"), withFullStop(message));
}

void show(const QString& text) {
    showTitled(kErrorTitle, text);
}

void showTitled(const QString& title, const QString& text) {
    Presenter presenter;
    {
        std::lock_guard lock(presenterMutex());
        presenter = presenterSlot();
    }
    presenter(title, text);
}

}  // namespace errorbox
