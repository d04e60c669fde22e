#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
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
class TSearchBar : public QObject
{
    Q_OBJECT

public:
    TSearchBar(TMainCommands &commands, TSearchHost host, QWidget *parent);

    QWidget *panelSearch() const { return m_panelSearch; }
    QWidget *panelSearchResults() const { return m_panelSearchResults; }

    /// Shows or hides the bar as the profile's DisplaySearchBar setting says.
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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createSearchPanel();
    void createResultsPanel();

    TMainCommands &m_commands;
    TSearchHost m_host;
    QWidget *m_panelSearch;
    QWidget *m_panelSearchResults;
    QLabel *m_findLabel = nullptr;
    QLineEdit *ebFindWhat = nullptr;
    QCheckBox *cbFindMatchCase = nullptr;
    QCheckBox *cbFindExactMatch = nullptr;
    QCheckBox *cbEntire = nullptr;
    TActionImage *btnGoSearch = nullptr;
    TActionImage *btnCloseSearch = nullptr;
    /// Enter went down in the find box; only its own release searches, not the release of
    /// an Enter that closed a message box.
    bool m_enterDown = false;
};
