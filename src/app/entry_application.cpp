#include "app/entry_application.h"

#include "text/error_box.h"

#include <exception>

namespace app {

bool deliverReportingErrors(const std::function<bool()>& deliver) {
    try {
        return deliver();
    } catch (const std::exception& error) {
        errorbox::reportApplicationError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        errorbox::reportApplicationError(QStringLiteral("Unbekannte Ausnahme"));
    }
    return false;
}

TorvikApplication::TorvikApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TorvikApplication::notify(QObject* receiver, QEvent* event) {
    return deliverReportingErrors([this, receiver, event] { return QApplication::notify(receiver, event); });
}

}  // namespace app
