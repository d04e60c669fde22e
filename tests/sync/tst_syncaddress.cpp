// The server address the user types, and when the password would travel unencrypted.
#include "sync/syncaddress.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSyncAddress : public QObject
{
    Q_OBJECT

private slots:
    void addresses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("unencrypted");
        QTest::newRow("bare host is https") << " dav.example.com "
                                            << "https://dav.example.com" << false;
        QTest::newRow("https kept") << "https://dav.example.com/remote.php/dav"
                                    << "https://dav.example.com/remote.php/dav" << false;
        QTest::newRow("http to another machine") << "http://dav.example.com/"
                                                 << "http://dav.example.com/" << true;
        QTest::newRow("http to an address") << "http://192.0.2.7:5232/"
                                            << "http://192.0.2.7:5232/" << true;
        QTest::newRow("http to this machine") << "http://127.0.0.1:5232/"
                                              << "http://127.0.0.1:5232/" << false;
        QTest::newRow("http to localhost") << "HTTP://LocalHost:5232/"
                                           << "http://localhost:5232/" << false;
        QTest::newRow("http to IPv6 loopback") << "http://[::1]:5232/"
                                               << "http://[::1]:5232/" << false;
        QTest::newRow("empty") << "  "
                               << "" << false;
        QTest::newRow("another scheme") << "ftp://dav.example.com/"
                                        << "" << false;
        QTest::newRow("no host") << "https:///dav"
                                 << "" << false;
    }
    void addresses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, url);
        QFETCH(bool, unencrypted);
        const std::optional<QUrl> read = SyncServerUrl(typed);
        QCOMPARE(read ? read->toString() : QString(), url);
        if (read)
            QCOMPARE(SyncPasswordTravelsUnencrypted(*read), unencrypted);
    }

    void fingerprints_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        const QByteArray sha256 = QByteArray::fromHex("00ff10aa") + QByteArray(28, '\x42');
        QTest::newRow("as printed") << CertificateFingerprint(sha256) << true;
        QTest::newRow("lower case, no colons") << QString::fromLatin1(sha256.toHex()) << true;
        QTest::newRow("blanks") << QString::fromLatin1(sha256.toHex(' ')) + u' ' << true;
        QTest::newRow("one digit short") << QString::fromLatin1(sha256.toHex()).chopped(1) << false;
        QTest::newRow("SHA-1 length") << QString::fromLatin1(sha256.left(20).toHex()) << false;
        QTest::newRow("not hexadecimal")
            << QString::fromLatin1(sha256.toHex()).replace(0, 1, u'g') << false;
        QTest::newRow("empty") << QString() << false;
    }
    void fingerprints()
    {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        const QByteArray sha256 = QByteArray::fromHex("00ff10aa") + QByteArray(28, '\x42');
        QCOMPARE(CertificateFingerprint(sha256).left(12), u"00:FF:10:AA:"_s);
        const std::optional<QByteArray> read = ParseCertificateFingerprint(typed);
        QCOMPARE(read.has_value(), valid);
        if (valid)
            QCOMPARE(*read, sha256);
    }
};

QTEST_GUILESS_MAIN(TestSyncAddress)
#include "tst_syncaddress.moc"
