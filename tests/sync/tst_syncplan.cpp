// The sync's decisions: which side wins, what is merged, paired, renamed, and when a listing
// removes too much to go ahead.
#include "sync/syncplan.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TSyncActionKind)

namespace {

TSyncContact contact(const QString &name, const QString &uid,
                     const QList<std::pair<QString, QString>> &fields = {})
{
    TSyncContact c;
    c.name = name;
    c.values = QStringList(SyncContactKeys().size());
    c.values[0] = name;
    c.values[SyncContactKeys().indexOf(u"aIcon"_s)] = u"0"_s;
    for (const auto &[key, value] : fields)
        c.values[SyncContactKeys().indexOf(key)] = value;
    c.SetUid(uid);
    return c;
}

TSyncRecord recordOf(const TSyncContact &c, const QString &etag = u"e1"_s)
{
    return {c.Uid(), u"/book/"_s + c.Uid() + u".vcf"_s, etag, ContactDigest(c), CardOfContact(c)};
}

TServerCard cardOf(const TSyncContact &c, const QString &etag = u"e2"_s)
{
    return {u"/book/"_s + c.Uid() + u".vcf"_s, etag, CardOfContact(c)};
}

QString sequentialUids()
{
    static int next = 0;
    return u"new-"_s + QString::number(++next);
}

} // namespace

class TestSyncPlan : public QObject
{
    Q_OBJECT

private slots:
    // One contact synced before, then changed, kept or deleted on either side.
    void oneSyncedContact_data()
    {
        QTest::addColumn<QString>("here");  // gone, same, changed
        QTest::addColumn<QString>("there"); // same, changed, removed, conflicting
        QTest::addColumn<TSyncActionKind>("kind");
        QTest::addColumn<bool>("writeHere");
        QTest::addColumn<bool>("sendThere");
        QTest::addColumn<bool>("conflict");

        using K = TSyncActionKind;
        QTest::newRow("changed here only: ours goes up")
            << "changed"
            << "same" << K::Update << false << true << false;
        QTest::newRow("changed there only: theirs comes down")
            << "same"
            << "changed" << K::Replace << true << false << false;
        QTest::newRow("both, different fields: merged both ways")
            << "changed"
            << "changed" << K::Merge << true << true << false;
        QTest::newRow("both, same field: the server's, ours to the trash")
            << "changed"
            << "conflicting" << K::Merge << true << false << true;
        QTest::newRow("deleted there, unchanged here: to the trash")
            << "same"
            << "removed" << K::RemoveHere << false << false << false;
        QTest::newRow("deleted there, changed here: sent again")
            << "changed"
            << "removed" << K::Upload << false << true << false;
        QTest::newRow("deleted here, unchanged there: deleted there")
            << "gone"
            << "same" << K::RemoveThere << false << false << false;
        QTest::newRow("deleted here, changed there: it comes back")
            << "gone"
            << "changed" << K::Download << true << false << false;
        QTest::newRow("deleted on both sides: forgotten")
            << "gone"
            << "removed" << K::Forget << false << false << false;
    }

