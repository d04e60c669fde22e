#include "reports/reportlistdelegate.h"

#include <QApplication>
#include <QPainter>

TReportListDelegate::TReportListDelegate(QObject *parent,
                                         std::function<bool(const QModelIndex &)> greyed)
    : QStyledItemDelegate(parent), m_greyed(std::move(greyed))
{}

void TReportListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    const QPalette &palette = option.palette;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool greyed = m_greyed && m_greyed(index);
    QColor background = palette.color(QPalette::Base);
    QColor text = palette.color(QPalette::Text);
    if (greyed) {
        text = palette.color(QPalette::Dark);
    } else if (selected) {
        background = palette.color(QPalette::Highlight);
        text = palette.color(QPalette::HighlightedText);
    }
    painter->save();
    painter->fillRect(option.rect, background);
    painter->setPen(text);
    painter->setFont(option.font);
    const QRect textRect = option.rect.adjusted(3, 1, 0, 0);
    const QString name = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                       Qt::ElideRight, textRect.width());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name);
    painter->restore();
    if (option.state.testFlag(QStyle::State_HasFocus)) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = background;
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}

QSize TReportListDelegate::sizeHint(const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), RowHeight);
}
