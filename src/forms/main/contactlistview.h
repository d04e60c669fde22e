#pragma once

#include <QListView>

/// The contact list: one selected row at most, no editing, and a right button that leaves the
/// selection alone and asks for the selected contact's editor instead.
class TContactListView : public QListView
{
    Q_OBJECT

public:
    explicit TContactListView(QWidget *parent = nullptr);

    /// Shown in the middle of the list while it holds no rows; empty: nothing.
    void SetPlaceholderText(const QString &text);

signals:
    void rightButtonPressed();
    /// The user chose a row: a left click, or a key or a drag of the mouse that moved the
    /// selection. The window's own changes of the selection do not count.
    void lbContactListClick();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    /// The rows read their fields inside one read scope: one look at book.db a repaint.
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_placeholder;
};
