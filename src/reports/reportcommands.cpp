#include "reports/reportcommands.h"

#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "profiles/untprofiles.h"
#include "reports/frmcreatereport.h"
#include "reports/frmsummaryreport.h"
#include "reports/listdoubleclick.h"
#include "reports/untreportgen.h"

#include <QAbstractItemView>

TReportCommands::TReportCommands(TMainWindowHost &window, TMainCommands &commands,
                                 QAbstractItemView &list)
    : QObject(&window.Window()), m_window(window)
{
    commands.Bind(commands.actPrint, [this] { actPrintExecute(); });
    new TListDoubleClick(list, commands.Gated([this] { lbContactListDblClick(); }));
}

void TReportCommands::actPrintExecute()
{
    if (!ActiveProfile)
        return;
    TCreateReport dialog(&m_window.Window());
    dialog.exec();
}

void TReportCommands::lbContactListDblClick()
{
    const std::optional<QString> selected = m_window.SelectedContact();
    if (!ActiveProfile || !selected)
        return;
    TReportGenerator report;
    report.IncludeHome = true;
    report.IncludeWork = true;
    report.IncludeNotes = true;
    report.ShowBlankFields = false;
    report.FontName = QStringLiteral("Tahoma");
    report.WriteHeader();
    report.WriteContacts({*selected});
    report.WriteFooter();
    if (!report.SaveReport(QString()))
        return;
    TSummaryReport viewer(&m_window.Window());
    viewer.ShowReport(QStringLiteral("Contact summary"));
    viewer.exec();
}
