#include "profiles/normalform.h"
#include "profiles/phoneform.h"

#include <QtTest>
#include <thread>
#include <vector>

class TestNormalForm : public QObject
{
    Q_OBJECT

private slots:
    void names_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        const auto row = [](const char *name, const char *a, const char *b, bool same) {
            QTest::newRow(name) << QString::fromUtf8(a) << QString::fromUtf8(b) << same;
        };
        row("accents", "Chloé Müller", "chloe muller", true);
        row("word order and comma", "Müller, Chloé", "chloe muller", true);
        row("case", "ANN LEE", "ann lee", true);
        row("sharp s", "Strauß", "STRAUSS", true);
        row("letters that do not decompose", "Øre Łukasz Æsa Œuvre Đorđe Işık",
            "ore lukasz aesa oeuvre dorde isik", true);
        row("capital sharp s", "STRAẞE", "strasse", true);
        row("dotted capital I", "İnci", "inci", true);
        row("other scripts fold case", "Иван ПЕТРОВ", "петров иван", true);
        row("punctuation and repeats", "Lee-Ann  (Lee)", "ann lee", true);
        row("a word more", "Ann Lee", "Ann J Lee", false);
        row("another letter", "Muller", "Moller", false);
    }

    void names()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(NormalForm::NameKey(a) == NormalForm::NameKey(b), same);
    }

    void textKeepsItsShape()
    {
        QCOMPARE(NormalForm::Text(u"Crème Brûlée, ß-Weg 3"),
                 QStringLiteral("creme brulee, ss-weg 3"));
        QCOMPARE(NormalForm::NameWords(u"Müller, Chloé"),
                 (QStringList{QStringLiteral("chloe"), QStringLiteral("muller")}));
        QCOMPARE(NormalForm::NameKey(u" ,. "), QString());
    }

    void emails()
    {
        QCOMPARE(NormalForm::Email(u"  Ann@Example.ORG "), QStringLiteral("ann@example.org"));
        for (const char *role : {"info@x.org", "admin@x.org", "noreply@x.org", "no-reply@x.org",
                                 "support+eu@x.org", "postmaster@x.org"})
            QVERIFY2(NormalForm::IsRoleAddress(NormalForm::Email(QString::fromUtf8(role))), role);
        for (const char *person : {"ann@x.org", "information.desk.ann@x.org", "info", "@info"})
            QVERIFY2(!NormalForm::IsRoleAddress(QString::fromUtf8(person)), person);
    }

    void nicknames()
    {
        QCOMPARE(NormalForm::NicknameRoot(u"bob"), QStringLiteral("robert"));
        QCOMPARE(NormalForm::NicknameRoot(u"robert"), QStringLiteral("robert"));
        QCOMPARE(NormalForm::NicknameRoot(u"chloe"), QStringLiteral("chloe"));
    }

    // One number written five ways is one number; a number that differs is not.
    void phoneNumbers_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("region");
        QTest::addColumn<bool>("same");
        const auto row = [](const char *name, const char *a, const char *b, const char *region,
                            bool same) {
            QTest::newRow(name) << QString::fromUtf8(a) << QString::fromUtf8(b)
                                << QString::fromUtf8(region) << same;
        };
        const char *base = "+1 555 123 4567";
        row("national with brackets", base, "(555) 123-4567", "US", true);
        row("dots", base, "555.123.4567", "US", true);
        row("trunk prefix", base, "1-555-123-4567", "US", true);
        row("international prefix", base, "011 1 555 123 4567", "US", true);
        row("run together", base, "+15551234567", "US", true);
        row("another number", base, "(555) 123-4568", "US", false);
        row("another country", base, "+44 555 123 4567", "US", false);
        row("read in another region", "22 33 44 55", "+47 22 33 44 55", "NO", true);
        row("not a number here: its last seven digits", "22 33 44 55", "+47 22 33 44 55", "US",
            true);
        row("not a number here, other digits", "22 33 44 56", "+47 22 33 44 55", "US", false);
        // What cannot be read as a number compares by its last seven digits.
        row("unreadable: last seven digits", "ext. 99 123 4567 x", "1234567", "US", true);
        row("unreadable: short differs", "12 34", "12 35", "US", false);
        row("unreadable: short same", "12-34", "1234", "US", true);
        row("no digits", "call me", "call me", "US", false);
    }

    void phoneNumbers()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, region);
        QFETCH(bool, same);
        const TPhoneForm first = MakePhoneForm(a, region);
        const TPhoneForm second = MakePhoneForm(b, region);
        QCOMPARE(SamePhoneNumber(first, second), same);
        QCOMPARE(SamePhoneNumber(second, first), same);
        // Numbers read alike are grouped by one key.
        if (same && first.e164.isEmpty() == second.e164.isEmpty())
            QCOMPARE(first.key(), second.key());
    }

    void phoneShownAsE164()
    {
        QCOMPARE(MakePhoneForm(u"(555) 123-4567", QStringLiteral("US")).shown(),
                 QStringLiteral("+15551234567"));
        QVERIFY(!PhoneRegions().isEmpty());
        QVERIFY(PhoneRegions().contains(QStringLiteral("NO")));
        QCOMPARE(DefaultPhoneRegion().size(), 2);
    }

    // The normal form is asked for from several threads at once (the index is built in two).
    void threads()
    {
        QList<QString> results(4);
        std::vector<std::thread> threads;
        threads.reserve(4);
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&results, i] {
                for (int n = 0; n < 200; ++n)
                    results[i] = NormalForm::Text(u"Ærøskøbing Straße");
            });
        for (std::thread &thread : threads)
            thread.join();
        for (const QString &result : results)
            QCOMPARE(result, QStringLiteral("aeroskobing strasse"));
    }
};

QTEST_GUILESS_MAIN(TestNormalForm)
#include "tst_normalform.moc"
