#include "platform/passwordstore.h"

#include <QTest>

class TestPasswordStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A session bus that is not there: no keychain service can answer.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/calbrey-test-bus");
    }

    // Without a keychain service every call says so, so that the caller asks for the password
    // instead; nothing waits for a service that never comes.
    void noKeychainService_data()
    {
        QTest::addColumn<int>("call");
        QTest::newRow("get") << 0;
        QTest::newRow("store") << 1;
        QTest::newRow("remove") << 2;
    }
    void noKeychainService()
    {
        QFETCH(int, call);
        TPasswordStore &store = PasswordStore();
        const QString service = QStringLiteral("Quenlark Calbrey test");
        const QString account = QStringLiteral("alice@dav.example.invalid");
        const TPasswordResult result = call == 0 ? store.Get(service, account)
                                       : call == 1
                                           ? store.Store(service, account, QStringLiteral("secret"))
                                           : store.Remove(service, account);
        QCOMPARE(result.status, TPasswordResult::Status::NoKeychain);
        QVERIFY2(result.message.startsWith(QStringLiteral("No keychain service answered")),
                 qPrintable(result.message));
        QVERIFY(result.password.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPasswordStore)
#include "tst_passwordstore.moc"
