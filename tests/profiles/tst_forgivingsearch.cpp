#include "profiles/contactsearch.h"
#include "profiles/contactsearchindex.h"
#include "profiles/untprofiles.h"
#include "testprofile.h"

#include <QtTest>

namespace {
QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

QList<TestContact> book()
{
    return {
        {u8("Müller, Chloé"),
         {{u8("hCitg"), u8("Zürich")}, {u8("pEmailAddress"), u8("Chloe.M@Example.org")}}},
        {u8("Ann Lee"),
         {{u8("wCompany"), u8("Globex")},
          {u8("hPhone"), u8("+1 (555) 123-4567")},
          {u8("aNotes"), u8("met in Oslo|likes tea")},
          {u8("aContactCat"), u8("Family")}}},
        {u8("Bob Ray"),
         {{u8("wCity"), u8("Oslo")}, {u8("pOtherEmail"), u8("bob@home.example|ray@work")}}},
        {u8("Joanna"), {{u8("pNickName"), u8("ANN")}}},
    };
}
} // namespace

class TestForgivingSearch : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        m_profile->fill(book());
    }
    void cleanup() { m_profile.reset(); }

    void findsEveryWordInAnyField_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QStringList>("found");
        const auto row = [](const char *name, const char *find, const QStringList &found) {
            QTest::newRow(name) << u8(find) << found;
        };
        row("name without accents", "muller", {u8("Müller, Chloé")});
        row("name in any order", "chloe MÜLLER", {u8("Müller, Chloé")});
        row("city", "zurich", {u8("Müller, Chloé")});
        row("e-mail in any case", "chloe.m@EXAMPLE", {u8("Müller, Chloé")});
        row("other e-mail", "ray@work", {u8("Bob Ray")});
        row("phone by its digits", "5551234567", {u8("Ann Lee")});
        row("phone as written otherwise", "555-123-4567", {u8("Ann Lee")});
        row("phone in pieces", "555 4567", {u8("Ann Lee")});
        row("company", "globex", {u8("Ann Lee")});
        row("notes", "tea", {u8("Ann Lee")});
        row("category", "family", {u8("Ann Lee")});
        row("words in different fields", "ann oslo", {u8("Ann Lee")});
        row("a word in one field each", "oslo", {u8("Ann Lee"), u8("Bob Ray")});
        row("nickname and name", "ann", {u8("Ann Lee"), u8("Joanna")});
        row("one word missing", "ann zurich", {});
        row("words do not run across fields", "globex5551", {});
        row("only blanks", "   ", {});
    }

    void findsEveryWordInAnyField()
    {
        QFETCH(QString, find);
        QFETCH(QStringList, found);
        TContactSearchIndex index;
        index.Update(*ActiveProfile);
        QStringList all;
        ActiveProfile->GetContactNames(all);
        QCOMPARE(SearchContactsAnyField(all, find, {}, index), found);
    }

    // Match case and Exact match keep their meaning for the name; the other fields are still
    // searched forgivingly.
    void nameRulesKeepTheirMeaning_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("match case: name no longer folded")
            << u8("ann lee") << true << false << QStringList{};
        QTest::newRow("match case: name as typed")
            << u8("Ann") << true << false << QStringList{u8("Ann Lee"), u8("Joanna")};
        QTest::newRow("exact: whole name")
            << u8("ann lee") << false << true << QStringList{u8("Ann Lee")};
        QTest::newRow("exact: part of a name, found elsewhere")
            << u8("ann") << false << true << QStringList{u8("Joanna")};
        QTest::newRow("exact: accents still need the name")
            << u8("chloe muller") << false << true << QStringList{};
    }

    void nameRulesKeepTheirMeaning()
    {
        QFETCH(QString, find);
        QFETCH(bool, matchCase);
        QFETCH(bool, exact);
        QFETCH(QStringList, found);
        TContactSearchIndex index;
        index.Update(*ActiveProfile);
        QStringList all;
        ActiveProfile->GetContactNames(all);
        QCOMPARE(SearchContactsAnyField(all, find, {matchCase, exact}, index), found);
    }

    void keepsTheSourceAndItsOrder()
    {
        TContactSearchIndex index;
        index.Update(*ActiveProfile);
        const QStringList source{u8("Bob Ray"), u8("Joanna"), u8("Ann Lee"), u8("No such")};
        QCOMPARE(SearchContactsAnyField(source, u8("oslo"), {}, index),
                 (QStringList{u8("Bob Ray"), u8("Ann Lee")}));
    }

    // Built once per version of book.db: a keystroke reads nothing, a change is seen.
    void followsTheFile()
    {
        TContactSearchIndex index;
        QVERIFY(index.NeedsUpdate(*ActiveProfile));
        index.Update(*ActiveProfile);
        QTest::qWait(150); // past the moment in which a file's times cannot be trusted
        index.Update(*ActiveProfile);
        QVERIFY(!index.NeedsUpdate(*ActiveProfile));
        QCOMPARE(index.size(), 4);

        ActiveProfile->WriteField(u8("Zoë Ng"), u8("hCitg"), u8("Oslo"));
        QVERIFY(index.NeedsUpdate(*ActiveProfile));
        index.Update(*ActiveProfile);
        QStringList all;
        ActiveProfile->GetContactNames(all);
        QCOMPARE(SearchContactsAnyField(all, u8("zoe"), {}, index), QStringList{u8("Zoë Ng")});
    }

    // Each key narrows what the last one found; a key taken back widens it again.
    void typingOnGivesWhatAFreshSearchGives()
    {
        TContactSearchIndex typing;
        typing.Update(*ActiveProfile);
        QStringList all;
        ActiveProfile->GetContactNames(all);
        for (const char *typed : {"o", "os", "oslo", "oslo a", "oslo an", "oslo ann", "oslo", "o",
                                  "an", "ann", "ann l", "jo", "5", "55", "555-1"}) {
            TContactSearchIndex fresh;
            fresh.Update(*ActiveProfile);
            QCOMPARE(SearchContactsAnyField(all, u8(typed), {}, typing),
                     SearchContactsAnyField(all, u8(typed), {}, fresh));
        }
        QCOMPARE(SearchContactsAnyField(all, u8("oslo ann"), {}, typing),
                 QStringList{u8("Ann Lee")});
    }

    void plainApiMatchesFields()
    {
        const QStringList keys{u8("hCitg"), u8("pMobile")};
        const QString haystack =
            ForgivingSearch::Haystack(keys, {u8("Ærøskøbing"), u8("+47 912 34 567")});
        QVERIFY(ForgivingSearch::Matches(haystack, ForgivingSearch::NeedleWords(u"AEROSKOBING")));
        QVERIFY(ForgivingSearch::Matches(haystack, ForgivingSearch::NeedleWords(u"91234567")));
        QVERIFY(!ForgivingSearch::Matches(haystack, ForgivingSearch::NeedleWords(u"bergen")));
        QVERIFY(!ForgivingSearch::Matches(haystack, {}));
    }

private:
    std::unique_ptr<TestProfile> m_profile;
};

QTEST_GUILESS_MAIN(TestForgivingSearch)
#include "tst_forgivingsearch.moc"
