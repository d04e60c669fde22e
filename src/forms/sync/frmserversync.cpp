#include "forms/sync/frmserversync.h"

#include "app/untcommon.h"
#include "forms/common/programend.h"
#include "forms/main/programfont.h"
#include "forms/sync/syncrunner.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"
#include "sync/syncaddress.h"
#include "sync/syncpassword.h"
#include "ui_frmserversync.h"

namespace {
const QString kCaption = QStringLiteral("Server Sync");

// What the user is told when discovery fails, by what went wrong.
struct TDiscoveryFailure
{
    QString caption;
    QString text;
};

TDiscoveryFailure failureOf(const TDavResult<QList<TDavAddressBook>> &result, const QUrl &server)
{
    const QString host = server.host();
    switch (result.status) {
    case TDavStatus::Unauthorized:
        return {QStringLiteral("Wrong password"),
                QStringLiteral("The server at %1 refused the user name or password. Check "
                               "both and try again.")
                    .arg(host)};
    case TDavStatus::NetworkError:
        return {QStringLiteral("No server"),
                QStringLiteral("No server answers at %1. Check the address and the network "
                               "connection.\n\n%2")
                    .arg(host, result.message)};
    case TDavStatus::Timeout:
        return {QStringLiteral("No answer"), result.message};
    default:
        return {QStringLiteral("Not a CardDAV server"),
                QStringLiteral("%1 does not offer CardDAV address books to this user. Check "
                               "the address: your provider's help names the one for CardDAV "
                               "or contacts.\n\n%2")
                    .arg(server.toDisplayString(QUrl::RemoveUserInfo), result.message)};
    }
}
} // namespace

TServerSync::TServerSync(QWidget *parent, TSyncRunner &runner, std::function<void()> syncNow)
    : QDialog(parent), ui(std::make_unique<Ui::TServerSync>()), m_runner(runner),
      m_syncNow(std::move(syncNow))
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    ui->lblKeychain->hide();
    if (ActiveProfile)
        m_link = ReadSyncLink(*ActiveProfile);
    m_trusted = m_link.trustedCertificate;
    ui->edServer->setText(m_link.server);
    ui->edUser->setText(m_link.user);
    ui->spInterval->setValue(m_link.intervalMinutes);
    ui->cbSyncOnStart->setChecked(m_link.syncOnStart);
    if (m_link.IsLinked()) {
        TPasswordResult keychain;
        const std::optional<QString> known = TSyncPasswords::Instance().Find(m_link, &keychain);
        ui->edPassword->setText(known.value_or(QString()));
        ui->cbRememberPassword->setChecked(keychain.Ok());
        auto *item = new QListWidgetItem(QUrl(m_link.bookUrl).path(), ui->lstBooks);
        item->setData(Qt::UserRole, m_link.bookUrl);
        item->setToolTip(m_link.bookUrl);
        ui->lstBooks->setCurrentItem(item);
    }

    connect(ui->btnFindBooks, &QPushButton::clicked, this, &TServerSync::btnFindBooksClick);
    connect(ui->btnLink, &QPushButton::clicked, this, &TServerSync::btnLinkClick);
    connect(ui->btnUnlink, &QPushButton::clicked, this, &TServerSync::btnUnlinkClick);
    connect(ui->btnSyncNow, &QPushButton::clicked, this, &TServerSync::btnSyncNowClick);
    connect(ui->btnCancelSync, &QPushButton::clicked, this, &TServerSync::btnCancelSyncClick);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->lstBooks, &QListWidget::currentItemChanged, this, &TServerSync::updateButtons);
    connect(&m_runner, &TSyncRunner::Started, this, [this] { setBusy(tr("Syncing"), 0, 0); });
    connect(&m_runner, &TSyncRunner::Progress, this, &TServerSync::setBusy);
    connect(&m_runner, &TSyncRunner::Finished, this, &TServerSync::syncFinished);
    connect(&TProgramEnd::Instance(), &TProgramEnd::begun, this, &QDialog::reject);

    showLink();
    if (m_runner.IsRunning())
        setBusy(tr("Syncing"), 0, 0);
    else
        syncFinished();
}

TServerSync::~TServerSync() = default;

