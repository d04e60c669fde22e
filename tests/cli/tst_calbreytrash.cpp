// calbrey's remove and trash commands, the real program on a test profile: contacts go to
// the profile's trash as the window's delete sends them, and come back line for line.
#include "calbreyrun.h"
#include "platform/filelock.h"
#include "profiles/trash.h"
#include "profiles/trashbatch.h"
#include "profiles/untprofiles.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QList<TestContact> sampleBook()
{
    return {
        {u"Ann Lee"_s,
         {{u"aContactName"_s, u"Ann Lee"_s},
          {u"aContactCat"_s, u"Friend"_s},
          {u"pEmailAddress"_s, u"ann@example.org"_s},
          {u"xUnknownKey"_s, u"kept as it is"_s},
          {u"aNotes"_s, u"Met in Oslo|Likes tea"_s}}},
        {u"Dan"_s, {{u"aContactName"_s, u"Dan"_s}, {u"aContactCat"_s, u"Friend"_s}}},
    };
}

// The contact's section of book.db as its bytes stand in the file.
QByteArray sectionOf(const QByteArray &book, const QByteArray &name)
{
    const qsizetype start = book.indexOf("[" + name + "]\r\n");
    if (start < 0)
        return {};
    const qsizetype end = book.indexOf("\r\n[", start);
    return book.mid(start, end < 0 ? -1 : end + 2 - start);
}

QStringList trashNames(const TProfile &profile)
{
    QStringList names;
    for (const TTrashEntry &entry : profile.Trash().Entries())
        names.append(entry.name);
    return names;
}

} // namespace

class TestCalbreyTrash : public CalbreyTestCase
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void removedContactComesBackAsItWas();
    void failedRemoveLeavesBothFilesAlone();
    void wrongUse_data();
    void wrongUse();
    void restoreWhoseNameIsTaken_data();
    void restoreWhoseNameIsTaken();
    void emptyWaitsForTheOtherProgramsWrite();

private:
    QByteArray trash() const { return ReadFileBytes(profile().Trash().Path()); }
};

void TestCalbreyTrash::init()
{
    QVERIFY(startProfile(sampleBook()));
}

void TestCalbreyTrash::cleanup()
{
    endProfile();
}

void TestCalbreyTrash::removedContactComesBackAsItWas()
{
    const QByteArray before = sectionOf(book(), "Ann Lee");
    QVERIFY(before.contains("xUnknownKey"));

    const CalbreyResult removed = calbrey({u"remove"_s, u"Ann Lee"_s});
    QVERIFY2(removed.status == 0, Describe(removed));
    QVERIFY(!profile().ContactExists(u"Ann Lee"_s));
    // The window's Deleted Contacts reads the same trash, with the reason of its own delete.
    const QList<TTrashEntry> entries = profile().Trash().Entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().name, u"Ann Lee"_s);
    QCOMPARE(entries.first().Reason(), TTrashReason::Deleted);
    const QByteArray kept = profile().Trash().ContactLines(entries.first().id)->join("\r\n");
    QVERIFY2(before.contains(kept), kept);

    MoveContactsToTrash(profile(), {u"Dan"_s}, TTrashReason::Deleted);
    const CalbreyResult listed = calbrey({u"trash"_s, u"list"_s});
    QVERIFY2(listed.status == 0, Describe(listed));
    QCOMPARE(listed.lines().size(), 2);
    QVERIFY2(listed.lines().at(0).startsWith(u"Dan\t"_s), listed.out); // the newest first
    const QStringList ann = listed.lines().at(1).split(u'\t');
    QCOMPARE(ann.size(), 3);
    QCOMPARE(ann.at(0), u"Ann Lee"_s);
    QCOMPARE(QDateTime::fromString(ann.at(1), Qt::ISODate), entries.first().left);
    QVERIFY2(ann.at(1).endsWith(u'Z'), listed.out);
    QCOMPARE(ann.at(2), u"Deleted"_s);

    const CalbreyResult restored = calbrey({u"trash"_s, u"restore"_s, u"ann lee"_s});
    QVERIFY2(restored.status == 0, Describe(restored));
    QCOMPARE(restored.text(), u"Restored \"Ann Lee\".\n"_s);
    QCOMPARE(sectionOf(book(), "Ann Lee"), before);
    QCOMPARE(trashNames(profile()), QStringList{u"Dan"_s});

    const CalbreyResult emptied = calbrey({u"trash"_s, u"empty"_s});
    QVERIFY2(emptied.status == 0, Describe(emptied));
    QCOMPARE(emptied.text(), u"Deleted 1 contact for good.\n"_s);
    QVERIFY(profile().Trash().Entries().isEmpty());
    QVERIFY(!profile().ContactExists(u"Dan"_s));
}

