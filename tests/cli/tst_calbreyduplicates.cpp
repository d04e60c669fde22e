// calbrey duplicates, the real program on a test profile: the groups the window finds, the
// pairs the user ruled out left out, in the two forms a script or a person reads.
#include "calbreyrun.h"
#include "profiles/notduplicates.h"
#include "profiles/untprofiles.h"
#include "testprofile.h"

#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

class TestCalbreyDuplicates : public CalbreyTestCase
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(startProfile({})); }
    void cleanup() { endProfile(); }

    void groupsWithoutTheRuledOutPairs()
    {
        m_profile->fill({
            {u"Ann Lee"_s,
             {{u"aContactName"_s, u"Ann Lee"_s}, {u"pEmailAddress"_s, u"ann@example.org"_s}}},
            {u"Dan"_s, {{u"aContactName"_s, u"Dan"_s}}},
            {u"Carl"_s, {{u"aContactName"_s, u"Carl"_s}, {u"pEmailAddress"_s, u"c@example.org"_s}}},
            {u"A. Lee"_s,
             {{u"aContactName"_s, u"A. Lee"_s}, {u"pEmailAddress"_s, u" ANN@example.org"_s}}},
            {u"Karl"_s, {{u"aContactName"_s, u"Karl"_s}, {u"pEmailAddress"_s, u"c@example.org"_s}}},
        });
        TNotDuplicates(m_profile->profile()).Remember({u"Carl"_s, u"Karl"_s});

        const CalbreyResult parsable = calbrey({u"duplicates"_s, u"--parsable"_s});
        QVERIFY2(parsable.status == 0, Describe(parsable));
        QCOMPARE(parsable.lines(), (QStringList{u"1\tAnn Lee\tsame e-mail ann@example.org"_s,
                                                u"1\tA. Lee\tsame e-mail ann@example.org"_s}));

        const CalbreyResult plain = calbrey({u"duplicates"_s});
        QVERIFY2(plain.status == 0, Describe(plain));
        QCOMPARE(plain.lines(), (QStringList{u"1. same e-mail ann@example.org"_s, u"   Ann Lee"_s,
                                             u"   A. Lee"_s}));
    }

    void noneFoundIsNoFailure()
    {
        m_profile->fill({{u"Dan"_s, {{u"aContactName"_s, u"Dan"_s}}}});
        const CalbreyResult plain = calbrey({u"duplicates"_s});
        QVERIFY2(plain.status == 0, Describe(plain));
        QCOMPARE(plain.lines(), QStringList{u"No likely duplicates."_s});
        const CalbreyResult parsable = calbrey({u"duplicates"_s, u"--parsable"_s});
        QVERIFY2(parsable.status == 0, Describe(parsable));
        QCOMPARE(parsable.out, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestCalbreyDuplicates)
#include "tst_calbreyduplicates.moc"
