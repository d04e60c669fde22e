// calbrey, the real program, run on a test profile: each command's output and exit status,
// the mail client's query line by line, the errors, and CSV export read back by the import.
#include "calbreyrun.h"
#include "import/csvcontacts.h"
#include "import/csvparser.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A book with what the queries look at: several addresses of each kind, accents, a contact
// without a real name and one without an address.
QList<TestContact> sampleBook()
{
    return {
        {u"Ann Lee"_s,
         {{u"aContactName"_s, u"Ann Lee"_s},
          {u"aContactCat"_s, u"Friend"_s},
          {u"pRealName"_s, u"Ann Lee"_s},
          {u"pEmailAddress"_s, u"ann@example.org"_s},
          {u"pOtherEmail"_s, u"ann.lee@mail.example|al@home.example"_s},
          {u"wEmail"_s, u"ann@acme.example"_s},
          {u"pMobile"_s, u"+47 555 1234"_s},
          {u"hPhone"_s, u"22 33 44 55"_s},
          {u"hPhoneExt"_s, u"12"_s},
          {u"wFax"_s, u"22 99 88 77"_s},
          {u"aIcon"_s, u"0"_s}, // the picture every contact has: not worth a line
          {u"aNotes"_s, u"Met in Oslo|Likes tea"_s}}},
        {u"Bjørn Müller"_s,
         {{u"aContactName"_s, u"Bjørn Müller"_s},
          {u"aContactCat"_s, u"Business"_s},
          {u"pRealName"_s, u"Bjørn Müller"_s},
          {u"pEmailAddress"_s, u"bm@example.de"_s}}},
        {u"Chloé"_s,
         {{u"aContactName"_s, u"Chloé"_s},
          {u"pNickName"_s, u"clo"_s},
          {u"pEmailAddress"_s, u"chloe@example.fr"_s}}},
        {u"Dan"_s, {{u"aContactName"_s, u"Dan"_s}, {u"aContactCat"_s, u"Friend"_s}}},
    };
}

// Every field holding something, with what CSV must quote: commas, quotes, line breaks.
QList<std::pair<QString, QString>> wholeContact()
{
    return {
        {u"aContactName"_s, u"Zoë Anne Kowalski"_s},
        {u"aContactCat"_s, u"Family"_s},
        {u"pRealName"_s, u"Zoë Anne Kowalski"_s},
        {u"pNickName"_s, u"Zo, \"Z\""_s},
        {u"pEmailAddress"_s, u"zoe@example.org"_s},
        {u"pHomePage"_s, u"http://zoe.example.org/"_s},
        {u"pMobile"_s, u"+48 600 100 200"_s},
        {u"pIcq"_s, u"123456"_s},
        {u"hCitg"_s, u"Kraków"_s},
        {u"hZipCode"_s, u"30-001"_s},
        {u"hCountry"_s, u"Poland"_s},
        {u"hState"_s, u"Lesser Poland"_s},
        {u"hPhone"_s, u"+48 12 345 67 89"_s},
        {u"hFax"_s, u"+48 12 345 67 80"_s},
        {u"hPager"_s, u"777"_s},
        {u"hWebSite"_s, u"http://home.example.org/"_s},
        {u"wCompany"_s, u"Acme, \"Best\" Widgets"_s},
        {u"wCity"_s, u"Warsaw"_s},
        {u"wZipCode"_s, u"00-001"_s},
        {u"wCountry"_s, u"Poland"_s},
        {u"wState"_s, u"Masovia"_s},
        {u"wPhoneNumber"_s, u"+48 22 111 22 33"_s},
        {u"wFax"_s, u"+48 22 111 22 34"_s},
        {u"wWebSite"_s, u"http://acme.example.com/"_s},
        {u"hEmail"_s, u"zoe@home.example"_s},
        {u"wEmail"_s, u"zoe@acme.example"_s},
        {u"aIcon"_s, u"7"_s},
        {u"aNotes"_s, u"First line, with a comma|Second \"quoted\" line"_s},
        {u"hAddress"_s, u"Długa 5|Flat 3"_s},
        {u"wAddress"_s, u"Prosta 1"_s},
        {u"pOtherEmail"_s, u"z1@example.net|z2@example.net"_s},
    };
}

} // namespace

class TestCalbrey : public CalbreyTestCase
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void helpAndVersion();
    void wrongUse_data();
    void wrongUse();
    void profilesMarksTheOneInUse();
    void usersOwnProfileIsMadeForAnAddition();
    void listsTheBook_data();
    void listsTheBook();
    void showsOneContact_data();
    void showsOneContact();
    void mailClientQueryLineByLine_data();
    void mailClientQueryLineByLine();
    void phoneQuery_data();
    void phoneQuery();
    void addWritesTheWholeContact();
    void editChangesOnlyTheGivenFields();
    void removeTakesAllOrNone();
    void addressChecksFollowTheProfile();
    void addEmailAddsTheSender_data();
    void addEmailAddsTheSender();
    void addEmailKnowsItsAddresses();
    void importsByContent_data();
    void importsByContent();
    void exportsEachFormat_data();
    void exportsEachFormat();
    void csvExportImportRoundTrip_data();
    void csvExportImportRoundTrip();
    void backupAndRestore();
    void failedWritesLeaveFilesAlone_data();
    void failedWritesLeaveFilesAlone();
    void concurrentAdditionsAllSurvive();

