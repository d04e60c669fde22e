#pragma once

#include <QObject>

class TMainWindowHost;
struct TMainCommands;

/// The main window's profile commands: "&Backup Profile", "&Restore Profile" and
/// "&Change profile ...", with their file dialogs, question and the window's reload after
/// each.
class TProfileCommands : public QObject
{
    Q_OBJECT

public:
    TProfileCommands(TMainWindowHost &window, TMainCommands &commands);

    void actBacupProfileExecute();
    void actRestoreProfileExecute();
    void actChangeProfileExecute();

private:
    TMainWindowHost &m_window;
};
