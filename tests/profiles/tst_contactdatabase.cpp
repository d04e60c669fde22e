#include "fulldisk.h"
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"
#include "testfiles.h"

#include "platform/calbreyerror.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <future>

#include <memory>

namespace {

const QString profileName = QStringLiteral("Book");
const QByteArray header = "; Quenlark Calbrey Database Holder.\r\n";

QString longText(int size, const QString &seed)
{
    QString text;
    while (text.size() < size)
        text += seed + QString::number(text.size());
    return text.left(size);
}

// Writes every field of a contact the way the editor saves it.
void writeContact(TProfile &profile, const QString &name, const QString &category)
{
    for (const ContactField &field : ContactFields) {
        const QString key = field.key;
        if (field.kind == ContactFieldKind::Integer)
            profile.WriteIntField(name, key, 3);
        else if (field.isMultiLine())
            profile.WriteMultiLineField(name, key, QStringLiteral("line 1\r\nline 2"));
        else if (key == QLatin1String("aContactName"))
            profile.WriteField(name, key, name);
        else if (key == QLatin1String("aContactCat"))
            profile.WriteField(name, key, category);
        else
            profile.WriteField(name, key, key + QStringLiteral(" of ") + name);
    }
}

// Child: one write to Book's "Ann" with the file-size limit in force; prints "ok" or the error.
} // namespace

class TestContactDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyDatabase();
    void categoryList();
    void contactsInCategory();
    void keylessSectionIsNotAContact();
    void deleteAsksFirst();
    void multiLineEncoding_data();
    void multiLineEncoding();
    void integerField_data();
    void integerField();
    void valuesReadBackExactly_data();
    void valuesReadBackExactly();
    void unusualNamesReadBackExactly();
    void unstorableNamesAreRefused();
    void namesMatchWithUnicodeFolding();
    void editorOrderAndFieldTable();
    void longValuesAndManyLongNames();
    void batchWritesOnceOrNotAtAll();
    void failedWritesLeaveFileIntact();
    void fullDiskLeavesFileIntact_data();
    void fullDiskLeavesFileIntact();
    void anotherProgramsEditsAreSeenAndKept();
    void windowsMadeDatabase();
    void malformedDatabases_data();
    void malformedDatabases();

private:
    QString bookPath() const { return m_program->profiles() + profileName + "/book.db"; }
    void setBook(const QByteArray &body) { ReplaceFileBytes(bookPath(), header + body); }

    std::unique_ptr<TempProgramFolder> m_program;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<TProfile> m_profile;
};

void TestContactDatabase::init()
{
    m_program = std::make_unique<TempProgramFolder>();
    m_boxes = std::make_unique<ScriptedMessageBox>();
    QVERIFY(CreateProfile(profileName));
    m_profile = std::make_unique<TProfile>(profileName);
}

void TestContactDatabase::cleanup()
{
    m_profile.reset();
    m_boxes.reset();
    m_program.reset();
}

void TestContactDatabase::emptyDatabase()
{
    QStringList list{QStringLiteral("stale")};
    m_profile->GetContactNames(list);
    QVERIFY(list.isEmpty());
    m_profile->GetCategories(list);
    QCOMPARE(list, QStringList{QStringLiteral("Show all contacts")});
    m_profile->GetContactsInCategory(list, QStringLiteral("Uncategorized contacts"));
    QVERIFY(list.isEmpty());
    QCOMPARE(m_profile->ReadField(QStringLiteral("Nobody"), QStringLiteral("pMobile")), QString());
    QCOMPARE(m_profile->ReadIntField(QStringLiteral("Nobody"), QStringLiteral("aIcon")), 0);
}

void TestContactDatabase::categoryList()
{
    setBook("[A]\r\naContactCat=Friends\r\n"
            "[B]\r\naContactCat=friends\r\n"
            "[C]\r\naIcon=1\r\n" // no category key
            "[D]\r\naContactCat=Show all contacts\r\n"
            "[E]\r\naContactCat=\r\n"
            "[F]\r\naContactCat=Uncategorized contacts\r\n"
            "[G]\r\naContactCat=Work\r\n"
            "[H]\r\naContactCat=\xc3\x84RGER\r\n"
            "[I]\r\naContactCat=\xc3\xa4rger\r\n");
    QStringList list;
    m_profile->GetCategories(list);
    QCOMPARE(list, (QStringList{QStringLiteral("Show all contacts"), QStringLiteral("Friends"),
                                QStringLiteral("Uncategorized contacts"), QStringLiteral("Work"),
                                QString::fromUtf8("\xc3\x84RGER")}));
}