private:
    QString field(const QString &name, const QString &key) const
    {
        return profile().ReadField(name, key);
    }
};

void TestCalbrey::init()
{
    QVERIFY(startProfile(sampleBook()));
}

void TestCalbrey::cleanup()
{
    endProfile();
}

void TestCalbrey::helpAndVersion()
{
    const CalbreyResult help = calbrey({u"--help"_s});
    QCOMPARE(help.status, 0);
    for (const char *command : {"profiles", "list", "show", "email", "phone", "add", "edit",
                                "remove", "add-email", "import", "export", "backup", "restore"})
        QVERIFY2(help.text().contains(u"\n  "_s + QLatin1String(command) + u' '), command);

    // Each command has its own help, by --help or by the help command.
    for (const QStringList &asked :
         {QStringList{u"email"_s, u"--help"_s}, QStringList{u"help"_s, u"email"_s}}) {
        const CalbreyResult commandHelp = calbrey(asked);
        QCOMPARE(commandHelp.status, 0);
        QVERIFY(commandHelp.text().startsWith(u"Usage: calbrey email [OPTIONS] QUERY\n"_s));
        QVERIFY(commandHelp.text().contains(u"--remove-first-line"_s));
    }
    const CalbreyResult version = calbrey({u"--version"_s});
    QCOMPARE(version.status, 0);
    QVERIFY(version.text().startsWith(u"calbrey (Quenlark Calbrey) "_s));
}

void TestCalbrey::wrongUse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("no command") << QStringList() << 2 << "no command given";
    QTest::newRow("unknown command")
        << QStringList{u"frobnicate"_s} << 2 << "unknown command \"frobnicate\"";
    QTest::newRow("unknown option")
        << QStringList{u"list"_s, u"--bogus"_s} << 2 << "unknown option \"--bogus\"";
    QTest::newRow("option without its value")
        << QStringList{u"show"_s, u"Ann Lee"_s, u"--format"_s} << 2 << "needs a value";
    QTest::newRow("format not known")
        << QStringList{u"export"_s, u"--format"_s, u"pdf"_s} << 2 << "--format must be one of";
    QTest::newRow("too many arguments")
        << QStringList{u"show"_s, u"Ann Lee"_s, u"Dan"_s} << 2 << "too many arguments";
    QTest::newRow("missing profile") << QStringList{u"--profile"_s, u"nobody"_s, u"list"_s} << 1
                                     << "there is no profile named \"nobody\"";
    QTest::newRow("profile name leading outside")
        << QStringList{u"--profile"_s, u"../x"_s, u"list"_s} << 1 << "cannot be the name";
    QTest::newRow("unknown key") << QStringList{u"add"_s, u"Eve"_s, u"shoe=9"_s} << 2
                                 << "unknown key \"shoe\"";
    QTest::newRow("not KEY=VALUE")
        << QStringList{u"edit"_s, u"Dan"_s, u"email"_s} << 2 << "\"email\" is not KEY=VALUE";
    QTest::newRow("name set by a key")
        << QStringList{u"edit"_s, u"Dan"_s, u"aContactName=Daniel"_s} << 2 << "NAME argument";
    QTest::newRow("name with a bracket")
        << QStringList{u"add"_s, u"Eve ]x"_s} << 1 << "cannot be stored";
    QTest::newRow("name with a blank at its end")
        << QStringList{u"add"_s, u"Eve "_s} << 1 << "cannot be stored";
    QTest::newRow("empty name") << QStringList{u"add"_s, u""_s} << 1 << "needs a name";
    QTest::newRow("name taken") << QStringList{u"add"_s, u"Ann Lee"_s} << 1
                                << "\"Ann Lee\" already exists";
    QTest::newRow("notes with a pipe")
        << QStringList{u"add"_s, u"Eve"_s, u"notes=a|b"_s} << 1 << "cannot hold the | character";
    QTest::newRow("picture out of range") << QStringList{u"add"_s, u"Eve"_s, u"picture=25"_s} << 1
                                          << "picture must be a number from 0 to 24";
    QTest::newRow("missing contact")
        << QStringList{u"show"_s, u"Nobody"_s} << 1 << "there is no contact named \"Nobody\"";
    QTest::newRow("edit of a missing contact")
        << QStringList{u"edit"_s, u"Nobody"_s, u"email=a@b.c"_s} << 1 << "no contact named";
    QTest::newRow("unreadable file") << QStringList{u"import"_s, u"/nonexistent/file.vcf"_s} << 1
                                     << "Unable to read /nonexistent/file.vcf";
    QTest::newRow("folder given as the file")
        << QStringList{u"import"_s, u"/"_s} << 1 << "Unable to read /";
    QTest::newRow("restore without --yes")
        << QStringList{u"restore"_s, u"/tmp/x.qcbak"_s} << 2 << "add --yes to restore";
    QTest::newRow("nothing found")
        << QStringList{u"email"_s, u"--parsable"_s, u"zzz"_s} << 1 << "no contact matches 'zzz'";
}

