#pragma once

#include <QObject>
#include <functional>

class TMainForm;
struct TMainCommands;

/// The main window's profile commands: "&Backup Profile", "&Restore Profile" and
/// "&Change profile ...", with their file dialogs, question and the window's reload after
/// each.
class TProfileCommands : public QObject
{
    Q_OBJECT

public:
    /// clearContactList empties the window's list (before a restore or a profile switch).
    TProfileCommands(TMainForm &form, TMainCommands &commands,
                     std::function<void()> clearContactList);

    void actBacupProfileExecute();
    void actRestoreProfileExecute();
    void actChangeProfileExecute();

private:
    TMainForm &m_form;
    std::function<void()> m_clearContactList;
};
