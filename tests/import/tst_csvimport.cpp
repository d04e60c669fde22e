// The import's logic: the field table, column keys, contact names, name clashes, the one
// batch with its progress and Cancel, and the grid's model.
#include "fulldisk.h"
#include "scriptedquestion.h"
#include "testfiles.h"
#include "testprofile.h"

#include "import/contactimport.h"
#include "import/csvcontacts.h"
#include "import/csvparser.h"
#include "import/csvtablemodel.h"
#include "platform/calbreyerror.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Cancels at its cancelAt-th call.
class CancellingProgress : public TImportProgress
{
public:
    explicit CancellingProgress(int cancelAt) : m_cancelAt(cancelAt) {}
    bool Advance(qsizetype, qsizetype) override { return ++m_calls < m_cancelAt; }

private:
    int m_calls = 0;
    int m_cancelAt;
};

TImportResult importCsv(const TCsvTable &table, TClashQuestion &question,
                        TImportProgress *progress = nullptr)
{
    const TCsvContacts contacts(table, LoadFieldAlignmentTable());
    TContactImport import(*ActiveProfile, question, progress);
    return import.Run(contacts.Count(), [&](qsizetype i) { return contacts.Contact(i); });
}

TImportResult importCsv(const QByteArray &csv, TClashQuestion &question)
{
    return importCsv(TCsvParser::Parse(csv), question);
}

QByteArray rowsOfNames(int count)
{
    QByteArray csv = "Name,Mobile Phone\r\n";
    for (int i = 0; i < count; ++i)
        csv += "Contact " + QByteArray::number(i) + ",555\r\n";
    return csv;
}

const QString Header = u"# Quenlark Calbrey CSV Field Alignment def file. "_s;

} // namespace

class TestCsvImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fieldTableIsTheBuiltInResource();
    void columnKeys_data();
    void columnKeys();
    void buildsContactNames_data();
    void buildsContactNames();

    void importsTheRowsOfTheFile();
    void renamesWithTheFirstFreeNumber_data();
    void renamesWithTheFirstFreeNumber();
    void resolvesEachClashAsAnswered();
    void answerForAllRemainingClashesAsksOnce();
    void cancelLeavesBookDbByteForByte();
    void failedWriteLeavesBookDbAndSaysWhere();
    void hostileFilesImportWithoutCrash_data();
    void hostileFilesImportWithoutCrash();

    void modelShowsAndEditsTheTable();

private:
    std::unique_ptr<TestProfile> m_profile;
};

void TestCsvImport::init()
{
    m_profile = std::make_unique<TestProfile>();
    QVERIFY(m_profile->activated());
}

void TestCsvImport::cleanup()
{
    m_profile.reset();
}

void TestCsvImport::fieldTableIsTheBuiltInResource()
{
    // The CSV column header and the field key it fills, in the table's order.
    const char *const pairs =
        "First Name|.name|Last Name|.name|Middle Name|.name|Name|.name|Nickname|pNickName|"
        "E-mail Address|pEmailAddress|Home Street|hAddress|Home City|hCitg|"
        "Home Postal Code|hZipCode|Home State|hState|Home Country/Region|hCountry|"
        "Home Phone|hPhone|Home Fax|hFax|Mobile Phone|pMobile|Personal Web Page|pHomePage|"
        "Business Street|wAddress|Business City|wCity|Business Postal Code|wZipCode|"
        "Business State|wState|Business Country/Region|wCountry|Business Web Page|wWebSite|"
        "Business Phone|wPhoneNumber|Business Fax|wFax|Pager|hPager|Company|wCompany|"
        "Notes|aNotes";
    QFile resource(u":/rescsv.def"_s);
    QVERIFY(resource.open(QIODevice::ReadOnly));
    QCOMPARE(resource.readAll(),
             QString(Header + u'|' + QLatin1String(pairs)).replace(u'|', u"\r\n"_s).toLatin1());
    QCOMPARE(LoadFieldAlignmentTable().size(), 53);
}

