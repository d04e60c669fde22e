#pragma once

#include <QStyledItemDelegate>
#include <functional>

/// The rows of the report dialog's two lists: 16 pixels high, the name drawn 3 pixels from
/// the left and 1 below the top over the row's background. A name that greyed() marks is
/// drawn in the button-shadow colour on the window colour, selected or not.
class TReportListDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int RowHeight = 16;

    explicit TReportListDelegate(QObject *parent,
                                 std::function<bool(const QModelIndex &)> greyed = {});

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    std::function<bool(const QModelIndex &)> m_greyed;
};
