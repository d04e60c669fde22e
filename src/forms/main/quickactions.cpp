#include "forms/main/quickactions.h"

#include "app/untcommon.h"
#include "app/untexecute.h"
#include "forms/main/actionbar.h"
#include "forms/main/actionimage.h"
#include "forms/main/maincommands.h"
#include "forms/main/quenlarkurl.h"
#include "profiles/untprofiles.h"

#include <QCursor>
#include <QMenu>

namespace {
const QString EmailKey = QStringLiteral("pEmailAddress");
const QString HomePageKey = QStringLiteral("pHomePage");
const QString OtherEmailKey = QStringLiteral("pOtherEmail");

// An address shown as a menu caption: "&" is a letter of the address, not an accelerator.
QString menuCaption(QString address)
{
    return address.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
} // namespace

TQuickActions::TQuickActions(TActionBar &bar, TMainCommands &commands,
                             std::function<std::optional<QString>()> selectedContact)
    : QObject(&bar), m_bar(bar), m_commands(commands),
      m_selectedContact(std::move(selectedContact)), m_popupOther(new QMenu(&bar))
{
    m_popupOther->setObjectName(QStringLiteral("popupOther"));
    // The chosen item's address goes out, whichever row is selected by then.
    connect(m_popupOther, &QMenu::triggered, this, [this](QAction *item) {
        m_commands.Gated([address = item->data().toString()] { SendEmail(address); })();
    });

    m_commands.Bind(m_commands.actSendMail, [this] { QuenlarkURL1Click(); });
    m_commands.Bind(m_commands.actWebSite, [this] { ablWebSiteClick(); });
    m_commands.Bind(m_commands.actOtherEmail, [this] { abiOtherClick(); });
    const auto sendMail = m_commands.Gated([this] { QuenlarkURL1Click(); });
    const auto webSite = m_commands.Gated([this] { ablWebSiteClick(); });
    connect(bar.abiSendMail(), &TActionImage::clicked, this, sendMail);
    connect(bar.QuenlarkURL1(), &TQuenlarkURL::clicked, this, sendMail);
    connect(bar.abiWebSite(), &TActionImage::clicked, this, webSite);
    connect(bar.ablWebSite(), &TQuenlarkURL::clicked, this, webSite);
    connect(bar.abiOther(), &TActionImage::clicked, this,
            m_commands.Gated([this] { abiOtherClick(); }));
    connect(m_commands.Go1, &QMenu::aboutToShow, this, &TQuickActions::Go1Click);
}

QString TQuickActions::selectedField(const QString &key) const
{
    const std::optional<QString> name = m_selectedContact();
    if (!name || !ActiveProfile)
        return QString();
    return ActiveProfile->ReadField(*name, key);
}

void TQuickActions::UpdateActionPanel()
{
    const std::optional<QString> name = m_selectedContact();
    if (!name || !ActiveProfile)
        return;
    const TProfile::ContactReadScope scope(*ActiveProfile);
    // The stored texts, whatever their form.
    m_bar.ShowQuickActions(!ActiveProfile->ReadField(*name, EmailKey).isEmpty(),
                           !ActiveProfile->ReadField(*name, HomePageKey).isEmpty(),
                           !ActiveProfile->ReadField(*name, OtherEmailKey).isEmpty());
}

void TQuickActions::QuenlarkURL1Click()
{
    const QString address = selectedField(EmailKey);
    if (!address.isEmpty())
        SendEmail(address);
}

void TQuickActions::ablWebSiteClick()
{
    const QString address = selectedField(HomePageKey);
    if (!address.isEmpty())
        OpenWebPage(address);
}

void TQuickActions::abiOtherClick()
{
    const std::optional<QString> name = m_selectedContact();
    if (!name || !ActiveProfile)
        return;
    const QStringList addresses =
        SplitTextLines(ActiveProfile->ReadMultiLineField(*name, OtherEmailKey));
    if (addresses.isEmpty())
        return;
    if (addresses.size() == 1) {
        // Also an empty one: the mail client then opens without an address.
        SendEmail(addresses.first());
        return;
    }
    m_popupOther->clear();
    for (const QString &address : addresses)
        m_popupOther->addAction(menuCaption(address))->setData(address);
    // At the pointer also when the command came from the keyboard.
    m_popupOther->popup(QCursor::pos());
}

void TQuickActions::Go1Click()
{
    m_commands.mnSendMail->setVisible(!m_bar.pnlEmail()->isHidden());
    m_commands.mnWebSite->setVisible(!m_bar.pnlWebSite()->isHidden());
    m_commands.mnOtherEmail->setVisible(!m_bar.pnlOther()->isHidden());
}
