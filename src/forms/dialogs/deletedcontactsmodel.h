#pragma once

#include "profiles/trash.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

/// The Deleted Contacts window's table over a trash: name, when it left, why; newest first,
/// narrowed by a search text. The entries are read once (Reload); each cell is made only when
/// it is shown, so a trash of ten thousand opens at once.
class TDeletedContactsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        NameColumn,
        LeftColumn,
        WhyColumn,
        ColumnCount
    };

    explicit TDeletedContactsModel(QObject *parent = nullptr);

    /// Reads the trash again; the search text stays.
    void Reload(const TTrash &trash);
    /// Shows only the entries whose name or reason holds text (any case); empty shows all.
    void SetSearchText(const QString &text);

    /// Every entry, whether shown or not.
    qsizetype EntryCount() const { return m_entries.size(); }
    const TTrashEntry &EntryAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    /// When an entry left, as the table shows it.
    static QString LeftText(const TTrashEntry &entry);

private:
    void refilter();

    QList<TTrashEntry> m_entries; // newest first
    QStringList m_why;            // each entry's reason in words
    QList<int> m_shown;           // the entries the search lets through
    QString m_search;
};
