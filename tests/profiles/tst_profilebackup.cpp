// Backing a profile up into one file and restoring it: the format, the checks, both files or
// neither, and the settings in force afterwards.
#include "fulldisk.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray head = "Quenlark Calbrey Profile Backup\r\ntester\r\n"_ba;
const QByteArray notValid =
    "The specified backup file is not a valid Quenlark Calbrey Backup File."_ba;

QString incorrectUser(const QString &name)
{
    return u"You must be logged in as \""_s + name +
           u"\" to restore this profile.  If this profile does not exist on this computer, "
           u"create a new profile called \""_s +
           name + u"\", activate it and then restore the backup."_s;
}

} // namespace

class TestProfileBackup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;

    QString backupPath() const { return m_profile->folder().path() + u"saved.qcbak"_s; }
    QByteArray book() const { return ReadFileBytes(m_profile->databasePath()); }
    QByteArray config() const { return ReadFileBytes(m_profile->settingsPath()); }
    bool restore(const QByteArray &backup)
    {
        ReplaceFileBytes(backupPath(), backup);
        return ActiveProfile->Restore(backupPath());
    }

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        m_boxes = std::make_unique<ScriptedMessageBox>();
    }
    void cleanup()
    {
        m_boxes.reset();
        m_profile.reset();
    }

    void freshProfileBacksUpAsSixLines()
    {
        QVERIFY(ActiveProfile->Backup(backupPath()));
        QCOMPARE(ReadFileBytes(backupPath()), head + "book.db\r\n"
                                                     "; Quenlark Calbrey Database Holder.\r\n"
                                                     "config.ini\r\n"
                                                     "; Quenlark Calbrey Config Holder.\r\n"_ba);
    }

    void roundTripReproducesBothFilesAndSettings()
    {
        // LF, lone CR and CR LF line ends, a Windows-1252 line, no final line end.
        ReplaceFileBytes(
            m_profile->databasePath(),
            "; db\r\n[Ann]\naContactName=Ann\rpMobile=1\r\n\r\n[Bo]\naNotes=caf\xe9"_ba);
        ReplaceFileBytes(m_profile->settingsPath(), "[Config]\nFull Display=1"_ba);
        QVERIFY(ActiveProfile->Backup(backupPath()));
        ReplaceFileBytes(m_profile->databasePath(), "[Other]\r\nk=v\r\n"_ba);
        ReplaceFileBytes(m_profile->settingsPath(), QByteArray());

        QVERIFY(ActiveProfile->Restore(backupPath()));
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(book(), "; db\r\n[Ann]\r\naContactName=Ann\r\npMobile=1\r\n\r\n[Bo]\r\n"
                         "aNotes=caf\xe9\r\n"_ba);
        QCOMPARE(config(), "[Config]\r\nFull Display=1\r\n"_ba);
        QStringList names;
        ActiveProfile->GetContactNames(names);
        QCOMPARE(names, QStringList({u"Ann"_s, u"Bo"_s}));
        QCOMPARE(ActiveProfile->ReadField(u"Bo"_s, u"aNotes"_s), u"café"_s);
        // The restored settings are the ones in force, and the next save keeps them.
        QVERIFY(ActiveProfile->FullDisplay);
        ActiveProfile->SaveSettings();
        QVERIFY(config().contains("Full Display=1"));
    }

    void refusedFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("backup");
        QTest::addColumn<QString>("owner"); // the other profile's name; empty: not a backup
        const QByteArray body = "book.db\r\n[Ann]\r\nk=v\r\n"_ba;
        QTest::newRow("header in other letter case")
            << "Quenlark calbrey Profile Backup\r\ntester\r\n"_ba + body << QString();
        QTest::newRow("header with an extra blank")
            << "Quenlark Calbrey Profile Backup \r\ntester\r\n"_ba + body << QString();
        QTest::newRow("empty file") << QByteArray() << QString();
        QTest::newRow("header only") << "Quenlark Calbrey Profile Backup\r\n"_ba << QString();
        QTest::newRow("NUL bytes") << head + "book.db\r\n[Ann]\0\r\n"_ba << QString();
        QTest::newRow("another profile's backup")
            << "Quenlark Calbrey Profile Backup\r\n(Default)\r\n"_ba + body << u"(Default)"_s;
        QTest::newRow("name in other letter case")
            << "Quenlark Calbrey Profile Backup\r\nTester\r\n"_ba + body << u"Tester"_s;
    }

    void refusedFileChangesNothing()
    {
        QFETCH(QByteArray, backup);
        QFETCH(QString, owner);
        const QByteArray oldBook = book();
        const QByteArray oldConfig = config();
        QVERIFY(!restore(backup));
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().caption,
                 owner.isEmpty() ? u"Cannot restore from this file."_s : u"Incorrect user."_s);
        QCOMPARE(m_boxes->last().text,
                 owner.isEmpty() ? QString::fromLatin1(notValid) : incorrectUser(owner));
        QCOMPARE(m_boxes->last().flags, 16);
        QCOMPARE(book(), oldBook);
        QCOMPARE(config(), oldConfig);
    }

    void markersDivideTheFiles_data()
    {
        QTest::addColumn<QByteArray>("body"); // after the header and the name
        QTest::addColumn<QByteArray>("expectedBook");
        QTest::addColumn<QByteArray>("expectedConfig");
        QTest::newRow("no config.ini marker: config.ini emptied")
            << "book.db\r\n[A]\r\nk=1\r\n"_ba
            << "[A]\r\nk=1\r\n"_ba << QByteArray();
        QTest::newRow("no marker at all: both emptied")
            << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("repeated markers append")
            << "book.db\r\n[A]\r\nconfig.ini\r\n[Config]\r\nbook.db\r\nk=1\r\nconfig.ini\r\n"
               "Full Display=1\r\n"_ba
            << "[A]\r\nk=1\r\n"_ba
            << "[Config]\r\nFull Display=1\r\n"_ba;
        QTest::newRow("lines before the first marker dropped")
            << "[Lost]\r\nk=1\r\nconfig.ini\r\n[Config]\r\n"_ba << QByteArray()
            << "[Config]\r\n"_ba;
    }

    void markersDivideTheFiles()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, expectedBook);
        QFETCH(QByteArray, expectedConfig);
        QVERIFY(restore(head + body));
        QCOMPARE(book(), expectedBook);
        QCOMPARE(config(), expectedConfig);
    }

    void windowsBackupIsRead()
    {
        m_profile.reset();
        m_profile = std::make_unique<TestProfile>(u"Jürgen"_s);
        QVERIFY(m_profile->activated());
        // A byte order mark, LF line ends and the name in Windows-1252.
        QVERIFY(
            restore("\xEF\xBB\xBFQuenlark Calbrey Profile Backup\nJ\xFCrgen\nbook.db\n[A]\n"_ba));
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(book(), "[A]\r\n"_ba);
    }

    void failedRestoreWriteChangesNeitherFile()
    {
        SKIP_WITHOUT_FULL_DISK();
        const QByteArray oldBook = book();
        const QByteArray oldConfig = config();
        // config.ini is written first and fits; book.db does not.
        ReplaceFileBytes(backupPath(), head +
                                           "config.ini\r\n[Config]\r\nFull Display=1\r\n"
                                           "book.db\r\n[A]\r\nk="_ba +
                                           QByteArray(1 << 20, 'x') + "\r\n"_ba);
        QVERIFY(!RunWithFileSizeLimit(
            1 << 16, [this] { return int(ActiveProfile->Restore(backupPath())); }));
        QCOMPARE(m_boxes->last().caption, u"Quenlark Calbrey Beta 5"_s);
        QCOMPARE(m_boxes->last().text, u"Unable to write to "_s + m_profile->databasePath() + u'.');
        QCOMPARE(book(), oldBook);
        QCOMPARE(config(), oldConfig);
        QVERIFY(!ActiveProfile->FullDisplay);
        QCOMPARE(QDir(m_profile->folder().profiles() + u"tester"_s).entryList(QDir::Files),
                 QStringList({u"book.db"_s, u"config.ini"_s}));
    }

    // A profile file that cannot be read fails the backup, and the earlier backup stays: a
    // backup holding the file empty would empty it on a restore.
    void unreadableProfileFileWritesNoBackup_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("folder"); // a folder in its place; else it is missing
        QTest::newRow("book.db missing") << u"book.db"_s << false;
        QTest::newRow("config.ini missing") << u"config.ini"_s << false;
        QTest::newRow("book.db a folder") << u"book.db"_s << true;
    }

    void unreadableProfileFileWritesNoBackup()
    {
        QFETCH(QString, file);
        QFETCH(bool, folder);
        ReplaceFileBytes(backupPath(), "earlier backup"_ba);
        const QString profileFolder = m_profile->folder().profiles() + u"tester/"_s;
        QVERIFY(QFile::remove(profileFolder + file));
        if (folder)
            QVERIFY(QDir(profileFolder).mkdir(file));
        QVERIFY(!ActiveProfile->Backup(backupPath()));
        QCOMPARE(ReadFileBytes(backupPath()), "earlier backup"_ba);
    }

    void failedBackupKeepsEarlierFile()
    {
        SKIP_WITHOUT_FULL_DISK();
        ReplaceFileBytes(backupPath(), "earlier backup"_ba);
        m_profile->fill({{u"Big"_s, {{u"aNotes"_s, QString(1 << 20, u'x')}}}});
        QVERIFY(!RunWithFileSizeLimit(1 << 16,
                                      [this] { return int(ActiveProfile->Backup(backupPath())); }));
        QCOMPARE(ReadFileBytes(backupPath()), "earlier backup"_ba);
        // Nor may a backup go over one of the files it holds.
        const QByteArray oldBook = book();
        QVERIFY(!ActiveProfile->Backup(m_profile->databasePath()));
        QCOMPARE(book(), oldBook);
    }
};

QTEST_GUILESS_MAIN(TestProfileBackup)
#include "tst_profilebackup.moc"
