#include "import/csvimportcommand.h"

#include "forms/common/filedialogs.h"
#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "import/frmcsvimporter.h"
#include "profiles/untprofiles.h"

const QString TCsvImportCommand::ImportDialogTitle =
    QStringLiteral("Please choose a file to import");
const QString TCsvImportCommand::ImportDialogFilter =
    QStringLiteral("Comma Seperated Values (CSV) files|*.csv");

TCsvImportCommand::TCsvImportCommand(TMainWindowHost &window, TMainCommands &commands)
    : QObject(&window.Window()), m_window(window)
{
    commands.Bind(commands.ImportCSVFile1, [this] { ImportCSVFile1Click(); });
}

void TCsvImportCommand::ImportCSVFile1Click()
{
    if (!ActiveProfile)
        return;
    const QString fileName =
        FileDialogs::GetOpenFileName(&m_window.Window(), ImportDialogTitle, ImportDialogFilter);
    if (fileName.isEmpty())
        return;
    {
        TCSVImporter importer(&m_window.Window());
        if (importer.LoadFile(fileName))
            importer.exec();
    }
    m_window.ReloadContactList(true);
}
