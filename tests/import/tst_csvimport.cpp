// The import's logic: the field table, column keys, contact names, name clashes, the one
// batch with its progress and Cancel, and the grid's model.
#include "fulldisk.h"
#include "scriptedquestion.h"
#include "testfiles.h"
#include "testprofile.h"

#include "import/contactimport.h"
#include "import/csvcolumnmapping.h"
#include "import/csvcontacts.h"
#include "import/csvparser.h"
#include "import/csvtablemodel.h"
#include "platform/calbreyerror.h"
#include "profiles/contactfields.h"
#include "vcard/vcardfile.h"
#include "vcard/vcardmapping.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

using Fields = QList<std::pair<QString, QString>>;

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

// The value of key in fields (the last one, as book.db keeps it; empty, not null, when it is
// given empty), or a null string.
QString fieldValue(const Fields &fields, const QString &key)
{
    QString value;
    for (const auto &[fieldKey, fieldText] : fields)
        if (fieldKey.compare(key, Qt::CaseInsensitive) == 0)
            value = fieldText.isNull() ? u""_s : fieldText;
    return value;
}

// The extra properties of a stored contact, as content lines.
QStringList storedExtras(const QString &name)
{
    QStringList lines;
    for (const TVCardProperty &property :
         DecodeVCardExtras(ActiveProfile->ReadField(name, QLatin1String(VCardExtraKey))))
        lines.append(property.contentLine());
    return lines;
}

// Each exporter's file, written from the columns it exports.
const QByteArray googleExport =
    "First Name,Middle Name,Last Name,Phonetic First Name,Name Prefix,Nickname,File As,"
    "Organization Name,Organization Title,Birthday,Notes,Photo,Labels,"
    "E-mail 1 - Label,E-mail 1 - Value,E-mail 2 - Label,E-mail 2 - Value,"
    "Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,Phone 3 - Label,"
    "Phone 3 - Value,Address 1 - Label,Address 1 - Formatted,Address 1 - Street,"
    "Address 1 - City,Address 1 - PO Box,Address 1 - Region,Address 1 - Postal Code,"
    "Address 1 - Country,Address 1 - Extended Address,Address 2 - Label,Address 2 - Formatted,"
    "Address 2 - Street,Address 2 - City,Address 2 - PO Box,Address 2 - Region,"
    "Address 2 - Postal Code,Address 2 - Country,Address 2 - Extended Address,"
    "Website 1 - Label,Website 1 - Value\r\n"
    "Ann,,Lee,,,annie,,Acme,Engineer,1980-02-03,Met in Oslo,,"
    "* myContacts ::: Friends ::: * starred,"
    "* Home,ann@home.example ::: ann2@home.example,Work,ann@acme.example,"
    "Mobile,+47 900 ::: +47 901,Work Fax,+47 222,Main,+47 333,"
    "Home,\"1 Road\nOslo\",1 Road,Oslo,,Oslo,0150,Norway,Flat 2,"
    "Work,,2 Street,Bergen,PB 7,Vestland,5003,Norway,,"
    "Profile,http://ann.example\r\n"
    ",,,,,,,,,,,,* myContacts,* Other,bob@x.example ::: bob2@x.example,,,,,,,,,"
    ",,,,,,,,,,,,,,,,,,,\r\n"_ba;

const QByteArray googleOlderExport =
    "Name,Given Name,Additional Name,Family Name,Nickname,Notes,Group Membership,"
    "E-mail 1 - Type,E-mail 1 - Value,E-mail 2 - Type,E-mail 2 - Value,"
    "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,"
    "Address 1 - Type,Address 1 - Formatted,Address 1 - Street,Address 1 - City,"
    "Address 1 - PO Box,Address 1 - Region,Address 1 - Postal Code,Address 1 - Country,"
    "Address 1 - Extended Address,Organization 1 - Type,Organization 1 - Name,"
    "Organization 1 - Title,Website 1 - Type,Website 1 - Value\r\n"
    "Carl Berg,Carl,,Berg,,,* myContacts ::: Work,* Work,carl@work.example,Home,"
    "carl@home.example,Home,+46 1,Mobile,+46 2,Work,,Main St 1,Uppsala,,,75220,Sweden,,,"
    "Berg AB,CEO,Work,http://berg.example\r\n"
    ",Dora,,Falk,,,,,dora@x.example,,,,,,,,,,,,,,,,,,,,\r\n"_ba;

