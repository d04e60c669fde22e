// The trash of deleted contacts: every line of a contact kept byte for byte and brought back as
// it was, trash.db written before book.db so that a crash (a real one: the suite runs itself
// again and dies between the two writes) loses nothing, tidying and purging when the profile
// opens, damaged files, failed writes, and undoing the last delete.
#include "fulldisk.h"
#include "scriptedmessagebox.h"
#include "scriptedquestion.h"
#include "tempprogramfolder.h"
#include "testfiles.h"

#include "import/contactimport.h"
#include "platform/calbreyerror.h"
#include "platform/inifile.h"
#include "profiles/trash.h"
#include "profiles/trashbatch.h"
#include "profiles/trashrestore.h"
#include "profiles/undohistory.h"
#include "profiles/untprofiles.h"

#include <QDir>
#include <QProcess>
#include <QtTest>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString profileName = u"tester"_s;
const QString annLee = u"Ann Lee"_s;

// Ann's lines as another program may have left them: blanks around "=", a key of no field,
// a Windows-1252 byte, a key given twice, a line without "=".
const QByteArrayList annLines{"aContactName=Ann Lee",
                              "pEmailAddress = ann@example.org   ",
                              "xVCardExtra=\"X-SHOE:42\"",
                              "hCitg=Lisb\xf3n",
                              "pMobile=1",
                              "pMobile=2",
                              "an entry without equals",
                              "aNotes=met at|the fair"};

QByteArray section(const QByteArray &name, const QByteArrayList &lines)
{
    QByteArray text = "[" + name + "]\r\n";
    for (const QByteArray &line : lines)
        text += line + "\r\n";
    return text;
}

const QByteArray bookHeader = "; Quenlark Calbrey Database Holder.\r\n"_ba;
const QByteArray bo = section("Bo Lin", {"aContactName=Bo Lin"});
const QByteArray book = bookHeader + bo + section("Ann Lee", annLines) + "; about Ann\r\n"_ba;

const QString crashSwitch = u"--move-and-stop"_s;
constexpr int kStopped = 42;

TTrashBatchStep stopAt = TTrashBatchStep::TrashWritten;

void stopAtStep(TTrashBatchStep step)
{
    if (step == stopAt)
        std::_Exit(kStopped);
}

// Says Overwrite to every clash.
class OverwriteAll : public TClashQuestion
{
public:
    TClashAnswer Ask(const QString &name) override { return {TClashAction::Overwrite, name, true}; }
};

// The process a crash test starts: moves Ann to the trash (by a delete, or by an import that
// writes over her) and dies between the trash's write and book.db's; or deletes her, then
// restores her and dies between book.db's write and the trash's.
int moveAndStop(const QString &programFolder, const QString &how)
{
    SetProgramFolder(programFolder);
    ScriptedMessageBox boxes;
    boxes.answer(MessageBoxResult::Yes);
    TProfile profile(profileName);
    OverwriteAll question;
    if (how == u"restore") {
        profile.DeleteContact(annLee);
        stopAt = TTrashBatchStep::BookWritten;
        SetTrashBatchHook(stopAtStep);
        RestoreFromTrash(profile, {profile.Trash().Entries().last().id}, question);
        return 1;
    }
    SetTrashBatchHook(stopAtStep);
    if (how == u"delete") {
        profile.DeleteContact(annLee);
    } else {
        TImportedContact ann;
        ann.name = annLee;
        ann.fields = {{u"pMobile"_s, u"3"_s}};
        TContactImport contactImport(profile, question, nullptr);
        contactImport.Run(1, [&](qsizetype) { return ann; });
    }
    return 1; // not stopped
}

} // namespace

