// Replacing a file atomically: the new content or the old, never a torn or missing file.
#include "fulldisk.h"
#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"
#include "platform/filesetreplace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>"_ba;
}

QString failureMessage(const QString &path, const QByteArray &data)
{
    try {
        WriteFileAtomically(path, data);
    } catch (const CalbreyError &error) {
        return error.message();
    }
    return QString();
}

struct stat statOf(const QString &path)
{
    struct stat st
    {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

class TestAtomicFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void createsAndReplaces();
    void keepsPermissions();
    void replacesThroughSymlink();
    void failsWithoutFolder();
    void failsOnFolderAtPath();
    void failsOnFullDiskKeepingOldFile();
    void writerSavesPiecesAsTheyCome();
    void replacesSetOfFiles();
    void failedSetChangesNoFile_data();
    void failedSetChangesNoFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestAtomicFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(u"config.ini"_s);
}

void TestAtomicFile::createsAndReplaces()
{
    WriteFileAtomically(m_path, "first"_ba);
    QCOMPARE(readBytes(m_path), "first"_ba);
    const ino_t inode = statOf(m_path).st_ino;
    WriteFileAtomically(m_path, QByteArray());
    QCOMPARE(readBytes(m_path), QByteArray());
    // A new file took the old one's place: readers holding the old one see it whole.
    QVERIFY(statOf(m_path).st_ino != inode);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({u"config.ini"_s}));
}

void TestAtomicFile::keepsPermissions()
{
    WriteFileAtomically(m_path, "a"_ba);
    QVERIFY(::chmod(QFile::encodeName(m_path).constData(), 0640) == 0);
    WriteFileAtomically(m_path, "b"_ba);
    QCOMPARE(statOf(m_path).st_mode & 07777, mode_t(0640));
}

void TestAtomicFile::replacesThroughSymlink()
{
    const QString target = m_dir->filePath(u"real.ini"_s);
    WriteFileAtomically(target, "old"_ba);
    QVERIFY(QFile::link(target, m_path));
    WriteFileAtomically(m_path, "new"_ba);
    QCOMPARE(readBytes(target), "new"_ba);
    QVERIFY(QFileInfo(m_path).isSymLink());
}

void TestAtomicFile::failsWithoutFolder()
{
    const QString path = m_dir->filePath(u"gone/config.ini"_s);
    QCOMPARE(failureMessage(path, "x"_ba), u"Unable to write to "_s + path);
    QVERIFY(!QFileInfo::exists(m_dir->filePath(u"gone"_s)));
}

void TestAtomicFile::failsOnFolderAtPath()
{
    QVERIFY(QDir(m_dir->path()).mkdir(u"config.ini"_s));
    QCOMPARE(failureMessage(m_path, "x"_ba), u"Unable to write to "_s + m_path);
    QVERIFY(QFileInfo(m_path).isDir());
}

void TestAtomicFile::failsOnFullDiskKeepingOldFile()
{
    const QByteArray old = "[S]\r\nk=old\r\n"_ba;
    WriteFileAtomically(m_path, old);
    SKIP_WITHOUT_FULL_DISK();
    const int code = RunWithFileSizeLimit(65536, [&] {
        const QString message = failureMessage(m_path, QByteArray(1 << 20, 'x'));
        return message == u"Unable to write to "_s + m_path ? 0 : 1;
    });
    QCOMPARE(code, 0);
    QCOMPARE(readBytes(m_path), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({u"config.ini"_s}));
}