const QByteArray thunderbirdExport =
    "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,"
    "Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,Home Address,Home Address 2,"
    "Home City,Home State,Home ZipCode,Home Country,Work Address,Work Address 2,Work City,"
    "Work State,Work ZipCode,Work Country,Job Title,Department,Organization,Web Page 1,"
    "Web Page 2,Birth Year,Birth Month,Birth Day,Custom 1,Custom 2,Custom 3,Custom 4,Notes\r\n"
    "Eve,Holm,Eve Holm,evie,eve@x.example,eve@y.example,eveh,+45 1,+45 2,+45 3,+45 4,+45 5,"
    "Gade 1,2. sal,Aarhus,Midt,8000,Denmark,Vej 9,,Odense,Syd,5000,Denmark,Chef,Sales,"
    "Holm ApS,http://holm.example,http://eve.example,1990,5,17,,,,,\"Line 1\r\nLine 2\"\r\n"_ba;

const QByteArray outlookExport =
    "Title,First Name,Middle Name,Last Name,Suffix,Company,Business Street,Business Street 2,"
    "Business Street 3,Business City,Home Street,Home Street 2,Business Phone,"
    "Business Phone 2,Home Phone,Home Phone 2,Mobile Phone,Other Phone,Categories,"
    "E-mail Address,E-mail 2 Address,E-mail 3 Address,Web Page,Notes\r\n"
    "Dr,Finn,,Ek,Jr,Ek Oy,Katu 1,Floor 2,,Turku,Tie 3,,+358 1,+358 2,+358 3,+358 4,+358 5,"
    "+358 6,Business;Golf,finn@ek.example,finn@home.example,finn@other.example,"
    "http://finn.example,n\r\n"_ba;

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
    void columnGoesToItsField_data();
    void columnGoesToItsField();
    void importsEachExportersFile_data();
    void importsEachExportersFile();
    void extraColumnsAreKeptAndExportedAgain();
    void overwriteKeepsTheContactsOtherExtras();
    void columnsMappedByHand();

    void importsTheRowsOfTheFile();
    void renamesWithTheFirstFreeNumber_data();
    void renamesWithTheFirstFreeNumber();
    void resolvesEachClashAsAnswered();
    void answerForAllRemainingClashesAsksOnce();
    void cancelLeavesBookDbByteForByte();
    void largeImportWritesWhatSmallOnesDo();
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
    // The CSV column header and the field key it fills, in the table's order: the table the
    // program has always had comes first, unchanged; the lines added after it keep its form.
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
    const QByteArray bytes = resource.readAll();
    QVERIFY(bytes.startsWith(
        QString(Header + u'|' + QLatin1String(pairs) + u'|').replace(u'|', u"\r\n"_s).toLatin1()));
    QVERIFY(!bytes.endsWith("\n"));

    const QStringList table = LoadFieldAlignmentTable();
    QCOMPARE(table.size() % 2, 1); // the comment, then pairs
    for (qsizetype line = 2; line < table.size(); line += 2) {
        const TCsvColumnRule rule = TCsvColumnRule::FromKey(table[line], table[line - 1]);
        QVERIFY2(rule.kind != TCsvColumnKind::Extra && rule.kind != TCsvColumnKind::Skip,
                 qPrintable(table[line]));
        // Every field a key names is a contact field (or the name's own marker).
        if (rule.kind != TCsvColumnKind::ByLabel && !rule.key.isEmpty())
            QVERIFY2(FindContactField(rule.key) || rule.key == u".name"_s, qPrintable(table[line]));
    }
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
    QTest::newRow("the last line has none after it") << u"?pHomePage"_s << u"N/A"_s;
    QTest::newRow("a numbered line") << u"phone 12 - value"_s << u"@phone"_s;
    QTest::newRow("no number in place of {n}") << u"Phone  - Value"_s << u"N/A"_s;
    QTest::newRow("a word in place of {n}") << u"Phone one - Value"_s << u"N/A"_s;
    QTest::newRow("an exact line comes first") << u"E-mail 1 - Value"_s << u"?pEmailAddress"_s;
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
    const QString others =
        u"Display Name,Given Name,Additional Name,Family Name,Primary Email,E-mail 1 - Value"_s;
    QTest::newRow("display name") << others << u"Eve H,Eve,,Holm,e@x,"_s << u"Eve H"_s;
    QTest::newRow("given, additional, family")
        << others << u",Eve,K,Holm,e@x,"_s << u"Eve K Holm"_s;
    QTest::newRow("primary e-mail") << others << u",,,,e@x,f@x"_s << u"e@x"_s;
    QTest::newRow("the first of several e-mail addresses")
        << u"E-mail 1 - Value"_s << u"e@x ::: f@x"_s << u"e@x"_s;
    QTest::newRow("a part's own header comes first")
        << u"Given Name,First Name"_s << u"Eve,Ann"_s << u"Ann"_s;
}

