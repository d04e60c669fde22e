#include "forms/main/optionsandupdates.h"

#include "app/untcommon.h"
#include "forms/dialogs/frmcheckforupdate.h"
#include "forms/dialogs/frmoptions.h"
#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "profiles/untprofiles.h"

TOptionsAndUpdates::TOptionsAndUpdates(TMainWindowHost &window, TMainCommands &commands)
    : QObject(&window.Window()), m_window(window)
{
    commands.Bind(commands.actOptions, [this] { actOptionsExecute(); });
    commands.Bind(commands.actCheckForUpdate, [this] { actCheckForUpdateExecute(); });
}

void TOptionsAndUpdates::actOptionsExecute()
{
    if (!ActiveProfile)
        return;
    {
        TOptions options(&m_window.Window());
        options.exec();
    }
    m_window.ApplyProfileToWindow();
    if (ActiveProfile)
        UpdateRunKey(ActiveProfile->LoadOnStartup);
}

void TOptionsAndUpdates::actCheckForUpdateExecute()
{
    TCheckForUpdates check(&m_window.Window());
    check.exec();
}