    void oneSyncedContact()
    {
        QFETCH(QString, here);
        QFETCH(QString, there);
        QFETCH(TSyncActionKind, kind);
        QFETCH(bool, writeHere);
        QFETCH(bool, sendThere);
        QFETCH(bool, conflict);

        const TSyncContact base = contact(u"Ann"_s, u"u1"_s, {{u"pMobile"_s, u"111"_s}});
        TSyncPlanInput input;
        input.state.insert(u"u1"_s, recordOf(base));
        if (here == u"same")
            input.local = {base};
        else if (here == u"changed")
            input.local = {contact(u"Ann"_s, u"u1"_s, {{u"pMobile"_s, u"222"_s}})};
        if (there == u"changed")
            input.changed = {cardOf(
                contact(u"Ann"_s, u"u1"_s, {{u"pMobile"_s, u"111"_s}, {u"hEmail"_s, u"a@x"_s}}))};
        else if (there == u"conflicting")
            input.changed = {cardOf(contact(u"Ann"_s, u"u1"_s, {{u"pMobile"_s, u"333"_s}}))};
        else if (there == u"removed")
            input.removedHrefs = {u"/book/u1.vcf"_s};

        const TSyncPlan plan = PlanSync(input, sequentialUids);
        QCOMPARE(plan.actions.size(), 1);
        const TSyncAction &action = plan.actions.first();
        QCOMPARE(action.kind, kind);
        QCOMPARE(action.uid, u"u1"_s);
        QCOMPARE(action.writeHere, writeHere);
        QCOMPARE(action.sendThere, sendThere);
        QCOMPARE(action.conflict, conflict);
        if (kind == TSyncActionKind::Merge) {
            const QString mobile = action.contact.values[SyncContactKeys().indexOf(u"pMobile"_s)];
            QCOMPARE(mobile, conflict ? u"333"_s : u"222"_s);
        }
    }

    void nothingChangedPlansNothing()
    {
        const TSyncContact ann = contact(u"Ann"_s, u"u1"_s);
        TSyncPlanInput input;
        input.local = {ann};
        input.state.insert(u"u1"_s, recordOf(ann));
        QVERIFY(PlanSync(input, sequentialUids).actions.isEmpty());
    }

    // Contacts never synced, on both sides: paired, not doubled.
    void firstSyncPairs_data()
    {
        QTest::addColumn<QList<std::pair<QString, QString>>>("ours");
        QTest::addColumn<QString>("ourUid");
        QTest::addColumn<QList<std::pair<QString, QString>>>("theirs");
        QTest::addColumn<bool>("paired");

        using F = QList<std::pair<QString, QString>>;
        QTest::newRow("by UID") << F{} << u"same"_s << F{{u"pMobile"_s, u"5"_s}} << true;
        QTest::newRow("by e-mail") << F{{u"hEmail"_s, u"Ann@X.org"_s}} << QString()
                                   << F{{u"pEmailAddress"_s, u"ann@x.org"_s}} << true;
        QTest::newRow("not by a shared mailbox")
            << F{{u"hEmail"_s, u"info@x.org"_s}} << QString()
            << F{{u"pEmailAddress"_s, u"info@x.org"_s}} << false;
        QTest::newRow("by phone") << F{{u"pMobile"_s, u"+46 70 123 45 67"_s}} << QString()
                                  << F{{u"hPhone"_s, u"+46701234567"_s}} << true;
        QTest::newRow("by name words") << F{{u"pRealName"_s, u"x"_s}} << QString() << F{} << true;
    }

    void firstSyncPairs()
    {
        using F = QList<std::pair<QString, QString>>;
        QFETCH(F, ours);
        QFETCH(QString, ourUid);
        QFETCH(F, theirs);
        QFETCH(bool, paired);
        TSyncPlanInput input;
        const bool byName = QByteArray(QTest::currentDataTag()) == "by name words";
        input.local = {contact(byName ? u"Berg, Ann"_s : u"Ann"_s, ourUid, ours),
                       contact(u"Other"_s, QString())};
        input.changed = {cardOf(contact(byName ? u"ann berg"_s : u"Ann B"_s, u"same"_s, theirs))};
        const TSyncPlan plan = PlanSync(input, sequentialUids);
        QList<TSyncActionKind> kinds;
        for (const TSyncAction &action : plan.actions)
            kinds.append(action.kind);
        if (paired) {
            QCOMPARE(kinds,
                     (QList<TSyncActionKind>{TSyncActionKind::Merge, TSyncActionKind::Upload}));
            QCOMPARE(plan.actions[0].contact.Uid(), u"same"_s);
            QCOMPARE(plan.actions[0].localName, input.local[0].name);
        } else {
            QCOMPARE(kinds,
                     (QList<TSyncActionKind>{TSyncActionKind::Download, TSyncActionKind::Upload,
                                             TSyncActionKind::Upload}));
        }
    }