void TestCalbreyTrash::failedRemoveLeavesBothFilesAlone()
{
    // book.db too large for the disk's last block, the trash entries small enough for it.
    QList<TestContact> contacts = sampleBook();
    contacts.append(
        {u"Gus"_s, {{u"aContactName"_s, u"Gus"_s}, {u"aNotes"_s, QString(4000, u'x')}}});
    m_profile->fill(contacts);
    const QByteArray before = book();

    const CalbreyResult result =
        calbrey({u"remove"_s, u"Ann Lee"_s, u"Dan"_s}, {}, u"ulimit -f 1"_s);
    QVERIFY2(result.status == 1, Describe(result));
    QVERIFY2(result.error().contains(u"nable to write to "_s + m_profile->databasePath()),
             result.err);
    QCOMPARE(book(), before);
    // Not in the trash as well: a restore would make a second Dan.
    QVERIFY(profile().Trash().Entries().isEmpty());
}

void TestCalbreyTrash::wrongUse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("no trash command") << QStringList{u"trash"_s} << 2 << u"too few"_s;
    QTest::newRow("unknown trash command")
        << QStringList{u"trash"_s, u"burn"_s} << 2 << u"unknown trash command \"burn\""_s;
    QTest::newRow("restore without a name")
        << QStringList{u"trash"_s, u"restore"_s} << 2 << u"one contact name"_s;
    QTest::newRow("list with a name")
        << QStringList{u"trash"_s, u"list"_s, u"Dan"_s} << 2 << u"too many"_s;
    QTest::newRow("on-clash for empty")
        << QStringList{u"trash"_s, u"empty"_s, u"--on-clash"_s, u"rename"_s} << 2
        << u"--on-clash is for trash restore"_s;
    QTest::newRow("unknown on-clash answer")
        << QStringList{u"trash"_s, u"restore"_s, u"Dan"_s, u"--on-clash=maybe"_s} << 2
        << u"--on-clash must be one of"_s;
    QTest::newRow("nobody of that name in the trash")
        << QStringList{u"trash"_s, u"restore"_s, u"Ann Lee"_s} << 1
        << u"no contact named \"Ann Lee\" in the trash"_s;
    QTest::newRow("remove of someone missing")
        << QStringList{u"remove"_s, u"Ann Lee"_s, u"Nobody"_s} << 1
        << u"no contact named \"Nobody\""_s;
}

void TestCalbreyTrash::wrongUse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    MoveContactsToTrash(profile(), {u"Dan"_s}, TTrashReason::Deleted);
    const QByteArray bookBefore = book();
    const QByteArray trashBefore = trash();

    const CalbreyResult result = calbrey(arguments);
    QVERIFY2(result.status == status, Describe(result));
    QVERIFY2(result.error().startsWith(u"calbrey: "_s) && result.error().contains(message),
             result.err);
    QCOMPARE(result.error().count(u'\n'), 1);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(book(), bookBefore);
    QCOMPARE(trash(), trashBefore);
}