std::optional<TDavAccount> TServerSync::accountFromFields()
{
    const std::optional<QUrl> server = SyncServerUrl(ui->edServer->text());
    if (!server) {
        ShowMessageBox(ui->edServer->text().trimmed().isEmpty()
                           ? tr("Please enter the address of your CardDAV server.")
                           : tr("\"%1\" is not a server address. It looks like "
                                "https://dav.example.com/.")
                                 .arg(ui->edServer->text().trimmed()),
                       kCaption, MessageBoxFlag::Information);
        ui->edServer->setFocus();
        return std::nullopt;
    }
    if (ui->edUser->text().trimmed().isEmpty()) {
        ShowMessageBox(tr("Please enter your user name on the server."), kCaption,
                       MessageBoxFlag::Information);
        ui->edUser->setFocus();
        return std::nullopt;
    }
    if (SyncPasswordTravelsUnencrypted(*server) && m_plainHostAccepted != server->host()) {
        const int answer = ShowMessageBox(
            tr("The address starts with http://, so your password travels to %1 unencrypted: "
               "anyone on the network between can read it. Use https:// if the server "
               "offers it.\n\nConnect anyway?")
                .arg(server->host()),
            tr("Unencrypted connection"),
            MessageBoxFlag::YesNo | MessageBoxFlag::IconWarning | MessageBoxFlag::DefaultButton2);
        if (answer != MessageBoxResult::Yes)
            return std::nullopt;
        m_plainHostAccepted = server->host();
    }
    TDavAccount account;
    account.server = *server;
    account.user = ui->edUser->text().trimmed();
    account.password = ui->edPassword->text();
    account.trustedCertificateSha256 = QByteArray::fromHex(m_trusted.toLatin1());
    return account;
}

void TServerSync::btnFindBooksClick()
{
    const std::optional<TDavAccount> account = accountFromFields();
    if (!account)
        return;
    m_discovery = std::make_unique<TCardDavClient>(*account);
    setBusy(tr("Looking for address books"), 0, 0);
    m_discovery->Discover(
        [this, account = *account](const auto &result) { discovered(result, account); });
}

void TServerSync::discovered(const TDavResult<QList<TDavAddressBook>> &result,
                             const TDavAccount &account)
{
    // The client is dropped from the event loop, not from inside its own call.
    m_discovery.release()->deleteLater();
    syncFinished();
    if (result.status == TDavStatus::Cancelled)
        return;
    if (result.status == TDavStatus::UntrustedCertificate && !result.certificateSha256.isEmpty()) {
        const int answer = ShowMessageBox(
            tr("The certificate of %1 is not trusted by this computer: it may be the "
               "server's own, or someone may be listening in between.\n\nSHA-256 "
               "fingerprint:\n%2\n\nTrust this certificate for this link? Say Yes only when "
               "the fingerprint is the one your server's administrator gave you.")
                .arg(account.server.host(), CertificateFingerprint(result.certificateSha256)),
            tr("Certificate not trusted"),
            MessageBoxFlag::Question | MessageBoxFlag::DefaultButton2);
        if (answer == MessageBoxResult::Yes) {
            m_trusted = QString::fromLatin1(result.certificateSha256.toHex());
            btnFindBooksClick();
        }
        return;
    }
    if (!result.Ok() || result.value.isEmpty()) {
        TDiscoveryFailure failure = failureOf(result, account.server);
        if (result.Ok())
            failure.text = tr("The server at %1 has no address book for %2.")
                               .arg(account.server.host(), account.user);
        ShowMessageBox(failure.text, failure.caption, MessageBoxFlag::Error);
        return;
    }
    ui->lstBooks->clear();
    for (const TDavAddressBook &book : result.value) {
        const QString url = book.url.toString();
        auto *item = new QListWidgetItem(
            book.displayName.isEmpty() ? book.url.path() : book.displayName, ui->lstBooks);
        item->setData(Qt::UserRole, url);
        item->setToolTip(url);
        if (url == m_link.bookUrl || ui->lstBooks->count() == 1)
            ui->lstBooks->setCurrentItem(item);
    }
    ui->lblLinkState->setText(tr("Choose an address book and click Link."));
    ui->lstBooks->setFocus();
    updateButtons();
}

void TServerSync::btnLinkClick()
{
    const QListWidgetItem *book = ui->lstBooks->currentItem();
    if (!ActiveProfile || !book)
        return;
    const std::optional<TDavAccount> account = accountFromFields();
    if (!account)
        return;
    TSyncLink link;
    link.server = account->server.toString();
    link.user = account->user;
    link.bookUrl = book->data(Qt::UserRole).toString();
    link.intervalMinutes = ui->spInterval->value();
    link.syncOnStart = ui->cbSyncOnStart->isChecked();
    link.trustedCertificate = m_trusted;
    if (link.bookUrl == m_link.bookUrl)
        link.lastSync = m_link.lastSync;
    try {
        WriteSyncLink(*ActiveProfile, link);
    } catch (const CalbreyError &error) {
        ShowMessageBox(error.message(), tr("Cannot link"), MessageBoxFlag::Error);
        return;
    }
    m_link = link;
    TSyncPasswords &passwords = TSyncPasswords::Instance();
    const TPasswordResult kept = ui->cbRememberPassword->isChecked()
                                     ? passwords.Keep(link, account->password)
                                     : passwords.Forget(link);
    passwords.Remember(link, account->password);
    if (kept.status == TPasswordResult::Status::NoKeychain) {
        ui->lblKeychain->show();
        if (ui->cbRememberPassword->isChecked())
            ShowMessageBox(tr("No keychain answers on this computer, so the password cannot be "
                              "kept. The program asks for it once each time it runs."),
                           kCaption, MessageBoxFlag::Information);
    } else if (!kept.Ok()) {
        ShowMessageBox(tr("The password could not be kept in the keychain: %1 The program "
                          "asks for it once each time it runs.")
                           .arg(kept.message),
                       kCaption, MessageBoxFlag::Error);
    }
    showLink();
    emit LinkChanged();
}

