#pragma once

#include <QHeaderView>

/// The importer's column headers with the mapping row: each section shows the column's header
/// and, under it, the field the column goes to (TCsvTableModel::ColumnTargetRole) with a drop
/// down mark, since a click on it lets the user choose another (sectionClicked).
class TCsvMappingHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit TCsvMappingHeader(QWidget *parent = nullptr);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    QFont targetFont() const;
};
