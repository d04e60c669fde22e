#pragma once

#include "platform/passwordstore.h"

#include <QHash>
#include <QPair>

/// A password store in memory in place of the system keychain, for one test: installed while it
/// lives. With keychainRunning off it answers as a computer without a keychain service does.
class MemoryPasswordStore : public TPasswordStore
{
public:
    MemoryPasswordStore() { SetPasswordStore(this); }
    ~MemoryPasswordStore() override { SetPasswordStore(nullptr); }
    MemoryPasswordStore(const MemoryPasswordStore &) = delete;
    MemoryPasswordStore &operator=(const MemoryPasswordStore &) = delete;

    TPasswordResult Get(const QString &service, const QString &account) override
    {
        ++calls;
        if (!keychainRunning)
            return noKeychain();
        const auto found = passwords.constFind({service, account});
        if (found == passwords.constEnd())
            return {TPasswordResult::Status::NotFound, {}, QStringLiteral("No password kept.")};
        return {TPasswordResult::Status::Ok, *found, {}};
    }
    TPasswordResult Store(const QString &service, const QString &account,
                          const QString &password) override
    {
        ++calls;
        if (!keychainRunning)
            return noKeychain();
        passwords.insert({service, account}, password);
        return {};
    }
    TPasswordResult Remove(const QString &service, const QString &account) override
    {
        ++calls;
        if (!keychainRunning)
            return noKeychain();
        passwords.remove({service, account});
        return {};
    }

    /// What is kept, by (service, account).
    QHash<QPair<QString, QString>, QString> passwords;
    bool keychainRunning = true;
    int calls = 0;

private:
    static TPasswordResult noKeychain()
    {
        return {TPasswordResult::Status::NoKeychain,
                {},
                QStringLiteral("No keychain service answered.")};
    }
};
