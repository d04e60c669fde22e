// The INI file on disk: seeing other programs' changes, batches, and writes that fail.
#include "fulldisk.h"
#include "platform/calbreyerror.h"
#include "platform/inifile.h"
#include "platform/iniidentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <future>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>"_ba;
    return file.readAll();
}

// Writes in place (same inode), as an editor that does not replace files would, and gives
// the file a modification time of its own so no test depends on the clock's resolution.
void writeInPlace(const QString &path, const QByteArray &bytes, qint64 mtimeSeconds)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(0));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    const timespec times[2] = {{mtimeSeconds, 0}, {mtimeSeconds, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

ino_t inodeOf(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// The ways another program changes a file that is read over and over.
enum class OtherProgramChange
{
    ReplacedByRename,
    RewrittenInPlaceTimesPutBack,
    RewrittenByAnotherProcess,
    WrittenThroughAnotherName,
    Deleted,
    FolderReplaced,
    FolderAboveReplaced,
    RewrittenAfterLostNotices,
};

// Changes meant for no one watching book.db, more than the system's notice queue holds.
void floodNoticeQueue(const QDir &folder)
{
    QFile limit(u"/proc/sys/fs/inotify/max_queued_events"_s);
    const int queued = limit.open(QIODevice::ReadOnly) ? limit.readAll().trimmed().toInt() : 0;
    const QByteArray names[2] = {QFile::encodeName(folder.filePath(u"a.tmp"_s)),
                                 QFile::encodeName(folder.filePath(u"b.tmp"_s))};
    for (const QByteArray &name : names)
        QVERIFY(QFile(QString::fromLocal8Bit(name)).open(QIODevice::WriteOnly));
    // Alternately, as the kernel merges a notice with the same one just before it.
    for (int i = 0; i <= qMax(queued, 16384) + 10; ++i)
        QCOMPARE(::utimensat(AT_FDCWD, names[i % 2].constData(), nullptr, 0), 0);
}

QString failureMessage(const std::function<void()> &action)
{
    try {
        action();
    } catch (const CalbreyError &error) {
        return error.message();
    }
    return QString();
}

// The writer process of twoProgramsWritingAtOnceLoseNothing: count writes of its own keys
// into the file, each one replacement of it, as fast as it can.
int writeManyTimes(const QString &path, const QString &section, int count)
{
    IniFile file(path);
    try {
        for (int i = 0; i < count; ++i)
            file.writeString(section, u"k"_s + QString::number(i), QString::number(i));
    } catch (const CalbreyError &error) {
        qWarning("%s", qPrintable(error.message()));
        return 1;
    }
    return 0;
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void missingFileReadsEmpty();
    void firstWriteCreatesFile();
    void deleteOnMissingFileCreatesNothing();
    void seesChangesBehindItsBack();
    void seesSameSizeEditInPlace();
    void seesEveryChangeOfAFileReadOverAndOver_data();
    void seesEveryChangeOfAFileReadOverAndOver();
    void readAheadNeverServesAnOldFile();
    void writeKeepsOtherProgramsChange();
    void twoProgramsWritingAtOnceLoseNothing();
    void readScopeChecksTheFileOnce();
    void concurrentReadsReadWhatValuesReads();
    void batchReplacesFileOnce();
    void batchReplaysOverExternalChange();
    void batchDiscardedWithoutCommit();
    void nestedBatchDiscardsOnlyItsOwnEdits();
    void failsWithoutFolder();
    void failsWhereFolderStandsForFile();
    void failsOnFullDiskKeepingOldFile();
    void failedBatchLeavesFileAndReadsIt();
    void refusesLineBreaks();
    void unreadableFileIsNeverOverwritten();
    void failedReadIsRetried();
    void windows1252FileReads();
    void recentChangesAreRechecked();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(u"book.db"_s);
}

void TestIniFile::missingFileReadsEmpty()
{
    const IniFile ini(m_path);
    QCOMPARE(ini.value(u"S", u"k"), std::nullopt);
    QVERIFY(ini.sectionNames().isEmpty());
    QVERIFY(ini.sectionsWithValue(u"k").empty());
    // The default loses trailing spaces only, as Windows gives it back.
    QCOMPARE(ini.readString(u"S", u"k", u"def  "_s), u"def"_s);
    QCOMPARE(ini.readString(u"S", u"k", u"\tdef\t"_s), u"\tdef\t"_s);
    QCOMPARE(ini.readString(u"S", u"k"), QString());
    QVERIFY(!QFile::exists(m_path));
}

void TestIniFile::firstWriteCreatesFile()
{
    IniFile ini(m_path);
    ini.writeString(u"S", u"k", u"v");
    QCOMPARE(readBytes(m_path), "[S]\r\nk=v\r\n"_ba);
    ini.writeString(u"S", u"k", u"\"  v  \"");
    QCOMPARE(ini.readString(u"S", u"k"), u"  v  "_s);
    QCOMPARE(IniFile(m_path).readString(u"s", u"K"), u"  v  "_s);
}

void TestIniFile::deleteOnMissingFileCreatesNothing()
{
    IniFile ini(m_path);
    ini.deleteKey(u"S", u"k");
    ini.deleteSection(u"S");
    {
        IniFile::Batch batch(ini);
        ini.deleteSection(u"S");
        batch.commit();
    }
    QVERIFY(!QFile::exists(m_path));
}

void TestIniFile::seesChangesBehindItsBack()
{
    IniFile ini(m_path);
    ini.writeString(u"S", u"k", u"mine");
    QCOMPARE(ini.value(u"S", u"k"), u"mine"_s);

    // Another program replaces the file (a new inode).
    QFile file(m_dir->filePath(u"new.db"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[S]\r\nk=theirs, longer\r\n[T]\r\n");
    file.close();
    QVERIFY(::rename(QFile::encodeName(file.fileName()).constData(),
                     QFile::encodeName(m_path).constData()) == 0);
    QCOMPARE(ini.value(u"S", u"k"), u"theirs, longer"_s);
    QCOMPARE(ini.sectionNames(), QStringList({u"S"_s, u"T"_s}));

    // ... and then removes it.
    QVERIFY(QFile::remove(m_path));
    QCOMPARE(ini.value(u"S", u"k"), std::nullopt);
}

void TestIniFile::seesSameSizeEditInPlace()
{
    writeInPlace(m_path, "[S]\r\nk=aaaa\r\n"_ba, 1'000'000'000);
    IniFile ini(m_path);
    QCOMPARE(ini.value(u"S", u"k"), u"aaaa"_s);
    const ino_t inode = inodeOf(m_path);
    writeInPlace(m_path, "[S]\r\nk=bbbb\r\n"_ba, 1'000'000'007);
    QCOMPARE(inodeOf(m_path), inode);
    QCOMPARE(ini.value(u"S", u"k"), u"bbbb"_s);
    // Even with the old modification time put back: the change time still moves.
    writeInPlace(m_path, "[S]\r\nk=cccc\r\n"_ba, 1'000'000'007);
    QCOMPARE(ini.value(u"S", u"k"), u"cccc"_s);
}

void TestIniFile::seesEveryChangeOfAFileReadOverAndOver_data()
{
    QTest::addColumn<OtherProgramChange>("change");
    QTest::addColumn<std::optional<QString>>("after");
    const std::optional<QString> changed = u"after"_s;
    QTest::newRow("replaced by rename") << OtherProgramChange::ReplacedByRename << changed;
    QTest::newRow("rewritten in place, times put back")
        << OtherProgramChange::RewrittenInPlaceTimesPutBack << changed;
    QTest::newRow("rewritten by another process")
        << OtherProgramChange::RewrittenByAnotherProcess << changed;
    QTest::newRow("written through another name")
        << OtherProgramChange::WrittenThroughAnotherName << changed;
    QTest::newRow("deleted") << OtherProgramChange::Deleted << std::optional<QString>();
    QTest::newRow("folder replaced") << OtherProgramChange::FolderReplaced << changed;
    QTest::newRow("folder above replaced") << OtherProgramChange::FolderAboveReplaced << changed;
    QTest::newRow("rewritten after lost notices")
        << OtherProgramChange::RewrittenAfterLostNotices << changed;
}

// A file read many times is not looked at on every read where the system tells of changes;
// whatever another program did before a read, that read sees it.
void TestIniFile::seesEveryChangeOfAFileReadOverAndOver()
{
    QFETCH(OtherProgramChange, change);
    QFETCH(std::optional<QString>, after);
    QDir root(m_dir->path());
    QVERIFY(root.mkpath(u"above/profile"_s));
    const QString path = root.filePath(u"above/profile/book.db"_s);
    const QByteArray before = "[S]\r\nk=befor\r\n"_ba;
    const QByteArray changed = "[S]\r\nk=after\r\n"_ba;
    writeInPlace(path, before, 1'000'000'000);
    const IniFile ini(path);
    // Reads of a file changed a moment ago look at it each time, whatever the notices say.
    const auto readOverAndOver = [&](const std::optional<QString> &expected) {
        QTRY_VERIFY(!IsRecentlyChanged(StatFile(path), WallClockNs()));
        for (int read = 0; read < 5; ++read)
            QCOMPARE(ini.value(u"S", u"k"), expected);
    };
    readOverAndOver(u"befor"_s);

    // A whole folder of the path made anew, with the changed file in it.
    const auto replaceFolder = [&](const QString &folder) {
        QVERIFY(root.rename(folder, folder + u".old"_s));
        QVERIFY(root.mkpath(u"above/profile"_s));
        writeInPlace(path, changed, 1'000'000'000);
    };
    switch (change) {
    case OtherProgramChange::ReplacedByRename: {
        const QString written = root.filePath(u"above/profile/book.new"_s);
        writeInPlace(written, changed, 1'000'000'000);
        QCOMPARE(
            ::rename(QFile::encodeName(written).constData(), QFile::encodeName(path).constData()),
            0);
        break;
    }
    case OtherProgramChange::RewrittenInPlaceTimesPutBack:
        writeInPlace(path, changed, 1'000'000'000);
        break;
    case OtherProgramChange::RewrittenByAnotherProcess:
        QCOMPARE(QProcess::execute(u"sh"_s, {u"-c"_s, u"printf '[S]\\r\\nk=after\\r\\n' > \"$1\""_s,
                                             u"sh"_s, path}),
                 0);
        break;
    case OtherProgramChange::WrittenThroughAnotherName: {
        const QString link = root.filePath(u"link.db"_s);
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()),
                 0);
        writeInPlace(link, changed, 1'000'000'000);
        break;
    }
    case OtherProgramChange::Deleted:
        QVERIFY(QFile::remove(path));
        break;
    case OtherProgramChange::FolderReplaced:
        replaceFolder(u"above/profile"_s);
        break;
    case OtherProgramChange::FolderAboveReplaced:
        replaceFolder(u"above"_s);
        break;
    case OtherProgramChange::RewrittenAfterLostNotices:
        floodNoticeQueue(QDir(root.filePath(u"above/profile"_s)));
        writeInPlace(path, changed, 1'000'000'000);
        break;
    }
    QCOMPARE(ini.value(u"S", u"k"), after);
    // ... and the changes after that, now the path leads elsewhere.
    readOverAndOver(after);
    writeInPlace(path, "[S]\r\nk=again\r\n"_ba, 1'000'000'000);
    QCOMPARE(ini.value(u"S", u"k"), u"again"_s);
}

// The read ahead is what the first read gets only while the file is the one read: whichever way
// the worker and another program's change fall, the first read sees the file as it is now.
void TestIniFile::readAheadNeverServesAnOldFile()
{
    writeInPlace(m_path, "[S]\r\nk=first\r\n"_ba, 1'000'000'000);
    {
        const IniFile ini(m_path);
        ini.readAhead();
        QCOMPARE(ini.value(u"S", u"k"), u"first"_s);
        QCOMPARE(ini.sectionNames(), QStringList{u"S"_s});
    }
    for (int round = 0; round < 20; ++round) {
        const QByteArray now = "[S]\r\nk=round " + QByteArray::number(round) + "\r\n";
        const IniFile ini(m_path);
        ini.readAhead();
        if (round % 2 == 0) {
            writeInPlace(m_path, now, 1'000'000'000 + round);
        } else {
            QFile file(m_dir->filePath(u"new.db"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(now);
            file.close();
            QVERIFY(::rename(QFile::encodeName(file.fileName()).constData(),
                             QFile::encodeName(m_path).constData()) == 0);
        }
        QCOMPARE(ini.value(u"S", u"k"), u"round "_s + QString::number(round));
    }
    QVERIFY(QFile::remove(m_path));
    const IniFile gone(m_path);
    gone.readAhead();
    writeInPlace(m_path, "[T]\r\nk=made\r\n"_ba, 1'000'000'100);
    QCOMPARE(gone.value(u"T", u"k"), u"made"_s);
}

void TestIniFile::writeKeepsOtherProgramsChange()
{
    IniFile ini(m_path);
    ini.writeString(u"A", u"x", u"1");
    writeInPlace(m_path, "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"_ba, 1'000'000'000);
    ini.writeString(u"A", u"z", u"3");
    QCOMPARE(readBytes(m_path), "[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=2\r\n"_ba);
}

// Many sections read on several threads at once give what one read at a time gives.
void TestIniFile::twoProgramsWritingAtOnceLoseNothing()
{
    // Each replaces the file after replaying its write over what it last read; without taking
    // turns, one would rename its file over a change the other made in between.
    constexpr int writes = 300;
    const QStringList sections{u"first"_s, u"second"_s};
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const QString &section : sections) {
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writers.back()->start(QCoreApplication::applicationFilePath(),
                              {u"--writer"_s, m_path, section, QString::number(writes)});
    }
    for (const auto &writer : writers) {
        QVERIFY(writer->waitForFinished(120000));
        QCOMPARE(writer->exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer->exitCode(), 0);
    }
    const IniFile file(m_path);
    for (const QString &section : sections) {
        QStringList missing;
        for (int i = 0; i < writes; ++i) {
            if (file.value(section, u"k"_s + QString::number(i)) != QString::number(i))
                missing.append(QString::number(i));
        }
        QVERIFY2(missing.isEmpty(),
                 qPrintable(section + u" lost the writes "_s + missing.join(u' ')));
    }
}

void TestIniFile::concurrentReadsReadWhatValuesReads()
{
    QByteArray file;
    QStringList sections;
    for (int i = 0; i < 200; ++i) {
        sections.append(u"Contact %1"_s.arg(i));
        file += "[Contact " + QByteArray::number(i) + "]\r\nb=" + QByteArray::number(i * 7) +
                "\r\na=\"  quoted \"\r\n";
    }
    sections.append(u"Missing"_s);
    writeInPlace(m_path, file, 1'000'000'000);
    const QStringList keys{u"A"_s, u"b"_s, u"none"_s, u"a"_s};
    IniFile ini(m_path);

    using Values = std::vector<std::optional<QString>>;
    constexpr int kThreads = 4;
    std::vector<std::vector<Values>> read(kThreads);
    {
        const IniFile::ConcurrentReads reads(ini, keys);
        std::vector<std::future<void>> threads;
        threads.reserve(kThreads);
        for (int t = 0; t < kThreads; ++t)
            threads.push_back(std::async(std::launch::async, [&, t] {
                for (const QString &section : sections)
                    read[std::size_t(t)].push_back(reads.values(section));
            }));
        for (std::future<void> &thread : threads)
            thread.get();
    }
    for (const std::vector<Values> &thread : read) {
        QCOMPARE(qsizetype(thread.size()), sections.size());
        for (qsizetype i = 0; i < sections.size(); ++i)
            QVERIFY(thread[std::size_t(i)] == ini.values(sections[i], keys));
    }
    QCOMPARE(read[0][3][1], u"21"_s);
    QCOMPARE(read[0][3][3], u"  quoted "_s);
    QVERIFY(!read[0].back()[0]);
}

void TestIniFile::readScopeChecksTheFileOnce()
{
    IniFile ini(m_path);
    ini.writeString(u"S", u"k", u"before");
    const auto replaceFile = [this](const QByteArray &bytes) {
        QFile file(m_dir->filePath(u"new.db"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QVERIFY(::rename(QFile::encodeName(file.fileName()).constData(),
                         QFile::encodeName(m_path).constData()) == 0);
    };
    {
        IniFile::ReadScope scope(ini);
        QCOMPARE(ini.value(u"S", u"k"), u"before"_s);
        // Inside the scope another program's change is not looked for ...
        replaceFile("[S]\r\nk=theirs\r\n");
        QCOMPARE(ini.value(u"S", u"k"), u"before"_s);
        {
            IniFile::ReadScope nested(ini);
            QCOMPARE(ini.sectionNames(), QStringList({u"S"_s}));
        }
        QCOMPARE(ini.value(u"S", u"k"), u"before"_s);
        // ... but a write still checks first and keeps it, and reads see the write.
        ini.writeString(u"S", u"j", u"mine");
        QCOMPARE(ini.value(u"S", u"k"), u"theirs"_s);
        QCOMPARE(ini.value(u"S", u"j"), u"mine"_s);
        // A discarded batch is forgotten inside the scope too.
        {
            IniFile::Batch batch(ini);
            ini.writeString(u"S", u"k", u"dropped");
        }
        QCOMPARE(ini.value(u"S", u"k"), u"theirs"_s);
    }
    // After the scope every read checks the file again.
    replaceFile("[S]\r\nk=later\r\n");
    QCOMPARE(ini.value(u"S", u"k"), u"later"_s);
}

void TestIniFile::batchReplacesFileOnce()
{
    IniFile ini(m_path);
    ini.writeString(u"Other", u"k", u"v");
    const QByteArray before = readBytes(m_path);
    const ino_t inode = inodeOf(m_path);
    {
        IniFile::Batch batch(ini);
        for (int i = 0; i < 34; ++i)
            ini.writeString(u"Contact", u"key%1"_s.arg(i), QString::number(i));
        ini.deleteKey(u"Contact", u"key0");
        // Reads inside the batch see its edits; the file has not been touched.
        QCOMPARE(ini.value(u"contact", u"KEY33"), u"33"_s);
        QCOMPARE(ini.value(u"contact", u"key0"), std::nullopt);
        QCOMPARE(readBytes(m_path), before);
        QCOMPARE(inodeOf(m_path), inode);
        batch.commit();
    }
    QVERIFY(inodeOf(m_path) != inode);
    QCOMPARE(IniFile(m_path).keyNames(u"Contact").size(), 33);
    QCOMPARE(ini.sectionNames(), QStringList({u"Other"_s, u"Contact"_s}));
}

void TestIniFile::batchReplaysOverExternalChange()
{
    IniFile ini(m_path);
    ini.writeString(u"A", u"x", u"1");
    {
        // An import's reads looked at the file once; its section writes do not look again.
        const IniFile::ReadScope reads(ini);
        QCOMPARE(ini.value(u"A", u"x"), u"1"_s);
        IniFile::Batch batch(ini);
        ini.writeString(u"A", u"y", u"2");
        ini.writeString(u"New", u"n", u"3");
        ini.writeSection(u"Whole"_s, {{u"w"_s, u"1"_s}, {u"W"_s, u"2"_s}});
        ini.writeSection(u"A"_s, {{u"z"_s, u"9"_s}});
        writeInPlace(m_path, "; note\r\n[A]\r\nx=changed\r\n[B]\r\nb=1\r\n"_ba, 1'000'000'000);
        batch.commit();
    }
    QCOMPARE(readBytes(m_path), "; note\r\n[A]\r\nx=changed\r\ny=2\r\nz=9\r\n[B]\r\nb=1\r\n"
                                "[New]\r\nn=3\r\n[Whole]\r\nw=2\r\n"_ba);

    // A name that reads back as another is written key by key, with the same result.
    IniFile keyByKey(m_dir->filePath(u"other.db"_s));
    keyByKey.writeString(u"Odd\t", u"k", u"1");
    keyByKey.writeString(u"Odd\t", u"k", u"2");
    ini.writeSection(u"Odd\t"_s, {{u"k"_s, u"1"_s}, {u"k"_s, u"2"_s}});
    QVERIFY(readBytes(m_path).endsWith(readBytes(keyByKey.path())));
}

void TestIniFile::batchDiscardedWithoutCommit()
{
    IniFile ini(m_path);
    ini.writeString(u"A", u"x", u"1");
    const QByteArray before = readBytes(m_path);
    {
        IniFile::Batch batch(ini);
        ini.writeString(u"A", u"x", u"2");
        ini.deleteSection(u"A");
        ini.writeString(u"B", u"y", u"3");
        QCOMPARE(ini.sectionNames(), QStringList({u"B"_s}));
    }
    QCOMPARE(readBytes(m_path), before);
    QCOMPARE(ini.value(u"A", u"x"), u"1"_s);
    QCOMPARE(ini.sectionNames(), QStringList({u"A"_s}));
    // The next write saves only itself.
    ini.writeString(u"C", u"z", u"4");
    QCOMPARE(readBytes(m_path), "[A]\r\nx=1\r\n[C]\r\nz=4\r\n"_ba);
}

void TestIniFile::nestedBatchDiscardsOnlyItsOwnEdits()
{
    IniFile ini(m_path);
    {
        IniFile::Batch outer(ini);
        ini.writeString(u"A", u"x", u"1");
        {
            IniFile::Batch committed(ini);
            ini.writeString(u"A", u"y", u"2");
            committed.commit();
        }
        QVERIFY(!QFile::exists(m_path)); // joined the outer batch
        {
            IniFile::Batch abandoned(ini);
            ini.writeString(u"A", u"z", u"3");
            QCOMPARE(ini.value(u"A", u"z"), u"3"_s);
        }
        QCOMPARE(ini.value(u"A", u"z"), std::nullopt);
        QCOMPARE(ini.value(u"A", u"x"), u"1"_s);
        // Whole sections written one after another across the nested batch's start.
        ini.writeSection(u"B"_s, {{u"b"_s, u"1"_s}});
        {
            IniFile::Batch abandoned(ini);
            ini.writeSection(u"C"_s, {{u"c"_s, u"1"_s}});
            ini.writeSection(u"B"_s, {{u"b"_s, u"2"_s}});
        }
        QCOMPARE(ini.sectionNames(), QStringList({u"A"_s, u"B"_s}));
        QCOMPARE(ini.value(u"B", u"b"), u"1"_s);
        outer.commit();
    }
    QCOMPARE(readBytes(m_path), "[A]\r\nx=1\r\ny=2\r\n[B]\r\nb=1\r\n"_ba);
}

void TestIniFile::failsWithoutFolder()
{
    const QString path = m_dir->filePath(u"missing/book.db"_s);
    IniFile ini(path);
    QCOMPARE(failureMessage([&] { ini.writeString(u"S", u"k", u"v"); }),
             u"Unable to write to "_s + path);
    QVERIFY(!QFileInfo::exists(m_dir->filePath(u"missing"_s)));
    // The failed edit is gone, not waiting in memory.
    QCOMPARE(ini.value(u"S", u"k"), std::nullopt);
}

void TestIniFile::failsWhereFolderStandsForFile()
{
    QVERIFY(QDir(m_dir->path()).mkdir(u"book.db"_s));
    IniFile ini(m_path);
    QVERIFY(ini.sectionNames().isEmpty());
    QCOMPARE(failureMessage([&] { ini.writeString(u"S", u"k", u"v"); }),
             u"Unable to write to "_s + m_path);
    QVERIFY(QFileInfo(m_path).isDir());
}

void TestIniFile::failsOnFullDiskKeepingOldFile()
{
    IniFile ini(m_path);
    ini.writeString(u"S", u"k", u"old");
    const QByteArray before = readBytes(m_path);
    SKIP_WITHOUT_FULL_DISK();
    const int code = RunWithFileSizeLimit(4096, [&] {
        const QString big(100000, u'x');
        const QString message = failureMessage([&] { ini.writeString(u"S", u"k", big); });
        if (message != u"Unable to write to "_s + m_path)
            return 1;
        return ini.value(u"S", u"k") == u"old"_s ? 0 : 2;
    });
    QCOMPARE(code, 0);
    QCOMPARE(readBytes(m_path), before);
    // No temporary file is left; the lock file of the writes stays, as it must.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
             QStringList({u"book.db"_s, u"book.db.lock"_s}));
}

void TestIniFile::failedBatchLeavesFileAndReadsIt()
{
    IniFile ini(m_path);
    ini.writeString(u"S", u"k", u"old");
    const QByteArray before = readBytes(m_path);
    SKIP_WITHOUT_FULL_DISK();
    const int code = RunWithFileSizeLimit(4096, [&] {
        try {
            IniFile::Batch batch(ini);
            ini.writeString(u"S", u"k", u"new");
            ini.writeString(u"T", u"big", QString(100000, u'x'));
            batch.commit();
            return 1;
        } catch (const CalbreyError &) {
        }
        // The edits are dropped: reads show the file, and a small write works again.
        if (ini.value(u"S", u"k") != u"old"_s || ini.value(u"T", u"big").has_value())
            return 2;
        ini.writeString(u"S", u"j", u"small");
        return 0;
    });
    QCOMPARE(code, 0);
    QCOMPARE(readBytes(m_path), before + "j=small\r\n");
}

void TestIniFile::refusesLineBreaks()
{
    IniFile ini(m_path);
    ini.writeString(u"S", u"k", u"v");
    const QByteArray before = readBytes(m_path);
    const QString expected = u"Unable to write to "_s + m_path;
    QCOMPARE(failureMessage([&] { ini.writeString(u"S", u"k", u"a\r\n[Evil]\r\nx=1"); }), expected);
    QCOMPARE(failureMessage([&] { ini.writeString(u"S\n", u"k", u"v"); }), expected);
    QCOMPARE(failureMessage([&] { ini.writeString(u"S", u"[k", u"v"); }), expected);
    QCOMPARE(readBytes(m_path), before);
    QCOMPARE(ini.sectionNames(), QStringList({u"S"_s}));
}

void TestIniFile::unreadableFileIsNeverOverwritten()
{
    // What cannot be read (here a pipe) reads as empty, and must then not be replaced by a
    // file holding only the new key.
    QCOMPARE(::mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
    IniFile ini(m_path);
    QVERIFY(ini.sectionNames().isEmpty());
    QCOMPARE(failureMessage([&] { ini.writeString(u"S", u"k", u"v"); }),
             u"Unable to write to "_s + m_path);
    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

void TestIniFile::failedReadIsRetried()
{
    // A read that fails for a passing reason (here: no file descriptor left) must not leave
    // the file looking empty, and unwritable, until something else changes it.
    writeInPlace(m_path, "[S]\r\nk=v\r\n"_ba, 1'000'000'000);
    // Only an identity old enough to be trusted is served from the index without a look.
    QTRY_VERIFY(!IsRecentlyChanged(StatFile(m_path), WallClockNs()));
    IniFile ini(m_path);

    rlimit old{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 64;
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        taken.push_back(fd);
    const QStringList duringFailure = ini.sectionNames();
    for (const int fd : taken)
        ::close(fd);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &old), 0);

    QVERIFY(duringFailure.isEmpty());
    QCOMPARE(ini.sectionNames(), QStringList({u"S"_s}));
    ini.writeString(u"S", u"k2", u"w");
    QCOMPARE(readBytes(m_path), "[S]\r\nk=v\r\nk2=w\r\n"_ba);
}

void TestIniFile::windows1252FileReads()
{
    writeInPlace(m_path,
                 "; Quenlark Calbrey Database Holder.\r\n[Jos\xE9]\r\naContactName=Jos\xE9\r\n"
                 "aNotes=Stra\xDF"
                 "e 5|M\xFCnchen\r\n"_ba,
                 1'000'000'000);
    IniFile ini(m_path);
    QCOMPARE(ini.sectionNames(), QStringList({u"José"_s}));
    QCOMPARE(ini.value(u"JOSÉ", u"aNotes"), u"Straße 5|München"_s);
    const auto rows = ini.sectionsWithValue(u"aContactName");
    QCOMPARE(rows.size(), 1u);
    QCOMPARE(rows.front().second, u"José"_s);
}

void TestIniFile::recentChangesAreRechecked()
{
    constexpr qint64 second = 1'000'000'000;
    FileIdentity fine;
    fine.exists = true;
    fine.changedNs = fine.modifiedNs = 1'700'000'000 * second + 123'456'789;
    QVERIFY(IsRecentlyChanged(fine, fine.changedNs + 50'000'000));
    QVERIFY(!IsRecentlyChanged(fine, fine.changedNs + 150'000'000));
    // Whole-second times come from a coarse file system (FAT: two seconds).
    FileIdentity coarse = fine;
    coarse.changedNs = coarse.modifiedNs = 1'700'000'000 * second;
    QVERIFY(IsRecentlyChanged(coarse, coarse.changedNs + 2 * second));
    QVERIFY(!IsRecentlyChanged(coarse, coarse.changedNs + 3 * second));
    QVERIFY(!IsRecentlyChanged(coarse, coarse.changedNs - 60 * second));
    QVERIFY(!IsRecentlyChanged(FileIdentity(), 0));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 5 && arguments[1] == "--writer"_L1)
        return writeManyTimes(arguments[2], arguments[3], arguments[4].toInt());
    TestIniFile test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_inifile.moc"
