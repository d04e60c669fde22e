#include "app/untcommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

// Two kinds of copy. A portable copy (its executable's folder holds a writable Profiles/, as
// the build tree and an unpacked archive do) keeps everything beside the executable. Any other
// copy is installed: its own files (Help/, the report picture) are in the installed data
// folder, <prefix>/share/quenlark-calbrey/, and the user's files (Profiles/, report.html, the
// proxy store) in the user's data folder, $XDG_DATA_HOME/quenlark-calbrey/.

namespace {
QString &programFolderOverride()
{
    static QString folder;
    return folder;
}

QString &machineSettingsOverride()
{
    static QString path;
    return path;
}

QString withClosingSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString executableFolder()
{
    const QString &folder = programFolderOverride();
    if (!folder.isEmpty())
        return folder;
    return withClosingSeparator(QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath());
}

std::optional<bool> &portableCopy()
{
    static std::optional<bool> portable;
    return portable;
}

// Decided once (again after SetProgramFolder): a Profiles/ folder that goes away while the
// program runs must not send the user's files elsewhere.
bool isPortable(const QString &executableFolder)
{
    std::optional<bool> &portable = portableCopy();
    if (!portable) {
        const QFileInfo profiles(executableFolder + QStringLiteral("Profiles"));
        portable = profiles.isDir() && profiles.isWritable();
    }
    return *portable;
}

QString installedDataFolder(const QString &executableFolder)
{
    return withClosingSeparator(
        QDir::cleanPath(executableFolder + QStringLiteral("../share/quenlark-calbrey")));
}

// Made on first use, so a new user's first start finds a place for the profile.
QString userDataFolder(const QString &subfolder = QString())
{
    QString folder =
        withClosingSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/quenlark-calbrey/") + subfolder);
    QDir().mkpath(folder);
    return folder;
}
} // namespace

void SetProgramFolder(const QString &folder)
{
    programFolderOverride() = folder.isEmpty() ? QString() : withClosingSeparator(folder);
    portableCopy().reset();
}

QString GetUserDataFolder()
{
    const QString executable = executableFolder();
    return isPortable(executable) ? executable : userDataFolder();
}

QString GetProgramPath(int kind)
{
    const QString executable = executableFolder();
    const bool portable = isPortable(executable);
    QString own = portable ? executable : installedDataFolder(executable);
    switch (kind) {
    case ppProfiles:
        return portable ? executable + QStringLiteral("Profiles/")
                        : userDataFolder(QStringLiteral("Profiles"));
    case ppHelp:
        return own + QStringLiteral("Help/");
    case ppReporter:
        return own + QStringLiteral("Reporter/");
    case ppReportHtml:
        return (portable ? executable : userDataFolder()) + QStringLiteral("report.html");
    case ppReportDef:
        return own + QStringLiteral("Reporter/report.def");
    case ppCsvDef:
        return own + QStringLiteral("csv.def");
    default:
        return own;
    }
}

QString MachineSettingsFile()
{
    if (!machineSettingsOverride().isEmpty())
        return machineSettingsOverride();
    return GetUserDataFolder() + QStringLiteral("machine.ini");
}

void SetMachineSettingsFile(const QString &path)
{
    machineSettingsOverride() = path;
}
