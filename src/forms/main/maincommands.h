#pragma once

#include <QAction>
#include <functional>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QToolBar;

/// Every command of the main window as an action (caption, picture, shortcut), the five menus
/// built from them and the two tool bars bound to them.
///
/// An action starts disabled; the code that implements a command binds it (Bind), which
/// enables it. Every command runs through one gate, so none can start while the window is in
/// the middle of refilling its list (see Suspend).
struct TMainCommands
{
    /// Creates the actions as children of window and adds them to it, so their shortcuts work
    /// while no menu is open.
    explicit TMainCommands(QMainWindow *window);

    /// Connects action to handler (through the gate) and enables it.
    void Bind(QAction *action, std::function<void()> handler);
    /// Connects action to handler without the gate and enables it: for a command that must
    /// run whatever the window is doing.
    void BindUngated(QAction *action, const std::function<void()> &handler);
    /// handler behind the gate, for commands that come from elsewhere than an action (a
    /// click on the list, the tray icon).
    std::function<void()> Gated(std::function<void()> handler);

    /// While one lives, commands are ignored. Nested scopes are fine.
    class Suspend
    {
    public:
        explicit Suspend(TMainCommands &commands) : m_commands(commands)
        {
            ++m_commands.m_suspended;
        }
        ~Suspend() { --m_commands.m_suspended; }
        Suspend(const Suspend &) = delete;
        Suspend &operator=(const Suspend &) = delete;

    private:
        TMainCommands &m_commands;
    };
    bool Suspended() const { return m_suspended > 0; }

    QAction *actNewContact;
    QAction *actModifyContact;
    QAction *actDeleteContact;
    QAction *actFindDuplicates;
    /// Its text names the action it undoes ("&Undo Delete of Ann Lee").
    QAction *actUndo;
    QAction *actDeletedContacts;
    QAction *actChangeProfile;
    QAction *actExit;
    QAction *mnuSimple;
    QAction *mnuDetails;
    QAction *actBacupProfile;
    QAction *actRestoreProfile;
    /// The profile's link to a CardDAV address book, and a sync by hand.
    QAction *actServerSync;
    QAction *actSyncNow;
    QAction *actSendMail;
    QAction *actWebSite;
    QAction *actOtherEmail;
    QAction *actSearchNow;
    QAction *muSearchBar;
    QAction *actOptions;
    QAction *actHelpTopics;
    QAction *actCheckForUpdate;
    QAction *actAboutBox;
    QAction *actPrint;
    /// Menu items that are not actions of the list.
    QAction *mnHide;
    QAction *ImportCSVFile1;
    QAction *ImportvCardFile1;
    QAction *ExportvCardFile1;
    QAction *ExportCSVFile1;
    /// The Go menu's items for actSendMail, actWebSite, actOtherEmail and actSearchNow. The
    /// menu hides them when they have nothing to act on, while their keys keep working, so they
    /// stand for their commands instead of being them (a hidden action's key does nothing).
    QAction *mnSendMail;
    QAction *mnWebSite;
    QAction *mnOtherEmail;
    QAction *mnSearchNow;

    QActionGroup *viewGroup;

    QMenu *Contact1;
    QMenu *View1;
    QMenu *BackupTools1;
    QMenu *ImportExport1;
    QMenu *Go1;
    QMenu *Help1;

    /// The caption-only tool bar that serves as the menu bar.
    QToolBar *tbMenu;
    /// Pictures over captions for the everyday commands.
    QToolBar *ToolBar2;

private:
    int m_suspended = 0;
};