void TestCsvImport::buildsContactNames()
{
    QFETCH(QString, headers);
    QFETCH(QString, cells);
    QFETCH(QString, name);
    QCOMPARE(BuildContactName(cells.split(u','), TNameColumns::Find(headers.split(u','))), name);
}

void TestCsvImport::columnGoesToItsField_data()
{
    // One column beside a name: the field it fills, and with what.
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");

    const auto row = [](const char *name, const QString &header, const QString &cell,
                        const QString &key, const QString &stored) {
        QTest::newRow(name) << header << cell << key << stored;
    };
    row("the table as it was", u"Business Fax"_s, u"1"_s, u"wFax"_s, u"1"_s);
    row("an empty cell is written", u"Pager"_s, QString(), u"hPager"_s, u""_s);
    row("Outlook: second e-mail", u"E-mail 2 Address"_s, u"b@x"_s, u"pOtherEmail"_s, u"b@x"_s);
    row("Outlook: web page", u"Web Page"_s, u"w"_s, u"pHomePage"_s, u"w"_s);
    row("Outlook: categories", u"Categories"_s, u"A;B"_s, u"aContactCat"_s, u"A"_s);
    row("Thunderbird: primary e-mail", u"Primary Email"_s, u"a@x"_s, u"pEmailAddress"_s, u"a@x"_s);
    row("Thunderbird: secondary e-mail", u"Secondary Email"_s, u"b@x"_s, u"pOtherEmail"_s,
        u"b@x"_s);
    row("Thunderbird: work phone", u"Work Phone"_s, u"1"_s, u"wPhoneNumber"_s, u"1"_s);
    row("Thunderbird: fax", u"Fax Number"_s, u"1"_s, u"wFax"_s, u"1"_s);
    row("Thunderbird: pager", u"Pager Number"_s, u"1"_s, u"hPager"_s, u"1"_s);
    row("Thunderbird: mobile", u"Mobile Number"_s, u"1"_s, u"pMobile"_s, u"1"_s);
    row("Thunderbird: home zip", u"Home ZipCode"_s, u"1"_s, u"hZipCode"_s, u"1"_s);
    row("Thunderbird: work city", u"Work City"_s, u"c"_s, u"wCity"_s, u"c"_s);
    row("Thunderbird: web page 1", u"Web Page 1"_s, u"w"_s, u"wWebSite"_s, u"w"_s);
    row("Thunderbird: web page 2", u"Web Page 2"_s, u"w"_s, u"pHomePage"_s, u"w"_s);
    row("Thunderbird: organization", u"Organization"_s, u"o"_s, u"wCompany"_s, u"o"_s);
    row("Google: organization", u"Organization Name"_s, u"o"_s, u"wCompany"_s, u"o"_s);
    row("Google, older: organization", u"Organization 1 - Name"_s, u"o"_s, u"wCompany"_s, u"o"_s);
    row("Google, older: given name", u"Given Name"_s, u"g"_s, u".name"_s, u"g"_s);
    row("Google: labels", u"Labels"_s, u"* myContacts ::: Family"_s, u"aContactCat"_s, u"Family"_s);
    row("Google: only its own label", u"Group Membership"_s, u"* myContacts"_s, u"aContactCat"_s,
        u""_s);
    row("Google: first e-mail", u"E-mail 1 - Value"_s, u"a@x ::: b@x"_s, u"pEmailAddress"_s,
        u"a@x"_s);
    row("Google: the next of its values", u"E-mail 1 - Value"_s, u"a@x ::: b@x ::: c@x"_s,
        u"pOtherEmail"_s, u"b@x|c@x"_s);
    row("Google: an e-mail without a label", u"E-mail 3 - Value"_s, u"c@x"_s, u"pOtherEmail"_s,
        u"c@x"_s);
    row("Google: a website without a label", u"Website 1 - Value"_s, u"w"_s, u"pHomePage"_s,
        u"w"_s);
    row("letter case", u"MOBILE NUMBER"_s, u"1"_s, u"pMobile"_s, u"1"_s);
    row("unknown: kept", u"Birthday"_s, u"1980-02-03"_s, u"xVCardExtra"_s,
        u"X-CSV-BIRTHDAY:1980-02-03"_s);
    row("unknown: escaped", u"Job title"_s, u"a, b; c|d"_s, u"xVCardExtra"_s,
        u"X-CSV-JOB-TITLE:a\\, b\\; c\\nd"_s);
    row("unknown: a header of other letters", u"Straße geschäftlich"_s, u"1"_s, u"xVCardExtra"_s,
        u"X-CSV-STRA-E-GESCHAFTLICH:1"_s);
    row("unknown: empty cell", u"Birthday"_s, QString(), u"xVCardExtra"_s, QString());
    row("a column without a header", QString(), u"1"_s, u"xVCardExtra"_s, QString());
}

