#include "profiles/contactsearch.h"

#include <QtTest>

class TestContactSearch : public QObject
{
    Q_OBJECT

private slots:
    void matchesNames_data()
    {
        QTest::addColumn<QStringList>("source");
        QTest::addColumn<QString>("find");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QStringList>("found");

        const QStringList names{QStringLiteral("Ann Lee"),  QStringLiteral("JoANNa"),
                                QStringLiteral("Éva Kiss"), QStringLiteral("éva Nagy"),
                                QStringLiteral("ann"),      QStringLiteral("Bob  Ray")};
        const auto row = [&](const char *name, const char *find, bool matchCase, bool exact,
                             const QStringList &found) {
            QTest::newRow(name) << names << QString::fromUtf8(find) << matchCase << exact << found;
        };
        // A to Z fold both ways; the matches keep their own case and the source order.
        row("capitals find small", "ANN", false, false,
            {QStringLiteral("Ann Lee"), QStringLiteral("JoANNa"), QStringLiteral("ann")});
        row("match case", "ann", true, false, {QStringLiteral("ann")});
        // Accented letters are not folded, with or without Match case.
        row("É is not é", "é", false, false, {QStringLiteral("éva Nagy")});
        row("É finds only É", "ÉVA", false, false, {QStringLiteral("Éva Kiss")});
        row("exact, case folded", "ANN", false, true, {QStringLiteral("ann")});
        row("exact, case kept", "Ann", true, true, QStringList());
        row("exact is the whole name", "Ann Le", false, true, QStringList());
        // Blanks are text like any other.
        row("two blanks", "  ", false, false, {QStringLiteral("Bob  Ray")});
        row("one blank exact", " ", false, true, QStringList());
        row("longer than every name", "ann lee and more", false, false, QStringList());
    }

    void matchesNames()
    {
        QFETCH(QStringList, source);
        QFETCH(QString, find);
        QFETCH(bool, matchCase);
        QFETCH(bool, exact);
        QFETCH(QStringList, found);
        QCOMPARE(SearchContactNames(source, find, {matchCase, exact}), found);
    }

    void lowersOnlyAtoZ()
    {
        QCOMPARE(LowerAtoZ(u"AZaz@[`ÉÖÆΣ İ"), QString::fromUtf8("azaz@[`ÉÖÆΣ İ"));
    }
};

QTEST_GUILESS_MAIN(TestContactSearch)
#include "tst_contactsearch.moc"