void TestCalbrey::wrongUse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    const QByteArray before = book();
    const CalbreyResult result = calbrey(arguments);
    QVERIFY2(result.status == status, Describe(result));
    // One line, that says what is wrong; the book is as it was.
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.error().startsWith(u"calbrey: "_s), result.err);
    QVERIFY2(result.error().contains(message), result.err);
    QCOMPARE(book(), before);
}

void TestCalbrey::profilesMarksTheOneInUse()
{
    ScriptedMessageBox boxes;
    QVERIFY(CreateProfile(u"Other"_s));
    const CalbreyResult result = calbrey({u"profiles"_s});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.lines(), (QStringList{u"  Other"_s, u"* tester"_s}));
}

void TestCalbrey::usersOwnProfileIsMadeForAnAddition()
{
    // Without --profile: the user's own, which a query does not make and an addition does.
    const QString folder = m_profile->folder().path();
    const CalbreyResult query = RunCalbrey(folder, {u"email"_s, u"x"_s});
    QCOMPARE(query.status, 1);
    QVERIFY2(query.error().contains(u"there is no profile named \""_s + GetWindowsUserName()),
             query.err);
    const CalbreyResult added = RunCalbrey(folder, {u"add"_s, u"Eve"_s, u"email=eve@x.org"_s});
    QVERIFY2(added.status == 0, Describe(added));
    QVERIFY(ProfileExists(GetWindowsUserName()));
    const CalbreyResult listed = RunCalbrey(folder, {u"list"_s, u"--parsable"_s});
    QCOMPARE(listed.lines(), QStringList{u"Eve\teve@x.org\t"_s});
}

void TestCalbrey::listsTheBook_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("names") << QStringList{u"list"_s}
                           << QStringList{u"Ann Lee"_s, u"Bjørn Müller"_s, u"Chloé"_s, u"Dan"_s};
    QTest::newRow("parsable") << QStringList{u"list"_s, u"--parsable"_s}
                              << QStringList{u"Ann Lee\tann@example.org\tFriend"_s,
                                             u"Bjørn Müller\tbm@example.de\tBusiness"_s,
                                             u"Chloé\tchloe@example.fr\t"_s, u"Dan\t\tFriend"_s};
    QTest::newRow("one category") << QStringList{u"list"_s, u"--category"_s, u"Friend"_s}
                                  << QStringList{u"Ann Lee"_s, u"Dan"_s};
    QTest::newRow("uncategorized") << QStringList{u"list"_s, u"--category=Uncategorized contacts"_s}
                                   << QStringList{u"Chloé"_s};
    QTest::newRow("category in another case")
        << QStringList{u"list"_s, u"--category"_s, u"friend"_s} << QStringList();
}

void TestCalbrey::listsTheBook()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lines);
    const CalbreyResult result = calbrey(arguments);
    QVERIFY2(result.status == 0, Describe(result));
    QCOMPARE(result.lines(), lines);
    QVERIFY(result.err.isEmpty());
}

void TestCalbrey::showsOneContact_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("text") << u"text"_s
                          << QStringList{u"Name:             Ann Lee"_s,
                                         u"Category:         Friend"_s,
                                         u"Real name:        Ann Lee"_s,
                                         u"E-mail:           ann@example.org"_s,
                                         u"Other e-mail:     ann.lee@mail.example"_s,
                                         u"                  al@home.example"_s,
                                         u"Mobile:           +47 555 1234"_s,
                                         u"Home phone:       22 33 44 55"_s,
                                         u"Home extension:   12"_s,
                                         u"Work e-mail:      ann@acme.example"_s,
                                         u"Work fax:         22 99 88 77"_s,
                                         u"Notes:            Met in Oslo"_s,
                                         u"                  Likes tea"_s};
    QTest::newRow("ini") << u"ini"_s
                         << QStringList{u"[Ann Lee]"_s, u"aContactName=Ann Lee"_s,
                                        u"aContactCat=Friend"_s, u"pRealName=Ann Lee"_s};
    QTest::newRow("vcard") << u"vcard"_s << QStringList{u"BEGIN:VCARD\r"_s, u"VERSION:3.0\r"_s};
}

