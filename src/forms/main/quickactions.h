#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QMenu;
class TActionBar;
struct TMainCommands;

/// The quick actions on the selected contact: send it mail (actSendMail, F2), open its web page
/// (actWebSite, F3) or mail one of its other addresses (actOtherEmail, F4), from the action
/// bar's panels, the Go menu or the keys. The panels show what the contact the user chose last
/// offers; the commands always act on the row selected when they run, and do nothing when none
/// is or the contact lacks the address.
class TQuickActions : public QObject
{
    Q_OBJECT

public:
    /// selectedContact gives the selected row's contact name, or nothing when no row is.
    TQuickActions(TActionBar &bar, TMainCommands &commands,
                  std::function<std::optional<QString>()> selectedContact);

    /// The user chose a row: each panel is shown exactly when the contact has its address.
    void UpdateActionPanel();
    /// Send mail now: the contact's main address.
    void QuenlarkURL1Click();
    /// Go to Web Site: the contact's home page.
    void ablWebSiteClick();
    /// Other addresses: one is mailed at once; from several the user picks one in popupOther,
    /// which opens at the mouse pointer.
    void abiOtherClick();
    /// The Go menu is opening: it offers the three commands whose panels are shown.
    void Go1Click();

    QMenu *popupOther() const { return m_popupOther; }

private:
    QString selectedField(const QString &key) const;

    TActionBar &m_bar;
    TMainCommands &m_commands;
    std::function<std::optional<QString>()> m_selectedContact;
    QMenu *m_popupOther;
};
