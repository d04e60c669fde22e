#pragma once

#include <QObject>
#include <functional>

class QWidget;
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

    /// Binds ImportCSVFile1 of commands; reload refills the window's list, keeping its
    /// selection.
    TCsvImportCommand(QWidget &window, TMainCommands &commands, std::function<void()> reload);

    void ImportCSVFile1Click();

private:
    QWidget &m_window;
    std::function<void()> m_reload;
};
