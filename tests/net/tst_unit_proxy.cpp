#include "app/untcommon.h"
#include "net/unit_proxy.h"
#include "platform/calbreyerror.h"

#include "failuretext.h"
#include "fulldisk.h"
#include "tempprogramfolder.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <memory>

namespace {
const QByteArray Section = "[Software\\Quenlark\\Common\\Proxy Settings]\r\n";

std::pair<QString, int> storedProxy()
{
    QString server;
    int port = -1;
    ReadProxySettings(server, port);
    return {server, port};
}
} // namespace

class TestUnitProxy : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_folder;

    static QByteArray storeBytes() { return ReadFileBytes(MachineSettingsFile()); }
    static void writeStore(const QByteArray &bytes)
    {
        ReplaceFileBytes(MachineSettingsFile(), bytes);
    }

private slots:
    void init() { m_folder = std::make_unique<TempProgramFolder>(); }
    void cleanup() { m_folder.reset(); }

    void firstUseCreatesBothDefaults()
    {
        QCOMPARE(storedProxy(), std::make_pair(QString(), 0));
        QCOMPARE(storeBytes(), Section + "Proxy Server=sz:\"\"\r\nProxy Port=dword:00000000\r\n");
        // A read of a complete key writes nothing.
        const QDateTime written = QFileInfo(MachineSettingsFile()).lastModified();
        storedProxy();
        QCOMPARE(QFileInfo(MachineSettingsFile()).lastModified(), written);
    }

    void wronglyTypedValues_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("error");
        QTest::newRow("port as text")
            << QByteArray("Proxy Server=sz:\"\"\r\nProxy Port=sz:\"80\"\r\n")
            << "Invalid data type for 'Proxy Port'";
        QTest::newRow("port untyped") << QByteArray("Proxy Server=sz:\"\"\r\nProxy Port=80\r\n")
                                      << "Invalid data type for 'Proxy Port'";
        QTest::newRow("server as number")
            << QByteArray("Proxy Server=dword:00000001\r\nProxy Port=dword:00000050\r\n")
            << "Invalid data type for 'Proxy Server'";
    }
    void wronglyTypedValues()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, error);
        writeStore(Section + lines);
        QCOMPARE(FailureOf([] { storedProxy(); }), error);
        QCOMPARE(storeBytes(), Section + lines);
    }

    // OK in the options dialog: a port that is no port clears the whole proxy.
    void portRule_data()
    {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("port");
        QTest::newRow("number") << "8080"
                                << "cache.lan" << 8080;
        QTest::newRow("blanks around") << " 3128 "
                                       << "cache.lan" << 3128;
        QTest::newRow("zero") << "0"
                              << "cache.lan" << 0;
        QTest::newRow("highest") << "65535"
                                 << "cache.lan" << 65535;
        QTest::newRow("empty") << ""
                               << "" << 0;
        QTest::newRow("letters") << "http"
                                 << "" << 0;
        QTest::newRow("beyond the ports") << "70000"
                                          << "" << 0;
        QTest::newRow("negative") << "-1"
                                  << "" << 0;
    }
    void portRule()
    {
        QFETCH(QString, portText);
        QFETCH(QString, server);
        QFETCH(int, port);
        WriteProxySettings(QStringLiteral("old.lan"), 1);
        StoreProxyFromText(QStringLiteral("cache.lan"), portText);
        QCOMPARE(storedProxy(), std::make_pair(server, port));
    }

    void writeFailureReported()
    {
        QVERIFY(QDir().mkpath(MachineSettingsFile()));
        const QString expected = QStringLiteral("Failed to set data for 'Proxy Server'");
        QCOMPARE(FailureOf([] { storedProxy(); }), expected);
        QCOMPARE(FailureOf([] { StoreProxyFromText(QStringLiteral("a"), QStringLiteral("1")); }),
                 expected);
    }

    void fullDiskKeepsOldProxy()
    {
        WriteProxySettings(QStringLiteral("old.lan"), 8080);
        const QByteArray before = storeBytes();
        SKIP_WITHOUT_FULL_DISK();
        const int code = RunWithFileSizeLimit(before.size(), [] {
            const QString message =
                FailureOf([] { WriteProxySettings(QString(5000, QLatin1Char('p')), 1); });
            return message == QLatin1String("Failed to set data for 'Proxy Server'") ? 0 : 1;
        });
        QCOMPARE(code, 0);
        QCOMPARE(storeBytes(), before);
    }
};

QTEST_GUILESS_MAIN(TestUnitProxy)
#include "tst_unit_proxy.moc"
