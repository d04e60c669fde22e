#include "reports/reportcommands.h"

#include "forms/main/frmmainform.h"
#include "forms/main/maincommands.h"
#include "profiles/untprofiles.h"
#include "reports/frmcreatereport.h"
#include "reports/frmsummaryreport.h"
#include "reports/listdoubleclick.h"
#include "reports/untreportgen.h"

#include <QAbstractItemView>

TReportCommands::TReportCommands(TMainForm &window, TMainCommands &commands,
                                 QAbstractItemView &list)
    : QObject(&window), m_window(window)
{
    commands.Bind(commands.actPrint, [this] { actPrintExecute(); });
    new TListDoubleClick(list, commands.Gated([this] { lbContactListDblClick(); }));
}

void TReportCommands::actPrintExecute()
{
    if (!ActiveProfile)
        return;
    TCreateReport dialog(&m_window);
    dialog.exec();
}

void TReportCommands::lbContactListDblClick()
{
    if (!ActiveProfile || !m_window.HasSelectedContact())
        return;
    TReportGenerator report;
    report.IncludeHome = true;
    report.IncludeWork = true;
    report.IncludeNotes = true;
    report.ShowBlankFields = false;
    report.FontName = QStringLiteral("Tahoma");
    report.WriteHeader();
    report.WriteContacts({m_window.SelectedContactName()});
    report.WriteFooter();
    if (!report.SaveReport(QString()))
        return;
    TSummaryReport viewer(&m_window);
    viewer.ShowReport(QStringLiteral("Contact summary"));
    viewer.exec();
}
