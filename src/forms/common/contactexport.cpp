#include "forms/common/contactexport.h"

#include "app/untcommon.h"
#include "forms/common/filedialogs.h"
#include "forms/common/waitcursor.h"
#include "forms/main/mainwindowhost.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"

#include <QDir>
#include <optional>

void RunContactExport(TMainWindowHost &window, bool selectedOnly, const QString &title,
                      const QString &filter, const QString &extension,
                      const std::function<void(const QStringList &, const QString &)> &write)
{
    if (!ActiveProfile)
        return;
    QStringList names;
    const std::optional<QString> selected = window.SelectedContact();
    if (selectedOnly && selected)
        names.append(*selected);
    else
        ActiveProfile->GetContactNames(names);
    if (names.isEmpty()) {
        ShowMessageBox(QStringLiteral("Your address book has no contacts to export."),
                       QStringLiteral("Nothing to export"), MessageBoxFlag::Information);
        return;
    }
    const QString fileName =
        FileDialogs::GetSaveFileName(&window.Window(), title, filter, extension);
    if (fileName.isEmpty())
        return;
    try {
        const WaitCursor writing;
        write(names, fileName);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
        return;
    }
    const qsizetype count = names.size();
    ShowMessageBox((count == 1 ? QStringLiteral("1 contact was")
                               : QString::number(count) + QStringLiteral(" contacts were")) +
                       QStringLiteral(" exported to ") + QDir::toNativeSeparators(fileName) +
                       QLatin1Char('.'),
                   QStringLiteral("Export complete"), MessageBoxFlag::Information);
}
