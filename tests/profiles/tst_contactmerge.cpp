#include "fulldisk.h"
#include "platform/calbreyerror.h"
#include "profiles/contactmerge.h"
#include "profiles/trash.h"
#include "profiles/undohistory.h"
#include "profiles/untprofiles.h"
#include "scriptedquestion.h"
#include "testprofile.h"

#include <QDir>
#include <QtTest>

namespace {
QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Each contact's section of book.db as it stands in the file, by its header.
QMap<QByteArray, QByteArray> contactSections(const QString &path)
{
    QMap<QByteArray, QByteArray> sections;
    QByteArray header;
    QByteArrayList lines = fileBytes(path).split('\n');
    if (lines.last().isEmpty())
        lines.removeLast(); // after the file's last line break
    for (const QByteArray &line : std::as_const(lines)) {
        if (line.startsWith('['))
            header = line;
        else if (!header.isEmpty())
            sections[header] += line + '\n';
    }
    return sections;
}

// As another program may have left them: blanks around "=", a Windows-1252 byte, a key given
// twice, a line without "=", a key of no field.
const QByteArray quirkyBook = "[Ann Lee]\r\n"
                              "aContactName=Ann Lee\r\n"
                              "pEmailAddress = ann@example.org   \r\n"
                              "hCitg=Lisb\xf3n\r\n"
                              "pMobile=1\r\n"
                              "pMobile=2\r\n"
                              "an entry without equals\r\n"
                              "xShoe=42\r\n"
                              "aNotes=met at|the fair\r\n"
                              "[Lee, Ann]\r\n"
                              "aContactName=Lee, Ann\r\n"
                              "pEmailAddress=ANN@example.org\r\n"
                              "wCompany=\"Globex\"\r\n"
                              "xVCardExtra=X-SKYPE:annlee\r\n"
                              "[A. Lee]\r\n"
                              "aContactName=A. Lee\r\n"
                              "pOtherEmail=ann@example.org|lee@work.example\r\n"
                              "[Bob Ray]\r\n"
                              "aContactName=Bob Ray\r\n";

const QList<TestContact> book = {
    {u8("Ann Lee"),
     {{u8("aContactName"), u8("Ann Lee")},
      {u8("pEmailAddress"), u8("ann@example.org")},
      {u8("pMobile"), u8("+1 555 123 4567")},
      {u8("hCitg"), u8("Oslo")},
      {u8("aNotes"), u8("Met in Oslo|At the fair")},
      {u8("pOtherEmail"), u8("ann@home.example")},
      {u8("xVCardExtra"), u8("BDAY:1990-01-01")}}},
    {u8("Lee, Ann"),
     {{u8("aContactName"), u8("Lee, Ann")},
      {u8("pEmailAddress"), u8("ANN@example.org")},
      {u8("pMobile"), u8("(555) 123-4567")},
      {u8("wCompany"), u8("Globex")},
      {u8("aNotes"), u8("Likes tea")},
      {u8("pOtherEmail"), u8("Ann@Home.example|lee@work.example")},
      {u8("xVCardExtra"), u8("BDAY:1990-01-01|X-SKYPE:annlee")}}},
    {u8("Bob Ray"), {{u8("aContactName"), u8("Bob Ray")}, {u8("hCitg"), u8("Lyon")}}},
};
} // namespace

