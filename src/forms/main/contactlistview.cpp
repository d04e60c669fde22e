#include "forms/main/contactlistview.h"

#include "profiles/untprofiles.h"

#include <QMouseEvent>
#include <QPainter>
#include <optional>

TContactListView::TContactListView(QWidget *parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setContextMenuPolicy(Qt::NoContextMenu);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TContactListView::SetPlaceholderText(const QString &text)
{
    m_placeholder = text;
    viewport()->update();
}

void TContactListView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit rightButtonPressed();
        return;
    }
    QListView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit lbContactListClick();
}

void TContactListView::mouseMoveEvent(QMouseEvent *event)
{
    const QModelIndex before = currentIndex();
    QListView::mouseMoveEvent(event);
    if (currentIndex() != before)
        emit lbContactListClick();
}

void TContactListView::keyPressEvent(QKeyEvent *event)
{
    const QModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex() != before)
        emit lbContactListClick();
}

void TContactListView::paintEvent(QPaintEvent *event)
{
    std::optional<TProfile::ContactReadScope> scope;
    if (ActiveProfile)
        scope.emplace(*ActiveProfile);
    QListView::paintEvent(event);
    if (m_placeholder.isEmpty() || (model() && model()->rowCount() > 0))
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextWordWrap, m_placeholder);
}
