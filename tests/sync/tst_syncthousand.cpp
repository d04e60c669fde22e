// A book of 1,000 contacts with a real Radicale: the first download into an empty profile, a
// sync with nothing changed that sends and writes nothing, and a few edits on each side that
// move exactly those.
#include "platform/iniidentity.h"
#include "profiles/trashbatch.h"
#include "profiles/untprofiles.h"
#include "sync/syncserver.h"
#include "sync/syncsession.h"
#include "sync/syncstate.h"

#include "davserver.h"
#include "testprofile.h"

#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Contacts = 1000;

QString uidOf(int i)
{
    return u"thousand-"_s + QString::number(i);
}
QString nameOf(int i)
{
    return u"Person "_s + QString::number(i);
}
QString hrefOf(const DavServer &dav, int i)
{
    return dav.book().path() + uidOf(i) + u".vcf"_s;
}

QByteArray cardOf(int i, const QString &note = QString())
{
    QString text = u"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:"_s + uidOf(i) + u"\r\nFN:"_s + nameOf(i) +
                   u"\r\nN:"_s + QString::number(i) + u";Person;;;\r\nEMAIL;TYPE=INTERNET:p"_s +
                   QString::number(i) + u"@example.com\r\nTEL;TYPE=CELL:+1 555 01"_s +
                   QString::number(i).rightJustified(4, u'0') + u"\r\n"_s;
    if (!note.isEmpty())
        text += u"NOTE:"_s + note + u"\r\n"_s;
    return (text + u"END:VCARD\r\n"_s).toUtf8();
}

} // namespace

class TestSyncThousand : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DavServer> m_dav;
    std::unique_ptr<TestProfile> m_profile;

    // One sync to its end.
    TSyncResult sync()
    {
        TDavAccount account;
        account.server = m_dav->book();
        account.user = m_dav->user();
        account.password = m_dav->password();
        TCardDavServer server(account, m_dav->book());
        TSyncSession session(*ActiveProfile, server, m_dav->book().toString(), {});
        return session.RunToEnd();
    }

private slots:
    void initTestCase()
    {
        if (!DavServer::Installed(DavServer::Kind::Radicale))
            QSKIP("Radicale is not installed");
        m_dav = std::make_unique<DavServer>(DavServer::Kind::Radicale);
        QVERIFY2(m_dav->start(), qPrintable(m_dav->error()));
        QList<std::pair<QString, QByteArray>> cards;
        for (int i = 1; i <= Contacts; ++i)
            cards.append({uidOf(i) + u".vcf"_s, cardOf(i)});
        QVERIFY2(m_dav->seed(cards), qPrintable(m_dav->error()));
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
    }
    void cleanupTestCase()
    {
        m_profile.reset();
        m_dav.reset();
    }

    void firstDownload()
    {
        const TSyncResult result = sync();
        QVERIFY2(result.outcome == TSyncOutcome::Done, qPrintable(result.message));
        QCOMPARE(result.summary.downloaded, Contacts);
        QCOMPARE(result.summary.uploaded + result.summary.merged + result.summary.conflicts, 0);
        QStringList names;
        ActiveProfile->GetContactNames(names);
        QCOMPARE(names.size(), Contacts);
        QCOMPARE(ActiveProfile->ReadField(nameOf(737), u"pEmailAddress"_s), u"p737@example.com"_s);
        const QString bookUrl = m_dav->book().toString();
        QCOMPARE(TSyncState(SyncStatePath(*ActiveProfile)).Records(bookUrl).size(), Contacts);
    }

    void nothingChangedSendsAndWritesNothing()
    {
        const QString book = m_profile->databasePath();
        const QString state = SyncStatePath(*ActiveProfile);
        const FileIdentity bookBefore = StatFile(book);
        const FileIdentity stateBefore = StatFile(state);
        const QStringList cardsBefore = m_dav->cards();
        const TSyncResult result = sync();
        QVERIFY2(result.outcome == TSyncOutcome::Done, qPrintable(result.message));
        QCOMPARE(result.summary, TSyncSummary{});
        QCOMPARE(m_dav->cards(), cardsBefore);
        QVERIFY(StatFile(book) == bookBefore); // neither replaced nor rewritten
        QVERIFY(StatFile(state) == stateBefore);
    }

    void editsOnEachSideMoveExactlyThose()
    {
        // There: three changed, two deleted.
        for (const int i : {11, 12, 13})
            QVERIFY(!m_dav->put(hrefOf(*m_dav, i), cardOf(i, u"changed there"_s)).isEmpty());
        for (const int i : {21, 22})
            QVERIFY(m_dav->remove(hrefOf(*m_dav, i)));
        // Here: three changed, one new, one deleted.
        for (const int i : {31, 32, 33})
            ActiveProfile->WriteField(nameOf(i), u"aNotes"_s, u"changed here"_s);
        ActiveProfile->WriteFields(u"Newcomer"_s,
                                   {{u"aContactName"_s, u"Newcomer"_s}, {u"aIcon"_s, u"0"_s}});
        MoveContactsToTrash(*ActiveProfile, {nameOf(41)}, TTrashReason::Deleted);

        const TSyncResult result = sync();
        QVERIFY2(result.outcome == TSyncOutcome::Done, qPrintable(result.message));
        TSyncSummary expected;
        expected.uploaded = 4;
        expected.downloaded = 3;
        expected.deletedHere = 2;
        expected.deletedThere = 1;
        QCOMPARE(result.summary, expected);

        QCOMPARE(ActiveProfile->ReadField(nameOf(12), u"aNotes"_s), u"changed there"_s);
        QVERIFY(!ActiveProfile->ContactExists(nameOf(21)));
        QVERIFY(m_dav->get(hrefOf(*m_dav, 32)).contains("changed here"));
        QVERIFY(m_dav->get(hrefOf(*m_dav, 41)).isEmpty());
        QCOMPARE(m_dav->cards().size(), Contacts - 2 - 1 + 1);

        // And after it, nothing is left to do.
        QCOMPARE(sync().summary, TSyncSummary{});
    }
};

QTEST_GUILESS_MAIN(TestSyncThousand)
#include "tst_syncthousand.moc"
