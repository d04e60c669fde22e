#include "forms/main/contactlistdelegate.h"

#include "app/untcommon.h"
#include "forms/main/programfont.h"
#include "profiles/untprofiles.h"

#include <QPainter>

TContactRowLayout ComputeContactRowLayout(const QRect &row, bool detailed, const QString &category,
                                          const QString &email, int categoryWidth)
{
    TContactRowLayout layout;
    const int side = row.height();
    layout.picture = QRect(row.left(), row.top(), side, side);
    int x = row.left() + side + 5;
    if (!detailed) {
        layout.name = QPoint(x, row.top() + 2);
        return layout;
    }
    layout.name = QPoint(x, row.top() + 1);
    if (!category.isEmpty()) {
        layout.showCategory = true;
        layout.category = QPoint(x, row.top() + 17);
        x += categoryWidth + 8;
    }
    if (!email.isEmpty()) {
        layout.showEmail = true;
        layout.email = QPoint(x, row.top() + 17);
    }
    return layout;
}

TContactListDelegate::TContactListDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

void TContactListDelegate::SetDetailed(bool detailed)
{
    if (m_detailed == detailed)
        return;
    m_detailed = detailed;
    // An invalid index asks the view to lay out every row again with the new height.
    emit sizeHintChanged(QModelIndex());
}

QFont TContactListDelegate::TextFont()
{
    return ProgramFont(8);
}

QFont TContactListDelegate::DetailedNameFont()
{
    return ProgramFont(10, true);
}

QSize TContactListDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    // The list stretches every row to its own width; a long name is cut, as in a list box,
    // rather than widening the list.
    return QSize(1, RowHeight());
}

QPixmap TContactListDelegate::ScaledUserIcon(int iconIndex, int side, qreal ratio) const
{
    if (iconIndex < 0 || iconIndex >= IconCount || side <= 0)
        return QPixmap();
    const int device = qRound(side * ratio);
    const quint64 key = (quint64(iconIndex) << 32) | quint64(device);
    const auto cached = m_scaled.constFind(key);
    if (cached != m_scaled.constEnd())
        return *cached;
    // Drawn from the picture's source at the row's size, so it stays sharp at any size.
    QPixmap scaled = QPixmap::fromImage(LoadUserIcon(iconIndex, side, ratio));
    m_scaled.insert(key, scaled);
    return scaled;
}

namespace {
void drawTextAt(QPainter *painter, const QPoint &topLeft, const QString &text)
{
    painter->drawText(QPointF(topLeft.x(), topLeft.y() + painter->fontMetrics().ascent()), text);
}
} // namespace

void TContactListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    const QString name = index.data(Qt::DisplayRole).toString();
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    const QRect row = option.rect;

    painter->save();
    painter->setClipRect(row);
    painter->fillRect(row,
                      option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));

    const TProfile *profile = ActiveProfile;
    const int iconIndex = profile ? profile->ReadIntField(name, QStringLiteral("aIcon")) : -1;
    QString category;
    QString email;
    if (profile && m_detailed) {
        category = profile->ReadField(name, QStringLiteral("aContactCat"));
        email = profile->ReadField(name, QStringLiteral("pEmailAddress"));
    }

    const QFont textFont = TextFont();
    const TContactRowLayout layout = ComputeContactRowLayout(
        row, m_detailed, category, email, QFontMetrics(textFont).horizontalAdvance(category));

    const QPixmap picture =
        ScaledUserIcon(iconIndex, layout.picture.height(), painter->device()->devicePixelRatioF());
    if (!picture.isNull())
        painter->drawPixmap(layout.picture.topLeft(), picture);

    if (m_detailed) {
        painter->setFont(DetailedNameFont());
        drawTextAt(painter, layout.name, name);
        painter->setFont(textFont);
        if (layout.showCategory)
            drawTextAt(painter, layout.category, category);
        if (layout.showEmail)
            drawTextAt(painter, layout.email, email);
    } else {
        QFont nameFont = textFont;
        nameFont.setBold(selected);
        painter->setFont(nameFont);
        drawTextAt(painter, layout.name, name);
    }
    painter->restore();
}
