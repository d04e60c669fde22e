// A restore cut short by a crash: the next open of the profile finds it wholly restored or
// wholly as it was, with nothing of the restore left behind. The crash is real: the suite runs
// itself again to restore, and that process dies at a chosen point.
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"
#include "testfiles.h"

#include "app/untactive.h"
#include "platform/filesetreplace.h"
#include "profiles/untprofiles.h"

#include <QDir>
#include <QProcess>
#include <QtTest>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

const QString profileName = u"tester"_s;
const QByteArray oldBook = "[Ann]\r\naContactName=Ann\r\n"_ba;
const QByteArray oldConfig = "[Config]\r\nFull Display=0\r\n"_ba;
const QByteArray newBook = "[Bo]\r\naContactName=Bo\r\n"_ba;
const QByteArray newConfig = "[Config]\r\nFull Display=1\r\n"_ba;

const QString restoreSwitch = u"--restore-and-stop"_s;
constexpr int kStopped = 42;
int stagesLeft = 0;

void stopAtStage(ReplacementStage)
{
    if (--stagesLeft == 0)
        std::_Exit(kStopped);
}

// The process the test starts: restores the backup into the profile and dies at the stage-th
// point of the replacement.
int restoreAndStop(const QString &programFolder, const QString &backup, int stage)
{
    SetProgramFolder(programFolder);
    ScriptedMessageBox boxes;
    TProfile profile(profileName);
    stagesLeft = stage;
    SetReplacementStageHook(stopAtStage);
    const bool restored = profile.Restore(backup);
    std::_Exit(restored ? 0 : 1);
}

} // namespace

class TestInterruptedRestore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_program;
    QString m_folder; // the profile's

    QString journalPath() const { return m_folder + u"restore.journal"_s; }
    QStringList entries() const
    {
        return QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                        QDir::NoDotAndDotDot);
    }
    void restoreAndStopAt(int stage) const
    {
        const QString backup = m_program->path() + u"saved.qcbak"_s;
        ReplaceFileBytes(backup, "Quenlark Calbrey Profile Backup\r\ntester\r\nbook.db\r\n"_ba +
                                     newBook + "config.ini\r\n"_ba + newConfig);
        QProcess restore;
        restore.start(QCoreApplication::applicationFilePath(),
                      {restoreSwitch, m_program->path(), backup, QString::number(stage)});
        QVERIFY(restore.waitForFinished(60000));
        QCOMPARE(restore.exitStatus(), QProcess::NormalExit);
        QCOMPARE(restore.exitCode(), kStopped);
    }