void TServerSync::btnUnlinkClick()
{
    if (!ActiveProfile || !m_link.IsLinked())
        return;
    const int answer = ShowMessageBox(
        tr("Unlink this profile from its address book on the server? The contacts stay here "
           "and on the server; they are no longer synced."),
        tr("Unlink"), MessageBoxFlag::Question);
    if (answer != MessageBoxResult::Yes)
        return;
    try {
        RemoveSyncLink(*ActiveProfile);
    } catch (const CalbreyError &error) {
        ShowMessageBox(error.message(), tr("Cannot unlink"), MessageBoxFlag::Error);
        return;
    }
    TSyncPasswords::Instance().Forget(m_link);
    m_link = {};
    ui->lstBooks->clear();
    ui->edPassword->clear();
    showLink();
    emit LinkChanged();
}

void TServerSync::btnSyncNowClick()
{
    if (!saveTimer())
        return;
    m_syncNow();
}

void TServerSync::btnCancelSyncClick()
{
    if (m_discovery)
        m_discovery->Cancel();
    m_runner.Cancel();
}

void TServerSync::showLink()
{
    ui->lblLinkState->setText(
        m_link.IsLinked()
            ? tr("Linked to %1")
                  .arg(ui->lstBooks->currentItem() ? ui->lstBooks->currentItem()->text() +
                                                         tr(" at ") + QUrl(m_link.server).host()
                                                   : m_link.bookUrl)
            : tr("Not linked: enter the server's address, your user name and password, and "
                 "find your address books."));
    ui->lblLastSync->setText(m_link.IsLinked() ? m_runner.LastSyncText(m_link) : QString());
    updateButtons();
}

void TServerSync::updateButtons()
{
    const bool busy = m_runner.IsRunning() || m_discovery;
    ui->btnFindBooks->setEnabled(!busy);
    ui->btnLink->setEnabled(!busy && ui->lstBooks->currentItem());
    ui->btnUnlink->setEnabled(!busy && m_link.IsLinked());
    ui->btnSyncNow->setEnabled(!busy && m_link.IsLinked());
    ui->btnCancelSync->setEnabled(busy);
}

void TServerSync::setBusy(const QString &step, qsizetype done, qsizetype total)
{
    ui->lblProgress->setText(total > 0 ? tr("%1: %2 of %3").arg(step).arg(done).arg(total)
                                       : step + QStringLiteral("..."));
    ui->pbProgress->setRange(0, int(total));
    ui->pbProgress->setValue(int(done));
    updateButtons();
}

void TServerSync::syncFinished()
{
    ui->lblProgress->clear();
    ui->pbProgress->setRange(0, 1);
    ui->pbProgress->setValue(0);
    showLink();
}

bool TServerSync::saveTimer()
{
    if (!ActiveProfile || !m_link.IsLinked())
        return true;
    TSyncLink onDisk = ReadSyncLink(*ActiveProfile);
    if (onDisk.intervalMinutes == ui->spInterval->value() &&
        onDisk.syncOnStart == ui->cbSyncOnStart->isChecked())
        return true;
    onDisk.intervalMinutes = ui->spInterval->value();
    onDisk.syncOnStart = ui->cbSyncOnStart->isChecked();
    try {
        WriteSyncLink(*ActiveProfile, onDisk);
    } catch (const CalbreyError &error) {
        ShowMessageBox(error.message(), kCaption, MessageBoxFlag::Error);
        return false;
    }
    m_link.intervalMinutes = onDisk.intervalMinutes;
    m_link.syncOnStart = onDisk.syncOnStart;
    return true;
}

void TServerSync::done(int result)
{
    if (m_discovery)
        m_discovery->Cancel();
    // A timer setting that cannot be written keeps the dialog open, unless the program ends.
    if (!saveTimer() && !TProgramEnd::Begun())
        return;
    QDialog::done(result);
}
