#include "tray/tray_icon.h"

QString notify::clipped(const QString& text, int limit) {
    if (text.size() <= limit) return text;
    qsizetype n = limit;
    // Never leave the high half of a surrogate pair dangling at the cut.
    if (n > 0 && text.at(n - 1).isHighSurrogate()) --n;
    return text.left(n);
}

TrayIconError::TrayIconError()
    : std::runtime_error("Shell-Benachrichtigungssymbol kann nicht erstellt werden") {}

TrayIcon::TrayIcon(TrayShell& shell, QObject* parent) : QObject(parent), shell_(shell) {
    record_.iconIndex = iconIndex_;
    SetHint(QStringLiteral("Torvik Master"));
    SetBalloonTitle(QStringLiteral("Torvik Status"));
}

TrayIcon::~TrayIcon() {
    if (visible_) shell_.remove(record_);
}

void TrayIcon::SetIconIndex(int index) {
    if (index == iconIndex_) return;
    iconIndex_ = index;
    record_.iconIndex = index;
    modify();
}

void TrayIcon::SetBalloonHint(const QString& text) {
    if (text == balloonHint_) return;
    balloonHint_ = text;
    record_.info = notify::clipped(text, notify::kInfoLimit);
    modify();
}

void TrayIcon::SetBalloonTitle(const QString& title) {
    balloonTitle_ = title;
    record_.infoTitle = notify::clipped(title, notify::kInfoTitleLimit);
}

void TrayIcon::SetBalloonTimeout(int ms) {
    record_.timeoutMs = static_cast<std::uint32_t>(ms < 0 ? 0 : ms);
}

void TrayIcon::SetHint(const QString& text) {
    if (text == hint_) return;
    hint_ = text;
    record_.tip = notify::clipped(text, notify::kTipLimit);
    if (text.isEmpty())
        record_.flags &= ~notify::NIF_TIP;
    else
        record_.flags |= notify::NIF_TIP;
    modify();
}

void TrayIcon::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (visible) {
        if (!shell_.add(record_)) throw TrayIconError();
        visible_ = true;
    } else {
        visible_ = false;
        shell_.remove(record_);
    }
}

void TrayIcon::ShowBalloonNotice() {
    record_.flags |= notify::NIF_INFO;
    record_.infoFlags = balloonFlags_;
    modify();
}

void TrayIcon::modify() {
    if (visible_) shell_.modify(record_);
}

void TrayIcon::balloonGone() {
    // Later image or text updates must not bring the balloon back.
    record_.flags &= ~notify::NIF_INFO;
}

void TrayIcon::onBalloonHidden() {
    balloonGone();
}
void TrayIcon::onBalloonTimedOut() {
    balloonGone();
}
void TrayIcon::onBalloonClicked() {
    emit balloonClick();
}
void TrayIcon::onDoubleClick() {
    emit dblClick();
}
void TrayIcon::onRightButtonUp(QPoint screenPos) {
    emit popupRequested(screenPos);
}

void TrayIcon::onShellRestarted() {
    if (visible_) shell_.add(record_);
}
