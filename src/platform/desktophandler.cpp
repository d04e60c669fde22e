#include "platform/desktophandler.h"

#include <QList>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Every handler started, until it has ended and been deleted. One is never deleted while it
// runs, as that would end it and a browser it runs in the foreground with it; those running
// when the program ends are left to run on.
QList<QProcess *> &startedHandlers()
{
    static auto *const handlers = new QList<QProcess *>;
    return *handlers;
}

// The program and arguments that hand target to the desktop; empty when there is none.
QStringList handlerCommand(const QString &target)
{
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty())
        return {xdgOpen, target};
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (!gio.isEmpty())
        return {gio, QStringLiteral("open"), target};
    return {};
}

} // namespace

bool OpenWithDesktopHandler(const QString &target, const std::function<void()> &onFailure)
{
    const QStringList command = handlerCommand(target);
    if (command.isEmpty())
        return false;
    auto *handler = new QProcess;
    // No pipe of ours: its output goes where ours goes, and it outlives the program unharmed.
    handler->setProcessChannelMode(QProcess::ForwardedChannels);
    handler->setStandardInputFile(QProcess::nullDevice());
    handler->start(command.first(), command.mid(1));
    if (!handler->waitForStarted()) {
        delete handler;
        return false;
    }
    startedHandlers().append(handler);
    QObject::connect(handler, &QObject::destroyed,
                     [handler] { startedHandlers().removeOne(handler); });
    QObject::connect(handler, &QProcess::finished, handler,
                     [handler, onFailure](int exitCode, QProcess::ExitStatus status) {
                         handler->deleteLater();
                         // Ended by a signal (the user closed the browser) is no failure.
                         if (status == QProcess::NormalExit && exitCode != 0 && onFailure)
                             onFailure();
                     });
    return true;
}