void TestCsvImport::columnGoesToItsField()
{
    QFETCH(QString, header);
    QFETCH(QString, cell);
    QFETCH(QString, key);
    QFETCH(QString, stored);
    const TCsvTable table = TCsvParser::Parse(
        (u"Name,\""_s + header + u"\"\r\nAnn,\""_s + cell + u"\"\r\n"_s).toUtf8());
    const TCsvContacts contacts(table, LoadFieldAlignmentTable());
    const TImportedContact contact = contacts.Contact(0);
    QCOMPARE(contact.name, u"Ann"_s);
    const QString value = fieldValue(contact.fields, key);
    QCOMPARE(value.isNull(), stored.isNull());
    QCOMPARE(value, stored);
}

void TestCsvImport::importsEachExportersFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QStringList>("extras");

    QTest::newRow("Google Contacts") << googleExport << u"Ann  Lee"_s
                                     << Fields{{u"pNickName"_s, u"annie"_s},
                                               {u"wCompany"_s, u"Acme"_s},
                                               {u"aNotes"_s, u"Met in Oslo"_s},
                                               {u"aContactCat"_s, u"Friends"_s},
                                               {u"pEmailAddress"_s, u"ann@home.example"_s},
                                               {u"pOtherEmail"_s, u"ann2@home.example"_s},
                                               {u"wEmail"_s, u"ann@acme.example"_s},
                                               {u"hEmail"_s, u""_s},
                                               {u"pMobile"_s, u"+47 900"_s},
                                               {u"wFax"_s, u"+47 222"_s},
                                               {u"hAddress"_s, u"1 Road|Flat 2"_s},
                                               {u"hCitg"_s, u"Oslo"_s},
                                               {u"hState"_s, u"Oslo"_s},
                                               {u"hZipCode"_s, u"0150"_s},
                                               {u"hCountry"_s, u"Norway"_s},
                                               {u"wAddress"_s, u"2 Street|PB 7"_s},
                                               {u"wCity"_s, u"Bergen"_s},
                                               {u"wState"_s, u"Vestland"_s},
                                               {u"wZipCode"_s, u"5003"_s},
                                               {u"wCountry"_s, u"Norway"_s},
                                               {u"pHomePage"_s, u"http://ann.example"_s}}
                                     << QStringList{u"X-CSV-ORGANIZATION-TITLE:Engineer"_s,
                                                    u"X-CSV-BIRTHDAY:1980-02-03"_s,
                                                    u"X-CSV-PHONE-1-VALUE;TYPE=Mobile:+47 901"_s,
                                                    u"X-CSV-PHONE-3-VALUE;TYPE=Main:+47 333"_s,
                                                    u"X-CSV-ADDRESS-1-FORMATTED:1 Road\\nOslo"_s,
                                                    u"X-QUENLARK-CATEGORIES:starred"_s};
    QTest::newRow("Google Contacts: a name from the e-mail")
        << googleExport << u"bob@x.example"_s
        << Fields{{u"pEmailAddress"_s, u"bob@x.example"_s},
                  {u"pOtherEmail"_s, u"bob2@x.example"_s},
                  {u"aContactCat"_s, u""_s}}
        << QStringList{};
    QTest::newRow("Google Contacts, older") << googleOlderExport << u"Carl Berg"_s
                                            << Fields{{u".name"_s, u"Berg"_s},
                                                      {u"aContactCat"_s, u"Work"_s},
                                                      {u"pEmailAddress"_s, u"carl@work.example"_s},
                                                      {u"hEmail"_s, u"carl@home.example"_s},
                                                      {u"hPhone"_s, u"+46 1"_s},
                                                      {u"pMobile"_s, u"+46 2"_s},
                                                      {u"wAddress"_s, u"Main St 1"_s},
                                                      {u"wCity"_s, u"Uppsala"_s},
                                                      {u"wZipCode"_s, u"75220"_s},
                                                      {u"wCountry"_s, u"Sweden"_s},
                                                      {u"wCompany"_s, u"Berg AB"_s},
                                                      {u"wWebSite"_s, u"http://berg.example"_s}}
                                            << QStringList{u"X-CSV-ORGANIZATION-1-TITLE:CEO"_s};
    QTest::newRow("Google Contacts, older: given and family name")
        << googleOlderExport << u"Dora  Falk"_s << Fields{{u"pEmailAddress"_s, u"dora@x.example"_s}}
        << QStringList{};
    QTest::newRow("Thunderbird") << thunderbirdExport << u"Eve Holm"_s
                                 << Fields{{u"pNickName"_s, u"evie"_s},
                                           {u"pEmailAddress"_s, u"eve@x.example"_s},
                                           {u"pOtherEmail"_s, u"eve@y.example"_s},
                                           {u"wPhoneNumber"_s, u"+45 1"_s},
                                           {u"hPhone"_s, u"+45 2"_s},
                                           {u"wFax"_s, u"+45 3"_s},
                                           {u"hPager"_s, u"+45 4"_s},
                                           {u"pMobile"_s, u"+45 5"_s},
                                           {u"hAddress"_s, u"Gade 1|2. sal"_s},
                                           {u"hCitg"_s, u"Aarhus"_s},
                                           {u"hState"_s, u"Midt"_s},
                                           {u"hZipCode"_s, u"8000"_s},
                                           {u"hCountry"_s, u"Denmark"_s},
                                           {u"wAddress"_s, u"Vej 9"_s},
                                           {u"wCity"_s, u"Odense"_s},
                                           {u"wState"_s, u"Syd"_s},
                                           {u"wZipCode"_s, u"5000"_s},
                                           {u"wCountry"_s, u"Denmark"_s},
                                           {u"wCompany"_s, u"Holm ApS"_s},
                                           {u"wWebSite"_s, u"http://holm.example"_s},
                                           {u"pHomePage"_s, u"http://eve.example"_s},
                                           {u"aNotes"_s, u"Line 1|Line 2"_s}}
                                 << QStringList{
                                        u"X-CSV-SCREEN-NAME:eveh"_s, u"X-CSV-JOB-TITLE:Chef"_s,
                                        u"X-CSV-DEPARTMENT:Sales"_s, u"X-CSV-BIRTH-YEAR:1990"_s,
                                        u"X-CSV-BIRTH-MONTH:5"_s,    u"X-CSV-BIRTH-DAY:17"_s};
    QTest::newRow("Outlook") << outlookExport << u"Finn  Ek"_s
                             << Fields{{u"wCompany"_s, u"Ek Oy"_s},
                                       {u"wAddress"_s, u"Katu 1|Floor 2"_s},
                                       {u"wCity"_s, u"Turku"_s},
                                       {u"hAddress"_s, u"Tie 3"_s},
                                       {u"wPhoneNumber"_s, u"+358 1"_s},
                                       {u"hPhone"_s, u"+358 3"_s},
                                       {u"pMobile"_s, u"+358 5"_s},
                                       {u"aContactCat"_s, u"Business"_s},
                                       {u"pEmailAddress"_s, u"finn@ek.example"_s},
                                       {u"pOtherEmail"_s,
                                        u"finn@home.example|finn@other.example"_s},
                                       {u"pHomePage"_s, u"http://finn.example"_s},
                                       {u"aNotes"_s, u"n"_s}}
                             << QStringList{u"X-CSV-TITLE:Dr"_s,
                                            u"X-CSV-SUFFIX:Jr"_s,
                                            u"X-CSV-BUSINESS-PHONE-2:+358 2"_s,
                                            u"X-CSV-HOME-PHONE-2:+358 4"_s,
                                            u"X-CSV-OTHER-PHONE:+358 6"_s,
                                            u"X-QUENLARK-CATEGORIES:Golf"_s};
}

