#include "forms/main/profilecommands.h"

#include "app/untcommon.h"
#include "forms/common/filedialogs.h"
#include "forms/dialogs/frmchangeprofile.h"
#include "forms/main/frmmainform.h"
#include "forms/main/maincommands.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"

#include <QScopeGuard>

namespace {
const QString backupFilter = QStringLiteral("Quenlark Calbrey Backup File|*.qcbak");
} // namespace

TProfileCommands::TProfileCommands(TMainForm &form, TMainCommands &commands,
                                   std::function<void()> clearContactList)
    : QObject(&form), m_form(form), m_clearContactList(std::move(clearContactList))
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
        &m_form, QStringLiteral("Select a file name for your new backup."), backupFilter,
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
            m_form.ApplyProfileToWindow();
        else
            m_form.ReloadContactList(false);
    });
    m_clearContactList();
    const QString fileName = FileDialogs::GetOpenFileName(
        &m_form, QStringLiteral("Select a backup file to restore."), backupFilter);
    if (fileName.isEmpty())
        return;
    const int answer = ShowMessageBox(
        QStringLiteral("Are you 100% sure you want to restore this file?  Doing so will overwrite "
                       "your existing address book."),
        QStringLiteral("Restore backup?"), MessageBoxFlag::Question);
    if (answer == MessageBoxResult::Yes && ActiveProfile)
        restored = ActiveProfile->Restore(fileName);
}

void TProfileCommands::actChangeProfileExecute()
{
    const auto apply = qScopeGuard([this] { m_form.ApplyProfileToWindow(); });
    TChangeProfile manager(&m_form, m_clearContactList);
    manager.exec();
}
