#pragma once

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QStyledItemDelegate>

/// Where the parts of one row of the contact list go. Text positions are the top-left corner
/// of the text's line box.
struct TContactRowLayout
{
    QRect picture;
    QPoint name;
    bool showCategory = false;
    QPoint category;
    bool showEmail = false;
    QPoint email;
};

/// The row layout: the picture fills the square at the row's left, the text starts 5 pixels
/// right of it. Detailed rows put category and e-mail address on a second line, the address 8
/// pixels after the category's drawn width (categoryWidth), or where the category would have
/// begun when there is none.
TContactRowLayout ComputeContactRowLayout(const QRect &row, bool detailed, const QString &category,
                                          const QString &email, int categoryWidth);

/// Draws the contact list's rows from the active profile: picture, name and, in the detailed
/// view, category and e-mail address. Fields are read afresh for every painted row; nothing
/// about a contact is kept between paints, only the 25 pictures.
class TContactListDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int SimpleRowHeight = 20;
    static constexpr int DetailedRowHeight = 34;

    explicit TContactListDelegate(QObject *parent = nullptr);

    void SetDetailed(bool detailed);
    bool Detailed() const { return m_detailed; }
    int RowHeight() const { return m_detailed ? DetailedRowHeight : SimpleRowHeight; }

    /// The fonts the rows use: 8 point for text, 10 point bold for a detailed row's name.
    static QFont TextFont();
    static QFont DetailedNameFont();

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    /// The picture of aIcon value iconIndex at side by side, cached per size; null when
    /// iconIndex is not one of the 25 pictures.
    QPixmap ScaledUserIcon(int iconIndex, int side, qreal ratio) const;

private:
    static constexpr int IconCount = 25;

    bool m_detailed = false;
    mutable QHash<quint64, QPixmap> m_scaled;
};
