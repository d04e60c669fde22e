// Replacing a file atomically: the new content or the old, never a torn or missing file.
#include "fulldisk.h"
#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"

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

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
