#include "platform/passwordstore.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace {
TPasswordStore *installed = nullptr;

// The system keychain through QtKeychain. Its jobs answer on the event loop (a keychain may
// first ask the user to unlock it), so each call runs a local loop until its job is done.
class SystemKeychain : public TPasswordStore
{
public:
    TPasswordResult Get(const QString &service, const QString &account) override
    {
        QKeychain::ReadPasswordJob job(service);
        job.setKey(account);
        TPasswordResult result = run(job);
        if (result.Ok())
            result.password = job.textData();
        return result;
    }

    TPasswordResult Store(const QString &service, const QString &account,
                          const QString &password) override
    {
        QKeychain::WritePasswordJob job(service);
        job.setKey(account);
        job.setTextData(password);
        return run(job);
    }

    TPasswordResult Remove(const QString &service, const QString &account) override
    {
        QKeychain::DeletePasswordJob job(service);
        job.setKey(account);
        TPasswordResult result = run(job);
        if (result.status == TPasswordResult::Status::NotFound)
            return {};
        return result;
    }

private:
    static TPasswordResult run(QKeychain::Job &job)
    {
        job.setAutoDelete(false);
        // Never the plain-text file QtKeychain can fall back to.
        job.setInsecureFallback(false);
        QEventLoop loop;
        bool finished = false;
        QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
            finished = true;
            loop.quit();
        });
        job.start();
        if (!finished)
            loop.exec();
        return resultOf(job);
    }

    static TPasswordResult noKeychain(const QKeychain::Job &job)
    {
        TPasswordResult result;
        result.status = TPasswordResult::Status::NoKeychain;
        result.message = QStringLiteral("No keychain service answered (Secret Service or "
                                        "KWallet), so the password cannot be kept there (") +
                         job.errorString() + QStringLiteral(").");
        return result;
    }

    static TPasswordResult resultOf(const QKeychain::Job &job)
    {
        TPasswordResult result;
        switch (job.error()) {
        case QKeychain::NoError:
            return result;
        case QKeychain::EntryNotFound:
            result.status = TPasswordResult::Status::NotFound;
            result.message = QStringLiteral("No password is kept in the keychain for this link.");
            return result;
        case QKeychain::NoBackendAvailable:
        case QKeychain::NotImplemented:
            return noKeychain(job);
        case QKeychain::OtherError:
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
            // What QtKeychain reports when neither the Secret Service nor KWallet answers on
            // the session bus (or there is no bus): a keychain that is there refuses with
            // AccessDenied instead.
            return noKeychain(job);
#else
            break;
#endif
        case QKeychain::AccessDeniedByUser:
        case QKeychain::AccessDenied:
        case QKeychain::CouldNotDeleteEntry:
            break;
        }
        result.status = TPasswordResult::Status::Failed;
        result.message = QStringLiteral("The keychain refused: ") + job.errorString();
        return result;
    }
};
} // namespace

TPasswordStore &PasswordStore()
{
    static SystemKeychain keychain;
    return installed ? *installed : keychain;
}

void SetPasswordStore(TPasswordStore *store)
{
    installed = store;
}
