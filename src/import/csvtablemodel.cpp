#include "import/csvtablemodel.h"

#include <limits>

namespace {

// A view counts in int; a file cannot have more rows or columns than that shown.
int clampedCount(qsizetype count)
{
    return int(qMin<qsizetype>(count, std::numeric_limits<int>::max()));
}

// A cell is shown with this many characters at most: laying out megabytes of text on every
// repaint would freeze the window. Editing gets the whole text.
constexpr qsizetype kShownCharacters = 1000;

QString shown(QString text)
{
    if (text.size() <= kShownCharacters)
        return text;
    text.truncate(kShownCharacters);
    return text + QChar(0x2026);
}

} // namespace

TCsvTableModel::TCsvTableModel(QObject *parent) : QAbstractTableModel(parent) {}

bool TCsvTableModel::isCell(const QModelIndex &index) const
{
    return index.isValid() && checkIndex(index, CheckIndexOption::IndexIsValid);
}

void TCsvTableModel::SetTable(TCsvTable table)
{
    beginResetModel();
    m_table = std::move(table);
    m_targets.clear();
    endResetModel();
}

void TCsvTableModel::SetColumnTargets(const QStringList &targets)
{
    m_targets = targets;
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int TCsvTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : clampedCount(m_table.RowCount() - 1);
}

int TCsvTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : clampedCount(m_table.ColumnCount());
}

QVariant TCsvTableModel::data(const QModelIndex &index, int role) const
{
    if (!isCell(index) || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    QString text = m_table.Cell(index.row() + 1, index.column());
    return role == Qt::DisplayRole ? shown(std::move(text)) : text;
}

bool TCsvTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!isCell(index) || role != Qt::EditRole)
        return false;
    m_table.SetCell(index.row() + 1, index.column(), value.toString());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant TCsvTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == ColumnTargetRole && orientation == Qt::Horizontal && section >= 0 &&
        section < m_targets.size())
        return m_targets[section];
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Vertical)
        return section < rowCount() ? QVariant(section + 1) : QVariant();
    return section < columnCount() ? QVariant(shown(m_table.Cell(0, section))) : QVariant();
}

Qt::ItemFlags TCsvTableModel::flags(const QModelIndex &index) const
{
    if (!isCell(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}