void TestCalbrey::showsOneContact()
{
    QFETCH(QString, format);
    QFETCH(QStringList, lines);
    const CalbreyResult result = calbrey({u"show"_s, u"Ann Lee"_s, u"--format"_s, format});
    QVERIFY2(result.status == 0, Describe(result));
    QCOMPARE(result.lines().mid(0, lines.size()), lines);
    if (format == u"vcard"_s)
        QVERIFY(result.lines().contains(u"FN:Ann Lee\r"_s));
    if (format == u"ini"_s) {
        QCOMPARE(result.lines().size(), qsizetype(ContactFields.size()) + 1);
        QVERIFY(result.lines().contains(u"pOtherEmail=ann.lee@mail.example|al@home.example"_s));
    }
}

void TestCalbrey::mailClientQueryLineByLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("lines");
    const QStringList ann{
        u"ann@example.org\tAnn Lee\tmain"_s, u"ann.lee@mail.example\tAnn Lee\tother"_s,
        u"al@home.example\tAnn Lee\tother"_s, u"ann@acme.example\tAnn Lee\twork"_s};
    QTest::newRow("mutt") << QStringList{u"email"_s, u"--parsable"_s, u"ann"_s}
                          << QStringList{u"searching for 'ann' ..."_s} + ann;
    QTest::newRow("aerc") << QStringList{u"email"_s, u"--parsable"_s, u"--remove-first-line"_s,
                                         u"ann"_s}
                          << ann;
    QTest::newRow("found by another address")
        << QStringList{u"email"_s, u"--parsable"_s, u"--remove-first-line"_s, u"acme"_s} << ann;
    QTest::newRow("without accents")
        << QStringList{u"email"_s, u"--parsable"_s, u"--remove-first-line"_s, u"muller"_s}
        << QStringList{u"bm@example.de\tBjørn Müller\tmain"_s};
    QTest::newRow("without case, no real name: the contact name")
        << QStringList{u"email"_s, u"--parsable"_s, u"--remove-first-line"_s, u"CHLOÉ"_s}
        << QStringList{u"chloe@example.fr\tChloé\tmain"_s};
    QTest::newRow("by nick name") << QStringList{u"email"_s, u"--parsable"_s,
                                                 u"--remove-first-line"_s, u"clo"_s}
                                  << QStringList{u"chloe@example.fr\tChloé\tmain"_s};
    QTest::newRow("for a person") << QStringList{u"email"_s, u"müller"_s}
                                  << QStringList{u"Bjørn Müller <bm@example.de> (main)"_s};
}

void TestCalbrey::mailClientQueryLineByLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lines);
    const CalbreyResult result = calbrey(arguments);
    QVERIFY2(result.status == 0, Describe(result));
    QCOMPARE(result.lines(), lines);
    QVERIFY(!result.out.contains('\r'));
}

void TestCalbrey::phoneQuery_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("lines");
    const QStringList ann{u"+47 555 1234\tAnn Lee\tmobile"_s,
                          u"22 33 44 55 ext. 12\tAnn Lee\thome"_s,
                          u"22 99 88 77\tAnn Lee\twork fax"_s};
    QTest::newRow("by name") << u"lee"_s << ann;
    QTest::newRow("digits written otherwise") << u"2233-44"_s << ann;
    QTest::newRow("part of a number") << u"555 12"_s << ann;
}

void TestCalbrey::phoneQuery()
{
    QFETCH(QString, query);
    QFETCH(QStringList, lines);
    const CalbreyResult result = calbrey({u"phone"_s, u"--parsable"_s, query});
    QVERIFY2(result.status == 0, Describe(result));
    QCOMPARE(result.lines(), lines);
}

void TestCalbrey::addWritesTheWholeContact()
{
    const CalbreyResult result =
        calbrey({u"add"_s, u"Eve Adams"_s, u"email=eve@example.org"_s, u"MOBILE=555"_s,
                 u"wCompany=Globex"_s, u"notes=one\ntwo"_s, u"category=Friend"_s, u"picture=3"_s});
    QVERIFY2(result.status == 0, Describe(result));
    // Every key, as the editor saves a new contact; the real name follows the name.
    QCOMPARE(profile().ReadFields(u"Eve Adams"_s, {}).size(), 0);
    QStringList keys;
    for (const ContactField &f : ContactFields)
        keys.append(f.key);
    const QStringList values = profile().ReadFields(u"Eve Adams"_s, keys);
    QStringList expected(keys.size());
    const auto set = [&](const char *key, const QString &value) {
        expected[keys.indexOf(QLatin1String(key))] = value;
    };
    set("aContactName", u"Eve Adams"_s);
    set("pRealName", u"Eve Adams"_s);
    set("pEmailAddress", u"eve@example.org"_s);
    set("pMobile", u"555"_s);
    set("wCompany", u"Globex"_s);
    set("aNotes", u"one|two"_s);
    set("aContactCat", u"Friend"_s);
    set("aIcon", u"3"_s);
    QCOMPARE(values, expected);
    // The other contacts are as they were.
    QCOMPARE(field(u"Ann Lee"_s, u"pOtherEmail"_s), u"ann.lee@mail.example|al@home.example"_s);
}

