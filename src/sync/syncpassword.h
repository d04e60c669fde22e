#pragma once

#include "platform/passwordstore.h"

#include <QHash>
#include <QString>
#include <optional>

struct TSyncLink;

/// The password of a profile's link to its server: kept in the keychain when the user asked
/// for that, and for the rest of the run once typed, so it is asked at most once per run.
class TSyncPasswords
{
public:
    static TSyncPasswords &Instance();

    /// The keychain entry of a link: one per server and user.
    static QString Service();
    static QString Account(const TSyncLink &link);

    /// What was typed this run, else the keychain's. Nothing when neither has one; keychain
    /// then says why the keychain had none (NotFound, NoKeychain, Failed).
    std::optional<QString> Find(const TSyncLink &link, TPasswordResult *keychain = nullptr);
    /// Keeps password for the rest of the run.
    void Remember(const TSyncLink &link, const QString &password);
    /// Keeps password in the keychain too; the result says whether it could.
    TPasswordResult Keep(const TSyncLink &link, const QString &password);
    /// Forgets the link's password here and in the keychain.
    TPasswordResult Forget(const TSyncLink &link);
    /// Forgets what was typed this run (tests start afresh).
    void ForgetTyped() { m_typed.clear(); }

private:
    TSyncPasswords() = default;
    QHash<QString, QString> m_typed;
};
