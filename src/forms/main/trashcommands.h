#pragma once

#include <QObject>

class QAction;
class TMainWindowHost;
struct TMainCommands;

/// The main window's commands for contacts that left the book: "&Undo" (Ctrl+Z), which
/// names and undoes the active profile's last action that took contacts, and
/// "Deleted Contacts...", the window of the trash.
class TTrashCommands : public QObject
{
    Q_OBJECT

public:
    TTrashCommands(TMainWindowHost &window, TMainCommands &commands);

    void actUndoExecute();
    void actDeletedContactsExecute();
    /// Brings the Undo command's text and state into line with the active profile.
    void UpdateUndo();

    /// The Undo command's text for an action ("Delete of Ann Lee"); "&Undo" for none. A long
    /// action is cut short, and an "&" in it shows as itself.
    static QString UndoText(const QString &action);

private:
    TMainWindowHost &m_window;
    QAction *m_undo;
};
