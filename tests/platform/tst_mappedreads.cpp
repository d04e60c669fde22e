// Large files read by mapping them: other programs' changes are still seen, mappings do not
// pile up, and a file cut short while mapped ends the process with a message, not a bus error.
#include "platform/inifile.h"
#include "platform/iniidentity.h"
#include "platform/mappedfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// An INI file well over the size from which files are mapped; its last section's key says
// which version of the file it is.
QByteArray largeIni(const QByteArray &version, int sections = 20000)
{
    QByteArray text;
    for (int i = 0; i < sections; ++i)
        text += "[Contact " + QByteArray::number(i) + "]\r\npEmailAddress=someone" +
                QByteArray::number(i) + "@example.org\r\nNotes=Some words to fill the line\r\n";
    return text + "[Last]\r\nversion=" + version + "\r\n";
}

void replaceWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY(file.commit());
}

void writeInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(0));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The mappings of path in this process, the file's old versions ("(deleted)") included.
int mappingsOf(const QString &path)
{
    QFile maps(u"/proc/self/maps"_s);
    if (!maps.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray name = QFile::encodeName(path);
    int count = 0;
    for (const QByteArray &line : maps.readAll().split('\n'))
        count += line.contains(" " + name) ? 1 : 0;
    return count;
}

} // namespace

class TestMappedReads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void changesOfOtherProgramsAreSeen_data();
    void changesOfOtherProgramsAreSeen();
    void onlyTheFileInUseStaysMapped();
    void copiesWhereMappingIsNotAsked();
    void fileCutShortWhileMappedEndsTheProcessWithTheMessage();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestMappedReads::initTestCase()
{
    AllowMappedReads("the file was cut short\n", 3);
    QVERIFY(MappedReadsAllowed());
}

void TestMappedReads::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(u"book.db"_s);
    replaceWhole(m_path, largeIni("1"));
}

void TestMappedReads::changesOfOtherProgramsAreSeen_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("replaced whole") << u"replace"_s;
    QTest::newRow("rewritten in place, longer") << u"longer"_s;
    QTest::newRow("rewritten in place, shorter") << u"shorter"_s;
    QTest::newRow("removed") << u"remove"_s;
}

void TestMappedReads::changesOfOtherProgramsAreSeen()
{
    QFETCH(QString, change);
    const IniFile ini(m_path);
    QCOMPARE(ini.value(u"Last", u"version"), u"1"_s);
    QCOMPARE(ini.value(u"Contact 7", u"pEmailAddress"), u"someone7@example.org"_s);
    QCOMPARE(mappingsOf(m_path), 1);

    std::optional<QString> expected = u"2"_s;
    if (change == "replace"_L1) {
        replaceWhole(m_path, largeIni("2"));
    } else if (change == "longer"_L1) {
        writeInPlace(m_path, largeIni("2", 21000));
    } else if (change == "shorter"_L1) {
        writeInPlace(m_path, largeIni("2", 19000));
    } else {
        QVERIFY(QFile::remove(m_path));
        expected = std::nullopt;
    }
    QCOMPARE(ini.value(u"Last", u"version"), expected);
    QCOMPARE(ini.value(u"Contact 7", u"pEmailAddress").has_value(), expected.has_value());
}

void TestMappedReads::onlyTheFileInUseStaysMapped()
{
    const IniFile ini(m_path);
    for (int version = 2; version < 40; ++version) {
        replaceWhole(m_path, largeIni(QByteArray::number(version)));
        QCOMPARE(ini.value(u"Last", u"version"), QString::number(version));
        // The old version's mapping went with the old text; had it stayed, mapping would
        // soon fail and every read copy the file again.
        QCOMPARE(mappingsOf(m_path), 1);
    }
}

void TestMappedReads::copiesWhereMappingIsNotAsked()
{
    const FileContent copied = ReadWholeFile(m_path);
    QVERIFY(!copied.keepAlive);
    QCOMPARE(copied.bytes, largeIni("1"));
    const FileContent mapped = ReadWholeFile(m_path, FileRead::MayMap);
    QVERIFY(mapped.keepAlive);
    QCOMPARE(mapped.bytes, copied.bytes);

    const QString small = m_dir->filePath(u"config.ini"_s);
    replaceWhole(small, "[Options]\r\nx=1\r\n");
    QVERIFY(!ReadWholeFile(small, FileRead::MayMap).keepAlive);
}

void TestMappedReads::fileCutShortWhileMappedEndsTheProcessWithTheMessage()
{
    int errors[2];
    QCOMPARE(::pipe(errors), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(errors[1], STDERR_FILENO);
        const FileContent content = ReadWholeFile(m_path, FileRead::MayMap);
        if (!content.keepAlive)
            ::_exit(10);
        QFile(m_path).resize(0); // another program, writing in place
        volatile char last = content.bytes.back();
        Q_UNUSED(last);
        ::_exit(11); // read past the new end without a bus error
    }
    ::close(errors[1]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QByteArray said(256, '\0');
    const ssize_t got = ::read(errors[0], said.data(), said.size());
    ::close(errors[0]);
    QVERIFY2(WIFEXITED(status), "ended by a signal");
    QCOMPARE(WEXITSTATUS(status), 3);
    QCOMPARE(said.first(qMax<ssize_t>(got, 0)), "the file was cut short\n"_ba);
}

QTEST_GUILESS_MAIN(TestMappedReads)
#include "tst_mappedreads.moc"
