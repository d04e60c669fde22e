#include "reports/listdoubleclick.h"

#include <QAbstractItemView>
#include <QMouseEvent>

TListDoubleClick::TListDoubleClick(QAbstractItemView &view, std::function<void()> handler)
    : QObject(&view), m_handler(std::move(handler))
{
    view.viewport()->installEventFilter(this);
}

bool TListDoubleClick::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        m_handler();
        // The handler may have opened and closed a window; the view has nothing left to do
        // with this click.
        return true;
    }
    return QObject::eventFilter(watched, event);
}
