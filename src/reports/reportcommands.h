#pragma once

#include <QObject>

class QAbstractItemView;
class TMainWindowHost;
struct TMainCommands;

/// The main window's reports: "&Create Report" (actPrint, Ctrl+P) opens the report dialog, and
/// a double click on the contact list shows the selected contact's one-page summary.
class TReportCommands : public QObject
{
    Q_OBJECT

public:
    /// Binds actPrint and the list's double click; lives as long as the window.
    TReportCommands(TMainWindowHost &window, TMainCommands &commands, QAbstractItemView &list);

    void actPrintExecute();
    /// The summary: every section, no blank fields, Tahoma, in the viewer "Contact summary".
    void lbContactListDblClick();

private:
    TMainWindowHost &m_window;
};