void TestContactDatabase::contactsInCategory()
{
    setBook("[A]\r\naContactCat=Friends\r\n"
            "[B]\r\naContactCat=friends\r\n"
            "[C]\r\naIcon=1\r\n"
            "[D]\r\naContactCat=Show all contacts\r\n"
            "[E]\r\naContactCat=\r\n"
            "[F]\r\naContactCat=Uncategorized contacts\r\n");
    QStringList list;
    m_profile->GetContactsInCategory(list, QStringLiteral("Friends"));
    QCOMPARE(list, QStringList{QStringLiteral("A")}); // case matters here
    m_profile->GetContactsInCategory(list, QStringLiteral("Uncategorized contacts"));
    QCOMPARE(list, (QStringList{QStringLiteral("C"), QStringLiteral("E"), QStringLiteral("F")}));
    m_profile->GetContactsInCategory(list, QStringLiteral("Show all contacts"));
    QCOMPARE(list, QStringList{QStringLiteral("D")});
    m_profile->GetContactsInCategory(list, QString());
    QCOMPARE(list, (QStringList{QStringLiteral("C"), QStringLiteral("E")}));
}

void TestContactDatabase::keylessSectionIsNotAContact()
{
    setBook("[Ghost]\r\n[Real]\r\npMobile=1\r\n");
    QStringList list;
    m_profile->GetContactNames(list);
    QCOMPARE(list, (QStringList{QStringLiteral("Ghost"), QStringLiteral("Real")}));
    QVERIFY(!m_profile->ContactExists(QStringLiteral("Ghost")));
    QVERIFY(m_profile->ContactExists(QStringLiteral("real")));
    m_profile->WriteField(QStringLiteral("Ghost"), QStringLiteral("aContactName"),
                          QStringLiteral("Ghost"));
    QVERIFY(m_profile->ContactExists(QStringLiteral("Ghost")));
    m_profile->GetContactNames(list);
    QCOMPARE(list.size(), 2);
}

void TestContactDatabase::deleteAsksFirst()
{
    setBook("[Ann]\r\npMobile=1\r\n[Bob]\r\npMobile=2\r\n");
    const QByteArray before = ReadFileBytes(bookPath());
    m_boxes->answer(MessageBoxResult::No);
    QVERIFY(!m_profile->DeleteContact(QStringLiteral("Ann")));
    QCOMPARE(m_boxes->last().caption, QStringLiteral("Delete contact?"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("Are you sure you want to delete the cotnact "
                                                  "\"Ann\" from your address book?"));
    QCOMPARE(m_boxes->last().flags, 36);
    QCOMPARE(ReadFileBytes(bookPath()), before);

    m_boxes->answer(MessageBoxResult::Yes);
    QVERIFY(m_profile->DeleteContact(QStringLiteral("Ann")));
    QCOMPARE(ReadFileBytes(bookPath()), header + "[Bob]\r\npMobile=2\r\n");
}

void TestContactDatabase::multiLineEncoding_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("empty middle line")
        << QStringLiteral("one\r\n\r\nthree") << QByteArray("one||three")
        << QStringLiteral("one\r\n\r\nthree");
    QTest::newRow("final line break")
        << QStringLiteral("one\r\n") << QByteArray("one|") << QStringLiteral("one\r\n");
    QTest::newRow("empty") << QString() << QByteArray("") << QString();
    QTest::newRow("Qt line breaks")
        << QStringLiteral("a\nb\rc") << QByteArray("a|b|c") << QStringLiteral("a\r\nb\r\nc");
    QTest::newRow("typed bar") << QStringLiteral("a|b") << QByteArray("a|b")
                               << QStringLiteral("a\r\nb");
    QTest::newRow("indented") << QStringLiteral("  12 Harbour Road\r\nFlat 3 ")
                              << QByteArray("\"  12 Harbour Road|Flat 3 \"")
                              << QStringLiteral("  12 Harbour Road\r\nFlat 3 ");
}

