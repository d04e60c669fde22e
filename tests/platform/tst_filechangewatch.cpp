// The watch that spares the INI layer a look at an unchanged file: when it may say "unchanged"
// and when it must not. That every change is seen through it is tested with the INI file.
#include "platform/filechangewatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestFileChangeWatch : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void answersUnchangedOnceWatched();
    void changesWithoutNewBytesCount_data();
    void changesWithoutNewBytesCount();
    void alwaysMayHaveChangedWhereNoticesCannotVouch_data();
    void alwaysMayHaveChangedWhereNoticesCannotVouch();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestFileChangeWatch::init()
{
#ifndef Q_OS_LINUX
    QSKIP("every question is answered \"may have changed\" here");
#endif
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(u"profile"_s));
    m_path = m_dir->filePath(u"profile/book.db"_s);
    writeFile(m_path, "[S]\r\nk=v\r\n");
}

// A file asked about once is not worth a watch; from the third question on, an unchanged file
// is not looked at, whatever happens beside it in its folder (config.ini written).
void TestFileChangeWatch::answersUnchangedOnceWatched()
{
    FileChangeWatch watch(m_path);
    QVERIFY(watch.mayHaveChanged());
    QVERIFY(watch.mayHaveChanged());
    QVERIFY(!watch.mayHaveChanged());
    writeFile(m_dir->filePath(u"profile/config.ini"_s), "[Settings]\r\n");
    QVERIFY(!watch.mayHaveChanged());
    writeFile(m_path, "[S]\r\nk=w\r\n");
    QVERIFY(watch.mayHaveChanged());
    QVERIFY(!watch.mayHaveChanged());
}

void TestFileChangeWatch::changesWithoutNewBytesCount_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("touched") << u"touch"_s;
    QTest::newRow("made read-only") << u"chmod"_s;
    QTest::newRow("folder made unreadable") << u"chmod folder"_s;
}

// The file's identity (its times) or whether it can be read changes, not its bytes.
void TestFileChangeWatch::changesWithoutNewBytesCount()
{
    QFETCH(QString, change);
    FileChangeWatch watch(m_path);
    watch.mayHaveChanged();
    watch.mayHaveChanged();
    QVERIFY(!watch.mayHaveChanged());
    const QByteArray path = QFile::encodeName(m_path);
    const QByteArray folder = QFile::encodeName(m_dir->filePath(u"profile"_s));
    if (change == "touch"_L1)
        QCOMPARE(::utimensat(AT_FDCWD, path.constData(), nullptr, 0), 0);
    else if (change == "chmod"_L1)
        QCOMPARE(::chmod(path.constData(), 0400), 0);
    else
        QCOMPARE(::chmod(folder.constData(), 0), 0);
    QVERIFY(watch.mayHaveChanged());
    QCOMPARE(::chmod(folder.constData(), 0700), 0);
}

void TestFileChangeWatch::alwaysMayHaveChangedWhereNoticesCannotVouch_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("through a symbolic link to its folder") << u"link/book.db"_s;
    QTest::newRow("a symbolic link itself") << u"profile/link.db"_s;
    QTest::newRow("relative") << u"relative"_s;
    QTest::newRow("with ..") << u"profile/../profile/book.db"_s;
}

void TestFileChangeWatch::alwaysMayHaveChangedWhereNoticesCannotVouch()
{
    QFETCH(QString, path);
    QVERIFY(QFile::link(m_dir->filePath(u"profile"_s), m_dir->filePath(u"link"_s)));
    QVERIFY(QFile::link(m_path, m_dir->filePath(u"profile/link.db"_s)));
    FileChangeWatch watch(path == "relative"_L1 ? u"profile/book.db"_s : m_dir->filePath(path));
    for (int question = 0; question < 4; ++question)
        QVERIFY(watch.mayHaveChanged());
}

QTEST_GUILESS_MAIN(TestFileChangeWatch)
#include "tst_filechangewatch.moc"
