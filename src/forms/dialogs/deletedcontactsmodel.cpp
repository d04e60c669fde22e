#include "forms/dialogs/deletedcontactsmodel.h"

#include <QLocale>
#include <algorithm>

TDeletedContactsModel::TDeletedContactsModel(QObject *parent) : QAbstractTableModel(parent) {}

void TDeletedContactsModel::Reload(const TTrash &trash)
{
    beginResetModel();
    m_entries = trash.Entries();
    // Newest first; an entry without a readable time counts as old.
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const TTrashEntry &a, const TTrashEntry &b) {
                         if (a.left != b.left)
                             return !b.left.isValid() || (a.left.isValid() && a.left > b.left);
                         return a.sequence > b.sequence;
                     });
    m_why.clear();
    m_why.reserve(m_entries.size());
    for (const TTrashEntry &entry : std::as_const(m_entries))
        m_why.append(entry.Why());
    refilter();
    endResetModel();
}

void TDeletedContactsModel::SetSearchText(const QString &text)
{
    if (text == m_search)
        return;
    beginResetModel();
    m_search = text;
    refilter();
    endResetModel();
}

void TDeletedContactsModel::refilter()
{
    m_shown.clear();
    m_shown.reserve(m_entries.size());
    for (int i = 0; i < int(m_entries.size()); ++i) {
        if (m_search.isEmpty() || m_entries.at(i).name.contains(m_search, Qt::CaseInsensitive) ||
            m_why.at(i).contains(m_search, Qt::CaseInsensitive))
            m_shown.append(i);
    }
}

const TTrashEntry &TDeletedContactsModel::EntryAt(int row) const
{
    return m_entries.at(m_shown.at(row));
}

int TDeletedContactsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int TDeletedContactsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString TDeletedContactsModel::LeftText(const TTrashEntry &entry)
{
    if (!entry.left.isValid())
        return QStringLiteral("(unknown)");
    return QLocale().toString(entry.left.toLocalTime(), QStringLiteral("yyyy-MM-dd hh:mm"));
}

QVariant TDeletedContactsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const int entry = m_shown.at(index.row());
    switch (index.column()) {
    case NameColumn:
        return m_entries.at(entry).name;
    case LeftColumn:
        return LeftText(m_entries.at(entry));
    case WhyColumn:
        return m_why.at(entry);
    default:
        return {};
    }
}

QVariant TDeletedContactsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return QStringLiteral("Name");
    case LeftColumn:
        return QStringLiteral("Deleted");
    case WhyColumn:
        return QStringLiteral("Why");
    default:
        return {};
    }
}
