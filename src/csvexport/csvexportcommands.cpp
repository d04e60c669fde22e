#include "csvexport/csvexportcommands.h"

#include "csvexport/csvexport.h"
#include "csvexport/frmcsvexport.h"
#include "forms/common/contactexport.h"
#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "profiles/untprofiles.h"

const QString TCsvExportCommands::ExportDialogTitle = QStringLiteral("Export CSV File");
const QString TCsvExportCommands::ExportDialogFilter =
    QStringLiteral("Comma Separated Values (CSV) files|*.csv");

TCsvExportCommands::TCsvExportCommands(TMainWindowHost &window, TMainCommands &commands)
    : QObject(&window.Window()), m_window(window)
{
    commands.Bind(commands.ExportCSVFile1, [this] { ExportCSVFile1Click(); });
}

void TCsvExportCommands::ExportCSVFile1Click()
{
    if (!ActiveProfile)
        return;
    TCsvExport dialog(&m_window.Window(), m_window.SelectedContact());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const TCsvLayout layout = dialog.Layout();
    RunContactExport(m_window, dialog.SelectedOnly(), ExportDialogTitle, ExportDialogFilter,
                     QStringLiteral("csv"),
                     [layout](const QStringList &names, const QString &fileName) {
                         ExportCsvFile(*ActiveProfile, names, layout, fileName);
                     });
}