void TestCalbrey::editChangesOnlyTheGivenFields()
{
    const CalbreyResult result = calbrey({u"edit"_s, u"Ann Lee"_s, u"email=new@example.org"_s,
                                          u"hPhoneExt="_s, u"home-city=Bergen"_s});
    QVERIFY2(result.status == 0, Describe(result));
    QCOMPARE(field(u"Ann Lee"_s, u"pEmailAddress"_s), u"new@example.org"_s);
    QCOMPARE(field(u"Ann Lee"_s, u"hPhoneExt"_s), QString());
    QCOMPARE(field(u"Ann Lee"_s, u"hCitg"_s), u"Bergen"_s);
    QCOMPARE(field(u"Ann Lee"_s, u"pMobile"_s), u"+47 555 1234"_s);
}

void TestCalbrey::removeTakesAllOrNone()
{
    const QByteArray before = book();
    const CalbreyResult missing = calbrey({u"remove"_s, u"Dan"_s, u"Nobody"_s});
    QCOMPARE(missing.status, 1);
    QCOMPARE(book(), before);

    const CalbreyResult removed = calbrey({u"remove"_s, u"Dan"_s, u"Chloé"_s});
    QVERIFY2(removed.status == 0, Describe(removed));
    QVERIFY(removed.err.isEmpty()); // no question, nothing to answer
    QStringList names;
    profile().GetContactNames(names);
    QCOMPARE(names, (QStringList{u"Ann Lee"_s, u"Bjørn Müller"_s}));
}

void TestCalbrey::addressChecksFollowTheProfile()
{
    // The profile checks web addresses by default, e-mail addresses when asked to.
    CalbreyResult result = calbrey({u"add"_s, u"Eve"_s, u"email=not-an-address"_s});
    QVERIFY2(result.status == 0, Describe(result));
    result = calbrey({u"add"_s, u"Fay"_s, u"homepage=www.fay.example"_s});
    QCOMPARE(result.status, 1);
    QVERIFY2(result.error().contains(u"\"www.fay.example\" is not a valid web address"_s),
             result.err);
    QVERIFY(!profile().ContactExists(u"Fay"_s));

    profile().ValidateEmails = true;
    profile().SaveSettings();
    result = calbrey({u"edit"_s, u"Eve"_s, u"email=still-not"_s});
    QCOMPARE(result.status, 1);
    QVERIFY2(result.error().contains(u"\"still-not\" is not a valid e-mail address"_s), result.err);
    QCOMPARE(field(u"Eve"_s, u"pEmailAddress"_s), u"not-an-address"_s);
}

void TestCalbrey::addEmailAddsTheSender_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    const QByteArray body = "\r\nHello,\r\nFrom: not@this.one\r\n";
    QTest::newRow("name and address")
        << "Subject: hi\r\nFrom: Eve Adams <eve@example.org>\r\nTo: me@x.org\r\n" + body
        << u"Eve Adams"_s << u"eve@example.org"_s;
    QTest::newRow("mbox line, quoted name, LF line ends")
        << "From eve@example.org Mon Jan  1 00:00:00 2024\nfrom: \"Adams, Eve\" "
           "<eve@example.org>\n\nbody\n"_ba
        << u"Adams, Eve"_s << u"eve@example.org"_s;
    QTest::newRow("encoded words, folded")
        << "From: =?UTF-8?B?Wm/DqyA=?=\r\n =?iso-8859-1?Q?M=FCller?= <zoe@example.org>\r\n" + body
        << u"Zoë Müller"_s << u"zoe@example.org"_s;
    QTest::newRow("address and comment")
        << "From: eve@example.org (Eve Adams)\r\n" + body << u"Eve Adams"_s << u"eve@example.org"_s;
    QTest::newRow("address alone")
        << "From: eve@example.org\r\n" + body << u"eve@example.org"_s << u"eve@example.org"_s;
    QTest::newRow("a name book.db cannot hold")
        << "From: \"[list] Eve]\" <eve@example.org>\r\n" + body << u"eve@example.org"_s
        << u"eve@example.org"_s;
}

void TestCalbrey::addEmailAddsTheSender()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, name);
    QFETCH(QString, address);
    const CalbreyResult result = calbrey({u"add-email"_s}, message);
    QVERIFY2(result.status == 0, Describe(result));
    QCOMPARE(field(name, u"pEmailAddress"_s), address);
    QCOMPARE(field(name, u"aContactName"_s), name);
}

