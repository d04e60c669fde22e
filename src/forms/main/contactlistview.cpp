#include "forms/main/contactlistview.h"

#include "profiles/untprofiles.h"

#include <QMouseEvent>
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
}
