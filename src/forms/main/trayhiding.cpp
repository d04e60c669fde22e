#include "forms/main/trayhiding.h"

#include "forms/main/maincommands.h"
#include "profiles/untprofiles.h"

#include <QMainWindow>
#include <QMenu>

TTrayHiding::TTrayHiding(QMainWindow &window, TMainCommands &commands,
                         std::function<bool()> trayAvailable)
    : QObject(&window), m_window(window), m_commands(commands),
      m_trayAvailable(std::move(trayAvailable))
{
    m_commands.Bind(m_commands.mnHide, [this] { mnHideClick(); });
    connect(m_commands.Contact1, &QMenu::aboutToShow, this, &TTrayHiding::Contact1Click);
}

bool TTrayHiding::CanHide() const
{
    return ActiveProfile && ActiveProfile->LoadOnStartup && m_trayAvailable();
}

void TTrayHiding::mnHideClick()
{
    m_window.hide();
}

void TTrayHiding::Contact1Click()
{
    m_commands.mnHide->setVisible(CanHide());
}
