#pragma once

#include <QListView>

/// The contact list: one selected row at most, no editing, and a right button that leaves the
/// selection alone and asks for the selected contact's editor instead.
class TContactListView : public QListView
{
    Q_OBJECT

public:
    explicit TContactListView(QWidget *parent = nullptr);

signals:
    void rightButtonPressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    /// The rows read their fields inside one read scope: one look at book.db a repaint.
    void paintEvent(QPaintEvent *event) override;
};