void TestContactDatabase::multiLineEncoding()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);
    QFETCH(QString, readBack);
    m_profile->WriteNotes(QStringLiteral("Ann"), typed);
    m_profile->WriteMultiLineField(QStringLiteral("Ann"), QStringLiteral("hAddress"), typed);
    QCOMPARE(ReadFileBytes(bookPath()),
             header + "[Ann]\r\naNotes=" + stored + "\r\nhAddress=" + stored + "\r\n");
    QCOMPARE(m_profile->ReadNotes(QStringLiteral("Ann")), readBack);
    QCOMPARE(m_profile->ReadMultiLineField(QStringLiteral("Ann"), QStringLiteral("hAddress")),
             readBack);
}

void TestContactDatabase::integerField_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << QByteArray("24") << 24;
    QTest::newRow("negative") << QByteArray("-5") << -5;
    QTest::newRow("plus sign") << QByteArray("+7") << 7;
    QTest::newRow("hex") << QByteArray("0x10") << 16;
    QTest::newRow("hex capital") << QByteArray("0X1f") << 31;
    QTest::newRow("hex all ones") << QByteArray("0xFFFFFFFF") << -1;
    QTest::newRow("prefix alone") << QByteArray("0x") << 0;
    QTest::newRow("bad hex") << QByteArray("0x1g") << 0;
    QTest::newRow("word") << QByteArray("abc") << 0;
    QTest::newRow("trailing junk") << QByteArray("12abc") << 0;
    QTest::newRow("too big") << QByteArray("2147483648") << 0;
    QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483647 - 1);
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("blanks trimmed") << QByteArray("  9  ") << 9;
}

void TestContactDatabase::integerField()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, value);
    setBook("[Ann]\r\naIcon=" + stored + "\r\n");
    QCOMPARE(m_profile->ReadIntField(QStringLiteral("Ann"), QStringLiteral("aIcon")), value);
    m_profile->WriteIntField(QStringLiteral("Ann"), QStringLiteral("aIcon"), value);
    QCOMPARE(ReadFileBytes(bookPath()),
             header + "[Ann]\r\naIcon=" + QByteArray::number(value) + "\r\n");
}

void TestContactDatabase::valuesReadBackExactly_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("readBack");
    const auto same = [](const char *name, const QString &value, const QByteArray &stored) {
        QTest::newRow(name) << value << stored << value;
    };
    same("plain", QStringLiteral("Oslo"), "Oslo");
    same("leading blank", QStringLiteral(" Oslo"), "\" Oslo\"");
    same("trailing tab", QStringLiteral("Oslo\t"), "\"Oslo\t\"");
    same("double quoted", QStringLiteral("\"Fjord\""), "\"\"Fjord\"\"");
    same("single quoted", QStringLiteral("'x'"), "\"'x'\"");
    same("mixed quotes", QStringLiteral("\"x'"), "\"x'");
    same("lone quote", QStringLiteral("\""), "\"");
    same("command line", QStringLiteral("\"/usr/bin/x\" \"*\""), "\"\"/usr/bin/x\" \"*\"\"");
    same("comment-like", QStringLiteral(";not a comment"), ";not a comment");
    same("equals", QStringLiteral("a=b"), "a=b");
    same("bracket", QStringLiteral("[x]"), "[x]");
    same("accents", QString::fromUtf8("Caf\xc3\xa9 M\xc3\xbcller"), "Caf\xc3\xa9 M\xc3\xbcller");
    QTest::newRow("line break") << QStringLiteral("a\r\nb\nc\rd") << QByteArray("a b c d")
                                << QStringLiteral("a b c d");
    QTest::newRow("line break at end")
        << QStringLiteral("a\r\n") << QByteArray("\"a \"") << QStringLiteral("a ");
}

