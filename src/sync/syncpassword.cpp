#include "sync/syncpassword.h"

#include "profiles/synclink.h"

TSyncPasswords &TSyncPasswords::Instance()
{
    static TSyncPasswords passwords;
    return passwords;
}

QString TSyncPasswords::Service()
{
    return QStringLiteral("Quenlark Calbrey CardDAV");
}

QString TSyncPasswords::Account(const TSyncLink &link)
{
    return link.user + u'@' + link.server;
}

std::optional<QString> TSyncPasswords::Find(const TSyncLink &link, TPasswordResult *keychain)
{
    const auto typed = m_typed.constFind(Account(link));
    if (typed != m_typed.constEnd())
        return *typed;
    TPasswordResult kept = PasswordStore().Get(Service(), Account(link));
    if (keychain)
        *keychain = kept;
    if (!kept.Ok())
        return std::nullopt;
    m_typed.insert(Account(link), kept.password);
    return kept.password;
}

void TSyncPasswords::Remember(const TSyncLink &link, const QString &password)
{
    m_typed.insert(Account(link), password);
}

TPasswordResult TSyncPasswords::Keep(const TSyncLink &link, const QString &password)
{
    Remember(link, password);
    return PasswordStore().Store(Service(), Account(link), password);
}

TPasswordResult TSyncPasswords::Forget(const TSyncLink &link)
{
    m_typed.remove(Account(link));
    return PasswordStore().Remove(Service(), Account(link));
}