void TestCalbrey::addEmailKnowsItsAddresses()
{
    const QByteArray before = book();
    // Known in any letter case, as another address of a contact too.
    for (const QByteArray &from : {"Someone <AL@HOME.example>"_ba, "ann@acme.example"_ba}) {
        const CalbreyResult known = calbrey({u"add-email"_s}, "From: " + from + "\r\n\r\nhi\r\n");
        QVERIFY2(known.status == 0, Describe(known));
        QVERIFY(known.text().contains(u"is already in the address book"_s));
    }
    QCOMPARE(book(), before);

    // A new address of a contact of that name is added to the contact.
    CalbreyResult added = calbrey({u"add-email"_s}, "From: Ann Lee <ann@new.example>\r\n\r\n"_ba);
    QVERIFY2(added.status == 0, Describe(added));
    QCOMPARE(field(u"Ann Lee"_s, u"pOtherEmail"_s),
             u"ann.lee@mail.example|al@home.example|ann@new.example"_s);
    added = calbrey({u"add-email"_s}, "From: Dan <dan@example.org>\r\n\r\n"_ba);
    QCOMPARE(field(u"Dan"_s, u"pEmailAddress"_s), u"dan@example.org"_s);

    const CalbreyResult none = calbrey({u"add-email"_s}, "Subject: no sender\r\n\r\n"_ba);
    QCOMPARE(none.status, 1);
    QVERIFY(none.error().contains(u"no From: address"_s));
}

void TestCalbrey::importsByContent_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("onClash");
    QTest::addColumn<QString>("annEmail");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QString>("report");
    const QByteArray vcard =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nEMAIL:ann@vcard.example"
        "\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:Gus\r\nEND:VCARD\r\n";
    const QByteArray csv = "Name,E-mail Address\r\nAnn Lee,ann@csv.example\r\nGus,\r\n";
    const QString one = u"Imported 1 contact into the profile tester."_s;
    const QString two = u"Imported 2 contacts into the profile tester."_s;
    QTest::newRow("vCard, clash skipped")
        << vcard << u""_s << u"ann@example.org"_s << QStringList{u"Gus"_s} << one;
    QTest::newRow("CSV, clash skipped")
        << csv << u"skip"_s << u"ann@example.org"_s << QStringList{u"Gus"_s} << one;
    QTest::newRow("CSV, clash overwritten")
        << csv << u"overwrite"_s << u"ann@csv.example"_s << QStringList{u"Gus"_s} << two;
    QTest::newRow("vCard with a byte-order mark, clash renamed")
        << "\xEF\xBB\xBF" + vcard << u"rename"_s << u"ann@example.org"_s
        << QStringList{u"Ann Lee1"_s, u"Gus"_s} << two;
}

void TestCalbrey::importsByContent()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, onClash);
    QFETCH(QString, annEmail);
    QFETCH(QStringList, added);
    QFETCH(QString, report);
    QTemporaryDir dir;
    // No extension: the content tells.
    const QString path = dir.filePath(u"contacts"_s);
    ReplaceFileBytes(path, file);
    QStringList arguments{u"import"_s, path};
    if (!onClash.isEmpty())
        arguments << u"--on-clash"_s << onClash;
    const CalbreyResult result = calbrey(arguments);
    QVERIFY2(result.status == 0, Describe(result));
    QCOMPARE(field(u"Ann Lee"_s, u"pEmailAddress"_s), annEmail);
    QStringList names;
    profile().GetContactNames(names);
    QCOMPARE(names.mid(4), added);
    QCOMPARE(result.lines(), QStringList{report});
}

void TestCalbrey::exportsEachFormat_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QStringList>("contains");
    QTest::addColumn<QStringList>("lacks");
    QTest::newRow("vCard 3.0, all")
        << QStringList{u"export"_s} << "BEGIN:VCARD\r\nVERSION:3.0\r\n"_ba
        << QStringList{u"FN:Ann Lee"_s, u"FN:Dan"_s} << QStringList();
    QTest::newRow("vCard 4.0, named")
        << QStringList{u"export"_s, u"--format"_s, u"vcard4"_s, u"Dan"_s, u"Chloé"_s}
        << "BEGIN:VCARD\r\nVERSION:4.0\r\n"_ba << QStringList{u"FN:Dan"_s, u"FN:Chloé"_s}
        << QStringList{u"FN:Ann Lee"_s};
    QTest::newRow("Outlook CSV, one category")
        << QStringList{u"export"_s, u"--format=csv-outlook"_s, u"--category"_s, u"Friend"_s}
        << "\xEF\xBB\xBF"
           "First Name,Last Name,Middle Name,Name,"_ba
        << QStringList{u",Ann Lee,"_s, u",Dan,"_s, u"\"Met in Oslo\r\nLikes tea\"\r\n"_s}
        << QStringList{u"Chloé"_s};
    QTest::newRow("Google CSV") << QStringList{u"export"_s, u"--format"_s, u"csv-google"_s}
                                << "First Name,Middle Name,Last Name,Nickname,File As,"_ba
                                << QStringList{u"* Other,ann@example.org,,,Work,ann@acme.example,"
                                               u"Other,ann.lee@mail.example ::: al@home.example"_s}
                                << QStringList();
    QTest::newRow("HTML report") << QStringList{u"export"_s, u"--format"_s, u"html"_s, u"Ann Lee"_s}
                                 << "\xEF\xBB\xBF"_ba
                                 << QStringList{u"Ann Lee"_s, u"mailto:ann@example.org"_s}
                                 << QStringList{u"Chloé"_s};
}

