#pragma once

#include <QObject>

class TMainWindowHost;
struct TMainCommands;

/// The main window's "&Calbrey Options" (F11) and "&Check internet for updates" (Ctrl+U):
/// binds both commands and opens their dialogs.
class TOptionsAndUpdates : public QObject
{
    Q_OBJECT

public:
    TOptionsAndUpdates(TMainWindowHost &window, TMainCommands &commands);

    /// The options dialog; whichever way it closed, the window and the start-at-login entry
    /// then follow the profile's settings.
    void actOptionsExecute();
    void actCheckForUpdateExecute();

private:
    TMainWindowHost &m_window;
};
