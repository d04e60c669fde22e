// calbrey sync and the keychain, in this process so that the keychain is the test's stand-in:
// sync setup keeps the password there (or says why it could not), a sync finds it there after
// the password file and the environment and before a prompt, and unlink forgets it.
#include "cli/cli.h"
#include "davserver.h"
#include "memorypasswordstore.h"
#include "profiles/synclink.h"
#include "sync/syncpassword.h"
#include "testprofile.h"

#include <QFile>
#include <QTemporaryFile>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// Points one of this process's standard streams at a file while it lives.
class StreamRedirect
{
public:
    StreamRedirect(int stream, const QString &fileName, int flags)
        : m_stream(stream), m_saved(::dup(stream))
    {
        const int file = ::open(QFile::encodeName(fileName).constData(), flags, 0600);
        ::dup2(file, stream);
        ::close(file);
    }
    ~StreamRedirect()
    {
        ::dup2(m_saved, m_stream);
        ::close(m_saved);
    }
    StreamRedirect(const StreamRedirect &) = delete;
    StreamRedirect &operator=(const StreamRedirect &) = delete;

private:
    int m_stream;
    int m_saved;
};

QString readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestCalbreyKeychain : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DavServer> m_dav;
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<MemoryPasswordStore> m_keychain;
    QString m_rightFile;
    QString m_wrongFile;

    // One run of calbrey, as from a script: no terminal, its own output read back.
    Run calbrey(const QStringList &arguments)
    {
        // Each run of calbrey starts knowing no password.
        TSyncPasswords::Instance().ForgetTyped();
        const QString out = m_profile->folder().path() + u"out.txt"_s;
        const QString err = m_profile->folder().path() + u"err.txt"_s;
        Run run;
        {
            std::fflush(stdout);
            std::fflush(stderr);
            const StreamRedirect input(STDIN_FILENO, u"/dev/null"_s, O_RDONLY);
            const StreamRedirect output(STDOUT_FILENO, out, O_WRONLY | O_CREAT | O_TRUNC);
            const StreamRedirect error(STDERR_FILENO, err, O_WRONLY | O_CREAT | O_TRUNC);
            TProfile *const before = ActiveProfile;
            run.status =
                RunCli(QStringList{u"calbrey"_s, u"--program-folder"_s, m_profile->folder().path(),
                                   u"--profile"_s, u"tester"_s} +
                       arguments);
            // calbrey leaves its profile open for the end of its process to free; this one
            // goes on.
            if (ActiveProfile != before) {
                delete ActiveProfile;
                ActiveProfile = before;
            }
            std::fflush(stdout);
            std::fflush(stderr);
        }
        run.out = readAll(out);
        run.err = readAll(err);
        return run;
    }
    QString passwordFile(const QString &name, const QString &password) const
    {
        QString path = m_profile->folder().path() + name;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(password.toUtf8() + "\n");
        return path;
    }
    TSyncLink link() const
    {
        TSyncLink link;
        link.server = m_dav->book().toString();
        link.user = m_dav->user();
        link.bookUrl = link.server;
        return link;
    }
    QPair<QString, QString> entry() const
    {
        return {TSyncPasswords::Service(), TSyncPasswords::Account(link())};
    }
    void add(const QString &name)
    {
        ActiveProfile->WriteFields(name, {{u"aContactName"_s, name}, {u"aIcon"_s, u"0"_s}});
    }