void TestCalbrey::exportsEachFormat()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, start);
    QFETCH(QStringList, contains);
    QFETCH(QStringList, lacks);
    const CalbreyResult result = calbrey(arguments);
    QVERIFY2(result.status == 0, Describe(result));
    QVERIFY2(result.out.startsWith(start), result.out.left(80));
    for (const QString &text : contains)
        QVERIFY2(result.text().contains(text), qPrintable(text));
    for (const QString &text : lacks)
        QVERIFY2(!result.text().contains(text), qPrintable(text));

    // The same bytes into a file.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out"_s);
    const CalbreyResult toFile = calbrey(arguments + QStringList{u"-o"_s, path});
    QVERIFY2(toFile.status == 0, Describe(toFile));
    QVERIFY(toFile.out.isEmpty());
    QCOMPARE(ReadFileBytes(path), result.out);
}

void TestCalbrey::csvExportImportRoundTrip_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("keys");
    // Outlook: every field the import's column table maps. Google: what today's table knows
    // of Google's names (the name parts, the nick name and the notes).
    QTest::newRow("Outlook") << u"csv-outlook"_s
                             << QStringList{u"pNickName"_s, u"pEmailAddress"_s, u"hAddress"_s,
                                            u"hCitg"_s,     u"hZipCode"_s,      u"hState"_s,
                                            u"hCountry"_s,  u"hPhone"_s,        u"hFax"_s,
                                            u"pMobile"_s,   u"pHomePage"_s,     u"wAddress"_s,
                                            u"wCity"_s,     u"wZipCode"_s,      u"wState"_s,
                                            u"wCountry"_s,  u"wWebSite"_s,      u"wPhoneNumber"_s,
                                            u"wFax"_s,      u"hPager"_s,        u"wCompany"_s,
                                            u"aNotes"_s};
    QTest::newRow("Google") << u"csv-google"_s << QStringList{u"pNickName"_s, u"aNotes"_s};
}

void TestCalbrey::csvExportImportRoundTrip()
{
    QFETCH(QString, format);
    QFETCH(QStringList, keys);
    const QString name = u"Zoë Anne Kowalski"_s;
    m_profile->fill({{name, wholeContact()}});
    QTemporaryDir dir;
    const QString path = dir.filePath(u"contacts.csv"_s);
    const CalbreyResult exported = calbrey({u"export"_s, u"--format"_s, format, u"-o"_s, path});
    QVERIFY2(exported.status == 0, Describe(exported));
    // Every row ends in CR LF; a line break inside a value is CR LF inside quotes.
    const QByteArray bytes = ReadFileBytes(path);
    QVERIFY(bytes.contains("\"First line, with a comma\r\nSecond \"\"quoted\"\" line\""));
    if (format == u"csv-outlook"_s) {
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(bytes.count("\r\n"), 2 + 1 + 1); // two rows, the notes' and the address's break
    } else {
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    }

    {
        ScriptedMessageBox boxes;
        QVERIFY(CreateProfile(u"copy"_s));
    }
    const CalbreyResult imported =
        RunCalbrey(m_profile->folder().path(), {u"--profile"_s, u"copy"_s, u"import"_s, path});
    QVERIFY2(imported.status == 0, Describe(imported));
    TProfile copy(u"copy"_s);
    QStringList names;
    copy.GetContactNames(names);
    QCOMPARE(names, QStringList{name});
    for (const QString &key : keys)
        QVERIFY2(copy.ReadField(name, key) == field(name, key),
                 qPrintable(key + u": "_s + copy.ReadField(name, key)));
}

void TestCalbrey::backupAndRestore()
{
    QTemporaryDir dir;
    const QString backup = dir.filePath(u"tester.qcbak"_s);
    CalbreyResult result = calbrey({u"backup"_s, backup});
    QVERIFY2(result.status == 0, Describe(result));
    QVERIFY(ReadFileBytes(backup).startsWith("Quenlark Calbrey Profile Backup\r\ntester\r\n"));
    const QByteArray before = book();

    QCOMPARE(calbrey({u"remove"_s, u"Dan"_s}).status, 0);
    result = calbrey({u"restore"_s, backup, u"--yes"_s});
    QVERIFY2(result.status == 0, Describe(result));
    QCOMPARE(book(), before);

    // A backup of another profile, with the window's text on one line.
    {
        ScriptedMessageBox boxes;
        QVERIFY(CreateProfile(u"Other"_s));
    }
    const QString other = dir.filePath(u"other.qcbak"_s);
    QCOMPARE(
        RunCalbrey(m_profile->folder().path(), {u"--profile"_s, u"Other"_s, u"backup"_s, other})
            .status,
        0);
    result = calbrey({u"restore"_s, other, u"--yes"_s});
    QCOMPARE(result.status, 1);
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.error().startsWith(u"calbrey: You must be logged in as \"Other\" to restore "
                                       "this profile. If this profile"_s),
             result.err);
    QCOMPARE(book(), before);

    result = calbrey({u"restore"_s, dir.filePath(u"missing"_s), u"--yes"_s});
    QCOMPARE(result.status, 1);
    QVERIFY2(result.error().contains(u"Unable to read"_s), result.err);
}