void TestCsvImport::columnKeys_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("key");
    QTest::newRow("as in the table") << u"Home City"_s << u"hCitg"_s;
    QTest::newRow("lower case") << u"name"_s << u".name"_s;
    QTest::newRow("capitals") << u"E-MAIL ADDRESS"_s << u"pEmailAddress"_s;
    QTest::newRow("unknown") << u"Title"_s << u"N/A"_s;
    QTest::newRow("empty") << QString() << u"N/A"_s;
    QTest::newRow("blank around it") << u" Notes"_s << u"N/A"_s;
    QTest::newRow("a key line: the line after it") << u"pnickname"_s << u"E-mail Address"_s;
    QTest::newRow("the comment line") << Header << u"First Name"_s;
    QTest::newRow("the last line has none after it") << u"aNotes"_s << u"N/A"_s;
}

void TestCsvImport::columnKeys()
{
    QFETCH(QString, header);
    QFETCH(QString, key);
    QCOMPARE(ColumnKeys({header}, LoadFieldAlignmentTable()), QStringList{key});
}

void TestCsvImport::buildsContactNames_data()
{
    // Headers and cells as CSV lines.
    QTest::addColumn<QString>("headers");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("name");

    const QString all = u"Name,First Name,Middle Name,Last Name,Nickname,E-mail Address"_s;
    QTest::newRow("Name first") << all << u"Lee & Co,Ann,,Lee,annie,a@x"_s << u"Lee & Co"_s;
    QTest::newRow("first, middle, last") << all << u",Ann,M,Lee,,"_s << u"Ann M Lee"_s;
    QTest::newRow("no middle name: two blanks") << all << u",Ann,,Lee,,"_s << u"Ann  Lee"_s;
    QTest::newRow("first only, trimmed") << all << u",Ann,,,,"_s << u"Ann"_s;
    QTest::newRow("last only, trimmed") << all << u",,,Lee,,"_s << u"Lee"_s;
    QTest::newRow("a part's own blanks") << all << u", Ann ,,,,"_s << u"Ann"_s;
    QTest::newRow("nickname") << all << u",,,,annie,a@x"_s << u"annie"_s;
    QTest::newRow("e-mail address") << all << u",,,,,a@x"_s << u"a@x"_s;
    QTest::newRow("nothing") << all << u",,,,,"_s << QString();
    QTest::newRow("blanks only count as empty") << all << u"  , ,,\t, ,a@x"_s << u"a@x"_s;
    QTest::newRow("no middle name column")
        << u"First Name,Last Name"_s << u"Ann,Lee"_s << u"Ann  Lee"_s;
    QTest::newRow("headers in other cases") << u"NICKNAME,name"_s << u"annie,Ann"_s << u"Ann"_s;
    QTest::newRow("a row shorter than the header") << all << u",Ann"_s << u"Ann"_s;
}

void TestCsvImport::buildsContactNames()
{
    QFETCH(QString, headers);
    QFETCH(QString, cells);
    QFETCH(QString, name);
    QCOMPARE(BuildContactName(cells.split(u','), TNameColumns::Find(headers.split(u','))), name);
}

void TestCsvImport::importsTheRowsOfTheFile()
{
    m_profile->fill({{u"Old"_s, {{u"aNotes"_s, u"kept"_s}}}});
    TCsvTable table = TCsvParser::Parse("First Name,Last Name,Title,Notes,Home Street\r\n"
                                        "Ann,Lee,Dr,,\"1 Road\r\nFlat 2\"\r\n"
                                        ",,,,\r\n"
                                        "Bob,,,n,\r\n"
                                        "A]b,,,,\r\n"_ba);
    table.SetCell(3, 3, u"edited"_s);
    ScriptedQuestion question;
    const TImportResult result = importCsv(table, question);

    QCOMPARE(result.added, 2);
    QCOMPARE(result.unstorable, QList<qsizetype>{3}); // never stored under another name
    QVERIFY(question.asked.isEmpty());
    TProfile &profile = m_profile->profile();
    QStringList names;
    profile.GetContactNames(names);
    QCOMPARE(names, QStringList({u"Old"_s, u"Ann  Lee"_s, u"Bob"_s}));
    // The later ".name" column wins; empty cells are written as empty values; only known
    // columns are written.
    QCOMPARE(profile.ReadField(u"Ann  Lee"_s, u".name"_s), u"Lee"_s);
    QCOMPARE(profile.ReadMultiLineField(u"Ann  Lee"_s, u"hAddress"_s), u"1 Road\r\nFlat 2"_s);
    QCOMPARE(profile.ReadField(u"Bob"_s, u"aNotes"_s), u"edited"_s);
    const QByteArray book = ReadFileBytes(m_profile->databasePath());
    QVERIFY(book.endsWith("[Bob]\r\n.name=\r\naNotes=edited\r\nhAddress=\r\n"));
    QVERIFY(!book.contains("Title") && !book.contains("aContactName"));
}

