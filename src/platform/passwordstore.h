#pragma once

#include <QString>

/// What a password store answered.
struct TPasswordResult
{
    enum class Status
    {
        Ok,
        /// Get: no password is kept for the account.
        NotFound,
        /// No keychain service is running (no Secret Service or KWallet on the session bus):
        /// the caller asks for the password instead, and keeps it nowhere.
        NoKeychain,
        /// The keychain is there but refused or failed; message says why.
        Failed,
    };
    Status status = Status::Ok;
    /// Get's password.
    QString password;
    /// For the user, on anything but Ok.
    QString message;

    bool Ok() const { return status == Status::Ok; }
};

/// Where passwords are kept, by service (the program's link, e.g. its sync) and account. Every
/// call returns when the store has answered.
class TPasswordStore
{
public:
    virtual ~TPasswordStore() = default;
    virtual TPasswordResult Get(const QString &service, const QString &account) = 0;
    virtual TPasswordResult Store(const QString &service, const QString &account,
                                  const QString &password) = 0;
    /// Removing a password that is not kept is Ok.
    virtual TPasswordResult Remove(const QString &service, const QString &account) = 0;
};

/// The store in use: the system keychain (Secret Service or KWallet; Credential Manager on
/// Windows), unless another was installed.
TPasswordStore &PasswordStore();
/// Installs store in place of the system keychain (nullptr: the keychain again); for tests.
void SetPasswordStore(TPasswordStore *store);
