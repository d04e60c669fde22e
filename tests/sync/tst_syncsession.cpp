// Syncs of a profile with a real CardDAV server (Radicale and Xandikos): every rule that
// keeps both sides' contacts safe, interruptions, and what survives a round trip.
#include "profiles/trash.h"
#include "profiles/trashbatch.h"
#include "profiles/untprofiles.h"
#include "sync/syncserver.h"
#include "sync/syncsession.h"
#include "sync/syncstate.h"

#include "davserver.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QDir>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;
using Kind = DavServer::Kind;
Q_DECLARE_METATYPE(DavServer::Kind)

namespace {

constexpr int Wait = 30000;

TDavAccount accountOf(const DavServer &server, const QString &password)
{
    TDavAccount account;
    account.server = server.book();
    account.user = server.user();
    account.password = password;
    return account;
}

QByteArray card(const QString &uid, const QString &name, const QString &more = QString())
{
    return (u"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:"_s + uid + u"\r\nFN:"_s + name + u"\r\n"_s + more +
            u"END:VCARD\r\n"_s)
        .toUtf8();
}

// The real server with hooks where a test changes things behind the sync's back.
class TScriptedServer : public TSyncServer
{
public:
    explicit TScriptedServer(TSyncServer &real) : m_real(real) {}

    std::function<void()> beforeFirstUpdate;
    std::function<void()> afterSecondCreate;

    void List(const QString &token, Done<TDavListing> done) override
    {
        m_real.List(token, std::move(done));
    }
    void Fetch(const QStringList &hrefs, Done<QList<TDavCard>> done) override
    {
        m_real.Fetch(hrefs, std::move(done));
    }
    void Create(const QString &name, const QByteArray &vcard, Done<TDavCardRef> done) override
    {
        m_real.Create(name, vcard, [this, done](const TDavResult<TDavCardRef> &result) {
            if (++m_creates == 2 && afterSecondCreate)
                afterSecondCreate();
            done(result);
        });
    }
    void Update(const TDavCardRef &ref, const QByteArray &vcard, Done<TDavCardRef> done) override
    {
        if (beforeFirstUpdate)
            std::exchange(beforeFirstUpdate, nullptr)();
        m_real.Update(ref, vcard, std::move(done));
    }
    void Remove(const TDavCardRef &ref, Done<TDavNothing> done) override
    {
        m_real.Remove(ref, std::move(done));
    }
    void Cancel() override { m_real.Cancel(); }

private:
    TSyncServer &m_real;
    int m_creates = 0;
};

QString field(const QString &name, const QString &key)
{
    return ActiveProfile->ReadField(name, key);
}

QStringList contactNames()
{
    QStringList names;
    ActiveProfile->GetContactNames(names);
    names.sort();
    return names;
}

} // namespace

class TestSyncSession : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DavServer> m_servers[2];
    std::unique_ptr<TestProfile> m_profile;
    DavServer *m_dav = nullptr;
    // Cancel the sync once this many cards were sent (0: never).
    qsizetype m_cancelAfter = 0;

    DavServer *server(Kind kind)
    {
        std::unique_ptr<DavServer> &slot = m_servers[kind == Kind::Radicale ? 0 : 1];
        if (!DavServer::Installed(kind))
            return nullptr;
        if (!slot) {
            slot = std::make_unique<DavServer>(kind);
            if (!slot->start())
                qWarning("%s", qPrintable(slot->error()));
        }
        if (!slot->running())
            slot->start();
        return slot.get();
    }

    // One sync to its end.
    TSyncResult sync(TSyncSession::Options options = {},
                     const std::function<void(TScriptedServer &)> &script = {},
                     const QString &password = QString())
    {
        TCardDavServer dav(accountOf(*m_dav, password.isNull() ? m_dav->password() : password),
                           m_dav->book());
        TScriptedServer scripted(dav);
        if (script)
            script(scripted);
        TSyncSession session(*ActiveProfile, scripted, m_dav->book().toString(),
                             std::move(options));
        TSyncResult result;
        bool done = false;
        QEventLoop loop;
        connect(&session, &TSyncSession::Finished, &loop, [&](const TSyncResult &r) {
            result = r;
            done = true;
            loop.quit();
        });
        QTimer::singleShot(Wait, &loop, &QEventLoop::quit);
        connect(&session, &TSyncSession::Progress, &loop, [&](const QString &, qsizetype sent) {
            if (m_cancelAfter > 0 && sent >= m_cancelAfter)
                session.Cancel();
        });
        session.Start();
        if (!done)
            loop.exec();
        if (!done)
            result = {TSyncOutcome::Failed, u"no end in time"_s, {}, 0, 0, {}};
        return result;
    }

    static QString summary(const TSyncResult &result)
    {
        return result.outcome == TSyncOutcome::Done ? result.summary.Line() : result.message;
    }

    void add(const QString &name, const QList<std::pair<QString, QString>> &fields = {})
    {
        QList<std::pair<QString, QString>> all{{u"aContactName"_s, name}, {u"aIcon"_s, u"0"_s}};
        ActiveProfile->WriteFields(name, all + fields);
    }

