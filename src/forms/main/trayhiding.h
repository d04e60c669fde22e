#pragma once

#include <QObject>
#include <functional>

class QMainWindow;
struct TMainCommands;

/// Hiding the main window in the notification area: "&Hide in tray", and whether a close
/// hides the window instead of ending the program. A window is hidden only where the
/// desktop has a notification area and the profile keeps an icon there, so it can always be
/// brought back.
class TTrayHiding : public QObject
{
    Q_OBJECT

public:
    /// trayAvailable tells whether the desktop has a notification area.
    TTrayHiding(QMainWindow &window, TMainCommands &commands, std::function<bool()> trayAvailable);

    /// The profile keeps an icon in a notification area that exists.
    bool CanHide() const;
    /// mnHideClick: the window goes; the icon brings it back.
    void mnHideClick();
    /// The Contact menu is about to open: "&Hide in tray" is offered only where it can hide.
    void Contact1Click();

private:
    QMainWindow &m_window;
    TMainCommands &m_commands;
    std::function<bool()> m_trayAvailable;
};
