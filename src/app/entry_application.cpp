#include "app/entry_application.h"

#include "text/error_box.h"

#include <exception>

namespace app {

namespace {

// Reports the exception being handled; call it only inside a catch block.
void reportCurrentError() {
    try {
        throw;
    } catch (const std::exception& error) {
        errorbox::reportApplicationError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        errorbox::reportApplicationError(QStringLiteral("Unbekannte Ausnahme"));
    }
}

}  // namespace

bool deliverReportingErrors(const std::function<bool()>& deliver) {
    try {
        return deliver();
    } catch (...) {
        reportCurrentError();
    }
    return false;
}

TorvikApplication::TorvikApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TorvikApplication::notify(QObject* receiver, QEvent* event) {
    // Every event of the program passes here, a hundred hand-offs a second
    // among them: caught in place, with no callable to build around it.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentError();
    }
    return false;
}

}  // namespace app
