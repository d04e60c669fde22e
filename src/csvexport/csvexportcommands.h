#pragma once

#include <QObject>
#include <QString>

class TMainWindowHost;
struct TMainCommands;

/// The main window's "Export CSV &File" (ExportCSVFile1): all contacts of the active profile
/// or the selected one, in Outlook's column set or Google Contacts', into a file.
class TCsvExportCommands : public QObject
{
    Q_OBJECT

public:
    static const QString ExportDialogTitle;
    static const QString ExportDialogFilter;

    /// Binds the command; lives as long as the window.
    TCsvExportCommands(TMainWindowHost &window, TMainCommands &commands);

    void ExportCSVFile1Click();

private:
    TMainWindowHost &m_window;
};
