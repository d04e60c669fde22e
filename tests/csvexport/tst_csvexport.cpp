// The CSV writer: the two column sets as their programs name them, and the file's form.
#include "csvexport/csvexport.h"
#include "testprofile.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCsvExport : public QObject
{
    Q_OBJECT

private slots:
    void columnSets_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("count");
        QTest::newRow("Outlook") << int(TCsvLayout::Outlook)
                                 << QStringList{u"First Name"_s,  u"Last Name"_s,
                                                u"Middle Name"_s, u"Name"_s,
                                                u"Nickname"_s,    u"E-mail Address"_s}
                                 << u"Notes"_s << 29;
        QTest::newRow("Google")
            << int(TCsvLayout::Google)
            << QStringList{u"First Name"_s,      u"Middle Name"_s, u"Last Name"_s,
                           u"Nickname"_s,        u"File As"_s,     u"Organization Name"_s,
                           u"Notes"_s,           u"Labels"_s,      u"E-mail 1 - Label"_s,
                           u"E-mail 1 - Value"_s}
            << u"IM 1 - Value"_s << 8 + 28 + 14 + 3;
    }
    void columnSets()
    {
        QFETCH(int, layout);
        QFETCH(QStringList, first);
        QFETCH(QString, last);
        QFETCH(int, count);
        const QStringList headers = CsvExportHeaders(TCsvLayout(layout));
        QCOMPARE(headers.mid(0, first.size()), first);
        QCOMPARE(headers.last(), last);
        QCOMPARE(headers.size(), count);
        QCOMPARE(QSet<QString>(headers.begin(), headers.end()).size(), headers.size());
    }

    void rowsAreQuotedAsSpreadsheetsWriteThem()
    {
        TestProfile test;
        QVERIFY(test.activated());
        test.fill({{u"Ann Lee"_s,
                    {{u"pRealName"_s, u"Ann Marie Lee"_s},
                     {u"wCompany"_s, u"Acme, \"Best\""_s},
                     {u"pOtherEmail"_s, u"a@x.org|b@y.org"_s},
                     {u"aNotes"_s, u"one|two"_s},
                     {u"hPhone"_s, u"555"_s},
                     {u"hPhoneExt"_s, u"12"_s}}}});
        const QByteArray outlook =
            WriteCsvContacts(test.profile(), {u"Ann Lee"_s}, TCsvLayout::Outlook);
        QVERIFY(outlook.startsWith("\xEF\xBB\xBF"
                                   "First Name,Last Name,"));
        const QByteArray row = outlook.mid(outlook.indexOf("\r\n") + 2);
        QVERIFY2(row.startsWith("Ann,Lee,Marie,Ann Lee,,,,,"), row);
        QVERIFY(row.contains(",555 ext. 12,"));
        QVERIFY(row.contains(",\"Acme, \"\"Best\"\"\",,\"one\r\ntwo\"\r\n"));

        const QByteArray google =
            WriteCsvContacts(test.profile(), {u"Ann Lee"_s}, TCsvLayout::Google);
        QVERIFY(google.startsWith("First Name,Middle Name,"));
        QVERIFY(google.contains(",Other,a@x.org ::: b@y.org,"));
        QVERIFY(google.contains(",Home,555 ext. 12,"));
        QVERIFY(google.contains(",* myContacts,"));
        QVERIFY(google.endsWith("\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
