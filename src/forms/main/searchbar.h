#pragma once

#include "profiles/contactsearchindex.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTimer;
class QWidget;
class TActionImage;
struct TMainCommands;

/// What the search bar asks of the main window, which owns the list and the category box.
struct TSearchHost
{
    /// The names the list shows at the moment, in order.
    std::function<QStringList()> listedContacts;
    /// The list shows names, with no row selected; the category box holds the one entry, chosen
    /// and disabled.
    std::function<void(const QStringList &names, const QString &entry)> showResults;
    /// Leaves the results: the list and the category box are refilled, and the category and
    /// the contact shown before are chosen again where they still exist.
    std::function<void()> reloadKeepingSelection;
};

/// The search bar of the main window: the bar under the list (panelSearch), which narrows the
/// list to the names that hold the find text, and the results strip above the list
/// (panelSearchResults), which closes the results. It owns both panels and binds its commands
/// (actSearchNow, F12, also while the bar is hidden; muSearchBar); the window only places the
/// panels and tells it when the list shows a category again.
///
/// With "Any field" checked the search is forgiving (every word in any field, accents and case
/// aside; see TContactSearchIndex) and the list follows the typing after a short pause; Enter
/// still searches at once.
class TSearchBar : public QObject
{
    Q_OBJECT

public:
    TSearchBar(TMainCommands &commands, TSearchHost host, QWidget *parent);

    QWidget *panelSearch() const { return m_panelSearch; }
    QWidget *panelSearchResults() const { return m_panelSearchResults; }

    /// Shows or hides the bar as the profile's DisplaySearchBar setting says, and checks its
    /// Any field box as the profile's SearchAnyField does.
    void SetBarVisible(bool visible);
    /// The list shows every contact, or one category when narrowed: the results strip goes,
    /// and Entire database is offered only while the list is narrowed.
    void ListShowsCategory(bool narrowed);
    /// Keyboard order: the bar's controls come right after previous.
    void FollowInTabOrder(QWidget *previous);

    /// Shows or hides the bar and saves the choice in the profile.
    void muSearchBarExecute();
    /// Searches the listed names, or every contact's with Entire database checked.
    void actSearchNowExecute();
    /// Lists the names of source that match the find text, or says that none does and goes
    /// back to the list shown before.
    void RunSearch(const QStringList &source);
    void btnCloseSearchClick();
    void SetEntireDatabaseVisible(bool visible);
    /// Places the bar's controls for its width: the find box takes what the others leave.
    void LayoutSearchBar();
    /// The Go menu is opening: it offers "S&earch now" only while the bar is shown.
    void Go1Click();
    /// The typing paused with Any field checked: the list shows what the find text finds so
    /// far (nothing found is an empty list, not a message), or the list before the search
    /// again when the find box was emptied.
    void FollowTyping();
    /// The user checked or cleared Any field: saved in the profile.
    void cbFindAnyFieldClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createSearchPanel();
    void createResultsPanel();
    /// The names a search looks at: every contact's with Entire database checked, otherwise
    /// the list as it was before the typing began to follow, or as it is.
    QStringList searchSource() const;
    QStringList findIn(const QStringList &source) const;
    void showFound(const QStringList &found, const QString &typed);

    TMainCommands &m_commands;
    TSearchHost m_host;
    QWidget *m_panelSearch;
    QWidget *m_panelSearchResults;
    QLabel *m_findLabel = nullptr;
    QLineEdit *ebFindWhat = nullptr;
    QCheckBox *cbFindMatchCase = nullptr;
    QCheckBox *cbFindExactMatch = nullptr;
    QCheckBox *cbEntire = nullptr;
    QCheckBox *cbFindAnyField = nullptr;
    QTimer *m_typingPause = nullptr;
    /// The list the typing narrows while the list follows it; none while it shows a category.
    std::optional<QStringList> m_followedList;
    mutable TContactSearchIndex m_index;
    TActionImage *btnGoSearch = nullptr;
    TActionImage *btnCloseSearch = nullptr;
    /// Enter went down in the find box; only its own release searches, not the release of
    /// an Enter that closed a message box.
    bool m_enterDown = false;
};
