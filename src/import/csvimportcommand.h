#pragma once

#include <QObject>

class TMainWindowHost;
struct TMainCommands;

/// The main window's "Import &CSV File": asks for a file (importDialog), shows it in the CSV
/// importer and has the window reload its list afterwards.
class TCsvImportCommand : public QObject
{
    Q_OBJECT

public:
    // importDialog
    static const QString ImportDialogTitle;
    static const QString ImportDialogFilter;

    /// Binds ImportCSVFile1 of commands.
    TCsvImportCommand(TMainWindowHost &window, TMainCommands &commands);

    void ImportCSVFile1Click();

private:
    TMainWindowHost &m_window;
};
