// The mail client's address query: what it finds without regard to case and accents, and that
// the first look at the stored text never leaves out a contact the fields match.
#include "profiles/addressquery.h"
#include "testprofile.h"

#include <QSaveFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAddressQuery : public QObject
{
    Q_OBJECT

private slots:
    void findsWithoutCaseAndAccents_data()
    {
        QTest::addColumn<QByteArray>("stored"); // the contact's key lines, as book.db holds them
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("found");
        QTest::newRow("accent in UTF-8") << "pRealName=Jörg Müller"_ba << u"MULLER"_s << true;
        QTest::newRow("accent in Windows-1252")
            << "pRealName=J\xF6rg M\xFCller"_ba << u"muller"_s << true;
        QTest::newRow("accent in the query") << "pRealName=Jorg Muller"_ba << u"jörg"_s << true;
        QTest::newRow("sharp s") << "pRealName=Hauptstraße"_ba << u"strasse"_s << true;
        QTest::newRow("combining accent") << "pRealName=Cafe\xCC\x81 Noir"_ba << u"café"_s << true;
        QTest::newRow("ligature") << "pRealName=\xEF\xAC\x81sher"_ba << u"fisher"_s << true;
        QTest::newRow("letter without a base letter") << "pRealName=Bjørn"_ba << u"BJØRN"_s << true;
        QTest::newRow("o is not ø") << "pRealName=Bjørn"_ba << u"bjorn"_s << false;
        QTest::newRow("other address")
            << "pOtherEmail=a@x.org|JB@Example.org"_ba << u"jb@example"_s << true;
        QTest::newRow("work address") << "wEmail=j@acme.example"_ba << u"acme"_s << true;
        QTest::newRow("nick name") << "pNickName=Jojo"_ba << u"ojo"_s << true;
        QTest::newRow("not in the notes") << "aNotes=met at Acme"_ba << u"acme"_s << false;
        QTest::newRow("not in a key's name") << "pEmailAddress=j@x.org"_ba << u"email"_s << false;
        QTest::newRow("not across fields")
            << "pRealName=Jo\r\npNickName=Bo"_ba << u"jobo"_s << false;
        // The first look tries sixteen places at a time; what is left over is looked at alone.
        QTest::newRow("across a step of sixteen")
            << "pRealName=xxxxxxxxxxxxxQuintessence"_ba << u"quintessence"_s << true;
        QTest::newRow("at the very end")
            << "pRealName=" + QByteArray(40, 'a') + "Zebediah" << u"zebediah"_s << true;
        QTest::newRow("far after an accent")
            << "pRealName=Jörg " + QByteArray(30, 'a') + " Müller-Lüdenscheidt" << u"LUDENSCHEIDT"_s
            << true;
        QTest::newRow("a look-alike of the case bit")
            << "pEmailAddress=x`y.org"_ba << u"x@y"_s << false;
    }
    void findsWithoutCaseAndAccents()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, query);
        QFETCH(bool, found);
        TestProfile test;
        QVERIFY(test.activated());
        // A contact with an address to find, among others the query does not find.
        QSaveFile book(test.databasePath());
        QVERIFY(book.open(QIODevice::WriteOnly));
        book.write("[Zed]\r\npEmailAddress=zed@q.example\r\n[J]\r\npEmailAddress=j@x.org\r\n" +
                   stored + "\r\n[Yan]\r\npRealName=Yan\r\n");
        QVERIFY(book.commit());
        const QList<TFoundAddress> addresses = FindEmailAddresses(test.profile(), query);
        QStringList contacts;
        for (const TFoundAddress &address : addresses)
            contacts.append(address.contact);
        contacts.removeDuplicates();
        QCOMPARE(contacts, found ? QStringList{u"J"_s} : QStringList());
    }

    void manyContactsAreSearchedInParts()
    {
        // More contacts than one part holds: every match, in book order, whichever part.
        TestProfile test;
        QVERIFY(test.activated());
        QList<TestContact> book;
        for (int i = 0; i < 12000; ++i)
            book.append({u"C%1"_s.arg(i), {{u"pEmailAddress"_s, u"c%1@x.org"_s.arg(i)}}});
        test.fill(book);
        const QList<TFoundAddress> found = FindEmailAddresses(test.profile(), u"99@"_s);
        QStringList addresses;
        for (const TFoundAddress &address : found)
            addresses.append(address.address);
        QStringList expected;
        for (int i = 0; i < 12000; ++i) {
            if (u"c%1@x.org"_s.arg(i).contains(u"99@"_s))
                expected.append(u"c%1@x.org"_s.arg(i));
        }
        QCOMPARE(addresses, expected);
    }
};

QTEST_GUILESS_MAIN(TestAddressQuery)
#include "tst_addressquery.moc"
