#include "import/csvimportcommand.h"

#include "forms/common/filedialogs.h"
#include "forms/main/maincommands.h"
#include "import/frmcsvimporter.h"
#include "profiles/untprofiles.h"

const QString TCsvImportCommand::ImportDialogTitle =
    QStringLiteral("Please choose a file to import");
const QString TCsvImportCommand::ImportDialogFilter =
    QStringLiteral("Comma Seperated Values (CSV) files|*.csv");

TCsvImportCommand::TCsvImportCommand(QWidget &window, TMainCommands &commands,
                                     std::function<void()> reload)
    : QObject(&window), m_window(window), m_reload(std::move(reload))
{
    commands.Bind(commands.ImportCSVFile1, [this] { ImportCSVFile1Click(); });
}

void TCsvImportCommand::ImportCSVFile1Click()
{
    if (!ActiveProfile)
        return;
    const QString fileName =
        FileDialogs::GetOpenFileName(&m_window, ImportDialogTitle, ImportDialogFilter);
    if (fileName.isEmpty())
        return;
    {
        TCSVImporter importer(&m_window);
        if (importer.LoadFile(fileName))
            importer.exec();
    }
    m_reload();
}
