#include "app/untcommon.h"

#include <QCoreApplication>
#include <QFileInfo>

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
} // namespace

void SetProgramFolder(const QString &folder)
{
    programFolderOverride() = folder.isEmpty() ? QString() : withClosingSeparator(folder);
}

QString GetProgramPath(int kind)
{
    QString folder = programFolderOverride();
    if (folder.isEmpty())
        folder = withClosingSeparator(
            QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath());
    switch (kind) {
    case ppProfiles:
        return folder + QStringLiteral("Profiles/");
    case ppHelp:
        return folder + QStringLiteral("Help/");
    case ppReporter:
        return folder + QStringLiteral("Reporter/");
    case ppReportHtml:
        return folder + QStringLiteral("report.html");
    case ppReportDef:
        return folder + QStringLiteral("Reporter/report.def");
    case ppCsvDef:
        return folder + QStringLiteral("csv.def");
    default:
        return folder;
    }
}

QString MachineSettingsFile()
{
    if (!machineSettingsOverride().isEmpty())
        return machineSettingsOverride();
    return GetProgramPath(ppProgramFolder) + QStringLiteral("machine.ini");
}

void SetMachineSettingsFile(const QString &path)
{
    machineSettingsOverride() = path;
}
