#include "forms/main/clickablelabel.h"

#include <QMouseEvent>
#include <QPointer>

TClickableLabel::TClickableLabel(QWidget *parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

void TClickableLabel::setHover(bool hover)
{
    if (FHover == hover)
        return;
    FHover = hover;
    UpdateControl();
}

void TClickableLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    setHover(true);
}

void TClickableLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    setHover(false);
}

void TClickableLabel::mousePressEvent(QMouseEvent *event)
{
    // Any button presses the control; only the left one can click it.
    if (event->button() == Qt::LeftButton)
        FLeftDown = true;
    FPressed = true;
    UpdateControl();
    event->accept();
}

void TClickableLabel::mouseMoveEvent(QMouseEvent *event)
{
    // While a button is held the control has grabbed the mouse and may be sent no leave event,
    // so dragging off and back on is followed here.
    if (FPressed)
        setHover(rect().contains(event->position().toPoint()));
    event->accept();
}

void TClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool over = rect().contains(event->position().toPoint());
    const bool click = event->button() == Qt::LeftButton && FLeftDown && over;
    if (event->button() == Qt::LeftButton)
        FLeftDown = false;
    // The click comes before the look changes back, as with the framework's own buttons. Its
    // handler may close the window that holds the control.
    if (click) {
        const QPointer<TClickableLabel> alive(this);
        emit clicked();
        if (!alive)
            return;
    }
    FPressed = false;
    FHover = over;
    UpdateControl();
    event->accept();
}
