#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QMainWindow;
class QMenu;
class TTrayIcon;
struct TMainCommands;

/// Hiding the main window in the notification area: the icon (TrayIcon) with its menu
/// (popupTray), "&Hide in tray", whether a close or a minimise hides the window, and switching
/// the tray off. A window is hidden only while its icon is in a notification area that exists,
/// so the user can always bring it back.
class TTrayHiding : public QObject
{
    Q_OBJECT

public:
    /// trayAvailable tells whether the desktop has a notification area now; applyProfile is
    /// the window's ApplyProfileToWindow.
    TTrayHiding(QMainWindow &window, TMainCommands &commands, std::function<bool()> trayAvailable,
                std::function<void()> applyProfile);

    /// The profile keeps an icon, and the icon is in a notification area that exists.
    bool CanHide() const;
    /// The icon follows the profile's "Load on startup"; it is touched only when that differs
    /// from what is wanted now.
    void ApplyProfile();

    /// mnHideClick: the window and its task-bar button go; the icon brings them back.
    void mnHideClick();
    /// mnShowHideClick: the window comes back, in front.
    void mnShowHideClick();
    /// Disabletray1Click: the window comes back and the profile keeps no icon any more.
    void Disabletray1Click();
    /// The Contact menu is about to open: "&Hide in tray" is offered only where it can hide.
    void Contact1Click();
    /// FormCloseQuery: whether a close request may close the window; without an exit command
    /// it hides the window instead where it can.
    bool FormCloseQuery(bool exitRequested);

    TTrayIcon &TrayIcon() const { return *m_trayIcon; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenu();
    void TrayIconMouseDown(Qt::MouseButton button);
    void checkStillReachable();

    QMainWindow &m_window;
    TMainCommands &m_commands;
    std::function<void()> m_applyProfile;
    TTrayIcon *m_trayIcon;
    QMenu *popupTray = nullptr;
    /// While the window is hidden: a notification area that goes away (a panel that ends)
    /// would take the only way back with it, so the window then comes back by itself.
    QTimer m_reachable;
    bool m_applied = false;
};
