#pragma once

#include "forms/main/mainwindowhost.h"

#include <QMainWindow>
#include <memory>

class QComboBox;
class QStringListModel;
class QWidget;
class TActionBar;
class TContactListDelegate;
class TContactListView;
class TQuickActions;
class TSearchBar;
class TTrayHiding;
struct TMainCommands;

/// The program's main window, the hub: the active profile's contacts, the category box, the
/// contact commands and the dialogs they open. Its other features have classes of their own
/// that own their controls and bind their commands: the search bar (TSearchBar), the action
/// bar (TActionBar) and hiding in the notification area (TTrayHiding). The features reach it
/// through TMainWindowHost. It keeps no contacts or settings of its own; every list is read
/// from ActiveProfile.
class TMainForm : public QMainWindow, public TMainWindowHost
{
    Q_OBJECT

public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    /// Set by the two exit commands; a close request while it is false may hide the window to
    /// the notification area instead.
    bool ExitRequested = false;

    // TMainWindowHost
    QWidget &Window() override { return *this; }
    std::optional<QString> SelectedContact() const override;
    void ApplyProfileToWindow() override;
    void ReloadContactList(bool keepSelection) override;
    void ClearContactList() override;

    bool HasSelectedContact() const;
    /// The selected row's contact name; only meaningful when HasSelectedContact().
    QString SelectedContactName() const;
    /// Filters the list by the entry chosen in the category box.
    void cbCategoryChange();

    /// The names the list holds, in order.
    QStringList ListedContacts() const;

    // Command handlers.
    void actNewContactExecute();
    void actModifyContactExecute();
    void actDeleteContactExecute();
    void actExitExecute();
    void mnuSimpleExecute();
    void mnuDetailsExecute();
    void actHelpTopicsExecute();
    void actAboutBoxExecute();
    // Menus about to open.
    void View1Click();

    TTrayHiding &TrayHiding() const { return *m_trayHiding; }

signals:
    /// The window has closed for good: the program ends (TProgramEnd has begun). Whoever runs
    /// the message loop ends it; the window is destroyed only after every nested loop (a
    /// dialog's, a message box's) has returned.
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    /// Whether the desktop has a notification area; without one a hidden window could not be
    /// brought back, so closing it ends the program instead.
    virtual bool TrayAvailable() const;

private:
    void createControls();
    void bindCommands();
    void setListedContacts(const QStringList &names);
    /// Search results: the list shows names, the category box holds entry alone, disabled.
    void showSearchResults(const QStringList &names, const QString &entry);
    void selectContact(const QString &name);
    void setFullDisplay(bool on);
    /// Shows a dialog for the selected contact or a new one; reloads unless it was cancelled.
    void runContactEditor(bool modify);
    /// While book.db is being read ahead (at start-up): the list says so and fills once the
    /// book is in, so that the window shows at once. False when nothing is being read.
    bool fillListOnceReadAhead();
    /// The fill fillListOnceReadAhead() put off, now, if it is still to be done.
    void fillPendingList();

    std::unique_ptr<TMainCommands> m_commands;
    QWidget *CoolBar1 = nullptr;
    QComboBox *cbCategory = nullptr;
    QWidget *panelMainControls = nullptr;
    TContactListView *lbContactList = nullptr;
    TActionBar *abPanel = nullptr;
    TQuickActions *m_quickActions = nullptr;
    TSearchBar *m_searchBar = nullptr;
    TTrayHiding *m_trayHiding = nullptr;
    QStringListModel *m_contacts = nullptr;
    TContactListDelegate *m_delegate = nullptr;
    bool m_reloading = false;
    bool m_listPending = false;
};
