#include "forms/duplicates/duplicatecommands.h"

#include "forms/duplicates/frmduplicates.h"
#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "profiles/untprofiles.h"

TDuplicateCommands::TDuplicateCommands(TMainWindowHost &window, TMainCommands &commands)
    : QObject(&window.Window()), m_window(window)
{
    commands.Bind(commands.actFindDuplicates, [this] { actFindDuplicatesExecute(); });
}

void TDuplicateCommands::actFindDuplicatesExecute()
{
    if (!ActiveProfile)
        return;
    TFindDuplicates window(&m_window.Window());
    if (!window.FindGroups())
        return;
    window.exec();
    if (window.BookChanged())
        m_window.ReloadContactList(true);
}