void TestCsvImport::renamesWithTheFirstFreeNumber_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("renamed");
    QTest::newRow("a gap") << QStringList{u"Ann Lee"_s, u"Ann Lee1"_s, u"Ann Lee3"_s}
                           << u"ann lee"_s << u"ann lee2"_s;
    QTest::newRow("a name ending in a digit")
        << QStringList{u"Room 1"_s} << u"Room 1"_s << u"Room 11"_s;
}

void TestCsvImport::renamesWithTheFirstFreeNumber()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, name);
    QFETCH(QString, renamed);
    QList<TestContact> book;
    for (const QString &contact : existing)
        book.append({contact, {{u"aContactName"_s, contact}}});
    m_profile->fill(book);
    QCOMPARE(TContactImport::FirstFreeName(m_profile->profile(), name), renamed);

    // Renaming all remaining clashes counts on from the names already given.
    ScriptedQuestion question;
    question.script = {{TClashAction::Rename, true}};
    TContactImport import(m_profile->profile(), question, nullptr);
    QCOMPARE(import.ResolveExistingName(name), renamed);
    m_profile->profile().WriteField(renamed, u"k"_s, u"v"_s);
    const QString next = import.ResolveExistingName(name);
    QCOMPARE(question.asked.size(), 1);
    QVERIFY(next != renamed && !m_profile->profile().ContactExists(next));
    QCOMPARE(next, TContactImport::FirstFreeName(m_profile->profile(), name));
}

void TestCsvImport::resolvesEachClashAsAnswered()
{
    m_profile->fill({{u"Ann Lee"_s, {{u"pMobile"_s, u"1"_s}, {u"hCitg"_s, u"Oslo"_s}}}});
    ScriptedQuestion question;
    question.script = {{TClashAction::Overwrite, false},
                       {TClashAction::Skip, false},
                       {TClashAction::Rename, false},
                       {TClashAction::Rename, false}};
    const TImportResult result = importCsv("Name,Mobile Phone\r\nAnn Lee,2\r\nANN LEE,3\r\n"
                                           "Ann Lee,4\r\nAnn Lee,5\r\n"_ba,
                                           question);

    QCOMPARE(result.added, 3);
    QCOMPARE(question.asked.size(), 4);
    TProfile &profile = m_profile->profile();
    // Overwritten: the columns of the file replaced, the other fields kept.
    QCOMPARE(profile.ReadField(u"Ann Lee"_s, u"pMobile"_s), u"2"_s);
    QCOMPARE(profile.ReadField(u"Ann Lee"_s, u"hCitg"_s), u"Oslo"_s);
    // Renamed twice: the second rename clashes with the first one's contact.
    QCOMPARE(profile.ReadField(u"Ann Lee1"_s, u"pMobile"_s), u"4"_s);
    QCOMPARE(profile.ReadField(u"Ann Lee2"_s, u"pMobile"_s), u"5"_s);
    QCOMPARE(profile.ReadField(u"Ann Lee1"_s, u"hCitg"_s), QString());
    QStringList names;
    profile.GetContactNames(names);
    QCOMPARE(names.size(), 3);
}

void TestCsvImport::answerForAllRemainingClashesAsksOnce()
{
    const QByteArray csv = rowsOfNames(1000);
    ScriptedQuestion question;
    QCOMPARE(importCsv(csv, question).added, 1000);
    QVERIFY(question.asked.isEmpty());

    question.script = {{TClashAction::Overwrite, true}};
    QCOMPARE(importCsv(csv, question).added, 1000);
    question.script = {{TClashAction::Skip, true}};
    QCOMPARE(importCsv(csv, question).added, 0);
    question.script = {{TClashAction::Rename, true}};
    QCOMPARE(importCsv(csv, question).added, 1000);
    QCOMPARE(question.asked.size(), 3);

    QStringList names;
    m_profile->profile().GetContactNames(names);
    QCOMPARE(names.size(), 2000);
    QCOMPARE(names.last(), u"Contact 9991"_s);
}