void TestContactDatabase::valuesReadBackExactly()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, stored);
    QFETCH(QString, readBack);
    m_profile->WriteField(QStringLiteral("Ann"), QStringLiteral("wCompany"), value);
    QCOMPARE(ReadFileBytes(bookPath()), header + "[Ann]\r\nwCompany=" + stored + "\r\n");
    QCOMPARE(m_profile->ReadField(QStringLiteral("Ann"), QStringLiteral("wCompany")), readBack);
    // A fresh open reads the file, not what this object remembers.
    TProfile reopened(profileName);
    QCOMPARE(reopened.ReadField(QStringLiteral("Ann"), QStringLiteral("wCompany")), readBack);
    // Several fields at once are stored the same way.
    m_profile->WriteFields(QStringLiteral("Bob"),
                           {{QStringLiteral("wCompany"), value}, {QStringLiteral("wCity"), value}});
    QVERIFY(ReadFileBytes(bookPath())
                .endsWith("[Bob]\r\nwCompany=" + stored + "\r\nwCity=" + stored + "\r\n"));
    // Made ready on another thread beside a plain value, as an import does, and written later.
    const TProfile::PreparedFields prepared =
        std::async(std::launch::async, [&value] {
            return TProfile::PrepareFields(QStringLiteral("Cy"),
                                           {{QStringLiteral("wCompany"), value},
                                            {QStringLiteral("wCity"), QStringLiteral("Oslo")}});
        }).get();
    m_profile->WriteFields(prepared);
    QVERIFY(
        ReadFileBytes(bookPath()).endsWith("[Cy]\r\nwCompany=" + stored + "\r\nwCity=Oslo\r\n"));
    QCOMPARE(m_profile->ReadField(QStringLiteral("Cy"), QStringLiteral("wCompany")), readBack);
}

void TestContactDatabase::unusualNamesReadBackExactly()
{
    const QStringList names{
        QStringLiteral("[bracketed"),
        QStringLiteral("a=b"),
        QStringLiteral(";semicolon"),
        QStringLiteral("#hash"),
        QStringLiteral("\"quoted\""),
        QStringLiteral("'single'"),
        QString::fromUtf8("Chlo\xc3\xa9 O'Brien"),
        QStringLiteral("inner  blanks"),
        QStringLiteral("x [y] z").remove(QLatin1Char(']')),
    };
    for (const QString &name : names) {
        QVERIFY2(TProfile::IsStorableContactName(name), qPrintable(name));
        m_profile->WriteField(name, QStringLiteral("aContactName"), name);
    }
    TProfile reopened(profileName);
    QStringList list;
    reopened.GetContactNames(list);
    QCOMPARE(list, names);
    for (const QString &name : names) {
        QVERIFY2(reopened.ContactExists(name), qPrintable(name));
        QCOMPARE(reopened.ReadField(name, QStringLiteral("aContactName")), name);
    }
}

void TestContactDatabase::unstorableNamesAreRefused()
{
    setBook("[a]\r\npMobile=1\r\n[x]\r\npMobile=2\r\n");
    const QByteArray before = ReadFileBytes(bookPath());
    const QStringList names{QStringLiteral("a]b"),    QStringLiteral(" x"),
                            QStringLiteral("x "),     QStringLiteral("\tx"),
                            QStringLiteral("x\v"),    QStringLiteral("two\r\nlines"),
                            QStringLiteral("line\n"), QStringLiteral("]")};
    for (const QString &name : names) {
        QVERIFY2(!TProfile::IsStorableContactName(name), qPrintable(name));
        QVERIFY_THROWS_EXCEPTION(
            CalbreyError,
            m_profile->WriteField(name, QStringLiteral("pMobile"), QStringLiteral("9")));
        QVERIFY_THROWS_EXCEPTION(CalbreyError, m_profile->WriteNotes(name, QStringLiteral("n")));
        QVERIFY_THROWS_EXCEPTION(CalbreyError,
                                 m_profile->WriteFields(name, {{QStringLiteral("k"), QString()}}));
        m_boxes->answer(MessageBoxResult::Yes);
        QVERIFY_THROWS_EXCEPTION(CalbreyError, m_profile->DeleteContact(name));
    }
    // Nothing went under the name the INI syntax would have made of it.
    QCOMPARE(ReadFileBytes(bookPath()), before);
    QVERIFY(TProfile::IsStorableContactName(QString())); // emptiness is the caller's rule
}

void TestContactDatabase::namesMatchWithUnicodeFolding()
{
    const QString mixed = QString::fromUtf8("M\xc3\xbcller");
    const QString upper = QString::fromUtf8("M\xc3\x9cLLER");
    m_profile->WriteField(mixed, QStringLiteral("aContactName"), mixed);
    QVERIFY(m_profile->ContactExists(upper));
    m_profile->WriteField(upper, QStringLiteral("pMobile"), QStringLiteral("123"));
    QStringList list;
    m_profile->GetContactNames(list);
    QCOMPARE(list, QStringList{mixed});
    QCOMPARE(m_profile->ReadField(mixed, QStringLiteral("PMOBILE")), QStringLiteral("123"));
}

