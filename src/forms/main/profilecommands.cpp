#include "forms/main/profilecommands.h"

#include "app/untcommon.h"
#include "forms/common/backgroundwork.h"
#include "forms/common/filedialogs.h"
#include "forms/dialogs/frmchangeprofile.h"
#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"

#include <QScopeGuard>

namespace {
const QString backupFilter = QStringLiteral("Quenlark Calbrey Backup File|*.qcbak");
} // namespace

TProfileCommands::TProfileCommands(TMainWindowHost &window, TMainCommands &commands)
    : QObject(&window.Window()), m_window(window)
{
    commands.Bind(commands.actBacupProfile, [this] { actBacupProfileExecute(); });
    commands.Bind(commands.actRestoreProfile, [this] { actRestoreProfileExecute(); });
    commands.Bind(commands.actChangeProfile, [this] { actChangeProfileExecute(); });
}

void TProfileCommands::actBacupProfileExecute()
{
    if (!ActiveProfile)
        return;
    const QString fileName = FileDialogs::GetSaveFileName(
        &m_window.Window(), QStringLiteral("Select a file name for your new backup."), backupFilter,
        QStringLiteral("qcbak"));
    if (fileName.isEmpty())
        return;
    if (!ActiveProfile->Backup(fileName))
        ShowMessageBox(QStringLiteral("Unable to write to ") + fileName,
                       QStringLiteral("Cannot create backup."), MessageBoxFlag::Error);
}

void TProfileCommands::actRestoreProfileExecute()
{
    if (!ActiveProfile)
        return;
    bool restored = false;
    // The list is read again however the command ends; a restored profile brings its view too.
    const auto reload = qScopeGuard([this, &restored] {
        if (restored)
            m_window.ApplyProfileToWindow();
        else
            m_window.ReloadContactList(false);
    });
    m_window.ClearContactList();
    const QString fileName = FileDialogs::GetOpenFileName(
        &m_window.Window(), QStringLiteral("Select a backup file to restore."), backupFilter);
    if (fileName.isEmpty())
        return;
    const int answer = ShowMessageBox(
        QStringLiteral("Are you 100% sure you want to restore this file?  Doing so will overwrite "
                       "your existing address book."),
        QStringLiteral("Restore backup?"), MessageBoxFlag::Question);
    if (answer != MessageBoxResult::Yes)
        return;
    TBackgroundWork::StopAll();
    if (ActiveProfile)
        restored = ActiveProfile->Restore(fileName);
}

void TProfileCommands::actChangeProfileExecute()
{
    const auto apply = qScopeGuard([this] { m_window.ApplyProfileToWindow(); });
    // The manager may switch to another profile or delete this one.
    TBackgroundWork::StopAll();
    TChangeProfile manager(&m_window.Window(), [this] { m_window.ClearContactList(); });
    manager.exec();
}