private slots:
    void init()
    {
        m_program = std::make_unique<TempProgramFolder>();
        ScriptedMessageBox boxes;
        QVERIFY(CreateProfile(profileName));
        m_folder = m_program->profiles() + profileName + u'/';
        ReplaceFileBytes(m_folder + u"book.db"_s, oldBook);
        ReplaceFileBytes(m_folder + u"config.ini"_s, oldConfig);
    }
    void cleanup() { m_program.reset(); }

    void openingFinishesIt_data()
    {
        QTest::addColumn<int>("stage");    // the point the restore died at
        QTest::addColumn<QString>("lost"); // the file whose new content went missing after
        QTest::addColumn<bool>("restored");
        QTest::newRow("new files written") << 1 << QString() << false;
        QTest::newRow("journal written") << 2 << QString() << true;
        QTest::newRow("config.ini renamed") << 3 << QString() << true;
        QTest::newRow("book.db renamed") << 4 << QString() << true;
        QTest::newRow("journal about to go") << 5 << QString() << true;
        QTest::newRow("journal written, new book.db lost") << 2 << u"book.db"_s << false;
        QTest::newRow("journal written, new config.ini lost") << 2 << u"config.ini"_s << false;
        QTest::newRow("config.ini renamed, new book.db lost") << 3 << u"book.db"_s << false;
    }

    void openingFinishesIt()
    {
        QFETCH(int, stage);
        QFETCH(QString, lost);
        QFETCH(bool, restored);
        restoreAndStopAt(stage);
        if (!lost.isEmpty()) {
            const QStringList staged = QDir(m_folder).entryList({lost + u".new-*"_s});
            QCOMPARE(staged.size(), 1);
            QVERIFY(QFile::remove(m_folder + staged.first()));
        }

        ScriptedMessageBox boxes;
        TProfile profile(profileName);
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(ReadFileBytes(m_folder + u"book.db"_s), restored ? newBook : oldBook);
        QCOMPARE(ReadFileBytes(m_folder + u"config.ini"_s), restored ? newConfig : oldConfig);
        QCOMPARE(profile.FullDisplay, restored);
        QCOMPARE(entries(), QStringList({u"book.db"_s, u"config.ini"_s}));
    }

    // A journal that is not one the restore wrote moves no file; it is set aside.
    void damagedJournalIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("journal");
        const QByteArray digest = "Digest="_ba + QByteArray(64, 'a') + "\r\n"_ba;
        const QByteArray head = "[Replacement]\r\nFiles=1\r\n[File1]\r\nTarget=\"book.db\"\r\n"_ba;
        const QByteArray tail = "Old=\r\nExisted=1\r\nSize=3\r\n"_ba;
        QTest::newRow("binary garbage") << "\x00\xff\x13[File1\x00\r\n\x80"_ba;
        QTest::newRow("no file count") << "[File1]\r\nTarget=\"book.db\"\r\n"_ba;
        QTest::newRow("new file not beside its target")
            << head + "New=\"stray.ini.new-abcdef\"\r\n"_ba + tail + digest;
        QTest::newRow("new file outside the folder")
            << head + "New=\"../stray.ini.new-abcdef\"\r\n"_ba + tail + digest;
        QTest::newRow("digest cut short")
            << head + "New=\"book.db.new-abcdef\"\r\n"_ba + tail + "Digest=aaaa\r\n"_ba;
    }

    void damagedJournalIsSetAside()
    {
        QFETCH(QByteArray, journal);
        ReplaceFileBytes(journalPath(), journal);
        ReplaceFileBytes(m_folder + u"stray.ini.new-abcdef"_s, "new");
        ReplaceFileBytes(m_program->profiles() + u"stray.ini.new-abcdef"_s, "new");

        ScriptedMessageBox boxes;
        QVERIFY(ActivateProfile(profileName));
        delete ActiveProfile;
        ActiveProfile = nullptr;
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(ReadFileBytes(m_folder + u"book.db"_s), oldBook);
        QCOMPARE(ReadFileBytes(journalPath() + u".damaged"_s), journal);
        QVERIFY(!QFileInfo::exists(journalPath()));
        QCOMPARE(ReadFileBytes(m_folder + u"stray.ini.new-abcdef"_s), "new"_ba);
        QCOMPARE(ReadFileBytes(m_program->profiles() + u"stray.ini.new-abcdef"_s), "new"_ba);
    }

    // When the restore cannot be finished, the profile stays closed, and the journal stays for
    // the next attempt.
    void unfinishableRestoreKeepsProfileClosed()
    {
        restoreAndStopAt(2);
        QVERIFY(QFile::remove(m_folder + u"book.db"_s));
        QVERIFY(QDir(m_folder).mkdir(u"book.db"_s)); // no file can be renamed over it

        ScriptedMessageBox boxes;
        QVERIFY(!ActivateProfile(profileName));
        QVERIFY(!ActiveProfile);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, u"Unable to write to "_s + m_folder + u"book.db."_s);
        QVERIFY(QFileInfo::exists(journalPath()));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 5 && arguments.at(1) == restoreSwitch)
        return restoreAndStop(arguments.at(2), arguments.at(3), arguments.at(4).toInt());
    TestInterruptedRestore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_interruptedrestore.moc"