void TestContactDatabase::editorOrderAndFieldTable()
{
    // The file keeps the keys in the order they were first written: the editor's order.
    writeContact(*m_profile, QStringLiteral("Ann"), QStringLiteral("Work"));
    const QStringList keys{
        "aContactName", "aContactCat", "pRealName", "pNickName",  "pEmailAddress", "pHomePage",
        "pMobile",      "pIcq",        "hCitg",     "hZipCode",   "hCountry",      "hState",
        "hPhone",       "hPhoneExt",   "hFax",      "hPager",     "hWebSite",      "wCompany",
        "wCity",        "wZipCode",    "wCountry",  "wState",     "wPhoneNumber",  "wPhoneExt",
        "wFax",         "wPager",      "wWebSite",  "hEmail",     "wEmail",        "aIcon",
        "aNotes",       "hAddress",    "wAddress",  "pOtherEmail"};
    QCOMPARE(keys.size(), 34);
    QStringList tableKeys;
    for (const ContactField &field : ContactFields)
        tableKeys.append(field.key);
    QCOMPARE(tableKeys, keys);
    QStringList fileKeys;
    const QList<QByteArray> lines = ReadFileBytes(bookPath()).split('\n');
    for (const QByteArray &line : lines.mid(2)) {
        if (line.contains('='))
            fileKeys.append(QString::fromUtf8(line.left(line.indexOf('='))));
    }
    QCOMPARE(fileKeys, keys);
    // Keys match without regard to case, as book.db matches them.
    QCOMPARE(FindContactField(QStringLiteral("ANOTES")), &ContactFields[30]);
    QCOMPARE(FindContactField(QStringLiteral("hCity")), nullptr);
}

void TestContactDatabase::longValuesAndManyLongNames()
{
    const QString note = longText(10000, QStringLiteral("remember "));
    QStringList names;
    {
        TProfile::ContactBatch batch(*m_profile);
        for (int i = 0; i < 5000; ++i) {
            names.append(longText(60, QStringLiteral("Contact with a rather long name ")) +
                         QString::number(i));
            m_profile->WriteField(names.last(), QStringLiteral("aContactName"), names.last());
        }
        m_profile->WriteNotes(names.first(), note);
        batch.commit();
    }
    // Read, modify one contact, read everything again through a fresh open.
    QStringList list;
    m_profile->GetContactNames(list);
    QCOMPARE(list, names);
    QCOMPARE(m_profile->ReadNotes(names.first()), note);
    m_profile->WriteField(names.last(), QStringLiteral("pMobile"), QStringLiteral("555"));
    TProfile reopened(profileName);
    reopened.GetContactNames(list);
    QCOMPARE(list, names);
    QCOMPARE(reopened.ReadNotes(names.first()), note);
    QCOMPARE(reopened.ReadField(names.last(), QStringLiteral("pMobile")), QStringLiteral("555"));
}

void TestContactDatabase::batchWritesOnceOrNotAtAll()
{
    setBook("[Ann]\r\npMobile=1\r\n");
    const QByteArray before = ReadFileBytes(bookPath());
    {
        TProfile::ContactBatch batch(*m_profile);
        writeContact(*m_profile, QStringLiteral("Bob"), QStringLiteral("Work"));
        m_profile->WriteField(QStringLiteral("Ann"), QStringLiteral("pMobile"),
                              QStringLiteral("2"));
        // Inside the batch the program reads its own writes; the file is untouched.
        QCOMPARE(m_profile->ReadField(QStringLiteral("Ann"), QStringLiteral("pMobile")),
                 QStringLiteral("2"));
        QVERIFY(m_profile->ContactExists(QStringLiteral("Bob")));
        QCOMPARE(ReadFileBytes(bookPath()), before);
    } // abandoned: an exception in the middle of a save ends here
    QCOMPARE(m_profile->ReadField(QStringLiteral("Ann"), QStringLiteral("pMobile")),
             QStringLiteral("1"));
    QVERIFY(!m_profile->ContactExists(QStringLiteral("Bob")));
    QCOMPARE(ReadFileBytes(bookPath()), before);

    {
        TProfile::ContactBatch batch(*m_profile);
        writeContact(*m_profile, QStringLiteral("Bob"), QStringLiteral("Work"));
        batch.commit();
    }
    QCOMPARE(TProfile(profileName).ReadField(QStringLiteral("Bob"), QStringLiteral("aContactCat")),
             QStringLiteral("Work"));
}

