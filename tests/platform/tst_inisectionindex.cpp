// The index of an INI file's sections by name: every place stored is found until it is
// removed, whatever the hashes of the others.
#include "platform/inisectionindex.h"

#include <QList>
#include <QTest>

class TestIniSectionIndex : public QObject
{
    Q_OBJECT

private slots:
    void removalKeepsTheOthersFindable_data();
    void removalKeepsTheOthersFindable();
    void namesEqualIgnoringCaseHashAlike();
};

void TestIniSectionIndex::removalKeepsTheOthersFindable_data()
{
    QTest::addColumn<QList<quint64>>("hashes"); // of places 0, 1, ...
    QTest::addColumn<QList<int>>("removed");
    // The table starts with 16 slots: hashes 16 apart start their search at one slot.
    QTest::newRow("one chain, first removed") << QList<quint64>{7, 7, 7, 7} << QList<int>{0};
    QTest::newRow("one chain, middle removed") << QList<quint64>{7, 7, 7, 7} << QList<int>{2};
    QTest::newRow("two chains interleaved")
        << QList<quint64>{3, 4, 3, 19, 4, 3, 20} << QList<int>{0, 1};
    QTest::newRow("chain across the table's end")
        << QList<quint64>{15, 15, 14, 15, 0, 1} << QList<int>{2, 0};
    QList<quint64> many;
    QList<int> everyThird;
    for (int i = 0; i < 1000; ++i) {
        many.append(quint64(i % 37) * 64);
        if (i % 3 == 0)
            everyThird.append(i);
    }
    QTest::newRow("grown, a third removed") << many << everyThird;
}

void TestIniSectionIndex::removalKeepsTheOthersFindable()
{
    QFETCH(QList<quint64>, hashes);
    QFETCH(QList<int>, removed);
    IniSectionIndex index;
    for (qsizetype place = 0; place < hashes.size(); ++place)
        index.insert(hashes[place], place);
    for (const int place : removed)
        index.remove(hashes[place], place);
    QCOMPARE(index.size(), hashes.size() - removed.size());
    for (qsizetype place = 0; place < hashes.size(); ++place) {
        const qsizetype found =
            index.find(hashes[place], [&](qsizetype at) { return at == place; });
        QCOMPARE(found, removed.contains(int(place)) ? -1 : place);
    }
}

void TestIniSectionIndex::namesEqualIgnoringCaseHashAlike()
{
    QCOMPARE(FoldedNameHash(u"John Smith"), FoldedNameHash(u"jOHN sMITH"));
    QCOMPARE(FoldedNameHash(u"Émile"), FoldedNameHash(u"émile"));
    QCOMPARE(FoldedNameHash(u"\U0001D400x"), FoldedNameHash(u"\U0001D400X")); // beyond 16 bits
    QVERIFY(SameSectionName(u"Émile", u"ÉMILE"));
    QVERIFY(!SameSectionName(u"Emile", u"Émile"));
}

QTEST_GUILESS_MAIN(TestIniSectionIndex)
#include "tst_inisectionindex.moc"
