#include "forms/main/actionbar.h"

#include "forms/main/actionimage.h"
#include "forms/main/quenlarkurl.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>

namespace {
constexpr int PictureSize = 24;
const QPoint PicturePlace(16, 4);
const QPoint LinkPlace(44, 6);

QWidget *makePanel(QWidget *bar, const char *name, int width)
{
    auto *panel = new QWidget(bar);
    panel->setObjectName(QLatin1String(name));
    panel->setFixedSize(width, TActionBar::BarHeight);
    panel->hide();
    return panel;
}

TActionImage *makePicture(QWidget *panel, const char *name, const char *artwork,
                          const QString &hint)
{
    auto *image = new TActionImage(panel);
    image->setObjectName(QLatin1String(name));
    image->SetPicturesFromArtwork(QStringLiteral("abi_") + QLatin1String(artwork), PictureSize);
    image->move(PicturePlace);
    image->setToolTip(hint);
    return image;
}

TQuenlarkURL *makeLink(QWidget *panel, const char *name, const QString &caption, bool bold,
                       const QString &hint)
{
    auto *link = new TQuenlarkURL(caption, panel);
    link->setObjectName(QLatin1String(name));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setUnderline(true);
    font.setBold(bold);
    link->setFont(font);
    link->setToolTip(hint);
    link->adjustSize();
    link->move(LinkPlace);
    // The panel keeps its width unless the desktop's stand-in for Arial is wider than Arial
    // and the caption would be cut off.
    panel->setFixedWidth(qMax(panel->width(), link->geometry().right() + 4));
    return link;
}
} // namespace

TActionBar::TActionBar(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("abPanel"));
    setFixedHeight(BarHeight);

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("abIcon"));
    m_icon->setFixedSize(IconSize, IconSize);

    const QString otherHint =
        QStringLiteral("Click Here to send an email to this contacts other e-mail address, or "
                       "if the user has more than one other e-mail address, you can choose from "
                       "a list");
    const QString webHint = QStringLiteral("Click Here to visit this contacts web site");
    const QString mailHint = QStringLiteral("Click Here to send this contact an e-mail");

    m_pnlOther = makePanel(this, "pnlOther", 42);
    m_abiOther = makePicture(m_pnlOther, "abiOther", "other", otherHint);

    m_pnlWebSite = makePanel(this, "pnlWebSite", 112);
    m_abiWebSite = makePicture(m_pnlWebSite, "abiWebSite", "website", webHint);
    m_ablWebSite = makeLink(m_pnlWebSite, "ablWebSite", QStringLiteral("Web Site"), false, webHint);

    m_pnlEmail = makePanel(this, "pnlEmail", 167);
    m_abiSendMail = makePicture(m_pnlEmail, "abiSendMail", "sendmail", mailHint);
    m_QuenlarkURL1 =
        makeLink(m_pnlEmail, "QuenlarkURL1", QStringLiteral("Send mail now"), true, mailHint);

    // Hidden panels take no room, so the visible ones close up against the right edge.
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_icon);
    layout->addStretch(1);
    layout->addWidget(m_pnlOther);
    layout->addWidget(m_pnlWebSite);
    layout->addWidget(m_pnlEmail);
}

void TActionBar::AddStatus(QWidget *status)
{
    auto *row = static_cast<QHBoxLayout *>(layout());
    row->insertWidget(row->indexOf(m_icon) + 1, status);
}

void TActionBar::SetIcon(const QIcon &icon)
{
    m_icon->setPixmap(icon.pixmap(IconSize, IconSize));
}

void TActionBar::ShowQuickActions(bool email, bool webSite, bool other)
{
    m_pnlEmail->setVisible(email);
    m_pnlWebSite->setVisible(webSite);
    m_pnlOther->setVisible(other);
}