void TestContactDatabase::failedWritesLeaveFileIntact()
{
    const QString folder = m_program->profiles() + profileName;
    const QString expected = QStringLiteral("Unable to write to ") + bookPath();
    const auto failingWrite = [&] {
        try {
            m_profile->WriteField(QStringLiteral("Ann"), QStringLiteral("pMobile"),
                                  QStringLiteral("1"));
        } catch (const CalbreyError &error) {
            return error.message();
        }
        return QStringLiteral("no error");
    };

    // A folder where book.db should be.
    QVERIFY(QFile::remove(bookPath()));
    QVERIFY(QDir(folder).mkdir(QStringLiteral("book.db")));
    QCOMPARE(failingWrite(), expected);
    QVERIFY(QFileInfo(bookPath()).isDir());
    QVERIFY(QDir(bookPath()).isEmpty());

    // The profile folder gone.
    QVERIFY(QDir(folder).removeRecursively());
    QCOMPARE(failingWrite(), expected);
    QVERIFY(!QFileInfo::exists(folder));
    // Reads never fail.
    QStringList list;
    m_profile->GetContactNames(list);
    QVERIFY(list.isEmpty());
}

void TestContactDatabase::fullDiskLeavesFileIntact_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("one write") << QStringLiteral("notes");
    QTest::newRow("a whole contact in one batch") << QStringLiteral("batch");
}

void TestContactDatabase::fullDiskLeavesFileIntact()
{
    QFETCH(QString, operation);
    m_profile.reset();
    {
        TProfile profile(profileName);
        writeContact(profile, QStringLiteral("Ann"), QStringLiteral("Friends"));
    }
    const QByteArray before = ReadFileBytes(bookPath());
    SKIP_WITHOUT_FULL_DISK();
    TProfile profile(profileName);
    QString failure;
    {
        FileSizeLimit full(before.size() + 512);
        try {
            if (operation == QLatin1String("notes")) {
                profile.WriteNotes(QStringLiteral("Ann"), longText(10000, QStringLiteral("note ")));
            } else {
                TProfile::ContactBatch batch(profile);
                writeContact(profile, QStringLiteral("Ann"), QStringLiteral("Changed"));
                profile.WriteNotes(QStringLiteral("Ann"), longText(10000, QStringLiteral("note ")));
                batch.commit();
            }
        } catch (const CalbreyError &error) {
            failure = error.message();
        }
    }
    QCOMPARE(failure, QStringLiteral("Unable to write to ") + bookPath());
    QCOMPARE(ReadFileBytes(bookPath()), before);
    // What the program shows next: the contact as it was before the failed save.
    QCOMPARE(profile.ReadField(QStringLiteral("Ann"), QStringLiteral("aContactCat")),
             QStringLiteral("Friends"));
    // Nothing left behind beside it but the files' lock files, which stay.
    QCOMPARE(QDir(m_program->profiles() + profileName).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("book.db"), QStringLiteral("book.db.lock"),
                          QStringLiteral("config.ini"), QStringLiteral("config.ini.lock")}));
}

void TestContactDatabase::anotherProgramsEditsAreSeenAndKept()
{
    m_profile->WriteField(QStringLiteral("Ann"), QStringLiteral("pMobile"), QStringLiteral("1"));
    QStringList list;
    m_profile->GetContactNames(list); // the file is now known to this profile

    // Another program adds a contact and changes a field, keeping the file's size.
    setBook("[Ann]\r\npMobile=7\r\n[Cy]\r\npMobile=3\r\n");
    m_profile->GetContactNames(list);
    QCOMPARE(list, (QStringList{QStringLiteral("Ann"), QStringLiteral("Cy")}));
    QCOMPARE(m_profile->ReadField(QStringLiteral("Ann"), QStringLiteral("pMobile")),
             QStringLiteral("7"));
    setBook("[Ann]\r\npMobile=8\r\n[Cy]\r\npMobile=3\r\n"); // same size, at once
    QCOMPARE(m_profile->ReadField(QStringLiteral("Ann"), QStringLiteral("pMobile")),
             QStringLiteral("8"));

    // Our next write keeps what the other program wrote.
    setBook("[Ann]\r\npMobile=8\r\n[Cy]\r\npMobile=3\r\n[Dee]\r\npMobile=4\r\n");
    m_profile->WriteField(QStringLiteral("Ann"), QStringLiteral("pIcq"), QStringLiteral("42"));
    QCOMPARE(ReadFileBytes(bookPath()),
             header +
                 "[Ann]\r\npMobile=8\r\npIcq=42\r\n[Cy]\r\npMobile=3\r\n[Dee]\r\npMobile=4\r\n");
}

