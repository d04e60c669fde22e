#include "platform/calbreyerror.h"
#include "profiles/duplicatefinder.h"
#include "profiles/notduplicates.h"
#include "profiles/untprofiles.h"
#include "testprofile.h"

#include <QDir>
#include <QtTest>

namespace {
QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

// A contact with the finder's keys: e-mail, other e-mails, mobile, work phone, company, city.
TDuplicateCandidate contact(const char *name, const char *email = "", const char *mobile = "",
                            const char *company = "", const char *city = "",
                            const char *others = "", const char *workPhone = "")
{
    return {
        u8(name),
        {u8(email), {}, {}, u8(others), u8(mobile), {}, u8(workPhone), u8(company), u8(city), {}}};
}

struct Found
{
    QStringList names;
    QString reason;
};
} // namespace

Q_DECLARE_METATYPE(QList<TDuplicateCandidate>)

class TestDuplicateFinder : public QObject
{
    Q_OBJECT

private slots:
    // Each signal finds its pair; a weak one needs a second; unrelated contacts stay apart.
    void eachSignal_data()
    {
        QTest::addColumn<QList<TDuplicateCandidate>>("contacts");
        QTest::addColumn<QStringList>("group"); // empty: none
        QTest::addColumn<QString>("reason");
        QTest::newRow("same e-mail, any case and blanks")
            << QList{contact("Ann Lee", "ann@example.org"), contact("A. Lee", " ANN@Example.org ")}
            << QStringList{u8("Ann Lee"), u8("A. Lee")} << u8("same e-mail ann@example.org");
        QTest::newRow("e-mail among the other addresses")
            << QList{contact("Ann Lee", "ann@example.org"),
                     contact("Lee", "", "", "", "", "x@y.org|Ann@example.org")}
            << QStringList{u8("Ann Lee"), u8("Lee")} << u8("same e-mail ann@example.org");
        QTest::newRow("a role address is no signal")
            << QList{contact("Ann Lee", "info@example.org"), contact("Bob Ray", "info@example.org")}
            << QStringList{} << QString();
        QTest::newRow("same phone written two ways")
            << QList{contact("Ann Lee", "", "+1 555 123 4567"),
                     contact("Lee", "", "", "", "", "", "(555) 123-4567")}
            << QStringList{u8("Ann Lee"), u8("Lee")} << u8("same phone +15551234567");
        QTest::newRow("different phones") << QList{contact("Ann Lee", "", "+1 555 123 4567"),
                                                   contact("Lee", "", "+1 555 123 4568")}
                                          << QStringList{} << QString();
        QTest::newRow("same name words")
            << QList{contact("Müller, Chloé"), contact("chloe MULLER")}
            << QStringList{u8("Müller, Chloé"), u8("chloe MULLER")} << u8("same name");
        QTest::newRow("nickname alone is weak")
            << QList{contact("Bob Smith"), contact("Robert Smith")} << QStringList{} << QString();
        QTest::newRow("nickname and same company")
            << QList{contact("Bob Smith", "", "", "Acme"), contact("Robert Smith", "", "", "ACME")}
            << QStringList{u8("Bob Smith"), u8("Robert Smith")}
            << u8("similar names, same company");
        QTest::newRow("middle initial and same city")
            << QList{contact("Ann J. Lee", "", "", "", "Oslo"),
                     contact("Ann Lee", "", "", "", "oslo")}
            << QStringList{u8("Ann J. Lee"), u8("Ann Lee")} << u8("similar names, same city");
        QTest::newRow("same city alone is nothing")
            << QList{contact("Ann Lee", "", "", "", "Oslo"), contact("Bob Ray", "", "", "", "Oslo")}
            << QStringList{} << QString();
    }

