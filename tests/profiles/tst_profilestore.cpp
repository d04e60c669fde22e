#include "fulldisk.h"
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"
#include "testfiles.h"

#include "app/untcommon.h"
#include "platform/inifile.h"
#include "profiles/untprofiles.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

const QString cannotCreate = QStringLiteral("Cannot create profile.");
const QString existsText = QStringLiteral("A profile with this name already exists.  Please "
                                          "choose another name for your new profile and try "
                                          "again!");
const QString folderText = QStringLiteral("Quenlark Calbrey failed to create the profile "
                                          "directory.  Please make sure you have not used any "
                                          "invalid charactors and try again!");
const QByteArray blankDatabase = "; Quenlark Calbrey Database Holder.\r\n";
const QByteArray blankConfig = "; Quenlark Calbrey Config Holder.";

QString deleteFailedText(const QString &folder)
{
    return QStringLiteral("The profile could not be deleted.  You may want to try removing the "
                          "folder \"") +
           folder + QStringLiteral("\" yourself.");
}

} // namespace

class TestProfileStore : public QObject
{
    Q_OBJECT

private slots:
    void createWritesBlankFilesByteForByte();
    void createRefusals_data();
    void createRefusals();
    void createOnFullDiskRemovesHalfMadeFolder();
    void unsafeNamesNeverReachOutside();
    void listIsSortedFoldersOnly();
    void deleteAnswers();
    void deleteWithSubFolderReportsFolder();
    void profileInfo();
    void destructorSavesSettings();
    void destructorReportsFailedSave();
};

void TestProfileStore::createWritesBlankFilesByteForByte()
{
    TempProgramFolder program;
    ScriptedMessageBox boxes;
    QVERIFY(CreateProfile(QStringLiteral("Anna Berg")));
    QCOMPARE(boxes.count(), 0);
    const QString folder = program.profiles() + QStringLiteral("Anna Berg/");
    QCOMPARE(ReadFileBytes(folder + QStringLiteral("book.db")), blankDatabase);
    QCOMPARE(ReadFileBytes(folder + QStringLiteral("config.ini")), blankConfig);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
             2);
    QVERIFY(ProfileExists(QStringLiteral("Anna Berg")));
    QVERIFY(!ProfileExists(QStringLiteral("anna berg"))); // names compare exactly
}

void TestProfileStore::createRefusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("exists") << QStringLiteral("Work") << existsText;
    QTest::newRow("empty name is the profiles folder") << QString() << existsText;
    QTest::newRow("plain file") << QStringLiteral("notes.txt") << existsText;
    QTest::newRow("slash") << QStringLiteral("a/b") << folderText;
    QTest::newRow("backslash") << QStringLiteral("a\\b") << folderText;
    QTest::newRow("dot") << QStringLiteral(".") << folderText;
    QTest::newRow("dot dot") << QStringLiteral("..") << folderText;
    QTest::newRow("three dots") << QStringLiteral("...") << folderText;
    QTest::newRow("climbing") << QStringLiteral("../../escaped") << folderText;
}

void TestProfileStore::createRefusals()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    TempProgramFolder program;
    QVERIFY(QDir(program.profiles()).mkdir(QStringLiteral("Work")));
    ReplaceFileBytes(program.profiles() + QStringLiteral("notes.txt"), "keep");
    QDir(program.profiles()).mkdir(QStringLiteral("a")); // "a/b" must not land inside it
    const QStringList before =
        QDir(program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    ScriptedMessageBox boxes;
    QVERIFY(!CreateProfile(name));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().caption, cannotCreate);
    QCOMPARE(boxes.last().text, text);
    QCOMPARE(boxes.last().flags, 16);
    QCOMPARE(QDir(program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(QDir(program.profiles() + QStringLiteral("a")).isEmpty());
    QCOMPARE(ReadFileBytes(program.profiles() + QStringLiteral("notes.txt")), QByteArray("keep"));
}

void TestProfileStore::createOnFullDiskRemovesHalfMadeFolder()
{
    SKIP_WITHOUT_FULL_DISK();
    TempProgramFolder program;
    bool created = true;
    QList<ScriptedMessageBox::Shown> shown;
    {
        ScriptedMessageBox boxes;
        FileSizeLimit full(10);
        created = CreateProfile(QStringLiteral("Full"));
        shown = boxes.shown;
    }
    QVERIFY(!created);
    const QString bookPath = program.profiles() + QStringLiteral("Full/book.db");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().caption, cannotCreate);
    QCOMPARE(shown.first().text, QStringLiteral("Unable to write to ") + bookPath);
    QVERIFY(!QFileInfo::exists(program.profiles() + QStringLiteral("Full")));
    // The same folder can be made once there is room again.
    ScriptedMessageBox boxes;
    QVERIFY(CreateProfile(QStringLiteral("Full")));
    QCOMPARE(ReadFileBytes(bookPath), blankDatabase);
}

