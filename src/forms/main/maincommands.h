#pragma once

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QToolBar;

/// Every command of the main window as an action (caption, picture, shortcut), the five menus
/// built from them and the two tool bars bound to them. The window connects what they do.
struct TMainCommands
{
    /// Creates the actions as children of window and adds them to it, so their shortcuts work
    /// while no menu is open.
    explicit TMainCommands(QMainWindow *window);

    QAction *actNewContact;
    QAction *actModifyContact;
    QAction *actDeleteContact;
    QAction *actChangeProfile;
    QAction *actExit;
    QAction *mnuSimple;
    QAction *mnuDetails;
    QAction *actBacupProfile;
    QAction *actRestoreProfile;
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
};