class TestTrash : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_program;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<TProfile> m_profile;
    QString m_folder;

    QString bookPath() const { return m_folder + u"book.db"_s; }
    QString trashPath() const { return m_folder + u"trash.db"_s; }
    void open()
    {
        m_profile = std::make_unique<TProfile>(profileName);
        ActiveProfile = m_profile.get(); // the clash question's renaming reads it
    }
    void close()
    {
        ActiveProfile = nullptr;
        m_profile.reset();
    }
    QStringList entryNames() const
    {
        QStringList names;
        for (const TTrashEntry &entry : m_profile->Trash().Entries())
            names.append(entry.name + u" / "_s + entry.Why());
        return names;
    }
    std::optional<QByteArrayList> bookLines(const QString &name) const
    {
        return IniFile(bookPath()).sectionLines(name);
    }
    void deleteAnn()
    {
        m_boxes->answer(MessageBoxResult::Yes);
        QVERIFY(m_profile->DeleteContact(annLee));
    }
    // A trash entry as this program writes it, left the given number of days ago.
    static QByteArray entry(const QByteArray &id, const QByteArray &name, qint64 daysAgo)
    {
        const QByteArray left =
            QDateTime::currentDateTimeUtc().addDays(-daysAgo).toString(Qt::ISODate).toLatin1();
        return section(id, {"xTrashName=" + name, "xTrashLeft=" + left, "xTrashReason=deleted",
                            "aContactName=" + name});
    }