    // A contact without a UID, or with one another contact has too, gets its own.
    void newContactsHereGetTheirOwnUid()
    {
        TSyncPlanInput input;
        input.local = {contact(u"A"_s, QString()), contact(u"B"_s, u"dup"_s),
                       contact(u"C"_s, u"dup"_s)};
        const TSyncPlan plan = PlanSync(input, [] { return u"fresh"_s; });
        QCOMPARE(plan.actions.size(), 3);
        QCOMPARE(plan.actions[0].uid, u"fresh"_s);
        QVERIFY(plan.actions[0].writeHere);
        QCOMPARE(plan.actions[1].uid, u"dup"_s);
        QVERIFY(!plan.actions[1].writeHere);
        QCOMPARE(plan.actions[2].uid, u"fresh"_s);
        QVERIFY(plan.actions[2].writeHere);
    }

    // A card whose name clashes with another contact's, or that book.db cannot hold, gets the
    // name and the first free number.
    void namesThatClashOrCannotBeHeldAreNumbered_data()
    {
        QTest::addColumn<QString>("cardName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << u"Bo"_s << u"Bo"_s;
        QTest::newRow("clash") << u"Ann"_s << u"Ann2"_s; // Ann1 is taken too
        QTest::newRow("clash, other case") << u"ANN"_s << u"ANN2"_s;
        QTest::newRow("bracket") << u"Team [x]"_s << u"Team [x)1"_s;
        QTest::newRow("line break") << u"Bo\nLin"_s << u"Bo Lin1"_s;
    }

    void namesThatClashOrCannotBeHeldAreNumbered()
    {
        QFETCH(QString, cardName);
        QFETCH(QString, expected);
        TSyncPlanInput input;
        input.local = {contact(u"Ann"_s, u"a"_s), contact(u"Ann1"_s, u"b"_s)};
        input.state.insert(u"a"_s, recordOf(input.local[0]));
        input.state.insert(u"b"_s, recordOf(input.local[1]));
        TSyncContact card = contact(u"x"_s, u"c"_s);
        card.name = cardName;
        card.values[0] = cardName;
        TServerCard server = cardOf(card);
        server.data.replace("FN:x", "FN:" + cardName.toUtf8().replace('\n', "\\n"));
        input.changed = {server};
        const TSyncPlan plan = PlanSync(input, sequentialUids);
        QCOMPARE(plan.actions.size(), 1);
        QCOMPARE(plan.actions[0].kind, TSyncActionKind::Download);
        QCOMPARE(plan.actions[0].contact.name, expected);
        QCOMPARE(plan.actions[0].contact.values[0], expected);
    }

    void listingThatRemovesMoreThanHalfIsStopped_data()
    {
        QTest::addColumn<int>("contacts");
        QTest::addColumn<int>("removed");
        QTest::addColumn<bool>("tooMany");
        QTest::newRow("half") << 4 << 2 << false;
        QTest::newRow("more than half") << 4 << 3 << true;
        QTest::newRow("all") << 10 << 10 << true;
        QTest::newRow("the only contact") << 1 << 1 << false;
    }

    void listingThatRemovesMoreThanHalfIsStopped()
    {
        QFETCH(int, contacts);
        QFETCH(int, removed);
        QFETCH(bool, tooMany);
        TSyncPlanInput input;
        for (int i = 0; i < contacts; ++i) {
            input.local.append(contact(u"C"_s + QString::number(i), u"u"_s + QString::number(i)));
            input.state.insert(input.local.last().Uid(), recordOf(input.local.last()));
            if (i < removed)
                input.removedHrefs.append(recordOf(input.local.last()).href);
        }
        const TSyncPlan plan = PlanSync(input, sequentialUids);
        QCOMPARE(plan.removedHere, removed);
        QCOMPARE(plan.RemovesTooMany(), tooMany);
    }
};

QTEST_GUILESS_MAIN(TestSyncPlan)
#include "tst_syncplan.moc"
