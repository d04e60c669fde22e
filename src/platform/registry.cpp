#include "platform/registry.h"

#include "platform/calbreyerror.h"

#include <QDir>

#ifdef Q_OS_WIN
#include <QSettings>
#else
#include "platform/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#endif

namespace {
const QLatin1String TraySwitch(" -tray");
} // namespace

#ifdef Q_OS_WIN

namespace {
const QLatin1String RunKey("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QLatin1String RunValue("Quenlark Calbrey");
} // namespace

QString StartWithLoginCommand(const QString &executablePath)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(executablePath) + QLatin1Char('"') +
           TraySwitch;
}

bool StartWithLoginExists()
{
    return QSettings(RunKey, QSettings::NativeFormat).contains(RunValue);
}

void SetStartWithLogin(bool on, const QString &executablePath)
{
    QSettings key(RunKey, QSettings::NativeFormat);
    if (on)
        key.setValue(RunValue, StartWithLoginCommand(executablePath));
    else if (key.contains(RunValue))
        key.remove(RunValue);
    else
        return;
    key.sync();
    if (key.status() != QSettings::NoError)
        throw CalbreyError(QStringLiteral("Failed to set data for '") + RunValue +
                           QLatin1Char('\''));
}

#else

namespace {
QString &autostartOverride()
{
    static QString folder;
    return folder;
}

QString autostartFolder()
{
    if (!autostartOverride().isEmpty())
        return autostartOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

// One argument of an Exec key: inside double quotes the characters " ` $ and \ are escaped
// with a backslash, and % is doubled so that it is not read as a field code.
QString quoteExecArgument(const QString &argument)
{
    QString quoted(QLatin1Char('"'));
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// The string escapes every value of a desktop file goes through; readers undo them before
// they undo the Exec quoting, so a backslash in the path ends up as four.
QString escapeValue(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        case '\t':
            escaped += QLatin1String("\\t");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}
} // namespace

QString AutostartEntryPath()
{
    return autostartFolder() + QStringLiteral("/quenlark-calbrey.desktop");
}

void SetAutostartFolder(const QString &folder)
{
    autostartOverride() = folder;
}

QString StartWithLoginCommand(const QString &executablePath)
{
    return quoteExecArgument(executablePath) + TraySwitch;
}

QByteArray AutostartEntryContent(const QString &executablePath)
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Quenlark Calbrey\n"
                                        "Comment=Address book, started hidden in the tray\n"
                                        "Exec=") +
                         escapeValue(StartWithLoginCommand(executablePath)) +
                         QStringLiteral("\n"
                                        "Icon=quenlark-calbrey\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

bool StartWithLoginExists()
{
    return QFileInfo::exists(AutostartEntryPath());
}

void SetStartWithLogin(bool on, const QString &executablePath)
{
    const QString path = AutostartEntryPath();
    if (on) {
        // A missing folder is made; one that cannot be made shows up as the write failing.
        QDir().mkpath(autostartFolder());
        WriteFileAtomically(path, AutostartEntryContent(executablePath));
        return;
    }
    QFileInfo entry(path);
    if (!entry.exists() && !entry.isSymLink())
        return;
    if (!QFile::remove(path))
        throw CalbreyError(QStringLiteral("Unable to remove ") + path);
}

#endif