void TestCalbrey::failedWritesLeaveFilesAlone_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("shell");
    QTest::addColumn<QString>("unwritten");
    // book.db of the sample is well over 1 KB; ulimit -f counts blocks of 512 or 1024 bytes.
    QTest::newRow("full disk, add")
        << QStringList{u"add"_s, u"Eve"_s} << u"ulimit -f 1"_s << u"book"_s;
    QTest::newRow("full disk, edit")
        << QStringList{u"edit"_s, u"Ann Lee"_s, u"notes=new"_s} << u"ulimit -f 1"_s << u"book"_s;
    QTest::newRow("full disk, import")
        << QStringList{u"import"_s, u"CSV"_s} << u"ulimit -f 1"_s << u"book"_s;
    QTest::newRow("export into a missing folder")
        << QStringList{u"export"_s, u"-o"_s, u"MISSING/out.vcf"_s} << QString() << u"export"_s;
    QTest::newRow("export where a folder stands")
        << QStringList{u"export"_s, u"-o"_s, u"FOLDER"_s} << QString() << u"export"_s;
    QTest::newRow("export on a full disk")
        << QStringList{u"export"_s, u"--format"_s, u"csv-google"_s, u"-o"_s, u"EXISTING"_s}
        << u"ulimit -f 1"_s << u"export"_s;
    QTest::newRow("backup into a missing folder")
        << QStringList{u"backup"_s, u"MISSING/b.qcbak"_s} << QString() << u"export"_s;
}

void TestCalbrey::failedWritesLeaveFilesAlone()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, shell);
    QFETCH(QString, unwritten);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(u"FOLDER"_s);
    const QString existing = dir.filePath(u"EXISTING"_s);
    ReplaceFileBytes(existing, "the earlier export");
    const QString csv = dir.filePath(u"new.csv"_s);
    ReplaceFileBytes(csv, "Name,Notes\r\nGus," + QByteArray(4000, 'x') + "\r\n");
    for (QString &argument : arguments) {
        argument.replace(u"MISSING"_s, dir.filePath(u"missing"_s));
        argument.replace(u"FOLDER"_s, dir.filePath(u"FOLDER"_s));
        argument.replace(u"EXISTING"_s, existing);
        if (argument == u"CSV"_s)
            argument = csv;
    }
    const QByteArray before = book();
    const CalbreyResult result = calbrey(arguments, QByteArray(), shell);
    QVERIFY2(result.status == 1, Describe(result));
    QVERIFY2(result.error().startsWith(u"calbrey: "_s), result.err);
    QVERIFY2(result.error().contains(u"nable to write to"_s), result.err);
    QCOMPARE(book(), before);
    QCOMPARE(ReadFileBytes(existing), "the earlier export"_ba);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
             (QStringList{u"EXISTING"_s, u"FOLDER"_s, u"new.csv"_s}));
    if (unwritten == u"book"_s)
        QVERIFY2(result.error().contains(m_profile->databasePath()), result.err);
}

void TestCalbrey::concurrentAdditionsAllSurvive()
{
    // Two scripts adding contacts at the same time: each addition replays itself over the
    // other's, so every one of them is in the book at the end.
    constexpr int each = 15;
    const QString program = qEnvironmentVariable("CALBREY_CLI");
    const QString script =
        u"i=0; while [ $i -lt %1 ]; do i=$((i+1)); \"$0\" --program-folder \"$1\" "
        "--profile tester add \"$2$i\" || exit 1; done"_s.arg(each);
    std::vector<std::unique_ptr<QProcess>> scripts;
    for (const QString &prefix : {u"Left "_s, u"Right "_s}) {
        scripts.push_back(std::make_unique<QProcess>());
        scripts.back()->start(u"sh"_s,
                              {u"-c"_s, script, program, m_profile->folder().path(), prefix});
    }
    for (const auto &running : scripts) {
        QVERIFY(running->waitForFinished(300000));
        QVERIFY2(running->exitCode() == 0, running->readAllStandardError());
    }
    QStringList names;
    profile().GetContactNames(names);
    QCOMPARE(names.size(), 4 + 2 * each);
    for (int i = 1; i <= each; ++i) {
        QVERIFY(names.contains(u"Left "_s + QString::number(i)));
        QVERIFY(names.contains(u"Right "_s + QString::number(i)));
    }
}

QTEST_GUILESS_MAIN(TestCalbrey)
#include "tst_calbrey.moc"
