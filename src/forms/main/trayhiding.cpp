#include "forms/main/trayhiding.h"

#include "app/untcommon.h"
#include "forms/main/artwork.h"
#include "forms/main/maincommands.h"
#include "forms/main/trayicon.h"
#include "platform/calbreyerror.h"
#include "profiles/untprofiles.h"

#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <utility>

namespace {
/// How often a hidden window checks that its icon can still be reached.
constexpr int ReachableCheckMs = 1000;
} // namespace

TTrayHiding::TTrayHiding(QMainWindow &window, TMainCommands &commands,
                         std::function<bool()> trayAvailable, std::function<void()> applyProfile)
    : QObject(&window), m_window(window), m_commands(commands),
      m_applyProfile(std::move(applyProfile)),
      m_trayIcon(new TTrayIcon(std::move(trayAvailable), this))
{
    createMenu();
    m_trayIcon->SetHint(QStringLiteral("Quenlark Calbrey"));
    m_trayIcon->SetPicture(MenuListIcon(Artwork::TrayIconPicture));
    m_trayIcon->SetPopupMenu(popupTray);
    connect(m_trayIcon, &TTrayIcon::MouseDown, this, &TTrayHiding::TrayIconMouseDown);

    m_commands.Bind(m_commands.mnHide, [this] { mnHideClick(); });
    connect(m_commands.Contact1, &QMenu::aboutToShow, this, &TTrayHiding::Contact1Click);
    m_window.installEventFilter(this);
    m_reachable.setInterval(ReachableCheckMs);
    connect(&m_reachable, &QTimer::timeout, this, &TTrayHiding::checkStillReachable);
}

void TTrayHiding::createMenu()
{
    popupTray = new QMenu(&m_window);
    popupTray->setObjectName(QStringLiteral("popupTray"));
    const auto addItem = [this](const char *name, const QString &caption) {
        QAction *item = popupTray->addAction(caption);
        item->setObjectName(QLatin1String(name));
        return item;
    };
    QAction *mnShowHide = addItem("mnShowHide", QStringLiteral("&Show Quenlark Address Book"));
    connect(mnShowHide, &QAction::triggered, this, m_commands.Gated([this] { mnShowHideClick(); }));
    popupTray->setDefaultAction(mnShowHide);
    popupTray->addSeparator()->setObjectName(QStringLiteral("N8"));
    connect(addItem("Disabletray1", QStringLiteral("&Disable Quenlark Address Book Tray")),
            &QAction::triggered, this, m_commands.Gated([this] { Disabletray1Click(); }));
    connect(addItem("CloseQuenlarkAddressBook1", QStringLiteral("&Close Quenlark Address Book")),
            &QAction::triggered, m_commands.actExit, &QAction::trigger);
}

bool TTrayHiding::CanHide() const
{
    return ActiveProfile && ActiveProfile->LoadOnStartup && m_trayIcon->Shown();
}

void TTrayHiding::ApplyProfile()
{
    const bool startUp = !std::exchange(m_applied, true);
    const bool wanted = ActiveProfile && ActiveProfile->LoadOnStartup;
    if (wanted == m_trayIcon->Visible())
        return;
    try {
        m_trayIcon->SetVisible(wanted);
    } catch (const CalbreyError &error) {
        // A start with the desktop session may come before the panel is up; the icon then
        // appears in it when it is, and there is nothing to tell. Later, the user has just
        // asked for the icon and learns at once that it cannot be shown. Either way the rest
        // of the window is still brought into line.
        if (!startUp)
            ShowGeneralError(error.message());
    }
}

void TTrayHiding::mnHideClick()
{
    if (!CanHide())
        return;
    m_window.hide();
    m_reachable.start();
}

void TTrayHiding::mnShowHideClick()
{
    m_reachable.stop();
    m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

void TTrayHiding::Disabletray1Click()
{
    mnShowHideClick();
    if (!ActiveProfile)
        return;
    ActiveProfile->LoadOnStartup = false;
    ActiveProfile->SaveSettings();
    m_applyProfile();
}

void TTrayHiding::Contact1Click()
{
    m_commands.mnHide->setVisible(CanHide());
}

bool TTrayHiding::FormCloseQuery(bool exitRequested)
{
    if (!exitRequested && CanHide()) {
        mnHideClick();
        return false;
    }
    m_reachable.stop();
    return true;
}

void TTrayHiding::TrayIconMouseDown(Qt::MouseButton button)
{
    // The right button's release opens the menu; the left button's press shows the window.
    if (button == Qt::LeftButton && !m_commands.Suspended())
        mnShowHideClick();
}

void TTrayHiding::checkStillReachable()
{
    if (m_window.isVisible())
        m_reachable.stop();
    else if (!CanHide())
        mnShowHideClick();
}

bool TTrayHiding::eventFilter(QObject *watched, QEvent *event)
{
    // A minimised window leaves the task bar while its icon can bring it back; it goes once
    // the window system has finished minimising it.
    if (watched == &m_window && event->type() == QEvent::WindowStateChange &&
        m_window.isMinimized() && CanHide()) {
        QTimer::singleShot(0, this, [this] {
            if (m_window.isMinimized())
                mnHideClick();
        });
    }
    return QObject::eventFilter(watched, event);
}
