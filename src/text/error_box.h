#pragma once
// The program's modal error messages. The GUI installs a presenter that shows a
// message box (error icon, one OK button) and returns when the user closes it;
// without one, messages go to standard error. Tests install a recorder.

#include <QString>

#include <functional>

namespace errorbox {

// The toolkit's caption for the program's own error messages.
inline const QString kErrorTitle = QStringLiteral("Fehler");

using Presenter = std::function<void(const QString& title, const QString& text)>;

// Installs `presenter` and returns the one it replaces.
Presenter setPresenter(Presenter presenter);

// Shows `text` under the title "Fehler".
void show(const QString& text);
// Shows `text` under `title`.
void showTitled(const QString& title, const QString& text);

// The application's error report for an error that escaped a handler: title
// "Torvik Master", the text with a full stop added when its last character's
// code is above the full stop's. The program carries on afterwards.
void reportApplicationError(const QString& message);
QString withFullStop(const QString& message);

}  // namespace errorbox
