#include "forms/main/actionbar.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>

TActionBar::TActionBar(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("abPanel"));
    setFixedHeight(BarHeight);

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("abIcon"));
    m_icon->setFixedSize(IconSize, IconSize);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_icon);
    layout->addStretch(1);
}

void TActionBar::SetIcon(const QIcon &icon)
{
    m_icon->setPixmap(icon.pixmap(IconSize, IconSize));
}
