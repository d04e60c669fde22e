// calbrey sync against a real Radicale: linking, the one-line summary, the password's
// sources, the guard against a listing that would empty the profile, unlinking.
#include "calbreyrun.h"
#include "davserver.h"
#include "profiles/synclink.h"
#include "profiles/untprofiles.h"
#include "sync/syncaddress.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QFile>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString nothing =
    u"uploaded 0, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0"_s;
}

class TestCalbreySync : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DavServer> m_dav;
    std::unique_ptr<TestProfile> m_profile;
    QString m_passwordFile;

    CalbreyResult calbrey(const QStringList &arguments, const QString &shell = QString()) const
    {
        return RunCalbrey(m_profile->folder().path(),
                          QStringList{u"--profile"_s, u"tester"_s} + arguments, QByteArray(),
                          shell);
    }
    CalbreyResult linked(const QStringList &arguments) const
    {
        return calbrey(arguments + QStringList{u"--password-file"_s, m_passwordFile});
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
        m_passwordFile = m_profile->folder().path() + u"password"_s;
        QFile file(m_passwordFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(m_dav->password().toUtf8() + "\n");
    }
    void cleanup() { m_profile.reset(); }

    void linkSyncStatusUnlink()
    {
        add(u"Ann"_s);
        CalbreyResult result = calbrey({u"sync"_s});
        QCOMPARE(result.status, 1);
        QVERIFY2(result.error().contains(u"not linked"_s), Describe(result));

        result =
            linked({u"sync"_s, u"setup"_s, m_dav->root().toString(), u"--user"_s, m_dav->user()});
        QVERIFY2(result.status == 0, Describe(result));
        QCOMPARE(result.lines().value(0), u"Linked to "_s + m_dav->book().toString() + u"."_s);
        // No keychain answers here: the tests keep away from the keychain of whoever runs them.
        QVERIFY2(result.lines().value(1).contains(u"the password was not stored"_s),
                 Describe(result));
        QCOMPARE(ReadSyncLink(*ActiveProfile).bookUrl, m_dav->book().toString());

        result = linked({u"sync"_s, u"--dry-run"_s});
        QVERIFY2(result.status == 0, Describe(result));
        QCOMPARE(result.lines(),
                 QStringList{u"uploaded 1, downloaded 0, deleted here 0, deleted there 0, "
                             u"merged 0, conflicts 0"_s});
        QVERIFY(m_dav->cards().isEmpty());
        result = linked({u"sync"_s});
        QVERIFY2(result.status == 0, Describe(result));
        QCOMPARE(result.lines().value(0).left(10), u"uploaded 1"_s);
        QCOMPARE(m_dav->cards().size(), 1);
        QCOMPARE(linked({u"sync"_s}).lines(), QStringList{nothing});

        result = calbrey({u"sync"_s, u"status"_s});
        QVERIFY2(result.status == 0, Describe(result));
        QVERIFY(result.text().contains(u"Address book: "_s + m_dav->book().toString()));
        QVERIFY(result.text().contains(u"Contacts synced: 1"_s));
        QVERIFY(!result.text().contains(u"Last sync: never"_s));

        result = calbrey({u"sync"_s, u"unlink"_s});
        QVERIFY2(result.status == 0, Describe(result));
        QVERIFY(!ReadSyncLink(*ActiveProfile).IsLinked());
        QVERIFY(ActiveProfile->ContactExists(u"Ann"_s));
        QCOMPARE(m_dav->cards().size(), 1);
    }

    void passwordSources_data()
    {
        QTest::addColumn<QString>("shell");
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<int>("status");
        QTest::newRow("password file") << QString() << true << 0;
        QTest::newRow("environment") << u"export CALBREY_PASSWORD='s3cret pass'"_s << false << 0;
        QTest::newRow("wrong password") << u"export CALBREY_PASSWORD=wrong"_s << false << 1;
        QTest::newRow("none, no terminal") << QString() << false << 1;
    }
    void passwordSources()
    {
        QFETCH(QString, shell);
        QFETCH(bool, withFile);
        QFETCH(int, status);
        QCOMPARE(m_dav->password(), u"s3cret pass"_s);
        TSyncLink link;
        link.server = m_dav->book().toString();
        link.user = m_dav->user();
        link.bookUrl = link.server;
        WriteSyncLink(*ActiveProfile, link);
        add(u"Ann"_s);
        const QByteArray book = ReadFileBytes(m_profile->databasePath());
        const CalbreyResult result =
            withFile ? linked({u"sync"_s})
                     : calbrey({u"sync"_s}, shell.isEmpty() ? u"true"_s : shell);
        QVERIFY2(result.status == status, Describe(result));
        if (status != 0) {
            QVERIFY2(result.error().contains(u"password"_s), Describe(result));
            QCOMPARE(ReadFileBytes(m_profile->databasePath()), book);
            QVERIFY(m_dav->cards().isEmpty());
        }
    }

    // A server with a certificate of its own making: refused with the command that trusts it,
    // trusted on setup, and again with sync trust once it is no longer the one trusted.
    void certificateTrustedFromTheTerminal()
    {
        DavServer tls(DavServer::Kind::Radicale, true);
        QVERIFY2(tls.start(), qPrintable(tls.error()));
        const QString fingerprint = CertificateFingerprint(tls.certificateSha256());
        add(u"Ann"_s);
        const QStringList setup{u"sync"_s, u"setup"_s, tls.root().toString(), u"--user"_s,
                                tls.user()};
        CalbreyResult result = linked(setup);
        QVERIFY2(result.status == 1, Describe(result));
        QVERIFY2(result.error().contains(u"run the same command again with --trust-certificate "_s +
                                         fingerprint + u"."_s),
                 Describe(result));
        QVERIFY(!ReadSyncLink(*ActiveProfile).IsLinked());

        // Pasted as other programs print it: lower case, no colons.
        const QString typed = QString::fromLatin1(tls.certificateSha256().toHex());
        result = linked(setup + QStringList{u"--trust-certificate"_s, typed});
        QVERIFY2(result.status == 0, Describe(result));
        QCOMPARE(ReadSyncLink(*ActiveProfile).trustedCertificate, typed);
        QVERIFY2(linked({u"sync"_s}).status == 0, Describe(result));
        QCOMPARE(tls.cards().size(), 1);

        // The server's certificate changed since.
        TSyncLink link = ReadSyncLink(*ActiveProfile);
        link.trustedCertificate = QString(64, u'0');
        WriteSyncLink(*ActiveProfile, link);
        add(u"Bob"_s);
        const QByteArray book = ReadFileBytes(m_profile->databasePath());
        result = linked({u"sync"_s});
        QVERIFY2(result.status == 1, Describe(result));
        const QString trust = u"calbrey --profile 'tester' sync trust "_s + fingerprint;
        QVERIFY2(result.error().contains(trust), Describe(result));
        QCOMPARE(ReadFileBytes(m_profile->databasePath()), book);

        result = calbrey(trust.split(u' ').mid(3));
        QVERIFY2(result.status == 0, Describe(result));
        QVERIFY(result.text().contains(fingerprint));
        result = linked({u"sync"_s});
        QVERIFY2(result.status == 0, Describe(result));
        QCOMPARE(tls.cards().size(), 2);

        result = calbrey({u"sync"_s, u"trust"_s, u"AB:CD"_s});
        QCOMPARE(result.status, 2);
        QVERIFY2(result.error().contains(u"is not a SHA-256 fingerprint"_s), Describe(result));
        QCOMPARE(ReadSyncLink(*ActiveProfile).trustedCertificate, typed);
    }

    void halfEmptyListingNeedsForce()
    {
        TSyncLink link;
        link.server = m_dav->book().toString();
        link.user = m_dav->user();
        link.bookUrl = link.server;
        WriteSyncLink(*ActiveProfile, link);
        for (const QString &name : {u"A"_s, u"B"_s, u"C"_s})
            add(name);
        QVERIFY(linked({u"sync"_s}).status == 0);
        QVERIFY(m_dav->removeAllCards());
        CalbreyResult result = linked({u"sync"_s});
        QCOMPARE(result.status, 1);
        QVERIFY2(result.error().contains(u"would remove 3 of your 3 contacts"_s), Describe(result));
        QVERIFY(result.error().contains(u"--force"_s));
        QVERIFY(ActiveProfile->ContactExists(u"A"_s));
        result = linked({u"sync"_s, u"--force"_s});
        QVERIFY2(result.status == 0, Describe(result));
        QCOMPARE(result.lines().value(0),
                 u"uploaded 0, downloaded 0, deleted here 3, deleted there 0, merged 0, "
                 u"conflicts 0"_s);
        QVERIFY(!ActiveProfile->ContactExists(u"A"_s));
    }
};

QTEST_GUILESS_MAIN(TestCalbreySync)
#include "tst_calbreysync.moc"