void TestProfileStore::unsafeNamesNeverReachOutside()
{
    TempProgramFolder program;
    // A folder beside Profiles/ that a climbing name would reach.
    QVERIFY(QDir(program.path()).mkdir(QStringLiteral("Victim")));
    ReplaceFileBytes(program.path() + QStringLiteral("Victim/data.txt"), "precious");
    ReplaceFileBytes(program.profiles() + QStringLiteral("loose.txt"), "loose");

    for (const QString &name : {QStringLiteral("../Victim"), QStringLiteral(".."),
                                QStringLiteral("."), QString(), QStringLiteral("..\\Victim")}) {
        QVERIFY2(!ProfileExists(name), qPrintable(name));
        ScriptedMessageBox boxes;
        boxes.answer(MessageBoxResult::Yes);
        QVERIFY2(!DeleteProfile(name), qPrintable(name));
        // Refused before any question, with the folder it would have been.
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().caption, QStringLiteral("Cannot delete profile."));
        QCOMPARE(boxes.last().text, deleteFailedText(program.profiles() + name + u'/'));
    }
    // A profile folder that is a link to a folder elsewhere is not emptied either.
    QVERIFY(QFile::link(program.path() + QStringLiteral("Victim"),
                        program.profiles() + QStringLiteral("Linked")));
    QVERIFY(ProfileExists(QStringLiteral("Linked")));
    ScriptedMessageBox boxes;
    boxes.answer(MessageBoxResult::Yes);
    QVERIFY(!DeleteProfile(QStringLiteral("Linked")));
    QCOMPARE(boxes.captions(), QStringList{QStringLiteral("Cannot delete profile.")});
    QCOMPARE(ReadFileBytes(program.path() + QStringLiteral("Victim/data.txt")),
             QByteArray("precious"));
    QCOMPARE(ReadFileBytes(program.profiles() + QStringLiteral("loose.txt")), QByteArray("loose"));
    QVERIFY(QFileInfo(program.profiles()).isDir());
    QVERIFY(IsSafeProfileName(QStringLiteral("..x")));
    QVERIFY(IsSafeProfileName(QStringLiteral(" spaced ")));
}

void TestProfileStore::listIsSortedFoldersOnly()
{
    TempProgramFolder program;
    QDir profiles(program.profiles());
    for (const char *name : {"zeta", "Alpha", "beta", ".hidden", "(Default)", "Ärger"})
        QVERIFY(profiles.mkdir(QString::fromUtf8(name)));
    ReplaceFileBytes(program.profiles() + QStringLiteral("readme.txt"), "not a profile");
    QStringList list{QStringLiteral("stale entry")};
    ListProfiles(list);
    QCOMPARE(list, (QStringList{QStringLiteral("(Default)"), QStringLiteral(".hidden"),
                                QStringLiteral("Alpha"), QStringLiteral("beta"),
                                QStringLiteral("zeta"), QString::fromUtf8("Ärger")}));

    // Without a profiles folder the list is simply empty.
    QVERIFY(profiles.removeRecursively());
    ListProfiles(list);
    QVERIFY(list.isEmpty());
}

