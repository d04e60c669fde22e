#pragma once

#include "profiles/duplicatefinder.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

/// The modal "Find Duplicates" window: the groups of contacts of the active profile that are
/// likely one person, strongest first, each with its reasons and its contacts' e-mail and
/// phone. For the chosen group: "Merge..." (the merge dialog) or "Not duplicates" (remembered
/// for the profile, so the group is never shown again).
class TFindDuplicates : public QDialog
{
    Q_OBJECT

public:
    explicit TFindDuplicates(QWidget *parent = nullptr);

    /// Looks for the groups, with a progress window when that takes a moment; false when the
    /// user stopped it (or the program is ending).
    bool FindGroups();
    const QList<TDuplicateGroup> &Groups() const { return m_groups; }
    /// Whether a merge changed book.db: the main window's list must be filled again.
    bool BookChanged() const { return m_bookChanged; }

    /// The group of the selected row, or -1.
    int SelectedGroup() const;
    void SelectGroup(int group);
    void btnMergeClick();
    void btnNotDuplicatesClick();

private:
    void fillList();
    /// The group is done with: it leaves the list, and the contacts removed leave every other.
    void dropGroup(int group, const QStringList &removed);
    QTreeWidgetItem *contactRow(const QString &name) const;

    QLabel *lblSummary;
    QTreeWidget *lvGroups;
    QPushButton *btnMerge;
    QPushButton *btnNotDuplicates;
    QPushButton *btnClose;
    QList<TDuplicateGroup> m_groups;
    bool m_bookChanged = false;
};
