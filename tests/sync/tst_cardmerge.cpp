// The three-way merge of a contact changed on both sides, field by field against the base.
#include "sync/cardmerge.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A contact whose mobile number and e-mail address are given; every other key empty.
TSyncContact contact(const QString &name, const QString &mobile, const QString &email)
{
    TSyncContact c;
    c.name = name;
    c.values = QStringList(SyncContactKeys().size());
    c.values[SyncContactKeys().indexOf(u"aContactName"_s)] = name;
    c.values[SyncContactKeys().indexOf(u"pMobile"_s)] = mobile;
    c.values[SyncContactKeys().indexOf(u"pEmailAddress"_s)] = email;
    return c;
}

QString valueOf(const TSyncContact &c, const QString &key)
{
    return c.values.value(SyncContactKeys().indexOf(key));
}

} // namespace

class TestCardMerge : public QObject
{
    Q_OBJECT

private slots:
    void fieldByFieldAgainstTheBase_data()
    {
        QTest::addColumn<QStringList>("base"); // name, mobile, e-mail
        QTest::addColumn<QStringList>("local");
        QTest::addColumn<QStringList>("server");
        QTest::addColumn<QStringList>("merged");
        QTest::addColumn<QStringList>("conflicts");

        const QStringList base{u"Ann"_s, u"111"_s, u"a@x"_s};
        QTest::newRow("different fields: each side's change")
            << base << QStringList{u"Ann"_s, u"222"_s, u"a@x"_s}
            << QStringList{u"Ann"_s, u"111"_s, u"b@x"_s}
            << QStringList{u"Ann"_s, u"222"_s, u"b@x"_s} << QStringList{};
        QTest::newRow("same field, same value: no conflict")
            << base << QStringList{u"Ann"_s, u"222"_s, u"a@x"_s}
            << QStringList{u"Ann"_s, u"222"_s, u"a@x"_s}
            << QStringList{u"Ann"_s, u"222"_s, u"a@x"_s} << QStringList{};
        QTest::newRow("same field, different values: the server's")
            << base << QStringList{u"Ann"_s, u"222"_s, u"a@x"_s}
            << QStringList{u"Ann"_s, u"333"_s, u"a@x"_s}
            << QStringList{u"Ann"_s, u"333"_s, u"a@x"_s} << QStringList{u"pMobile"_s};
        QTest::newRow("emptied here, kept there: emptied")
            << base << QStringList{u"Ann"_s, QString(), u"a@x"_s}
            << QStringList{u"Ann"_s, u"111"_s, u"c@x"_s}
            << QStringList{u"Ann"_s, QString(), u"c@x"_s} << QStringList{};
        QTest::newRow("renamed on the server, edited here")
            << base << QStringList{u"Ann"_s, u"222"_s, u"a@x"_s}
            << QStringList{u"Ann Berg"_s, u"111"_s, u"a@x"_s}
            << QStringList{u"Ann Berg"_s, u"222"_s, u"a@x"_s} << QStringList{};
        // Never synced (a first sync pairing two contacts): what only one side has is kept.
        QTest::newRow("no base: one side's values fill the other's gaps")
            << QStringList{QString(), QString(), QString()}
            << QStringList{u"Ann"_s, u"222"_s, QString()}
            << QStringList{u"Ann"_s, QString(), u"b@x"_s}
            << QStringList{u"Ann"_s, u"222"_s, u"b@x"_s} << QStringList{};
        QTest::newRow("no base, both differ: the server's")
            << QStringList{QString(), QString(), QString()}
            << QStringList{u"Ann"_s, u"222"_s, u"a@x"_s}
            << QStringList{u"Ann B"_s, u"222"_s, u"b@x"_s}
            << QStringList{u"Ann B"_s, u"222"_s, u"b@x"_s}
            << QStringList{u"aContactName"_s, u"pEmailAddress"_s};
    }

    void fieldByFieldAgainstTheBase()
    {
        QFETCH(QStringList, base);
        QFETCH(QStringList, local);
        QFETCH(QStringList, server);
        QFETCH(QStringList, merged);
        QFETCH(QStringList, conflicts);
        const TCardMerge merge =
            MergeContact(contact(base[0], base[1], base[2]), contact(local[0], local[1], local[2]),
                         contact(server[0], server[1], server[2]));
        QCOMPARE(merge.merged.name, merged[0]);
        QCOMPARE(valueOf(merge.merged, u"aContactName"_s), merged[0]);
        QCOMPARE(valueOf(merge.merged, u"pMobile"_s), merged[1]);
        QCOMPARE(valueOf(merge.merged, u"pEmailAddress"_s), merged[2]);
        QCOMPARE(merge.conflicts, conflicts);
    }

    // Two contacts paired at a first sync are the server's card from then on.
    void theUidIsTheServersUnlessItHasNone()
    {
        TSyncContact none{QString(), QStringList(SyncContactKeys().size())};
        TSyncContact local = contact(u"Ann"_s, u"1"_s, QString());
        TSyncContact server = local;
        local.SetUid(u"ours"_s);
        server.SetUid(u"theirs"_s);
        TCardMerge merge = MergeContact(none, local, server);
        QCOMPARE(merge.merged.Uid(), u"theirs"_s);
        QVERIFY(merge.conflicts.isEmpty());
        server.SetUid(QString());
        merge = MergeContact(none, local, server);
        QCOMPARE(merge.merged.Uid(), u"ours"_s);
    }
};

QTEST_GUILESS_MAIN(TestCardMerge)
#include "tst_cardmerge.moc"