class TestContactMerge : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        m_profile->fill(book);
    }
    void cleanup()
    {
        if (ActiveProfile)
            UndoHistory().Forget(*ActiveProfile);
        m_profile.reset();
    }

    // Field by field: what agrees, what is chosen, what is united or joined.
    void mergesFieldByField_data()
    {
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("merged");
        QTest::addColumn<int>("rule");
        const auto row = [](const char *name, int kept, const char *key, const char *merged,
                            TMergeRule rule) {
            QTest::newRow(name) << kept << u8(key) << u8(merged) << int(rule);
        };
        row("name of the contact kept", 1, "aContactName", "Lee, Ann", TMergeRule::Name);
        row("differing: the kept one's", 0, "pMobile", "+1 555 123 4567", TMergeRule::Choice);
        row("differing: the other kept", 1, "pMobile", "(555) 123-4567", TMergeRule::Choice);
        row("one has it", 0, "wCompany", "Globex", TMergeRule::Agreed);
        row("the other has it", 1, "hCitg", "Oslo", TMergeRule::Agreed);
        row("notes joined", 0, "aNotes", "Met in Oslo|At the fair|Likes tea", TMergeRule::Notes);
        row("notes, kept first", 1, "aNotes", "Likes tea|Met in Oslo|At the fair",
            TMergeRule::Notes);
        row("other e-mails united without repeats", 0, "pOtherEmail",
            "ann@home.example|lee@work.example", TMergeRule::OtherEmails);
        row("extras united", 0, "xVCardExtra", "BDAY:1990-01-01|X-SKYPE:annlee",
            TMergeRule::Extras);
        row("nobody has it", 0, "wFax", "", TMergeRule::Agreed);
    }

    void mergesFieldByField()
    {
        QFETCH(int, kept);
        QFETCH(QString, key);
        QFETCH(QString, merged);
        QFETCH(int, rule);
        TContactMerge merge(*ActiveProfile, {u8("Ann Lee"), u8("Lee, Ann")});
        merge.SetKept(kept);
        QCOMPARE(merge.MergedValue(key), merged);
        const auto field = std::find_if(merge.Fields().begin(), merge.Fields().end(),
                                        [&key](const TMergeField &f) { return f.key == key; });
        QVERIFY(field != merge.Fields().end());
        QCOMPARE(int(field->rule), rule);
    }

    void anAddressNotPickedMovesToTheOthers()
    {
        const QStringList values(TContactMerge::Keys().size(), QString());
        QStringList a = values, b = values;
        const qsizetype email = TContactMerge::Keys().indexOf(u8("pEmailAddress"));
        a[email] = u8("one@x.org");
        b[email] = u8("two@x.org");
        TContactMerge picked({u8("A"), u8("B")}, {a, b});
        picked.Choose(u8("pEmailAddress"), 1);
        QCOMPARE(picked.MergedValue(u8("pEmailAddress")), u8("two@x.org"));
        QCOMPARE(picked.MergedValue(u8("pOtherEmail")), u8("one@x.org"));
    }

    void writesTheMergeInOneReplacement()
    {
        // The contact kept stays the server's card it was synced as.
        ActiveProfile->WriteField(u8("Ann Lee"), u8("xUID"), u8("ann-uid"));
        ActiveProfile->WriteField(u8("Lee, Ann"), u8("xUID"), u8("lee-uid"));
        TContactMerge merge(*ActiveProfile, {u8("Ann Lee"), u8("Lee, Ann")});
        merge.Choose(u8("pMobile"), 1);
        WriteMerge(*ActiveProfile, merge);
        QStringList names;
        ActiveProfile->GetContactNames(names);
        QCOMPARE(names, (QStringList{u8("Ann Lee"), u8("Bob Ray")}));
        QCOMPARE(ActiveProfile->ReadField(u8("Ann Lee"), u8("pMobile")), u8("(555) 123-4567"));
        QCOMPARE(ActiveProfile->ReadField(u8("Ann Lee"), u8("wCompany")), u8("Globex"));
        QCOMPARE(ActiveProfile->ReadNotes(u8("Ann Lee")),
                 u8("Met in Oslo\r\nAt the fair\r\nLikes tea"));
        QCOMPARE(ActiveProfile->ReadField(u8("Ann Lee"), u8("xVCardExtra")),
                 u8("BDAY:1990-01-01|X-SKYPE:annlee"));
        QCOMPARE(ActiveProfile->ReadField(u8("Ann Lee"), u8("xUID")), u8("ann-uid"));
        // The contact not merged is untouched, byte for byte.
        QVERIFY(fileBytes(m_profile->databasePath())
                    .contains("[Bob Ray]\r\naContactName=Bob Ray\r\nhCitg=Lyon\r\n"));
    }

    // The others go to the trash as merged into the name kept; undone, the merge puts every
    // contact back as it was, line for line.
    void undoRestoresEveryContactByteForByte()
    {
        const QString path = m_profile->databasePath();
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(quirkyBook), qint64(quirkyBook.size()));
        }
        const QMap<QByteArray, QByteArray> before = contactSections(path);
        QCOMPARE(before.size(), 4);

        TContactMerge merge(*ActiveProfile, {u8("Ann Lee"), u8("Lee, Ann"), u8("A. Lee")});
        merge.SetKept(1);
        WriteMerge(*ActiveProfile, merge);
        QCOMPARE(contactSections(path).keys(), (QList<QByteArray>{"[Bob Ray]\r", "[Lee, Ann]\r"}));
        QCOMPARE(ActiveProfile->ReadField(u8("Lee, Ann"), u8("hCitg")),
                 QString::fromLatin1("Lisb\xf3n"));
        QStringList trashed;
        for (const TTrashEntry &entry : ActiveProfile->Trash().Entries())
            trashed.append(entry.name + u8(" / ") + entry.Why());
        QCOMPARE(trashed, (QStringList{u8("Lee, Ann / Merged into Lee, Ann"),
                                       u8("Ann Lee / Merged into Lee, Ann"),
                                       u8("A. Lee / Merged into Lee, Ann")}));
        QCOMPARE(UndoHistory().Last(*ActiveProfile)->action, u8("Merge into Lee, Ann"));

        ScriptedQuestion question;
        UndoHistory().Undo(*ActiveProfile, question);
        QCOMPARE(question.asked, QStringList());
        QCOMPARE(contactSections(path), before);
        QVERIFY(!UndoHistory().Last(*ActiveProfile));
    }

    void failedWriteKeepsTheBook_data()
    {
        QTest::addColumn<int>("failure");
        QTest::newRow("full disk") << 0;
        QTest::newRow("folder where the file is") << 1;
    }

    void failedWriteKeepsTheBook()
    {
        QFETCH(int, failure);
        const QString path = m_profile->databasePath();
        const QByteArray before = fileBytes(path);
        TContactMerge merge(*ActiveProfile, {u8("Ann Lee"), u8("Lee, Ann")});
        const auto expectFailure = [&] {
            try {
                WriteMerge(*ActiveProfile, merge);
                QFAIL("the merge was written");
            } catch (const CalbreyError &error) {
                QVERIFY(error.message().startsWith(u8("Unable to write to ")));
            }
        };
        if (failure == 0) {
            const FileSizeLimit full(before.size() / 2);
            expectFailure();
        } else {
            // The profile's folder made unwritable by a folder in the temporary file's way is
            // not portable; a book.db that is a folder is.
            QVERIFY(QFile::rename(path, path + u8(".kept")));
            QVERIFY(QDir().mkdir(path));
            expectFailure();
            QVERIFY(QDir().rmdir(path));
            QVERIFY(QFile::rename(path + u8(".kept"), path));
        }
        QCOMPARE(fileBytes(path), before);
        QVERIFY(ActiveProfile->Trash().Entries().isEmpty());
        QVERIFY(!UndoHistory().Last(*ActiveProfile));
    }

private:
    std::unique_ptr<TestProfile> m_profile;
};

QTEST_GUILESS_MAIN(TestContactMerge)
#include "tst_contactmerge.moc"
