#include "app/untcommon.h"

#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/username.h"

#include <QCoreApplication>
#include <QFileInfo>

void OpenHelpTopic(const QString &topic)
{
    // Nothing is reported when the page cannot be opened.
    CurrentShellLauncher().openDocument(GetProgramPath(ppHelp) + topic + QStringLiteral(".html"));
}

void UpdateRunKey(bool loadOnStartup)
{
    const QString executable =
        QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    SetStartWithLogin(loadOnStartup, executable);
}

QString GetWindowsUserName()
{
    const QString name = LoginUserName();
    return name.isEmpty() ? QStringLiteral("(Default)") : name;
}
