// sync.db and the link in config.ini: what is written reads back exactly, a state made for
// another address book is not taken for this one's, and a write that fails leaves the file.
#include "fulldisk.h"
#include "testfiles.h"
#include "testprofile.h"

#include "platform/calbreyerror.h"
#include "profiles/synclink.h"
#include "sync/syncstate.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString book = u"https://dav.example/alice/contacts/"_s;

TSyncRecord record(const QString &uid)
{
    // ETags come quoted, UIDs and hrefs may hold anything a line can.
    return {uid, u"/alice/contacts/"_s + uid + u".vcf"_s, u"\"etag-"_s + uid + u"\""_s,
            u"0123abcd"_s, "BEGIN:VCARD\r\nUID:"_ba + uid.toUtf8() + "\r\nEND:VCARD\r\n"};
}

} // namespace

class TestSyncState : public QObject
{
    Q_OBJECT

private slots:
    void recordsReadBackAsWritten()
    {
        QTemporaryDir dir;
        TSyncState state(dir.filePath(u"sync.db"_s));
        QVERIFY(state.Records(book).isEmpty());
        const QList<TSyncRecord> records = {record(u"a"_s), record(u"A"_s),
                                            record(u" [odd] = uid; "_s), record(u"\u00E9"_s)};
        state.Save(book, records, {}, u"token-1"_s, u"ctag-1"_s);
        TSyncState again(dir.filePath(u"sync.db"_s));
        const QHash<QString, TSyncRecord> read = again.Records(book);
        QCOMPARE(read.size(), records.size());
        for (const TSyncRecord &r : records)
            QCOMPARE(read.value(r.uid), r);
        QCOMPARE(again.SyncToken(), u"token-1"_s);
        QCOMPARE(again.CTag(), u"ctag-1"_s);

        // Put replaces, forget removes, a null token keeps the one there.
        TSyncRecord changed = record(u"a"_s);
        changed.etag = u"\"2\""_s;
        again.Save(book, {changed}, {u"A"_s});
        QCOMPARE(again.Records(book).value(u"a"_s), changed);
        QVERIFY(!again.Records(book).contains(u"A"_s));
        QCOMPARE(again.Records(book).size(), 3);
        QCOMPARE(again.SyncToken(), u"token-1"_s);
    }

    // A link moved to another address book starts its memory afresh: the other book's
    // records would make every contact look deleted there.
    void anotherAddressBookStartsAfresh()
    {
        QTemporaryDir dir;
        TSyncState state(dir.filePath(u"sync.db"_s));
        state.Save(book, {record(u"a"_s)}, {}, u"token"_s);
        const QString other = u"https://dav.example/alice/work/"_s;
        QVERIFY(state.Records(other).isEmpty());
        state.Save(other, {record(u"b"_s)}, {});
        QCOMPARE(state.Records(other).keys(), QStringList{u"b"_s});
        QVERIFY(state.SyncToken().isEmpty());
        QVERIFY(state.Records(book).isEmpty());
    }

    void failedWriteLeavesTheFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("full disk") << u"full"_s;
        QTest::newRow("folder gone") << u"missing"_s;
        QTest::newRow("a folder where the file belongs") << u"folder"_s;
    }

    void failedWriteLeavesTheFile()
    {
        QFETCH(QString, how);
        if (how == u"full")
            SKIP_WITHOUT_FULL_DISK();
        QTemporaryDir dir;
        QString path = dir.filePath(u"sync.db"_s);
        if (how == u"missing")
            path = dir.filePath(u"gone/sync.db"_s);
        if (how == u"folder")
            QVERIFY(QDir().mkpath(path));
        TSyncState state(path);
        if (how == u"full")
            state.Save(book, {record(u"a"_s)}, {});
        const QByteArray before = ReadFileBytes(path);
        try {
            std::unique_ptr<FileSizeLimit> full;
            if (how == u"full")
                full = std::make_unique<FileSizeLimit>(before.size() + 10);
            state.Save(book, {record(u"b"_s), record(u"c"_s)}, {}, u"token"_s);
            QFAIL("written where it cannot be");
        } catch (const CalbreyError &error) {
            QCOMPARE(error.message(), u"Unable to write to "_s + path);
        }
        QCOMPARE(ReadFileBytes(path), before);
    }

    void linkReadsBackAndGoes()
    {
        TestProfile test;
        QVERIFY(test.activated());
        TProfile &profile = test.profile();
        QVERIFY(!ReadSyncLink(profile).IsLinked());
        TSyncLink link;
        link.server = u"https://dav.example/"_s;
        link.user = u"alice"_s;
        link.bookUrl = book;
        link.lastSync = QDateTime(QDate(2026, 12, 10), QTime(3, 4, 5), Qt::UTC);
        link.intervalMinutes = 15;
        link.syncOnStart = true;
        link.trustedCertificate = u"ab12"_s;
        WriteSyncLink(profile, link);
        QCOMPARE(ReadSyncLink(profile), link);
        // The profile's own settings, saved after, keep the section.
        profile.DisplayTips = !profile.DisplayTips;
        profile.SaveSettings();
        QCOMPARE(ReadSyncLink(profile), link);
        RemoveSyncLink(profile);
        QCOMPARE(ReadSyncLink(profile), TSyncLink{});
        QVERIFY(!ReadFileBytes(test.settingsPath()).contains("[Sync]"));
    }
};

QTEST_GUILESS_MAIN(TestSyncState)
#include "tst_syncstate.moc"
