#include "forms/main/trayicon.h"

#include "platform/calbreyerror.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

namespace {
/// Where the desktop's notification area takes icons the X11 way (XEmbed), the icon is a small
/// window of the program's own, docked in the panel, and Qt would open the menu as soon as the
/// right button goes down over it.
bool isDockedIconWindow(const QObject *object)
{
    return object->isWidgetType() && object->objectName() == QLatin1String("QSystemTrayIconSys");
}
} // namespace

TTrayIcon::TTrayIcon(std::function<bool()> trayAvailable, QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(this)), m_trayAvailable(std::move(trayAvailable))
{
    m_icon->setObjectName(QStringLiteral("TrayIcon"));
    connect(m_icon, &QSystemTrayIcon::activated, this, &TTrayIcon::iconActivated);
    // The docked window comes and goes with the panel; its right-button events are taken
    // wherever it is.
    qApp->installEventFilter(this);
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
    // The desktop shows the menu itself where it can: a notification area on the session bus
    // asks for it over D-Bus, and Windows opens it on the button's release. Only the docked
    // X11 window leaves it to us (eventFilter).
    m_icon->setContextMenu(menu);
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
        break;
    default:
        break;
    }
}

bool TTrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) ||
        static_cast<QMouseEvent *>(event)->button() != Qt::RightButton ||
        !isDockedIconWindow(watched))
        return QObject::eventFilter(watched, event);
    // The menu waits for the release; the press is the icon's alone.
    if (type == QEvent::MouseButtonPress)
        emit MouseDown(Qt::RightButton);
    else
        popUpMenu();
    return true;
}

void TTrayIcon::popUpMenu()
{
    if (m_popupMenu)
        m_popupMenu->popup(QCursor::pos());
}

bool TTrayIcon::ShowBalloon(const QString &title, const QString &text)
{
    if (!Shown())
        return false;
    m_icon->showMessage(title, text, QSystemTrayIcon::Warning);
    return true;
}
