// The server address the user types, and when the password would travel unencrypted.
#include "sync/syncaddress.h"

#include <QTest>

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
};

QTEST_GUILESS_MAIN(TestSyncAddress)
#include "tst_syncaddress.moc"