#define SERVER_OR_SKIP(kind)                                                                       \
    m_dav = server(kind);                                                                          \
    if (!m_dav)                                                                                    \
        QSKIP("the server's program is not installed");                                            \
    QVERIFY2(m_dav->running(), qPrintable(m_dav->error()));                                        \
    QVERIFY(m_dav->removeAllCards())

#define SYNCED(expected, ...)                                                                      \
    do {                                                                                           \
        const TSyncResult r = sync(__VA_ARGS__);                                                   \
        QCOMPARE(summary(r), QString(expected));                                                   \
    } while (false)

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
    }
    void cleanup()
    {
        m_profile.reset();
    }
    void cleanupTestCase()
    {
        for (std::unique_ptr<DavServer> &slot : m_servers)
            slot.reset();
    }

    void firstUploadThenNothingToDo_data()
    {
        addServerRows();
    }
    void firstUploadThenNothingToDo()
    {
        QFETCH(Kind, kind);
        SERVER_OR_SKIP(kind);
        add(u"Ann"_s, {{u"pMobile"_s, u"111"_s}});
        add(u"Bo"_s);
        add(u"Cy"_s, {{u"xUID"_s, u"cy-from-a-card"_s}});
        SYNCED("uploaded 3, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
        QCOMPARE(m_dav->cards().size(), 3);
        QVERIFY(!field(u"Ann"_s, u"xUID"_s).isEmpty());
        QCOMPARE(field(u"Cy"_s, u"xUID"_s), u"cy-from-a-card"_s);
        const QByteArray book = ReadFileBytes(m_profile->databasePath());
        SYNCED("uploaded 0, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
        QCOMPARE(ReadFileBytes(m_profile->databasePath()), book);
        QCOMPARE(m_dav->cards().size(), 3);
    }

    // A photo and properties no field holds come down, and go up again with our change.
    void firstDownloadAndRoundTrip_data()
    {
        addServerRows();
    }
    void firstDownloadAndRoundTrip()
    {
        QFETCH(Kind, kind);
        SERVER_OR_SKIP(kind);
        const QString photo = u"PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/\r\n"_s;
        const QString href = m_dav->book().path() + u"ann.vcf"_s;
        QVERIFY(!m_dav
                     ->put(href, card(u"ann-1"_s, u"Ann Berg"_s,
                                      photo + u"X-FAVOURITE:yes\r\nBDAY:1970-01-01\r\n"_s))
                     .isEmpty());
        QVERIFY(
            !m_dav->put(m_dav->book().path() + u"bo.vcf"_s, card(u"bo-1"_s, u"Bo"_s)).isEmpty());
        SYNCED("uploaded 0, downloaded 2, deleted here 0, deleted there 0, merged 0, conflicts 0");
        QCOMPARE(contactNames(), (QStringList{u"Ann Berg"_s, u"Bo"_s}));
        QCOMPARE(field(u"Ann Berg"_s, u"xUID"_s), u"ann-1"_s);

        ActiveProfile->WriteField(u"Ann Berg"_s, u"pMobile"_s, u"+46 70 1"_s);
        SYNCED("uploaded 1, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
        const QByteArray there = m_dav->get(href);
        QVERIFY2(there.contains("TEL;TYPE=CELL:+46 70 1"), there.constData());
        QVERIFY(there.contains("X-FAVOURITE:yes"));
        QVERIFY(there.contains("BDAY:1970-01-01"));
        QVERIFY(there.contains("/9j/4AAQSkZJRgABAQAAAQABAAD/"));
        QVERIFY(there.contains("UID:ann-1"));
    }

    // Contacts on both sides at the first sync: paired by UID or what shows they are one
    // person, merged rather than doubled.
    void firstSyncPairs_data()
    {
        addServerRows();
    }
    void firstSyncPairs()
    {
        QFETCH(Kind, kind);
        SERVER_OR_SKIP(kind);
        add(u"Ann Berg"_s, {{u"pEmailAddress"_s, u"ann@example.org"_s}});
        add(u"Bo"_s, {{u"xUID"_s, u"bo-1"_s}, {u"hPhone"_s, u"555"_s}});
        add(u"Cy"_s);
        m_dav->put(m_dav->book().path() + u"a.vcf"_s,
                   card(u"ann-1"_s, u"Ann Berg"_s,
                        u"EMAIL;TYPE=INTERNET:ANN@example.org\r\nTEL;TYPE=CELL:777\r\n"_s));
        m_dav->put(m_dav->book().path() + u"b.vcf"_s, card(u"bo-1"_s, u"Bo"_s));
        SYNCED("uploaded 1, downloaded 0, deleted here 0, deleted there 0, merged 2, conflicts 1");
        QCOMPARE(contactNames(), (QStringList{u"Ann Berg"_s, u"Bo"_s, u"Cy"_s}));
        QCOMPARE(m_dav->cards().size(), 3);
        QCOMPARE(field(u"Ann Berg"_s, u"pMobile"_s), u"777"_s);
        QCOMPARE(field(u"Ann Berg"_s, u"xUID"_s), u"ann-1"_s);
        QCOMPARE(field(u"Bo"_s, u"hPhone"_s), u"555"_s);
        QVERIFY(m_dav->get(m_dav->book().path() + u"b.vcf"_s).contains("555"));
        SYNCED("uploaded 0, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
    }

    // Changes on each side, the same field on both, deletions each way and crossed with edits,
    // all in one sync.
    void changesOnBothSides_data()
    {
        addServerRows();
    }
    void changesOnBothSides()
    {
        QFETCH(Kind, kind);
        SERVER_OR_SKIP(kind);
        for (const QString &name : {u"Ann"_s, u"Bo"_s, u"Cy"_s, u"Di"_s, u"Ed"_s, u"Fay"_s})
            add(name, {{u"pMobile"_s, u"1"_s}, {u"xUID"_s, name.toLower()}});
        SYNCED("uploaded 6, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
        const QString path = m_dav->book().path();
        const auto there = [&](const QString &uid) {
            return path + uid + u".vcf"_s;
        };
        // Ann: a field each side. Bo: the same field on both.
        ActiveProfile->WriteField(u"Ann"_s, u"hPhone"_s, u"2"_s);
        m_dav->put(there(u"ann"_s), card(u"ann"_s, u"Ann"_s, u"TEL;TYPE=CELL:9\r\n"_s));
        ActiveProfile->WriteField(u"Bo"_s, u"pMobile"_s, u"ours"_s);
        m_dav->put(there(u"bo"_s), card(u"bo"_s, u"Bo"_s, u"TEL;TYPE=CELL:theirs\r\n"_s));
        // Cy: deleted there. Di: deleted here. Ed: deleted there, changed here. Fay: deleted
        // here, changed there.
        QVERIFY(m_dav->remove(there(u"cy"_s)));
        MoveContactsToTrash(*ActiveProfile, {u"Di"_s, u"Fay"_s}, TTrashReason::Deleted);
        QVERIFY(m_dav->remove(there(u"ed"_s)));
        ActiveProfile->WriteField(u"Ed"_s, u"pMobile"_s, u"kept"_s);
        m_dav->put(there(u"fay"_s), card(u"fay"_s, u"Fay"_s, u"NOTE:changed\r\n"_s));

        SYNCED("uploaded 1, downloaded 1, deleted here 1, deleted there 1, merged 2, conflicts 1");
        QCOMPARE(contactNames(), (QStringList{u"Ann"_s, u"Bo"_s, u"Ed"_s, u"Fay"_s}));
        QCOMPARE(field(u"Ann"_s, u"pMobile"_s), u"9"_s);
        QCOMPARE(field(u"Ann"_s, u"hPhone"_s), u"2"_s);
        QVERIFY(m_dav->get(there(u"ann"_s)).contains("TEL;TYPE=HOME,VOICE:2"));
        QCOMPARE(field(u"Bo"_s, u"pMobile"_s), u"theirs"_s);
        QCOMPARE(field(u"Fay"_s, u"aNotes"_s), u"changed"_s);
        QStringList trashed;
        for (const TTrashEntry &entry : ActiveProfile->Trash().Entries())
            trashed.append(entry.name + u" "_s + entry.storedReason);
        QVERIFY2(trashed.contains(u"Bo "_s + TTrash::StoredReason(TTrashReason::ReplacedByServer)),
                 qPrintable(trashed.join(u", "_s)));
        QVERIFY(trashed.contains(u"Cy "_s + TTrash::StoredReason(TTrashReason::RemovedOnServer)));
        QCOMPARE(m_dav->cards().size(), 4);
        QVERIFY(m_dav->get(m_dav->cards().filter(u"ed"_s).value(0)).contains("kept"));
        QVERIFY(m_dav->get(there(u"di"_s)).isEmpty());
        SYNCED("uploaded 0, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
    }

    // The server's card changes between the listing and our write (412): it is fetched and
    // merged, and both changes end up on both sides.
    void changedBetweenListingAndWrite_data()
    {
        addServerRows();
    }
    void changedBetweenListingAndWrite()
    {
        QFETCH(Kind, kind);
        SERVER_OR_SKIP(kind);
        add(u"Ann"_s, {{u"xUID"_s, u"ann"_s}});
        SYNCED("uploaded 1, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
        ActiveProfile->WriteField(u"Ann"_s, u"hPhone"_s, u"here"_s);
        const QString href = m_dav->book().path() + u"ann.vcf"_s;
        const TSyncResult result = sync({}, [&](TScriptedServer &server) {
            server.beforeFirstUpdate = [&] {
                m_dav->put(href, card(u"ann"_s, u"Ann"_s, u"TEL;TYPE=CELL:there\r\n"_s));
            };
        });
        QCOMPARE(result.outcome, TSyncOutcome::Done);
        QCOMPARE(result.summary.merged, 1);
        QCOMPARE(field(u"Ann"_s, u"hPhone"_s), u"here"_s);
        QCOMPARE(field(u"Ann"_s, u"pMobile"_s), u"there"_s);
        const QByteArray there = m_dav->get(href);
        QVERIFY(there.contains("here"));
        QVERIFY(there.contains("there"));
    }

    void wrongPasswordChangesNothing()
    {
        SERVER_OR_SKIP(Kind::Radicale); // Xandikos has no accounts
        add(u"Ann"_s);
        const QByteArray book = ReadFileBytes(m_profile->databasePath());
        const TSyncResult result = sync({}, {}, u"wrong"_s);
        QCOMPARE(result.outcome, TSyncOutcome::Failed);
        QVERIFY2(result.message.contains(u"password"_s), qPrintable(result.message));
        QCOMPARE(ReadFileBytes(m_profile->databasePath()), book);
        QVERIFY(!QFile::exists(SyncStatePath(*ActiveProfile)));
        QVERIFY(m_dav->cards().isEmpty());
    }

    // A server that goes away mid-sync: the next sync finishes the job, nothing doubled.
    void serverStoppedMidSyncThenResumed_data()
    {
        addServerRows();
    }
    void serverStoppedMidSyncThenResumed()
    {
        QFETCH(Kind, kind);
        SERVER_OR_SKIP(kind);
        for (int i = 0; i < 12; ++i)
            add(u"C"_s + QString::number(i));
        const TSyncResult broken = sync({}, [&](TScriptedServer &server) {
            server.afterSecondCreate = [&] {
                m_dav->stop();
            };
        });
        QCOMPARE(broken.outcome, TSyncOutcome::Failed);
        QVERIFY(m_dav->start());
        const TSyncResult resumed = sync();
        QCOMPARE(resumed.outcome, TSyncOutcome::Done);
        QCOMPARE(m_dav->cards().size(), 12);
        QCOMPARE(contactNames().size(), 12);
        SYNCED("uploaded 0, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
    }

    // Cancel stops at the next safe point; the next sync finishes the job, nothing doubled.
    void cancelledMidSyncThenResumed_data()
    {
        addServerRows();
    }
    void cancelledMidSyncThenResumed()
    {
        QFETCH(Kind, kind);
        SERVER_OR_SKIP(kind);
        for (int i = 0; i < 12; ++i)
            add(u"C"_s + QString::number(i));
        m_cancelAfter = 2;
        const TSyncResult cancelled = sync();
        QCOMPARE(cancelled.outcome, TSyncOutcome::Cancelled);
        QVERIFY(m_dav->cards().size() < 12);
        m_cancelAfter = 0;
        QCOMPARE(sync().outcome, TSyncOutcome::Done);
        QCOMPARE(m_dav->cards().size(), 12);
        QCOMPARE(contactNames().size(), 12);
        SYNCED("uploaded 0, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
    }

    // A listing that would take most contacts away stops the sync unless forced.
    void halfEmptyListingIsRefused_data()
    {
        addServerRows();
    }
    void halfEmptyListingIsRefused()
    {
        QFETCH(Kind, kind);
        SERVER_OR_SKIP(kind);
        for (const QString &name : {u"A"_s, u"B"_s, u"C"_s, u"D"_s})
            add(name, {{u"xUID"_s, name}});
        SYNCED("uploaded 4, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
        for (const QString &name : {u"A"_s, u"B"_s, u"C"_s})
            QVERIFY(m_dav->remove(m_dav->book().path() + name + u".vcf"_s));
        const QByteArray book = ReadFileBytes(m_profile->databasePath());
        const TSyncResult refused = sync();
        QCOMPARE(refused.outcome, TSyncOutcome::TooManyRemovals);
        QCOMPARE(refused.wouldRemove, 3);
        QCOMPARE(refused.contacts, 4);
        QCOMPARE(ReadFileBytes(m_profile->databasePath()), book);
        TSyncSession::Options force;
        force.force = true;
        SYNCED("uploaded 0, downloaded 0, deleted here 3, deleted there 0, merged 0, conflicts 0",
               force);
        QCOMPARE(contactNames(), QStringList{u"D"_s});
    }

    // A dry run says what a sync would do and does none of it; a refused sync token falls
    // back to a full listing.
    void dryRunAndRefusedToken_data()
    {
        addServerRows();
    }
    void dryRunAndRefusedToken()
    {
        QFETCH(Kind, kind);
        SERVER_OR_SKIP(kind);
        add(u"Ann"_s, {{u"xUID"_s, u"ann"_s}});
        SYNCED("uploaded 1, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
        m_dav->put(m_dav->book().path() + u"bo.vcf"_s, card(u"bo"_s, u"Bo"_s));
        add(u"Cy"_s);
        const QByteArray book = ReadFileBytes(m_profile->databasePath());
        const QByteArray state = ReadFileBytes(SyncStatePath(*ActiveProfile));
        TSyncSession::Options dry;
        dry.dryRun = true;
        SYNCED("uploaded 1, downloaded 1, deleted here 0, deleted there 0, merged 0, conflicts 0",
               dry);
        QCOMPARE(ReadFileBytes(m_profile->databasePath()), book);
        QCOMPARE(ReadFileBytes(SyncStatePath(*ActiveProfile)), state);
        QCOMPARE(m_dav->cards().size(), 2);

        TSyncState(SyncStatePath(*ActiveProfile))
            .Save(m_dav->book().toString(), {}, {}, u"http://example.invalid/bogus-token"_s);
        SYNCED("uploaded 1, downloaded 1, deleted here 0, deleted there 0, merged 0, conflicts 0");
        QCOMPARE(m_dav->cards().size(), 3);
        QCOMPARE(contactNames(), (QStringList{u"Ann"_s, u"Bo"_s, u"Cy"_s}));
    }

    // sync.db that cannot be written: the failure is told, and the next sync, once it can,
    // pairs the cards already sent rather than doubling them.
    void stateThatCannotBeWritten()
    {
        SERVER_OR_SKIP(Kind::Radicale);
        add(u"Ann"_s);
        add(u"Bo"_s);
        const QString state = SyncStatePath(*ActiveProfile);
        QVERIFY(QDir().mkpath(state)); // a folder where the file belongs
        const TSyncResult failed = sync();
        QCOMPARE(failed.outcome, TSyncOutcome::Failed);
        QCOMPARE(failed.message, u"Unable to write to "_s + state);
        QVERIFY(QDir(state).removeRecursively());
        SYNCED("uploaded 0, downloaded 0, deleted here 0, deleted there 0, merged 0, conflicts 0");
        QCOMPARE(m_dav->cards().size(), 2);
        QCOMPARE(contactNames().size(), 2);
    }

private:
    static void addServerRows()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("Radicale") << Kind::Radicale;
        QTest::newRow("Xandikos") << Kind::Xandikos;
    }
};

QTEST_GUILESS_MAIN(TestSyncSession)
#include "tst_syncsession.moc"