void TestProfileStore::deleteAnswers()
{
    TempProgramFolder program;
    ScriptedMessageBox boxes;
    QVERIFY(CreateProfile(QStringLiteral("Old")));
    ReplaceFileBytes(program.profiles() + QStringLiteral("Old/.hidden"), "x");

    boxes.clear();
    boxes.answer(MessageBoxResult::No);
    QVERIFY(DeleteProfile(QStringLiteral("Old"))); // declined counts as nothing to report
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().caption, QStringLiteral("Delete Profile?"));
    QCOMPARE(boxes.last().text, QStringLiteral("Are you sure you want to delete the profile "
                                               "\"Old\" from your Address Book?"));
    QCOMPARE(boxes.last().flags, 36);
    QVERIFY(QFileInfo::exists(program.profiles() + QStringLiteral("Old/book.db")));

    boxes.clear();
    boxes.answer(MessageBoxResult::Yes);
    QVERIFY(DeleteProfile(QStringLiteral("Old")));
    QCOMPARE(boxes.count(), 1);
    QVERIFY(!ProfileExists(QStringLiteral("Old")));
    QVERIFY(QFileInfo(program.profiles()).isDir());
}

void TestProfileStore::deleteWithSubFolderReportsFolder()
{
    TempProgramFolder program;
    ScriptedMessageBox boxes;
    QVERIFY(CreateProfile(QStringLiteral("Nested")));
    const QString folder = program.profiles() + QStringLiteral("Nested/");
    QVERIFY(QDir(folder).mkdir(QStringLiteral("attachments")));
    ReplaceFileBytes(folder + QStringLiteral("attachments/photo.jpg"), "jpg");

    boxes.clear();
    boxes.answer(MessageBoxResult::Yes);
    QVERIFY(!DeleteProfile(QStringLiteral("Nested")));
    QCOMPARE(boxes.count(), 2);
    QCOMPARE(boxes.last().caption, QStringLiteral("Cannot delete profile."));
    QCOMPARE(boxes.last().text, deleteFailedText(folder));
    QCOMPARE(boxes.last().flags, 16);
    // The files went, the sub-folder was not descended into.
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("book.db")));
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("config.ini")));
    QCOMPARE(ReadFileBytes(folder + QStringLiteral("attachments/photo.jpg")), QByteArray("jpg"));
}

void TestProfileStore::profileInfo()
{
    TempProgramFolder program;
    ScriptedMessageBox boxes;
    QVERIFY(CreateProfile(QStringLiteral("Info")));
    TProfile profile(QStringLiteral("Info"));
    const QString folder = program.profiles() + QStringLiteral("Info/");
    QCOMPARE(profile.GetProfileInfo(0), folder + QStringLiteral("book.db"));
    QCOMPARE(profile.GetProfileInfo(1), folder + QStringLiteral("config.ini"));
    QCOMPARE(profile.GetProfileInfo(2), QStringLiteral("Info"));
    QCOMPARE(profile.GetProfileInfo(3), folder);
    QCOMPARE(profile.GetProfileInfo(4), QStringLiteral("No information available"));
    QCOMPARE(profile.GetProfileInfo(-1), QStringLiteral("No information available"));
}

void TestProfileStore::destructorSavesSettings()
{
    TempProgramFolder program;
    ScriptedMessageBox boxes;
    QVERIFY(CreateProfile(QStringLiteral("Saved")));
    {
        TProfile profile(QStringLiteral("Saved"));
        profile.FullDisplay = true;
        profile.CustomEmailClient = QStringLiteral("mutt *");
    }
    QCOMPARE(boxes.count(), 0);
    TProfile reopened(QStringLiteral("Saved"));
    QVERIFY(reopened.FullDisplay);
    QCOMPARE(reopened.CustomEmailClient, QStringLiteral("mutt *"));
}

void TestProfileStore::destructorReportsFailedSave()
{
    TempProgramFolder program;
    ScriptedMessageBox boxes;
    QVERIFY(CreateProfile(QStringLiteral("Gone")));
    const QString folder = program.profiles() + QStringLiteral("Gone/");
    {
        TProfile profile(QStringLiteral("Gone"));
        QVERIFY(QDir(folder).removeRecursively()); // deleted behind the program's back
    }
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().text,
             QStringLiteral("Unable to write to ") + folder + QStringLiteral("config.ini."));
    QCOMPARE(boxes.last().caption, QStringLiteral("Quenlark Calbrey Beta 5"));
    QCOMPARE(boxes.last().flags, 16);
    QVERIFY(!QFileInfo::exists(folder));
}

QTEST_GUILESS_MAIN(TestProfileStore)
#include "tst_profilestore.moc"
