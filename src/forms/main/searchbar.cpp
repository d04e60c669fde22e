#include "forms/main/searchbar.h"

#include "forms/main/maincommands.h"

#include <QWidget>

namespace {
QWidget *makePanel(QWidget *parent, const char *name, int height)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFixedHeight(height);
    panel->hide();
    return panel;
}
} // namespace

TSearchBar::TSearchBar(TMainCommands &commands, QWidget *parent)
    : QObject(parent), m_commands(commands), m_panelSearch(makePanel(parent, "panelSearch", 28)),
      m_panelSearchResults(makePanel(parent, "panelSearchResults", 16))
{}

void TSearchBar::SetBarVisible(bool visible)
{
    m_panelSearch->setVisible(visible);
}

void TSearchBar::HideResults()
{
    m_panelSearchResults->hide();
}
