#pragma once

#include "profiles/synclink.h"
#include "sync/carddavclient.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TServerSync;
}
class TSyncRunner;
struct TSyncResult;
enum class TSyncTrigger;

/// "Server Sync": links the active profile to an address book on a CardDAV server (address,
/// user, password, the books the server offers), says when it syncs, unlinks it, and syncs
/// now with progress and Cancel. The link is written when the user links, and the timer's
/// settings when the dialog closes.
class TServerSync : public QDialog
{
    Q_OBJECT

public:
    /// runner runs the syncs; syncNow starts one as the main window's "S&ync Now" does.
    TServerSync(QWidget *parent, TSyncRunner &runner, std::function<void()> syncNow);
    ~TServerSync() override;

    void btnFindBooksClick();
    void btnLinkClick();
    void btnUnlinkClick();
    void btnSyncNowClick();
    void btnCancelSyncClick();

    void done(int result) override;

signals:
    /// The profile was linked or unlinked.
    void LinkChanged();

private:
    /// The account the fields give, after the checks and questions; nothing when the user
    /// has to correct something or said No.
    std::optional<TDavAccount> accountFromFields();
    void discovered(const TDavResult<QList<TDavAddressBook>> &result, const TDavAccount &account);
    void showLink();
    void updateButtons();
    void setBusy(const QString &step, qsizetype done, qsizetype total);
    void syncFinished();
    /// Writes the timer's settings when they changed; false when config.ini cannot be written.
    bool saveTimer();

    std::unique_ptr<Ui::TServerSync> ui;
    TSyncRunner &m_runner;
    std::function<void()> m_syncNow;
    TSyncLink m_link;
    /// The certificate the user trusted in this dialog, in hexadecimal.
    QString m_trusted;
    /// The host the user agreed to send the password to over plain http.
    QString m_plainHostAccepted;
    std::unique_ptr<TCardDavClient> m_discovery;
};
