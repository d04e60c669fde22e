#include "import/csvmappingheader.h"

#include "import/csvtablemodel.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace {

// Room around the two lines and for the drop-down mark.
constexpr int kMargin = 4;
constexpr int kMarkWidth = 10;

} // namespace

TCsvMappingHeader::TCsvMappingHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setToolTip(QStringLiteral("Click a column's header to choose the field it goes to."));
}

QFont TCsvMappingHeader::targetFont() const
{
    QFont font = this->font();
    font.setItalic(true);
    return font;
}

QSize TCsvMappingHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    const QString target =
        model() ? model()
                      ->headerData(logicalIndex, orientation(), TCsvTableModel::ColumnTargetRole)
                      .toString()
                : QString();
    const QFontMetrics targetMetrics(targetFont());
    size.setHeight(fontMetrics().height() + targetMetrics.height() + 3 * kMargin);
    size.setWidth(
        // Italic letters lean out of their advance: a margin more.
        qMax(size.width(), targetMetrics.horizontalAdvance(target) + kMarkWidth + 4 * kMargin));
    return size;
}

void TCsvMappingHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid() || !model())
        return;
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    option.text.clear();
    if (isEnabled())
        option.state |= QStyle::State_Enabled;
    if (window()->isActiveWindow())
        option.state |= QStyle::State_Active;
    style()->drawControl(QStyle::CE_Header, &option, painter, this);

    const QString header = model()->headerData(logicalIndex, orientation()).toString();
    const QString target =
        model()
            ->headerData(logicalIndex, orientation(), TCsvTableModel::ColumnTargetRole)
            .toString();
    const QRect inner = rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const int firstLine = fontMetrics().height();
    painter->save();
    painter->setClipRect(rect);
    painter->setPen(palette().color(QPalette::ButtonText));
    // The current cell's column is the one the field list over the grid is for.
    if (selectionModel() && selectionModel()->currentIndex().column() == logicalIndex) {
        QFont bold = font();
        bold.setBold(true);
        painter->setFont(bold);
    }
    painter->drawText(inner.adjusted(0, 0, 0, -(inner.height() - firstLine)),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      painter->fontMetrics().elidedText(header, Qt::ElideRight, inner.width()));

    // The second line looks like a small drop-down list: the target and a mark.
    const QRect targetRect(inner.left(), inner.top() + firstLine + kMargin, inner.width(),
                           inner.height() - firstLine - kMargin);
    painter->setFont(targetFont());
    painter->setPen(palette().color(QPalette::Link));
    const QRect textRect = targetRect.adjusted(0, 0, -kMarkWidth - kMargin, 0);
    painter->drawText(
        textRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(targetFont()).elidedText(target, Qt::ElideRight, textRect.width()));
    QStyleOption mark;
    mark.initFrom(this);
    mark.rect =
        QRect(targetRect.right() - kMarkWidth, targetRect.top(), kMarkWidth, targetRect.height());
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &mark, painter, this);
    painter->restore();
}