void TestCsvImport::importsEachExportersFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(Fields, fields);
    QFETCH(QStringList, extras);
    ScriptedQuestion question;
    importCsv(file, question);
    QVERIFY(question.asked.isEmpty());
    const TProfile &profile = m_profile->profile();
    QVERIFY(profile.ContactExists(name));
    for (const auto &[key, value] : fields)
        QCOMPARE(u"%1=%2"_s.arg(key, profile.ReadField(name, key)), u"%1=%2"_s.arg(key, value));
    QCOMPARE(storedExtras(name), extras);
}

void TestCsvImport::extraColumnsAreKeptAndExportedAgain()
{
    const QString longValue =
        u"a long value; with a comma, a semicolon and a | line "_s.repeated(3);
    ScriptedQuestion question;
    importCsv("Name,Title,Phone 1 - Label,Phone 1 - Value,Long One\r\n"
              "Ann,\"Dr, PhD\",Home Fax ::: x,+1 555,\""_ba +
                  longValue.toUtf8() + "\"\r\n",
              question);
    const QString stored = m_profile->profile().ReadField(u"Ann"_s, u"xVCardExtra"_s);
    QVERIFY(!stored.isEmpty());

    // The export writes each as a property of the card, escaped and folded as any other.
    const QByteArray card =
        WriteVCardContacts(m_profile->profile(), {u"Ann"_s}, TVCardVersion::V30);
    QVERIFY(card.contains("\r\nX-CSV-TITLE:Dr\\, PhD\r\n"));
    QVERIFY(card.contains("\r\nX-CSV-PHONE-1-VALUE;TYPE=\"Home Fax ::: x\":+1 555\r\n"));
    QVERIFY(card.contains("\r\nX-CSV-LONG-ONE:a long value\\; with a comma\\, a semicolon"));
    for (const QByteArray &line : card.split('\n'))
        QVERIFY(line.size() <= 76); // 75 octets and the CR

    // Read back, the card gives the contact the same extras.
    const TVCardContacts read = ReadVCardContacts(card);
    QCOMPARE(read.contacts.size(), 1);
    QCOMPARE(fieldValue(read.contacts.first().fields, u"xVCardExtra"_s), stored);
    QCOMPARE(
        DecodeVCardExtras(stored).last().value,
        EscapeVCardText(u"a long value; with a comma, a semicolon and a \r\n line "_s).repeated(3));
}

