#pragma once

#include "import/csvparser.h"

#include <QAbstractTableModel>

/// The importer's grid over a CSV table: row 0 of the table is the horizontal header, the
/// other rows are the model's rows (numbered from 1 in the vertical header, as the import's
/// messages count them). Every cell is editable; edits go into the table, so the import sees
/// them. A very long cell is shown cut short (its edit role holds the whole text). Each
/// column's header also gives, in ColumnTargetRole, what the import does with the column.
class TCsvTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    /// The horizontal header's role for the field a column goes to.
    static constexpr int ColumnTargetRole = Qt::UserRole + 1;

    explicit TCsvTableModel(QObject *parent = nullptr);

    /// Shows table (a new file); the model keeps it.
    void SetTable(TCsvTable table);
    const TCsvTable &Table() const { return m_table; }
    /// What each column goes to, in ColumnTargetRole.
    void SetColumnTargets(const QStringList &targets);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    bool isCell(const QModelIndex &index) const;

    TCsvTable m_table;
    QStringList m_targets;
};