void TestContactDatabase::windowsMadeDatabase()
{
    // Windows-1252 bytes, CR LF lines: as the Windows program left them.
    setBook("[M\xfcller]\r\naContactName=M\xfcller\r\nhCitg=K\xf6ln\r\n"
            "aNotes=Caf\xe9|na\xefve\r\n[Plain]\r\naContactName=Plain\r\n");
    QStringList list;
    m_profile->GetContactNames(list);
    QCOMPARE(list, (QStringList{QString::fromUtf8("M\xc3\xbcller"), QStringLiteral("Plain")}));
    const QString muller = QString::fromUtf8("M\xc3\xbcller");
    QCOMPARE(m_profile->ReadField(muller, QStringLiteral("hCitg")),
             QString::fromUtf8("K\xc3\xb6ln"));
    QCOMPARE(m_profile->ReadNotes(muller), QString::fromUtf8("Caf\xc3\xa9\r\nna\xc3\xafve"));
    m_profile->WriteField(QStringLiteral("Plain"), QStringLiteral("pMobile"), QStringLiteral("1"));
    QCOMPARE(m_profile->ReadField(muller, QStringLiteral("hCitg")),
             QString::fromUtf8("K\xc3\xb6ln"));
}

void TestContactDatabase::malformedDatabases_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("categories");
    const QString all = QStringLiteral("Show all contacts");
    QTest::newRow("empty file") << QByteArray() << QStringList() << QStringList{all};
    QTest::newRow("keys before any section")
        << QByteArray("aContactCat=Lost\r\n[A]\r\naContactCat=X\r\n") << QStringList{"A"}
        << QStringList{all, "X"};
    QTest::newRow("header without bracket")
        << QByteArray("[Open\r\naContactCat=X\r\n") << QStringList{"Open"} << QStringList{all, "X"};
    QTest::newRow("text after header")
        << QByteArray("[A]junk]\r\naContactCat=X\r\n") << QStringList{"A"} << QStringList{all, "X"};
    QTest::newRow("lines without equals") << QByteArray("[A]\r\nrubbish\r\naContactCat=X\r\n")
                                          << QStringList{"A"} << QStringList{all, "X"};
    QTest::newRow("duplicate sections")
        << QByteArray("[A]\r\naContactCat=X\r\n[B]\r\n[a]\r\naContactCat=Y\r\n")
        << QStringList{"A", "B", "a"} << QStringList{all, "X", "Uncategorized contacts"};
    QTest::newRow("lone CR and LF line ends")
        << QByteArray("[A]\raContactCat=X\n[B]\naContactCat=Y") << QStringList{"A", "B"}
        << QStringList{all, "X", "Y"};
    static const char binary[] = "\x00\x01\xff\r\n[A]\r\naContactCat=X\x00Y\r\n\xfe\xfe\r\n";
    QTest::newRow("NUL and binary bytes")
        << QByteArray(binary, sizeof binary - 1) << QStringList{"A"}
        << QStringList{all, QString::fromLatin1("X\0Y", 3)};
}

void TestContactDatabase::malformedDatabases()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, names);
    QFETCH(QStringList, categories);
    ReplaceFileBytes(bookPath(), content);
    QStringList list;
    m_profile->GetContactNames(list);
    QCOMPARE(list, names);
    m_profile->GetCategories(list);
    QCOMPARE(list, categories);
    // And the file still takes a write.
    m_profile->WriteField(QStringLiteral("New"), QStringLiteral("pMobile"), QStringLiteral("1"));
    QCOMPARE(TProfile(profileName).ReadField(QStringLiteral("New"), QStringLiteral("pMobile")),
             QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(TestContactDatabase)
#include "tst_contactdatabase.moc"