void TestCalbreyTrash::restoreWhoseNameIsTaken_data()
{
    QTest::addColumn<QStringList>("onClash");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    // Where each Dan is afterwards: the one from the trash (Friend), the one added since
    // (Business); "trash" for the trash.
    QTest::addColumn<QString>("friendIn");
    QTest::addColumn<QString>("businessIn");
    QTest::newRow("default: it stays in the trash")
        << QStringList{} << 1 << QString() << u"trash"_s << u"Dan"_s;
    QTest::newRow("skip") << QStringList{u"--on-clash"_s, u"skip"_s} << 1 << QString() << u"trash"_s
                          << u"Dan"_s;
    QTest::newRow("overwrite: the other goes to the trash")
        << QStringList{u"--on-clash"_s, u"overwrite"_s} << 0 << u"Restored \"Dan\".\n"_s << u"Dan"_s
        << u"trash"_s;
    QTest::newRow("rename") << QStringList{u"--on-clash"_s, u"rename"_s} << 0
                            << u"Restored \"Dan\" as \"Dan1\".\n"_s << u"Dan1"_s << u"Dan"_s;
}

void TestCalbreyTrash::restoreWhoseNameIsTaken()
{
    QFETCH(QStringList, onClash);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, friendIn);
    QFETCH(QString, businessIn);
    QVERIFY2(calbrey({u"remove"_s, u"Dan"_s}).status == 0, "remove");
    QVERIFY2(calbrey({u"add"_s, u"Dan"_s, u"category=Business"_s}).status == 0, "add");

    const CalbreyResult result = calbrey(QStringList{u"trash"_s, u"restore"_s, u"Dan"_s} + onClash);
    QVERIFY2(result.status == status, Describe(result));
    QCOMPARE(result.text(), output);
    if (status != 0)
        QVERIFY2(result.error().contains(u"a contact named \"Dan\" exists"_s), result.err);

    const auto whereIs = [this](const QString &category) {
        QStringList names;
        profile().GetContactNames(names);
        for (const QString &name : std::as_const(names)) {
            if (name.startsWith(u"Dan"_s) &&
                profile().ReadField(name, u"aContactCat"_s) == category)
                return name;
        }
        for (const TTrashEntry &entry : profile().Trash().Entries()) {
            const QByteArrayList lines = *profile().Trash().ContactLines(entry.id);
            if (lines.contains("aContactCat=" + category.toUtf8()))
                return u"trash"_s;
        }
        return u"nowhere"_s;
    };
    QCOMPARE(whereIs(u"Friend"_s), friendIn);
    QCOMPARE(whereIs(u"Business"_s), businessIn);
}

void TestCalbreyTrash::emptyWaitsForTheOtherProgramsWrite()
{
#ifndef Q_OS_LINUX
    QSKIP("looks for the lock file among the open files in /proc");
#else
    MoveContactsToTrash(profile(), {u"Dan"_s}, TTrashReason::Deleted);
    const QString trashPath = profile().Trash().Path();
    const QByteArray eve = "[Eve (99)]\r\nxTrashName=Eve\r\nxTrashLeft=2030-01-01T00:00:00Z\r\n"
                           "xTrashReason=deleted\r\naContactName=Eve\r\n";
    QProcess emptying;
    {
        // Another program is between its read of trash.db and its rename.
        const FileLock otherProgram(trashPath + u".lock"_s);
        QVERIFY(otherProgram.acquired());
        emptying.start(qEnvironmentVariable("CALBREY_CLI"),
                       {u"--program-folder"_s, m_profile->folder().path(), u"--profile"_s,
                        u"tester"_s, u"trash"_s, u"empty"_s});
        QVERIFY(emptying.waitForStarted());
        // calbrey has read the trash and waits for the lock.
        const QString fds = u"/proc/%1/fd"_s.arg(emptying.processId());
        const auto waiting = [&fds, &trashPath] {
            for (const QFileInfo &fd : QDir(fds).entryInfoList(QDir::Files | QDir::System)) {
                if (fd.symLinkTarget() == trashPath + u".lock"_s)
                    return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(waiting(), 8000);
        ReplaceFileBytes(trashPath, trash() + eve);
    }
    QVERIFY(emptying.waitForFinished(30000));
    QVERIFY2(emptying.exitCode() == 0, emptying.readAllStandardError());
    QCOMPARE(emptying.readAllStandardOutput(), "Deleted 1 contact for good.\n"_ba);
    // What it had read went; what the other program wrote meanwhile stays.
    QCOMPARE(trashNames(profile()), QStringList{u"Eve"_s});
#endif
}

QTEST_GUILESS_MAIN(TestCalbreyTrash)
#include "tst_calbreytrash.moc"