    void eachSignal()
    {
        QFETCH(QList<TDuplicateCandidate>, contacts);
        QFETCH(QStringList, group);
        QFETCH(QString, reason);
        contacts.append(contact("Someone Else", "else@example.org", "+47 22 33 44 55", "Globex"));
        const QList<TDuplicateGroup> groups = FindDuplicates(contacts, u8("US"), {});
        if (group.isEmpty()) {
            QVERIFY(groups.isEmpty());
            return;
        }
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0].names, group);
        QCOMPARE(groups[0].reasons.value(0), reason);
    }

    void strongestFirstWithEveryReason()
    {
        const QList<TDuplicateCandidate> contacts{
            contact("Ann Lee", "", "", "Acme"),
            contact("Bob Ray", "bob@x.org", "555 123 4567"),
            contact("Lee, Ann", "", "", "acme"),
            contact("Robert Ray", "bob@x.org", "5551234567"),
            contact("Cy Young", "", "555 999 0000"),
            contact("C. Young", "", "555-999-0000"),
        };
        const QList<TDuplicateGroup> groups = FindDuplicates(contacts, u8("US"), {});
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups[0].names, (QStringList{u8("Bob Ray"), u8("Robert Ray")}));
        QCOMPARE(groups[0].reasons,
                 (QStringList{u8("same e-mail bob@x.org"), u8("same phone +15551234567")}));
        QCOMPARE(groups[1].names, (QStringList{u8("Cy Young"), u8("C. Young")}));
        // The same name says it all; the similar name and company add nothing.
        QCOMPARE(groups[2].names, (QStringList{u8("Ann Lee"), u8("Lee, Ann")}));
        QCOMPARE(groups[2].reasons.first(), u8("same name"));
        QVERIFY(groups[0].strength > groups[1].strength);
        QVERIFY(groups[1].strength > groups[2].strength);
    }

    void aSharedNumberOfManyIsNoSignal()
    {
        QList<TDuplicateCandidate> contacts;
        for (int i = 0; i < 12; ++i)
            contacts.append(contact(qPrintable(QStringLiteral("Person %1").arg(QChar(u'a' + i))),
                                    "", "", "", "", "", "+1 555 000 1111"));
        QVERIFY(FindDuplicates(contacts, u8("US"), {}).isEmpty());
    }

    void notDuplicatesAreLeftOut()
    {
        const QList<TDuplicateCandidate> contacts{
            contact("Ann", "a@x.org"), contact("Anne", "a@x.org"), contact("Annie", "a@x.org")};
        QSet<QString> ruledOut{TNotDuplicates::PairKey(u8("ann"), u8("ANNE"))};
        QList<TDuplicateGroup> groups = FindDuplicates(contacts, u8("US"), ruledOut);
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0].names.size(), 3); // Annie still pairs with both
        ruledOut.insert(TNotDuplicates::PairKey(u8("Ann"), u8("Annie")));
        groups = FindDuplicates(contacts, u8("US"), ruledOut);
        QCOMPARE(groups[0].names, (QStringList{u8("Anne"), u8("Annie")}));
        ruledOut.insert(TNotDuplicates::PairKey(u8("Anne"), u8("Annie")));
        QVERIFY(FindDuplicates(contacts, u8("US"), ruledOut).isEmpty());
    }

    // Remembered per profile, across a restart, in a file of its own beside book.db.
    void notDuplicatesSurviveARestart()
    {
        TestProfile profile;
        QVERIFY(profile.activated());
        profile.fill({{u8("Ann Lee"), {{u8("pEmailAddress"), u8("ann@x.org")}}},
                      {u8("Lee Ann"), {{u8("pEmailAddress"), u8("ann@x.org")}}}});
        const QByteArray book = [&] {
            QFile file(profile.databasePath());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        TNotDuplicates(*ActiveProfile).Remember({u8("Ann Lee"), u8("Lee Ann")});
        delete ActiveProfile;
        ActiveProfile = new TProfile(u8("tester"));
        const QSet<QString> remembered = TNotDuplicates(*ActiveProfile).Pairs();
        QVERIFY(remembered.contains(TNotDuplicates::PairKey(u8("lee ann"), u8("ANN LEE"))));
        QVERIFY(FindDuplicatesInProfile(*ActiveProfile, u8("US"), remembered).isEmpty());
        QCOMPARE(FindDuplicatesInProfile(*ActiveProfile, u8("US"), {}).size(), 1);
        QFile file(profile.databasePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), book);
        QVERIFY(QFile::exists(ActiveProfile->GetProfileInfo(3) + TNotDuplicates::FileName()));
    }

    void failedRememberIsReportedAndKeepsTheFile()
    {
        TestProfile profile;
        QVERIFY(profile.activated());
        TNotDuplicates store(*ActiveProfile);
        store.Remember({u8("A"), u8("B")});
        const QString path = ActiveProfile->GetProfileInfo(3) + TNotDuplicates::FileName();
        QFile::remove(path);
        QVERIFY(QDir().mkdir(path)); // a folder where the file should be
        try {
            store.Remember({u8("C"), u8("D")});
            QFAIL("remembering into a folder succeeded");
        } catch (const CalbreyError &error) {
            QCOMPARE(error.message(), u8("Unable to write to ") + path);
        }
        QVERIFY(QDir(path).isEmpty());
    }

    void progressCanStop()
    {
        TestProfile profile;
        QVERIFY(profile.activated());
        profile.fill({{u8("Ann Lee")}, {u8("Lee Ann")}});
        qsizetype reported = 0;
        QCOMPARE(FindDuplicatesInProfile(*ActiveProfile, u8("US"), {},
                                         [&](qsizetype done, qsizetype total) {
                                             reported = done;
                                             return done < total;
                                         })
                     .size(),
                 0);
        QCOMPARE(reported, 2);
        QCOMPARE(FindDuplicatesInProfile(*ActiveProfile, u8("US"), {}).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDuplicateFinder)
#include "tst_duplicatefinder.moc"