// Content written piece by piece while it is made: in place only at the commit; a writer
// given up, or a disk full after megabytes of pieces, leaves the old file and nothing else.
void TestAtomicFile::writerSavesPiecesAsTheyCome()
{
    WriteFileAtomically(m_path, "old"_ba);
    const QByteArray piece(qsizetype(700) * 1024, 'p');
    QByteArray whole;
    {
        AtomicFileWriter writer(m_path);
        for (int i = 0; i < 12; ++i) { // past the point where the disk is asked to write
            writer.write(piece);
            whole += piece;
            QCOMPARE(readBytes(m_path), "old"_ba);
        }
        writer.write(QByteArrayView());
        writer.commit();
    }
    QCOMPARE(readBytes(m_path), whole);

    {
        AtomicFileWriter givenUp(m_path);
        givenUp.write("new"_ba);
    }
    QCOMPARE(readBytes(m_path), whole);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({u"config.ini"_s}));

    SKIP_WITHOUT_FULL_DISK();
    const int code = RunWithFileSizeLimit(3 * piece.size(), [&] {
        try {
            AtomicFileWriter writer(m_path);
            for (int i = 0; i < 12; ++i)
                writer.write(piece);
            writer.commit();
            return 1;
        } catch (const CalbreyError &error) {
            return error.message() == u"Unable to write to "_s + m_path ? 0 : 2;
        }
    });
    QCOMPARE(code, 0);
    QCOMPARE(readBytes(m_path), whole);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({u"config.ini"_s}));
}

void TestAtomicFile::replacesSetOfFiles()
{
    const QString book = m_dir->filePath(u"book.db"_s);
    WriteFileAtomically(book, "old book"_ba);
    QVERIFY(::chmod(QFile::encodeName(book).constData(), 0640) == 0);
    WriteFilesAtomically({{m_path, "new config"_ba}, {book, "new book"_ba}},
                         m_dir->filePath(u"set.journal"_s));
    QCOMPARE(readBytes(m_path), "new config"_ba);
    QCOMPARE(readBytes(book), "new book"_ba);
    QCOMPARE(statOf(book).st_mode & 07777, mode_t(0640));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
             QStringList({u"book.db"_s, u"config.ini"_s}));
}

// The set {config.ini, book.db} fails at one file; neither file may change, and no temporary
// file or journal may stay behind.
void TestAtomicFile::failedSetChangesNoFile_data()
{
    QTest::addColumn<QString>("failing"); // the file that cannot be written, and why
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("configExisted");
    QTest::newRow("second is a folder: first put back") << u"book.db"_s << u"folder"_s << true;
    QTest::newRow("second is a folder: new first removed") << u"book.db"_s << u"folder"_s << false;
    QTest::newRow("first is a folder") << u"config.ini"_s << u"folder"_s << false;
    QTest::newRow("second on a full disk") << u"book.db"_s << u"full disk"_s << true;
    QTest::newRow("second without its folder") << u"gone/book.db"_s << u"missing folder"_s << true;
}

void TestAtomicFile::failedSetChangesNoFile()
{
    QFETCH(QString, failing);
    QFETCH(QString, how);
    QFETCH(bool, configExisted);
    const QDir dir(m_dir->path());
    const QString book = dir.filePath(failing.startsWith(u"gone"_s) ? failing : u"book.db"_s);
    if (configExisted)
        WriteFileAtomically(m_path, "old config"_ba);
    if (how == u"folder"_s)
        QVERIFY(dir.mkdir(failing));
    else if (how == u"full disk"_s)
        WriteFileAtomically(book, "old book"_ba);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    if (how == u"full disk"_s)
        SKIP_WITHOUT_FULL_DISK();

    const QList<FileReplacement> set{{m_path, "new config"_ba}, {book, QByteArray(1 << 20, 'b')}};
    QString message;
    const auto attempt = [&] {
        try {
            WriteFilesAtomically(set, dir.filePath(u"set.journal"_s));
        } catch (const CalbreyError &error) {
            message = error.message();
        }
        return 0;
    };
    if (how == u"full disk"_s)
        RunWithFileSizeLimit(65536, attempt);
    else
        attempt();

    QCOMPARE(message, u"Unable to write to "_s + dir.filePath(failing));
    if (configExisted && failing != u"config.ini"_s)
        QCOMPARE(readBytes(m_path), "old config"_ba);
    if (how == u"full disk"_s)
        QCOMPARE(readBytes(book), "old book"_ba);
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);
}

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
