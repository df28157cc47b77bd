#include "app/display_check.h"

#include <cstdio>
#include <cstdlib>

namespace app {

namespace {

DisplayOpenGuard* active = nullptr;

// The value of a Qt option given as "-name value" or "-name=value" (one or two dashes).
QString optionValue(const QStringList& arguments, const QString& name) {
    QString value;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        if (argument.startsWith(QLatin1String("--"))) argument.remove(0, 1);
        if (argument == u'-' + name && i + 1 < arguments.size())
            value = arguments[++i];
        else if (argument.startsWith(u'-' + name + u'='))
            value = argument.mid(name.size() + 2);
    }
    return value;
}

bool waylandFirst(const QStringList& arguments, const QProcessEnvironment& environment) {
    QString platforms = optionValue(arguments, QStringLiteral("platform"));
    if (platforms.isEmpty()) platforms = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (!platforms.isEmpty()) return platforms.startsWith(QLatin1String("wayland"));
    // Qt keeps a GNOME session on X11 even under Wayland.
    const auto gnome = [&environment](const char* variable) {
        return environment.value(QLatin1String(variable))
            .contains(QLatin1String("gnome"), Qt::CaseInsensitive);
    };
    return environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland") &&
           !gnome("XDG_CURRENT_DESKTOP") && !gnome("XDG_SESSION_DESKTOP");
}

}  // namespace

QString displayToOpen(const QStringList& arguments, const QProcessEnvironment& environment) {
    if (waylandFirst(arguments, environment)) {
        const QString name = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
        return name.isEmpty() ? QStringLiteral("wayland-0") : name;
    }
    const QString named = optionValue(arguments, QStringLiteral("display"));
    return named.isEmpty() ? environment.value(QStringLiteral("DISPLAY")) : named;
}

QString cannotOpenDisplayText(const QString& program, const QString& display) {
    if (display.isEmpty())
        return QStringLiteral("%1: cannot open a display: DISPLAY is not set (a graphical session is needed)")
            .arg(program);
    return QStringLiteral("%1: cannot open display \"%2\" (a graphical session is needed)")
        .arg(program, display);
}

DisplayOpenGuard::DisplayOpenGuard(QString program, QString display)
    : line_(cannotOpenDisplayText(program, display)) {
    active = this;
    previous_ = qInstallMessageHandler(&DisplayOpenGuard::handle);
}

DisplayOpenGuard::~DisplayOpenGuard() {
    qInstallMessageHandler(previous_);
    active = nullptr;
    for (const Held& message : held_) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        previous_(message.type, context, message.text);
    }
}

void DisplayOpenGuard::handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        active->held_.append({type, QByteArray(context.category), text});
        return;
    }
    // Qt would abort right after this handler returns.
    std::fprintf(stderr, "%s\n", active->line_.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace app