private slots:
    void init()
    {
        m_program = std::make_unique<TempProgramFolder>();
        m_boxes = std::make_unique<ScriptedMessageBox>();
        QVERIFY(CreateProfile(profileName));
        m_folder = m_program->profiles() + profileName + u'/';
        ReplaceFileBytes(bookPath(), book);
        open();
    }
    void cleanup()
    {
        if (m_profile)
            UndoHistory().Forget(*m_profile);
        ActiveProfile = nullptr;
        m_profile.reset();
        m_boxes.reset();
        m_program.reset();
        SetTrashBatchHook(nullptr);
    }

    void deletedContactKeepsEveryLineAndComesBackAsItWas()
    {
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        deleteAnn();
        QCOMPARE(ReadFileBytes(bookPath()), bookHeader + bo + "; about Ann\r\n"_ba);

        const QList<TTrashEntry> entries = m_profile->Trash().Entries();
        QCOMPARE(entries.size(), 1);
        const TTrashEntry &entry = entries.first();
        QCOMPARE(entry.id, u"Ann Lee (1)"_s);
        QCOMPARE(entry.name, annLee);
        QCOMPARE(entry.Reason(), TTrashReason::Deleted);
        QVERIFY(entry.left >= before && entry.left <= QDateTime::currentDateTimeUtc());
        const QByteArray trash = ReadFileBytes(trashPath());
        QVERIFY(trash.startsWith("[Ann Lee (1)]\r\nxTrashName=Ann Lee\r\nxTrashLeft=" +
                                 entry.left.toString(Qt::ISODate).toLatin1() +
                                 "\r\nxTrashReason=deleted\r\n"));
        QVERIFY(trash.endsWith(section("", annLines).sliced(4)));
        QCOMPARE(m_profile->Trash().ContactLines(entry.id), annLines);

        ScriptedQuestion question;
        const TRestoreResult result = RestoreFromTrash(*m_profile, {entry.id}, question);
        QCOMPARE(result.restored, QStringList{annLee});
        QVERIFY(question.asked.isEmpty());
        QCOMPARE(bookLines(annLee), annLines);
        QVERIFY(ReadFileBytes(bookPath()).endsWith(section("Ann Lee", annLines)));
        QVERIFY(m_profile->Trash().Entries().isEmpty());
    }

    // Restoring many is one batch: all come back or, when book.db cannot be written, none,
    // and the trash keeps them.
    void restoringManyIsOneBatch()
    {
        SKIP_WITHOUT_FULL_DISK();
        deleteAnn();
        QCOMPARE(MoveContactsToTrash(*m_profile, {u"Bo Lin"_s}, TTrashReason::Deleted).size(), 1);
        const QByteArray trash = ReadFileBytes(trashPath());
        const QByteArray emptied = ReadFileBytes(bookPath());
        const QStringList ids{u"Ann Lee (1)"_s, u"Bo Lin (2)"_s};
        ScriptedQuestion question;
        try {
            FileSizeLimit full(emptied.size() + 10);
            RestoreFromTrash(*m_profile, ids, question);
            QFAIL("restored onto a full disk");
        } catch (const CalbreyError &error) {
            QCOMPARE(error.message(), u"Unable to write to "_s + bookPath());
        }
        QCOMPARE(ReadFileBytes(bookPath()), emptied);
        QCOMPARE(ReadFileBytes(trashPath()), trash);

        QCOMPARE(RestoreFromTrash(*m_profile, ids, question).restored,
                 (QStringList{annLee, u"Bo Lin"_s}));
        QVERIFY(m_profile->ContactExists(annLee));
        QVERIFY(m_profile->ContactExists(u"Bo Lin"_s));
        QVERIFY(m_profile->Trash().Entries().isEmpty());
    }

    // Cancelled at the end, a restore or an undo writes nothing, and the undo stays at hand.
    void cancelledRestoreWritesNothing()
    {
        struct CancelAtTheEnd : TImportProgress
        {
            bool Advance(qsizetype done, qsizetype total) override { return done < total; }
        } cancel;
        deleteAnn();
        const QByteArray emptied = ReadFileBytes(bookPath());
        const QByteArray trash = ReadFileBytes(trashPath());
        ScriptedQuestion question;
        QVERIFY(RestoreFromTrash(*m_profile, {u"Ann Lee (1)"_s}, question, &cancel).cancelled);
        QVERIFY(UndoHistory().Undo(*m_profile, question, &cancel).isEmpty());
        QVERIFY(UndoHistory().Last(*m_profile));
        QCOMPARE(ReadFileBytes(bookPath()), emptied);
        QCOMPARE(ReadFileBytes(trashPath()), trash);
    }

    // A name taken meanwhile gets the import's answers; what an overwrite replaces goes to the
    // trash in its turn.
    void restoreUnderATakenName_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("restoredAs");
        QTest::addColumn<QStringList>("trash");
        QTest::newRow("overwrite") << int(TClashAction::Overwrite) << annLee
                                   << QStringList{u"Ann Lee / Replaced by a restored contact"_s};
        QTest::newRow("skip") << int(TClashAction::Skip) << QString()
                              << QStringList{u"Ann Lee / Deleted"_s};
        QTest::newRow("rename") << int(TClashAction::Rename) << u"Ann Lee1"_s << QStringList();
    }
    void restoreUnderATakenName()
    {
        QFETCH(int, action);
        QFETCH(QString, restoredAs);
        QFETCH(QStringList, trash);
        deleteAnn();
        m_profile->WriteField(annLee, u"pMobile"_s, u"new"_s);
        ScriptedQuestion question;
        question.script = {{TClashAction(action), false}};
        const TRestoreResult result = RestoreFromTrash(*m_profile, {u"Ann Lee (1)"_s}, question);
        QCOMPARE(question.asked, QStringList{annLee});
        QCOMPARE(result.restored, restoredAs.isEmpty() ? QStringList() : QStringList{restoredAs});
        QCOMPARE(entryNames(), trash);
        if (restoredAs == annLee)
            QCOMPARE(bookLines(annLee), annLines);
        else
            QCOMPARE(m_profile->ReadField(annLee, u"pMobile"_s), u"new"_s);
        if (restoredAs == u"Ann Lee1") {
            // Only the name field says the new name.
            QByteArrayList renamed = annLines;
            renamed[0] = "aContactName=Ann Lee1";
            QCOMPARE(bookLines(restoredAs), renamed);
        }
    }

    void undoBringsTheLastDeleteBack()
    {
        QVERIFY(!UndoHistory().Last(*m_profile));
        deleteAnn();
        const std::optional<TUndoRecord> record = UndoHistory().Last(*m_profile);
        QVERIFY(record);
        QCOMPARE(record->action, u"Delete of Ann Lee"_s);

        QSignalSpy changed(&UndoHistory(), &TUndoHistory::Changed);
        ScriptedQuestion question;
        QCOMPARE(UndoHistory().Undo(*m_profile, question), QStringList{annLee});
        QCOMPARE(bookLines(annLee), annLines);
        QVERIFY(m_profile->Trash().Entries().isEmpty());
        QVERIFY(!UndoHistory().Last(*m_profile));
        QCOMPARE(changed.count(), 1);
        // Nothing is left to undo.
        QVERIFY(UndoHistory().Undo(*m_profile, question).isEmpty());
    }

    // A crash between the two writes leaves the contact in book.db and its copy as the
    // newest entry of the trash; the next opening drops the copy without asking.
    void crashBetweenTheWritesLosesAndDoublesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("delete") << u"delete"_s;
        QTest::newRow("import writing over it") << u"import"_s;
        QTest::newRow("restore") << u"restore"_s;
    }
    void crashBetweenTheWritesLosesAndDoublesNothing()
    {
        QFETCH(QString, how);
        // An older entry of the same name is no copy; it stays.
        close();
        ReplaceFileBytes(trashPath(), entry("Ann Lee (4)", "Ann Lee", 2));
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {crashSwitch, m_program->path(), how});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), kStopped);
        const QByteArray bookAfterCrash = ReadFileBytes(bookPath());
        QCOMPARE(bookLines(annLee), std::optional<QByteArrayList>(annLines));
        QVERIFY(ReadFileBytes(trashPath()).contains("[Ann Lee (5)]"));

        open();
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(ReadFileBytes(bookPath()), bookAfterCrash);
        const QList<TTrashEntry> entries = m_profile->Trash().Entries();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().id, u"Ann Lee (4)"_s);
    }

    void openingPurgesByAge_data()
    {
        QTest::addColumn<QByteArray>("setting"); // "" for none
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("30 days unless set") << QByteArray() << QStringList{u"Cy"_s, u"Di"_s};
        QTest::newRow("5 days") << "5"_ba << QStringList{u"Di"_s};
        QTest::newRow("0 keeps everything") << "0"_ba << QStringList{u"Bea"_s, u"Cy"_s, u"Di"_s};
        QTest::newRow("unreadable: 30") << "soon"_ba << QStringList{u"Cy"_s, u"Di"_s};
    }
    void openingPurgesByAge()
    {
        QFETCH(QByteArray, setting);
        QFETCH(QStringList, kept);
        close();
        if (!setting.isEmpty())
            ReplaceFileBytes(m_folder + u"config.ini"_s,
                             "[Config]\r\nKeep deleted contacts=" + setting + "\r\n");
        // An entry whose time cannot be read is never purged.
        ReplaceFileBytes(trashPath(), entry("Bea (1)", "Bea", 31) + entry("Cy (2)", "Cy", 10) +
                                          section("Di (3)", {"xTrashName=Di", "xTrashLeft=?",
                                                             "aContactName=Di"}));
        open();
        QStringList names;
        for (const TTrashEntry &entry : m_profile->Trash().Entries())
            names.append(entry.name);
        QCOMPARE(names, kept);
        QCOMPARE(m_boxes->count(), 0);
    }

    // A trash another program damaged, or a newer version wrote, is read as far as it can be;
    // what it holds stays, and book.db is never lost.
    void damagedOrNewerTrashIsReadAsFarAsItCanBe_data()
    {
        QTest::addColumn<QByteArray>("before"); // what comes before Ann's entry
        QTest::addColumn<QByteArray>("ann");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArrayList>("contact"); // Ann's lines as they come back
        const QByteArray ann = entry("Ann Lee (3)", "Ann Lee", 1);
        const QByteArrayList annAlone{"aContactName=Ann Lee"};
        QTest::newRow("garbage before it")
            << "\x00\xff\x13garbage\r\n[half\r\n\x80=\r\n"_ba << ann << QByteArray() << annAlone;
        QTest::newRow("cut off after it")
            << QByteArray() << ann << "[Cy (9)]\r\nxTrashName=C"_ba << annAlone;
        QTest::newRow("newer version")
            << "[xTrashFormat]\r\nVersion=7\r\n"_ba
            << section("Ann Lee (3)",
                       {"xTrashName=Ann Lee", "xTrashLeft=2030-01-01T12:00:00.250+02:00",
                        "xTrashReason=archived by the server", "xTrashDevice=phone",
                        "aContactName=Ann Lee", "wFax=9"})
            << QByteArray() << QByteArrayList{"aContactName=Ann Lee", "wFax=9"};
    }
    void damagedOrNewerTrashIsReadAsFarAsItCanBe()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, ann);
        QFETCH(QByteArray, after);
        QFETCH(QByteArrayList, contact);
        close();
        ReplaceFileBytes(trashPath(), before + ann + after);
        ReplaceFileBytes(bookPath(), bookHeader + bo);
        open();
        QCOMPARE(m_boxes->count(), 0);

        const QList<TTrashEntry> entries = m_profile->Trash().Entries();
        QVERIFY(!entries.isEmpty());
        const TTrashEntry &entry = entries.first();
        QCOMPARE(entry.name, annLee);
        QCOMPARE(m_profile->Trash().ContactLines(entry.id), contact);
        if (!entry.Reason())
            QCOMPARE(entry.Why(), u"archived by the server"_s);

        ScriptedQuestion question;
        QCOMPARE(RestoreFromTrash(*m_profile, {entry.id}, question).restored, QStringList{annLee});
        QCOMPARE(bookLines(annLee), contact);
        // A new entry goes after what was there, and nothing of that is lost.
        const QStringList bo =
            MoveContactsToTrash(*m_profile, {u"Bo Lin"_s}, TTrashReason::Deleted);
        QCOMPARE(bo.size(), 1);
        QVERIFY(!m_profile->ContactExists(u"Bo Lin"_s));
        QCOMPARE(m_profile->Trash().ContactLines(bo.first()),
                 QByteArrayList{"aContactName=Bo Lin"});
        QVERIFY(ReadFileBytes(trashPath()).startsWith(before));
        QVERIFY(ReadFileBytes(trashPath()).contains(after));
    }

    // A trash that cannot be written stops the delete: book.db stays as it was. When book.db
    // is the file that cannot be written, the trash gets its entries taken back.
    void failedWritesLeaveBothFilesAsTheyWere_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("trash.db a folder") << u"trash.db"_s << false;
        QTest::newRow("disk full for trash.db") << u"trash.db"_s << true;
        QTest::newRow("disk full for book.db") << u"book.db"_s << true;
    }
    void failedWritesLeaveBothFilesAsTheyWere()
    {
        QFETCH(QString, failing);
        QFETCH(bool, fullDisk);
        if (fullDisk && !FileSizeLimit::Supported)
            QSKIP("no way to simulate a full disk on this system");
        const QByteArray earlier = entry("Cy (1)", "Cy", 1);
        // A large book.db: a disk with room for the trash but not for book.db.
        const QByteArray large =
            book + section("Ed", {"aNotes=" + QByteArray(qsizetype(64) * 1024, 'e')});
        ReplaceFileBytes(bookPath(), large);
        if (fullDisk)
            ReplaceFileBytes(trashPath(), earlier);
        else
            QVERIFY(QDir().mkdir(trashPath()));
        const qint64 room = failing == u"book.db" ? qint64(16) * 1024 : earlier.size();

        m_boxes->answer(MessageBoxResult::Yes);
        try {
            std::unique_ptr<FileSizeLimit> full;
            if (fullDisk)
                full = std::make_unique<FileSizeLimit>(room);
            m_profile->DeleteContact(annLee);
            QFAIL("deleted with a file that cannot be written");
        } catch (const CalbreyError &error) {
            QCOMPARE(error.message(), u"Unable to write to "_s + m_folder + failing);
        }
        QCOMPARE(ReadFileBytes(bookPath()), large);
        QVERIFY(m_profile->ContactExists(annLee));
        if (fullDisk)
            QCOMPARE(ReadFileBytes(trashPath()), earlier);
        else
            QVERIFY(QDir(trashPath()).isEmpty());
        QVERIFY(!UndoHistory().Last(*m_profile));
    }

    // The trash is no part of a backup, and a restore of one leaves it as it is.
    void backupsLeaveTheTrashAlone()
    {
        deleteAnn();
        const QByteArray trash = ReadFileBytes(trashPath());
        const QString backup = m_program->path() + u"saved.qcbak"_s;
        QVERIFY(m_profile->Backup(backup));
        QVERIFY(!ReadFileBytes(backup).contains("xTrash"));
        m_boxes->clear();
        QVERIFY(m_profile->Restore(backup));
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(ReadFileBytes(trashPath()), trash);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments.at(1) == crashSwitch)
        return moveAndStop(arguments.at(2), arguments.at(3));
    TestTrash test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trash.moc"