private slots:
    void initTestCase()
    {
        if (!DavServer::Installed(DavServer::Kind::Radicale))
            QSKIP("Radicale is not installed");
        m_dav = std::make_unique<DavServer>(DavServer::Kind::Radicale);
        QVERIFY2(m_dav->start(), qPrintable(m_dav->error()));
    }
    void cleanupTestCase() { m_dav.reset(); }

    void init()
    {
        QVERIFY(m_dav->removeAllCards());
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        m_keychain = std::make_unique<MemoryPasswordStore>();
        m_rightFile = passwordFile(u"right"_s, m_dav->password());
        m_wrongFile = passwordFile(u"wrong"_s, u"wrong"_s);
        qunsetenv("CALBREY_PASSWORD");
    }
    void cleanup()
    {
        qunsetenv("CALBREY_PASSWORD");
        m_keychain.reset();
        m_profile.reset();
    }

    void setupKeepsThePassword_data()
    {
        QTest::addColumn<bool>("keychainRunning");
        QTest::addColumn<QString>("told");
        QTest::newRow("keychain") << true << u"The password is kept in the keychain."_s;
        QTest::newRow("no keychain")
            << false << u"No keychain answers on this computer, so the password was not stored"_s;
    }
    void setupKeepsThePassword()
    {
        QFETCH(bool, keychainRunning);
        QFETCH(QString, told);
        m_keychain->keychainRunning = keychainRunning;
        add(u"Ann"_s);
        Run run = calbrey({u"sync"_s, u"setup"_s, m_dav->book().toString(), u"--user"_s,
                           m_dav->user(), u"--password-file"_s, m_rightFile});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(told), qPrintable(run.out));
        QCOMPARE(m_keychain->passwords.value(entry()),
                 keychainRunning ? m_dav->password() : QString());

        // The next sync, given no password, finds it there, or says how to give it.
        run = calbrey({u"sync"_s});
        QCOMPARE(run.status, keychainRunning ? 0 : 1);
        if (keychainRunning) {
            QVERIFY2(run.out.startsWith(u"uploaded 1,"_s), qPrintable(run.out));
        } else {
            QVERIFY2(run.err.contains(u"--password-file FILE"_s), qPrintable(run.err));
            QVERIFY(run.err.contains(u"CALBREY_PASSWORD"_s));
            QVERIFY(m_dav->cards().isEmpty());
        }
    }

    void passwordSourcesInOrder_data()
    {
        QTest::addColumn<bool>("rightFile");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("keychainAsked");
        const QString right = u"s3cret pass"_s;
        QTest::newRow("file before keychain") << true << QString() << u"wrong"_s << 0 << false;
        QTest::newRow("file before environment") << true << u"wrong"_s << QString() << 0 << false;
        QTest::newRow("environment before keychain") << false << right << u"wrong"_s << 0 << false;
        QTest::newRow("environment wins, wrong") << false << u"wrong"_s << right << 1 << false;
        QTest::newRow("keychain") << false << QString() << right << 0 << true;
        QTest::newRow("keychain, wrong") << false << QString() << u"wrong"_s << 1 << true;
    }
    void passwordSourcesInOrder()
    {
        QFETCH(bool, rightFile);
        QFETCH(QString, environment);
        QFETCH(QString, kept);
        QFETCH(int, status);
        QFETCH(bool, keychainAsked);
        QCOMPARE(m_dav->password(), u"s3cret pass"_s);
        WriteSyncLink(*ActiveProfile, link());
        add(u"Ann"_s);
        if (!kept.isEmpty())
            m_keychain->passwords.insert(entry(), kept);
        if (!environment.isEmpty())
            qputenv("CALBREY_PASSWORD", environment.toUtf8());
        QStringList arguments{u"sync"_s};
        if (rightFile)
            arguments += {u"--password-file"_s, m_rightFile};
        const Run run = calbrey(arguments);
        QVERIFY2(run.status == status, qPrintable(run.err));
        QCOMPARE(m_keychain->calls > 0, keychainAsked);
        QCOMPARE(m_dav->cards().size(), status == 0 ? 1 : 0);
    }

    void unlinkForgetsThePassword()
    {
        WriteSyncLink(*ActiveProfile, link());
        m_keychain->passwords.insert(entry(), m_dav->password());
        const Run run = calbrey({u"sync"_s, u"unlink"_s});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(m_keychain->passwords.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCalbreyKeychain)
#include "tst_calbreykeychain.moc"
