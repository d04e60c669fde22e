#pragma once

#include <QObject>

class QWidget;
struct TMainCommands;

/// The search bar of the main window: the bar under the list (panelSearch) and the results
/// strip above it (panelSearchResults). It owns both panels and binds its own commands; the
/// window only places the panels.
class TSearchBar : public QObject
{
    Q_OBJECT

public:
    TSearchBar(TMainCommands &commands, QWidget *parent);

    QWidget *panelSearch() const { return m_panelSearch; }
    QWidget *panelSearchResults() const { return m_panelSearchResults; }

    /// Shows or hides the bar as the profile's DisplaySearchBar setting says.
    void SetBarVisible(bool visible);
    /// The list shows the category's contacts again: the results strip goes.
    void HideResults();

private:
    TMainCommands &m_commands;
    QWidget *m_panelSearch;
    QWidget *m_panelSearchResults;
};
