#include "net/updatecheck.h"

#include <QTest>
#include <limits>

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private slots:
    void buildNumberRule_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("number");
        QTest::newRow("blanks before") << QByteArray(" \t39") << true << 39;
        QTest::newRow("signs") << QByteArray(" +7") << true << 7;
        QTest::newRow("negative") << QByteArray("-3") << true << -3;
        QTest::newRow("hexadecimal capitals") << QByteArray("-$1F") << true << -31;
        QTest::newRow("largest") << QByteArray("2147483647") << true
                                 << std::numeric_limits<int>::max();
        QTest::newRow("smallest") << QByteArray("-2147483648") << true
                                  << std::numeric_limits<int>::min();
        QTest::newRow("blank after") << QByteArray("41 ") << false << 0;
        QTest::newRow("blank inside") << QByteArray("4 1") << false << 0;
        QTest::newRow("empty") << QByteArray() << false << 0;
        QTest::newRow("sign alone") << QByteArray("-") << false << 0;
        QTest::newRow("dollar alone") << QByteArray("$") << false << 0;
        QTest::newRow("hex letter in decimal") << QByteArray("4a") << false << 0;
        QTest::newRow("too large") << QByteArray("2147483648") << false << 0;
        QTest::newRow("far too large") << QByteArray("99999999999999999999") << false << 0;
    }
    void buildNumberRule()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, valid);
        QFETCH(int, number);
        const std::optional<int> parsed = ParseBuildNumber(body);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, number);
    }
};

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
