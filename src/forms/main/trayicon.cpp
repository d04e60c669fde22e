#include "forms/main/trayicon.h"

#include "platform/calbreyerror.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

namespace {
/// On X11 the icon is a small window of the program's own, docked in the panel, and Qt reports
/// the right button's press over it; the menu then waits for the release there. Elsewhere the
/// platform reports its own menu gesture, which already is the release.
QWidget *dockedIconWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->objectName() == QLatin1String("QSystemTrayIconSys"))
            return window;
    }
    return nullptr;
}
} // namespace

TTrayIcon::TTrayIcon(std::function<bool()> trayAvailable, QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(this)), m_trayAvailable(std::move(trayAvailable))
{
    m_icon->setObjectName(QStringLiteral("TrayIcon"));
    connect(m_icon, &QSystemTrayIcon::activated, this, &TTrayIcon::iconActivated);
}

void TTrayIcon::SetVisible(bool visible)
{
    m_visible = visible;
    // Also without a notification area: Qt docks the icon in one that appears later.
    m_icon->setVisible(visible);
    if (visible && !m_trayAvailable())
        throw CalbreyError(QStringLiteral("Cannot Create System Shell Notification Icon"));
}

bool TTrayIcon::Shown() const
{
    return m_visible && m_trayAvailable();
}

bool TTrayIcon::SetHint(const QString &hint)
{
    if (hint.size() >= HintLimit)
        return false;
    m_hint = hint;
    m_icon->setToolTip(hint);
    return true;
}

void TTrayIcon::SetPicture(const QIcon &picture)
{
    m_icon->setIcon(picture);
}

void TTrayIcon::SetPopupMenu(QMenu *menu)
{
    m_popupMenu = menu;
}

void TTrayIcon::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit MouseDown(Qt::LeftButton);
        break;
    case QSystemTrayIcon::MiddleClick:
        emit MouseDown(Qt::MiddleButton);
        break;
    case QSystemTrayIcon::Context:
        emit MouseDown(Qt::RightButton);
        if (QWidget *docked = dockedIconWindow())
            docked->installEventFilter(this); // once: a second install only moves it first
        else
            popUpMenu();
        break;
    default:
        break;
    }
}

bool TTrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
        popUpMenu();
    return QObject::eventFilter(watched, event);
}

void TTrayIcon::popUpMenu()
{
    if (m_popupMenu)
        m_popupMenu->popup(QCursor::pos());
}