void TestCsvImport::cancelLeavesBookDbByteForByte()
{
    m_profile->fill({{u"Contact 5"_s, {{u"pMobile"_s, u"1"_s}}}});
    const QByteArray before = ReadFileBytes(m_profile->databasePath());
    // Cancelled at the third look at the progress, after the 512th contact; and at the last.
    for (const int cancelAt : {3, 5}) {
        ScriptedQuestion question;
        question.script = {{TClashAction::Overwrite, true}};
        CancellingProgress progress(cancelAt);
        const TImportResult result =
            importCsv(TCsvParser::Parse(rowsOfNames(1000)), question, &progress);
        QVERIFY(result.cancelled);
        QCOMPARE(result.added, 0);
        QCOMPARE(ReadFileBytes(m_profile->databasePath()), before);
        QVERIFY(!m_profile->profile().ContactExists(u"Contact 6"_s));
    }
}

void TestCsvImport::failedWriteLeavesBookDbAndSaysWhere()
{
    m_profile->fill({{u"Old"_s, {{u"k"_s, u"v"_s}}}});
    const QString path = m_profile->databasePath();
    const QByteArray before = ReadFileBytes(path);
    SKIP_WITHOUT_FULL_DISK();
    const int code = RunWithFileSizeLimit(before.size() + 100, [&] {
        try {
            ScriptedQuestion question;
            importCsv(rowsOfNames(200), question);
            return 1;
        } catch (const CalbreyError &error) {
            return error.message() == u"Unable to write to "_s + path ? 0 : 2;
        }
    });
    QCOMPARE(code, 0);
    QCOMPARE(ReadFileBytes(path), before);
    QVERIFY(!m_profile->profile().ContactExists(u"Contact 1"_s));
}

void TestCsvImport::hostileFilesImportWithoutCrash_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("added");

    QByteArray binary(1 << 18, Qt::Uninitialized);
    for (qsizetype i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 7919 + i / 13) & 0xFF);
    QTest::newRow("binary") << "Name\r\n" + binary << -1;
    QTest::newRow("10 MB notes") << "Name,Notes\r\nAnn,\"" + QByteArray(10 << 20, 'n') + "\"\r\n"
                                 << 1;
    QTest::newRow("5,000 columns") << "Name," + QByteArray("x,").repeated(4998) + "Notes\r\nAnn," +
                                          QByteArray(",").repeated(4998) + "n"
                                   << 1;
    QTest::newRow("unbalanced quotes") << "Name,Notes\r\n\"Ann,x\r\nBob,y"_ba << 1;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("header only") << "Name\r\n"_ba << 0;
}

void TestCsvImport::hostileFilesImportWithoutCrash()
{
    QFETCH(QByteArray, file);
    QFETCH(int, added);
    ScriptedQuestion question;
    const TImportResult result = importCsv(file, question);
    if (added >= 0)
        QCOMPARE(result.added, added);
    QStringList names;
    m_profile->profile().GetContactNames(names);
    QCOMPARE(names.size(), result.added);
}

void TestCsvImport::modelShowsAndEditsTheTable()
{
    TCsvTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.columnCount(), 1);

    model.SetTable(TCsvParser::Parse("Name,Notes\r\nAnn,a\r\nBob\r\n"_ba));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(1, Qt::Horizontal), QVariant(u"Notes"_s));
    QCOMPARE(model.headerData(1, Qt::Vertical), QVariant(2));
    QCOMPARE(model.index(1, 1).data(), QVariant(QString()));
    QVERIFY(model.flags(model.index(1, 1)) & Qt::ItemIsEditable);

    QVERIFY(model.setData(model.index(1, 1), u"b"_s));
    QCOMPARE(model.index(1, 1).data(), QVariant(u"b"_s));
    QCOMPARE(model.Table().Row(2), QStringList({u"Bob"_s, u"b"_s}));
}

QTEST_GUILESS_MAIN(TestCsvImport)
#include "tst_csvimport.moc"