void TestCsvImport::overwriteKeepsTheContactsOtherExtras()
{
    m_profile->fill({{u"Ann"_s,
                      {{u"pMobile"_s, u"1"_s},
                       {u"xVCardExtra"_s, u"BDAY:2000-01-01|X-CSV-TITLE:Old|X-CSV-SUFFIX:Jr"_s}}}});
    ScriptedQuestion question;
    question.script = {{TClashAction::Overwrite, true}};
    importCsv("Name,Title,Suffix,Mobile Phone\r\nAnn,Dr,,2\r\n"_ba, question);
    // The file's own columns replace theirs, an empty cell removes it; the others stay.
    QCOMPARE(storedExtras(u"Ann"_s), QStringList({u"BDAY:2000-01-01"_s, u"X-CSV-TITLE:Dr"_s}));
    QCOMPARE(m_profile->profile().ReadField(u"Ann"_s, u"pMobile"_s), u"2"_s);

    question.script = {{TClashAction::Overwrite, true}};
    importCsv("Name,Title\r\nAnn,\r\n"_ba, question);
    QCOMPARE(storedExtras(u"Ann"_s), QStringList({u"BDAY:2000-01-01"_s}));
}

void TestCsvImport::columnsMappedByHand()
{
    const QStringList table = LoadFieldAlignmentTable();
    // Remembered by header without regard to case; a key that is no choice is not taken.
    TCsvColumnMapping mapping(
        table,
        {{u"TITLE"_s, u"pRealName"_s}, {u"Home City"_s, u"@phone"_s}, {u"Birthday"_s, u".skip"_s}});
    mapping.SetHeaders(
        {u"Name"_s, u"Title"_s, u"Home City"_s, u"Phone 1 - Value"_s, u"Birthday"_s, QString()});
    QCOMPARE(mapping.Keys(), QStringList({u".name"_s, u"pRealName"_s, u"hCitg"_s, u"@phone"_s,
                                          u".skip"_s, u"N/A"_s}));
    QCOMPARE(mapping.TargetTexts(),
             QStringList({u"(contact name)"_s, u"Real name"_s, u"Home: City"_s,
                          u"(field by label)"_s, u"(skip)"_s, u"(skip)"_s}));
    QVERIFY(mapping.ChangedChoices().isEmpty());

    // The table's own key is offered first where no choice stands for it.
    QCOMPARE(mapping.Choices(3).first().key, u"@phone"_s);
    QCOMPARE(mapping.Choices(2).first().key, u".extra"_s);
    QCOMPARE(mapping.Choices(2).size(), 36);
    QCOMPARE(mapping.Chosen(2), u"hCitg"_s);

    mapping.Choose(2, u"wCity"_s);
    mapping.Choose(1, u"pRealName"_s); // as remembered
    mapping.Choose(4, u".extra"_s);    // the table's: forgotten
    mapping.Choose(3, u"aContactName"_s);
    mapping.Choose(0, u"no such key"_s); // not a choice: nothing changes
    QCOMPARE(mapping.Keys(), QStringList({u".name"_s, u"pRealName"_s, u"wCity"_s, u"aContactName"_s,
                                          u"N/A"_s, u"N/A"_s}));
    QCOMPARE(mapping.ChangedChoices(), Fields({{u"Home City"_s, u"wCity"_s},
                                               {u"Phone 1 - Value"_s, u"aContactName"_s},
                                               {u"Birthday"_s, QString()}}));
    mapping.ChoicesStored();
    QVERIFY(mapping.ChangedChoices().isEmpty());

    // The choices go into the import: a column chosen for the contact name names it.
    const TCsvTable csv = TCsvParser::Parse(
        "Name,Title,Home City,Phone 1 - Value,Birthday,\r\nAnn,Dr,Oslo,Ann L,1980,\r\n"_ba);
    const TImportedContact contact = TCsvContacts(csv, table, mapping.Keys()).Contact(0);
    QCOMPARE(contact.name, u"Ann L"_s);
    QCOMPARE(contact.fields, Fields({{u".name"_s, u"Ann"_s},
                                     {u"pRealName"_s, u"Dr"_s},
                                     {u"wCity"_s, u"Oslo"_s},
                                     {u"aContactName"_s, u"Ann L"_s},
                                     {u"xVCardExtra"_s, u"X-CSV-BIRTHDAY:1980"_s}}));
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
    QVERIFY(!book.contains("aContactName"));
    // The column the table does not know is kept where it has a value.
    QCOMPARE(profile.ReadField(u"Ann  Lee"_s, u"xVCardExtra"_s), u"X-CSV-TITLE:Dr"_s);
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

void TestCsvImport::largeImportWritesWhatSmallOnesDo()
{
    // Rows enough for most of one import's contacts to wait on disk, not in memory; some names
    // come twice and some are in the profile already.
    const QByteArray header = "First Name,Last Name,E-mail Address,Business City,Notes\r\n";
    QList<QByteArray> rows;
    for (int i = 0; i < 1500; ++i)
        rows.append("Ann,Lee " + QByteArray::number(i % 1400) + ",ann" + QByteArray::number(i) +
                    "@example.org,Zürich,\"line " + QByteArray::number(i) + "\r\nnext\"\r\n");
    const auto freshProfile = [&] {
        m_profile.reset(); // one profile at a time is the active one
        m_profile = std::make_unique<TestProfile>();
        m_profile->fill({{u"Ann  Lee 7"_s, {{u"aNotes"_s, u"old"_s}, {u"aCity"_s, u"Bern"_s}}}});
    };
    const auto import = [&](qsizetype from, qsizetype to) {
        ScriptedQuestion question;
        question.script = {{TClashAction::Overwrite, true}};
        importCsv(header + rows.mid(from, to - from).join(), question);
    };

    freshProfile();
    import(0, rows.size());
    const QByteArray whole = ReadFileBytes(m_profile->databasePath());
    // Imports of a hundred rows each keep their contacts in memory.
    freshProfile();
    for (qsizetype from = 0; from < rows.size(); from += 100)
        import(from, qMin(from + 100, rows.size()));
    QCOMPARE(whole, ReadFileBytes(m_profile->databasePath()));
    QVERIFY(whole.size() > 120000);
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
