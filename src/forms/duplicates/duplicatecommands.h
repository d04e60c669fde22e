#pragma once

#include <QObject>

class TMainWindowHost;
struct TMainCommands;

/// The main window's "Find &Duplicates..." command (Contact menu): looks for the groups of
/// contacts that are likely one person, shows them in their window, and refills the window's
/// list when a merge changed the book.
class TDuplicateCommands : public QObject
{
    Q_OBJECT

public:
    TDuplicateCommands(TMainWindowHost &window, TMainCommands &commands);

    void actFindDuplicatesExecute();

private:
    TMainWindowHost &m_window;
};
