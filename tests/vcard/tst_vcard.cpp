// vCard files: reading the shapes real address books write, the mapping table both ways, a
// round trip losing nothing, damaged files, and clashes on import.
#include "fulldisk.h"
#include "scriptedquestion.h"
#include "testfiles.h"
#include "testprofile.h"

#include "platform/calbreyerror.h"
#include "platform/textcodec.h"
#include "profiles/contactfields.h"
#include "vcard/vcardfile.h"
#include "vcard/vcardmapping.h"
#include "vcard/vcardreader.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Fields = QList<std::pair<QString, QString>>;

QString fieldOf(const TImportedContact &contact, const QString &key)
{
    for (const auto &[k, v] : contact.fields)
        if (k == key)
            return v;
    return u"<missing>"_s;
}

// The extra key's properties as content lines.
QStringList extrasOf(const TImportedContact &contact)
{
    QStringList lines;
    for (const TVCardProperty &property : DecodeVCardExtras(fieldOf(contact, VCardExtraKey)))
        lines.append(property.contentLine());
    return lines;
}

// The 34 values and the extra key of an imported contact, as an export reads them.
QStringList exportValues(const TImportedContact &contact)
{
    QStringList values;
    for (const ContactField &field : ContactFields)
        values.append(fieldOf(contact, field.key));
    const QString extra = fieldOf(contact, VCardExtraKey);
    values.append(extra == u"<missing>"_s ? QString() : extra);
    return values;
}

QByteArray exported(const TImportedContact &contact, TVCardVersion version)
{
    QByteArray out;
    AppendVCard(out, contact.name, exportValues(contact), version);
    return out;
}

TImportedContact onlyContact(const QByteArray &file)
{
    const TVCardContacts read = ReadVCardContacts(file);
    if (read.contacts.size() != 1 || read.unreadable != 0)
        qWarning() << "expected one readable card, got" << read.contacts.size() << "and"
                   << read.unreadable << "unreadable";
    return read.contacts.value(0);
}

QByteArray crlf(const char *text)
{
    return QByteArray(text).replace("\n", "\r\n");
}

// A card as Outlook writes it: 2.1, the Windows code page, quoted-printable line breaks.
const QByteArray outlookCard =
    crlf("BEGIN:VCARD\n"
         "VERSION:2.1\n"
         "N;LANGUAGE=de;CHARSET=Windows-1252:M\xFCller;J\xFCrgen\n"
         "FN;CHARSET=Windows-1252:J\xFCrgen M\xFCller\n"
         "ORG:Stra\xDF"
         "enbau GmbH\n"
         "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=Windows-1252:Zeile 1=0D=0A=\n"
         "Zeile 2 =E4, \\ fertig\n"
         "TEL;WORK;VOICE:+49 (30) 1234 x56\n"
         "TEL;HOME;FAX:+49 30 999\n"
         "ADR;WORK;PREF:;;Hauptstr. 1;Berlin;;10115;Deutschland\n"
         "LABEL;WORK;PREF;ENCODING=QUOTED-PRINTABLE:Hauptstr. 1=0D=0ABerlin\n"
         "EMAIL;PREF;INTERNET:j@example.de\n"
         "X-MS-OL-DEFAULT-POSTAL-ADDRESS:2\n"
         "REV:20261201T101010Z\n"
         "END:VCARD\n");

// An Android phone: 2.1 in UTF-8 quoted-printable with a soft line break, lower case names,
// a photo running on over indented lines and ended by a blank line, LF line ends.
const QByteArray phoneCard =
    "\xEF\xBB\xBF"
    "begin:vcard\n"
    "version:2.1\n"
    "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=96zt=C3=BCrk;Ay=C5=9Fe;;;\n"
    "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Ay=C5=9Fe =C3=96zt=C3=BCrk\n"
    "TEL;CELL;PREF:+90 532 000 0000\n"
    "TEL;HOME:0212 000 00 00\n"
    "tel;pager:0212 111\n"
    "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Arad=C4=B1m, sonra =\n"
    "tekrar ara\n"
    "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQ\n"
    "  AAAQABAAD\n"
    "\n"
    "end:vcard\n";

// Google Contacts: 3.0, groups, escapes, repeated TYPE parameters, categories.
const QByteArray googleCard =
    crlf("BEGIN:VCARD\n"
         "VERSION:3.0\n"
         "FN:Jane Doe\n"
         "N:Doe;Jane;;;\n"
         "EMAIL;TYPE=INTERNET;TYPE=HOME:jane@home.example\n"
         "EMAIL;TYPE=INTERNET;TYPE=WORK:jane@work.example\n"
         "EMAIL;TYPE=INTERNET:jane@other.example\n"
         "TEL;TYPE=CELL:+1 555 0100\n"
         "TEL;TYPE=CELL:+1 555 0101\n"
         "item1.ADR;TYPE=HOME:;;1 Main St\\nApt 2;Springfield;IL;62701;USA\n"
         "item1.X-ABADR:us\n"
         "ORG:Acme\\, Inc.;Research\n"
         "TITLE:Engineer\n"
         "BDAY:1980-04-01\n"
         "CATEGORIES:myContacts,Friends\n"
         "item2.URL:https\\://jane.example\n"
         "item2.X-ABLabel:PROFILE\n"
         "NOTE:Line one\\nLine two\\, with comma | and a bar\n"
         "X-ICQ:123456\n"
         "END:VCARD\n");

// The example of the 4.0 standard: quoted type lists, tel: addresses with an extension.
const QByteArray standard40Card =
    crlf("BEGIN:VCARD\n"
         "VERSION:4.0\n"
         "FN:Simon Perreault\n"
         "N:Perreault;Simon;;;ing. jr,M.Sc.\n"
         "BDAY:--0203\n"
         "GENDER:M\n"
         "LANG;PREF=1:fr\n"
         "ORG;TYPE=work:Viagenie\n"
         "ADR;TYPE=work:;Suite D2-630;2875 Laurier;\n"
         " Quebec;QC;G1V 2M2;Canada\n"
         "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-418-656-9254;ext=102\n"
         "TEL;VALUE=uri;TYPE=\"work,cell,voice,video,text\":tel:+1-418-262-6501\n"
         "EMAIL;TYPE=work:simon.perreault@viagenie.ca\n"
         "GEO;TYPE=work:geo:46.772673,-71.282945\n"
         "KEY;TYPE=work;VALUE=uri:http://www.viagenie.ca/simon.perreault/simon.asc\n"
         "URL;TYPE=home:http://nomis80.org\n"
         "IMPP:xmpp:simon@example.org\n"
         "END:VCARD\n");

// A contact as the editor saves it, every key filled, with text that needs escaping.
Fields wholeContact(const QString &name)
{
    return {{u"aContactName"_s, name},
            {u"aContactCat"_s, u"Friends, old; and new"_s},
            {u"pRealName"_s, u"Anna Maria Berg"_s},
            {u"pNickName"_s, u"Annie \\ B"_s},
            {u"pEmailAddress"_s, u"anna@example.org"_s},
            {u"pHomePage"_s, u"http://anna.example/a,b;c"_s},
            {u"pMobile"_s, u"+46 70 123 45 67"_s},
            {u"pIcq"_s, u"4711"_s},
            {u"hCitg"_s, u"G\u00F6teborg"_s},
            {u"hZipCode"_s, u"411 01"_s},
            {u"hCountry"_s, u"Sweden"_s},
            {u"hState"_s, u"V\u00E4stra G\u00F6taland"_s},
            {u"hPhone"_s, u"031-12 34 56"_s},
            {u"hPhoneExt"_s, u"12"_s},
            {u"hFax"_s, u"031-12 34 57"_s},
            {u"hPager"_s, u"031-12 34 58"_s},
            {u"hWebSite"_s, u"http://home.example"_s},
            {u"wCompany"_s, u"Berg & S\u00F6ner AB"_s},
            {u"wCity"_s, u"Stockholm"_s},
            {u"wZipCode"_s, u"111 22"_s},
            {u"wCountry"_s, u"Sweden"_s},
            {u"wState"_s, u"Stockholm"_s},
            {u"wPhoneNumber"_s, u"08-700 00 00"_s},
            {u"wPhoneExt"_s, u"3456"_s},
            {u"wFax"_s, u"08-700 00 01"_s},
            {u"wPager"_s, u"08-700 00 02"_s},
            {u"wWebSite"_s, u"http://work.example"_s},
            {u"hEmail"_s, u"anna@home.example"_s},
            {u"wEmail"_s, u"anna@work.example"_s},
            {u"aIcon"_s, u"5"_s},
            {u"aNotes"_s,
             u"First line|Second line with \u263A and a long tail of words that "
             u"certainly goes past seventy-five octets \U0001F600 \u00E9\u00E9\u00E9"_s},
            {u"hAddress"_s, u"Storgatan 1|Lgh 1102"_s},
            {u"wAddress"_s, u"Kungsgatan 2"_s},
            {u"pOtherEmail"_s, u"a@x.example|b@y.example"_s},
            {u"xUID"_s, u"urn:uuid:6f1c;a,b"_s}};
}

// The text of a contact's section in book.db, header to the next section.
QByteArray sectionText(const QString &databasePath, const QString &name)
{
    const QByteArray book = ReadFileBytes(databasePath);
    const QByteArray header = "[" + name.toUtf8() + "]\r\n";
    const qsizetype start = book.indexOf(header);
    if (start < 0)
        return QByteArray();
    const qsizetype end = book.indexOf("\r\n[", start + header.size());
    return book.mid(start, end < 0 ? -1 : end + 2 - start);
}

TImportResult importCards(const QByteArray &file, TClashQuestion &question)
{
    const TVCardContacts cards = ReadVCardContacts(file);
    TContactImport import(*ActiveProfile, question, nullptr);
    return import.Run(cards.contacts.size(), [&](qsizetype i) { return cards.contacts[i]; });
}

} // namespace

class TestVCard : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatAddressBooksWrite_data();
    void readsWhatAddressBooksWrite();
    void mappingTableBothWays_data();
    void mappingTableBothWays();
    void wholeContactSurvivesExportAndImportByteForByte();
    void exportedLinesAreFoldedOnCharacterBoundaries();
    void damagedFilesKeepTheWholeCards_data();
    void damagedFilesKeepTheWholeCards();
    void readingInPartsGivesWhatReadingWholeGives();
    void everyKindOfLineEndReadsAlike_data();
    void everyKindOfLineEndReadsAlike();
    void utf8TextKeepsEveryCharacter_data();
    void utf8TextKeepsEveryCharacter();
    void extrasKeepBarsAndLineBreaks();
    void uidHasItsOwnKeyAndIsWrittenOnce();
    void clashesOverwriteWithoutStaleExtrasAndRenameTheNameField();
    void exportReplacesTheFileOrLeavesItAsItWas();
};

void TestVCard::readsWhatAddressBooksWrite_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QStringList>("extras");

    QTest::newRow("Outlook 2.1, Windows-1252")
        << outlookCard << u"J\u00FCrgen M\u00FCller"_s
        << Fields{{u"pRealName"_s, u"J\u00FCrgen M\u00FCller"_s},
                  {u"wCompany"_s, u"Stra\u00DFenbau GmbH"_s},
                  {u"aNotes"_s, u"Zeile 1|Zeile 2 \u00E4, \\ fertig"_s},
                  {u"wPhoneNumber"_s, u"+49 (30) 1234"_s},
                  {u"wPhoneExt"_s, u"56"_s},
                  {u"hFax"_s, u"+49 30 999"_s},
                  {u"wAddress"_s, u"Hauptstr. 1"_s},
                  {u"wCity"_s, u"Berlin"_s},
                  {u"wZipCode"_s, u"10115"_s},
                  {u"wCountry"_s, u"Deutschland"_s},
                  {u"pEmailAddress"_s, u"j@example.de"_s},
                  {u"aIcon"_s, u"0"_s}}
        << QStringList{u"N;LANGUAGE=de:M\u00FCller;J\u00FCrgen"_s,
                       u"LABEL;TYPE=WORK,PREF:Hauptstr. 1\\nBerlin"_s,
                       u"X-MS-OL-DEFAULT-POSTAL-ADDRESS:2"_s, u"REV:20261201T101010Z"_s};
    QTest::newRow("Android 2.1, UTF-8 quoted-printable")
        << phoneCard << u"Ay\u015Fe \u00D6zt\u00FCrk"_s
        << Fields{{u"pMobile"_s, u"+90 532 000 0000"_s},
                  {u"hPhone"_s, u"0212 000 00 00"_s},
                  {u"hPager"_s, u"0212 111"_s},
                  {u"aNotes"_s, u"Arad\u0131m, sonra tekrar ara"_s}}
        << QStringList{u"PHOTO;TYPE=JPEG;ENCODING=b:/9j/4AAQSkZJRgABAQAAAQABAAD"_s};
    QTest::newRow("Google 3.0, groups")
        << googleCard << u"Jane Doe"_s
        << Fields{{u"pEmailAddress"_s, u"jane@home.example"_s},
                  {u"wEmail"_s, u"jane@work.example"_s},
                  {u"hEmail"_s, QString()},
                  {u"pOtherEmail"_s, u"jane@other.example"_s},
                  {u"pMobile"_s, u"+1 555 0100"_s},
                  {u"hAddress"_s, u"1 Main St|Apt 2"_s},
                  {u"hCitg"_s, u"Springfield"_s},
                  {u"hState"_s, u"IL"_s},
                  {u"hZipCode"_s, u"62701"_s},
                  {u"hCountry"_s, u"USA"_s},
                  {u"wCompany"_s, u"Acme, Inc."_s},
                  {u"aContactCat"_s, u"myContacts"_s},
                  {u"pHomePage"_s, u"https://jane.example"_s},
                  {u"aNotes"_s, u"Line one|Line two, with comma | and a bar"_s},
                  {u"pIcq"_s, u"123456"_s}}
        << QStringList{u"TEL;TYPE=CELL:+1 555 0101"_s,
                       u"item1.X-ABADR:us"_s,
                       u"TITLE:Engineer"_s,
                       u"BDAY:1980-04-01"_s,
                       u"item2.X-ABLABEL:PROFILE"_s,
                       u"X-QUENLARK-ORGUNITS:Research"_s,
                       u"X-QUENLARK-CATEGORIES:Friends"_s};
    QTest::newRow("4.0 standard example")
        << standard40Card << u"Simon Perreault"_s
        << Fields{{u"wCompany"_s, u"Viagenie"_s},
                  {u"wAddress"_s, u"Suite D2-630|2875 Laurier"_s},
                  {u"wCity"_s, u"Quebec"_s},
                  {u"wState"_s, u"QC"_s},
                  {u"wZipCode"_s, u"G1V 2M2"_s},
                  {u"wCountry"_s, u"Canada"_s},
                  {u"wPhoneNumber"_s, u"+1-418-656-9254"_s},
                  {u"wPhoneExt"_s, u"102"_s},
                  {u"pMobile"_s, u"+1-418-262-6501"_s},
                  {u"pEmailAddress"_s, u"simon.perreault@viagenie.ca"_s},
                  {u"hWebSite"_s, u"http://nomis80.org"_s}}
        << QStringList{
               u"N:Perreault;Simon;;;ing. jr,M.Sc."_s,
               u"BDAY:--0203"_s,
               u"GENDER:M"_s,
               u"LANG;PREF=1:fr"_s,
               u"GEO;TYPE=work:geo:46.772673,-71.282945"_s,
               u"KEY;TYPE=work;VALUE=uri:http://www.viagenie.ca/simon.perreault/simon.asc"_s,
               u"IMPP:xmpp:simon@example.org"_s};
}

void TestVCard::readsWhatAddressBooksWrite()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(Fields, fields);
    QFETCH(QStringList, extras);

    const TImportedContact contact = onlyContact(file);
    QCOMPARE(contact.name, name);
    QCOMPARE(fieldOf(contact, u"aContactName"_s), name);
    QCOMPARE(contact.fields.size(), qsizetype(ContactFields.size()) + 1);
    for (const auto &[key, value] : fields)
        QCOMPARE(key + u'=' + fieldOf(contact, key), key + u'=' + value);
    QCOMPARE(extrasOf(contact), extras);

    // What it holds, exported and read again, is the same, in either version.
    QCOMPARE(onlyContact(exported(contact, TVCardVersion::V30)).fields, contact.fields);
    const TImportedContact from40 = onlyContact(exported(contact, TVCardVersion::V40));
    QCOMPARE(from40.fields.mid(0, ContactFields.size()),
             contact.fields.mid(0, ContactFields.size()));
}

void TestVCard::mappingTableBothWays_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("line30");
    QTest::addColumn<QByteArray>("line40");

    const QList<std::tuple<const char *, QString, QByteArray, QByteArray>> rows = {
        {"pRealName", u"Ann Lee"_s, "FN:Ann Lee", "FN:Ann Lee"},
        {"pNickName", u"Annie"_s, "NICKNAME:Annie", "NICKNAME:Annie"},
        {"pEmailAddress", u"a@x.example"_s, "EMAIL;TYPE=INTERNET,PREF:a@x.example",
         "EMAIL;PREF=1:a@x.example"},
        {"hEmail", u"h@x.example"_s, "EMAIL;TYPE=INTERNET,HOME:h@x.example",
         "EMAIL;TYPE=home:h@x.example"},
        {"wEmail", u"w@x.example"_s, "EMAIL;TYPE=INTERNET,WORK:w@x.example",
         "EMAIL;TYPE=work:w@x.example"},
        {"pOtherEmail", u"o@x.example|p@x.example"_s, "EMAIL;TYPE=INTERNET:p@x.example",
         "EMAIL:p@x.example"},
        {"pMobile", u"070 1"_s, "TEL;TYPE=CELL:070 1", "TEL;TYPE=cell:070 1"},
        {"hPhone", u"031 2"_s, "TEL;TYPE=HOME,VOICE:031 2", "TEL;TYPE=\"home,voice\":031 2"},
        {"hPhoneExt", u"7"_s, "TEL;TYPE=HOME,VOICE: x7", "TEL;TYPE=\"home,voice\": x7"},
        {"hFax", u"031 3"_s, "TEL;TYPE=HOME,FAX:031 3", "TEL;TYPE=\"home,fax\":031 3"},
        {"hPager", u"031 4"_s, "TEL;TYPE=PAGER:031 4", "TEL;TYPE=pager:031 4"},
        {"wPhoneNumber", u"08 5"_s, "TEL;TYPE=WORK,VOICE:08 5", "TEL;TYPE=\"work,voice\":08 5"},
        {"wPhoneExt", u"8"_s, "TEL;TYPE=WORK,VOICE: x8", "TEL;TYPE=\"work,voice\": x8"},
        {"wFax", u"08 6"_s, "TEL;TYPE=WORK,FAX:08 6", "TEL;TYPE=\"work,fax\":08 6"},
        {"wPager", u"08 7"_s, "TEL;TYPE=WORK,PAGER:08 7", "TEL;TYPE=\"work,pager\":08 7"},
        {"hAddress", u"1 Road|Flat 2"_s, "ADR;TYPE=HOME:;;1 Road\\nFlat 2;;;;",
         "ADR;TYPE=home:;;1 Road\\nFlat 2;;;;"},
        {"hCitg", u"Town"_s, "ADR;TYPE=HOME:;;;Town;;;", "ADR;TYPE=home:;;;Town;;;"},
        {"hState", u"Shire"_s, "ADR;TYPE=HOME:;;;;Shire;;", "ADR;TYPE=home:;;;;Shire;;"},
        {"hZipCode", u"123"_s, "ADR;TYPE=HOME:;;;;;123;", "ADR;TYPE=home:;;;;;123;"},
        {"hCountry", u"Land"_s, "ADR;TYPE=HOME:;;;;;;Land", "ADR;TYPE=home:;;;;;;Land"},
        {"wAddress", u"2 Road"_s, "ADR;TYPE=WORK:;;2 Road;;;;", "ADR;TYPE=work:;;2 Road;;;;"},
        {"wCity", u"City"_s, "ADR;TYPE=WORK:;;;City;;;", "ADR;TYPE=work:;;;City;;;"},
        {"wState", u"State"_s, "ADR;TYPE=WORK:;;;;State;;", "ADR;TYPE=work:;;;;State;;"},
        {"wZipCode", u"456"_s, "ADR;TYPE=WORK:;;;;;456;", "ADR;TYPE=work:;;;;;456;"},
        {"wCountry", u"Realm"_s, "ADR;TYPE=WORK:;;;;;;Realm", "ADR;TYPE=work:;;;;;;Realm"},
        {"wCompany", u"Firm; Ltd"_s, "ORG:Firm\\; Ltd", "ORG:Firm\\; Ltd"},
        {"pHomePage", u"http://p.example"_s, "URL:http://p.example", "URL:http://p.example"},
        {"hWebSite", u"http://h.example"_s, "URL;TYPE=HOME:http://h.example",
         "URL;TYPE=home:http://h.example"},
        {"wWebSite", u"http://w.example"_s, "URL;TYPE=WORK:http://w.example",
         "URL;TYPE=work:http://w.example"},
        {"aNotes", u"One|Two"_s, "NOTE:One\\nTwo", "NOTE:One\\nTwo"},
        {"aContactCat", u"Golf, Tennis"_s, "CATEGORIES:Golf\\, Tennis",
         "CATEGORIES:Golf\\, Tennis"},
        {"pIcq", u"4711"_s, "X-ICQ:4711", "IMPP:icq:4711"},
        {"aIcon", u"3"_s, "X-QUENLARK-ICON:3", "X-QUENLARK-ICON:3"},
    };
    for (const auto &[key, value, line30, line40] : rows)
        QTest::newRow(key) << QString::fromLatin1(key) << value << line30 << line40;
}

void TestVCard::mappingTableBothWays()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, line30);
    QFETCH(QByteArray, line40);

    QStringList values;
    for (const ContactField &field : ContactFields)
        values.append(field.key == u"aContactName" ? u"Ann Lee"_s
                      : field.key == key           ? value
                                                   : QString());
    values.append(QString());
    values[2] = u"Ann Lee"_s; // FN then names the contact, and no own name is needed
    // The first address is the preferred one when none is marked so.
    if (key.endsWith(u"Email") && key != u"pEmailAddress")
        values[4] = u"a@x.example"_s;

    for (const auto &[version, line] :
         {std::pair(TVCardVersion::V30, line30), std::pair(TVCardVersion::V40, line40)}) {
        QByteArray out;
        AppendVCard(out, u"Ann Lee"_s, values, version);
        QVERIFY2(out.contains("\r\n" + line + "\r\n"), out.constData());
        QVERIFY(!out.contains("X-QUENLARK-NAME"));
        const TImportedContact contact = onlyContact(out);
        QCOMPARE(contact.name, u"Ann Lee"_s);
        QCOMPARE(fieldOf(contact, key), value);
        QVERIFY(extrasOf(contact).isEmpty());
    }
}

void TestVCard::wholeContactSurvivesExportAndImportByteForByte()
{
    // Two contacts: one with every key, one whose real name is empty and so not its FN.
    QByteArray file;
    QByteArray anna;
    QByteArray bare;
    {
        TestProfile source;
        QVERIFY(source.activated());
        source.profile().WriteFields(u"Anna"_s, wholeContact(u"Anna"_s));
        Fields nameOnly;
        for (const ContactField &field : ContactFields)
            nameOnly.append({field.key, field.key == u"aContactName" ? u"Bo, the \"Boss\""_s
                                        : field.key == u"aIcon"      ? u"0"_s
                                                                     : QString()});
        source.profile().WriteFields(u"Bo, the \"Boss\""_s, nameOnly);
        anna = sectionText(source.databasePath(), u"Anna"_s);
        bare = sectionText(source.databasePath(), u"Bo, the \"Boss\""_s);
        QVERIFY(anna.contains("aNotes="));
        ExportVCardFile(source.profile(), {u"Anna"_s, u"Bo, the \"Boss\""_s}, TVCardVersion::V30,
                        source.folder().path() + u"/out.vcf"_s);
        file = ReadFileBytes(source.folder().path() + u"/out.vcf"_s);
    }
    QCOMPARE(file.count("BEGIN:VCARD\r\n"), 2);

    TestProfile target;
    QVERIFY(target.activated());
    ScriptedQuestion question;
    QCOMPARE(importCards(file, question).added, 2);
    QVERIFY(question.asked.isEmpty());
    QCOMPARE(sectionText(target.databasePath(), u"Anna"_s), anna);
    QCOMPARE(sectionText(target.databasePath(), u"Bo, the \"Boss\""_s), bare);
}

void TestVCard::exportedLinesAreFoldedOnCharacterBoundaries()
{
    QStringList values(ContactFields.size() + 1);
    // Non-ASCII at every position around each cut, and a line longer than the room the
    // writer makes at a time.
    values[30] = QString(200, u'a') + QString(60, QChar(0x00E9)) + QString(40, QChar(0x263A)) +
                 QString(5000, QChar(0x20AC));
    // Text from quoted-printable may hold control characters.
    values[3] = u"a"_s + QChar(0x01) + u'b' + QChar(0x7F);
    QByteArray out = "kept before\r\n"_ba;
    AppendVCard(out, u"Long"_s, values, TVCardVersion::V30);
    QVERIFY(out.startsWith("kept before\r\nBEGIN:VCARD\r\n"));
    out.remove(0, 13);

    QVERIFY(out.endsWith("END:VCARD\r\n"));
    const QList<QByteArray> lines = out.chopped(1).split('\n');
    int continuations = 0;
    for (const QByteArray &line : lines) {
        QVERIFY(line.endsWith('\r'));
        QVERIFY2(line.size() - 1 <= 75, line.constData());
        QVERIFY(IsValidUtf8(line));
        continuations += line.startsWith(' ');
    }
    QVERIFY(continuations >= 6);
    QCOMPARE(fieldOf(onlyContact(out), u"aNotes"_s), values[30]);
    QCOMPARE(fieldOf(onlyContact(out), u"pNickName"_s), u"ab"_s);
}

void TestVCard::damagedFilesKeepTheWholeCards_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("unreadable");

    const QByteArray ann = crlf("BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nEND:VCARD\n");
    const QByteArray bob = crlf("BEGIN:VCARD\nVERSION:3.0\nFN:Bob\nEND:VCARD\n");
    QByteArray random(4096, '\0');
    for (qsizetype i = 0; i < random.size(); ++i)
        random[i] = char((i * 7919 + 13) % 251);

    QTest::newRow("a card without END before another")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nFN:Cut\n") + bob << QStringList{u"Bob"_s} << 1;
    QTest::newRow("the file ends inside a card")
        << ann + crlf("BEGIN:VCARD\nFN:Cut") << QStringList{u"Ann"_s} << 1;
    QTest::newRow("binary data in a card")
        << ann + "BEGIN:VCARD\r\nFN:\x01\x02\xFF" + QByteArray(1, '\0') + "\r\nEND:VCARD\r\n" + bob
        << QStringList{u"Ann"_s, u"Bob"_s} << 1;
    QTest::newRow("binary data alone") << random << QStringList() << 0;
    QTest::newRow("a 10 MB line") << ann + "BEGIN:VCARD\r\nFN:Big\r\nNOTE:" +
                                         QByteArray(qsizetype(10) * 1024 * 1024, 'a') +
                                         "\r\nEND:VCARD\r\n" + bob
                                  << QStringList{u"Ann"_s, u"Bob"_s} << 1;
    QTest::newRow("a 10 MB folded line")
        << "BEGIN:VCARD\r\nFN:Big\r\nNOTE:" +
               QByteArray(qsizetype(10) * 1024 * 1024, 'a')
                   .replace(QByteArray(1000, 'a'), QByteArray(1000, 'a') + "\r\n ") +
               "\r\nEND:VCARD\r\n" + bob
        << QStringList{u"Bob"_s} << 1;
    QTest::newRow("nothing to name the contact by")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nBDAY:2000-01-01\nEND:VCARD\n") + ann
        << QStringList{u"Ann"_s} << 1;
    QTest::newRow("names from N, NICKNAME, EMAIL and TEL")
        << crlf("BEGIN:VCARD\nN:Doe;John;Q.;;\nEND:VCARD\n"
                "BEGIN:VCARD\nNICKNAME: Jo \nEND:VCARD\n"
                "BEGIN:VCARD\nEMAIL:x@y.example\nEND:VCARD\n"
                "BEGIN:VCARD\nTEL;CELL:555 1\nEND:VCARD\n")
        << QStringList{u"John Q. Doe"_s, u"Jo"_s, u"x@y.example"_s, u"555 1"_s} << 0;
}

void TestVCard::damagedFilesKeepTheWholeCards()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, names);
    QFETCH(int, unreadable);

    const TVCardContacts read = ReadVCardContacts(file);
    QStringList read_names;
    for (const TImportedContact &contact : read.contacts)
        read_names.append(contact.name);
    QCOMPARE(read_names, names);
    QCOMPARE(read.unreadable, unreadable);
}

// A large file is read in parts at once, cut only where one card has ended and the next
// begins; every shape of the text around a cut reads as it does in one piece.
void TestVCard::readingInPartsGivesWhatReadingWholeGives()
{
    QByteArray file = "\xEF\xBB\xBF"_ba;
    for (int i = 0; i < 12; ++i)
        file += crlf("BEGIN:VCARD\nVERSION:3.0\nFN:Person ") + QByteArray::number(i) +
                crlf("\nTEL;TYPE=HOME,VOICE:555 0100 x12\nADR;TYPE=WORK:;;1 Road\\nFlat 2;Oslo;;;\n"
                     "NOTE:a\n  folded note\nEND:VCARD\n");
    file += crlf("BEGIN:VCARD\nVERSION:3.0\nFN:No end\n");
    file += crlf("BEGIN:VCARD\nVERSION:2.1\nFN:Soft\nNOTE;ENCODING=QUOTED-PRINTABLE:a=\n");
    file += "begin:vcard\nversion:3.0\nfn:Lower case, LF only\nend:vcard\n";
    file += crlf("BEGIN:VCARD\nFN:Blank after end\nEND:VCARD \n");
    file += crlf("BEGIN:VCARD\nFN:Folded end\nEND:VCARD\n BEGIN:VCARD\nFN:Inside\nEND:VCARD\n");
    file += "BEGIN:VCARD\r\nFN:Binary\x01\r\nEND:VCARD\r\n";
    file += crlf("BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=WINDOWS-1252;QUOTED-PRINTABLE:M=FCller;J=\n"
                 "=FCrgen\nPHOTO;BASE64:\n AAAA\nBBBB\n\nEND:VCARD\n");
    for (int i = 0; i < 12; ++i)
        file += crlf("BEGIN:VCARD\nFN:Tail ") + QByteArray::number(i) + crlf("\nEND:VCARD\n");

    const TVCardContacts whole = ReadVCardContacts(file, 1);
    // The soft line break takes in the lower-case card, the folded END the card after it.
    QCOMPARE(whole.contacts.size(), 28);
    QCOMPARE(whole.unreadable, 2); // no end, binary data
    for (qsizetype parts = 2; parts <= 40; ++parts) {
        const TVCardContacts read = ReadVCardContacts(file, parts);
        QCOMPARE(read.unreadable, whole.unreadable);
        QCOMPARE(read.contacts.size(), whole.contacts.size());
        for (qsizetype i = 0; i < read.contacts.size(); ++i) {
            QCOMPARE(read.contacts[i].name, whole.contacts[i].name);
            QCOMPARE(read.contacts[i].fields, whole.contacts[i].fields);
            QCOMPARE(read.contacts[i].clearedKeys, whole.contacts[i].clearedKeys);
        }
    }
}

void TestVCard::everyKindOfLineEndReadsAlike_data()
{
    QTest::addColumn<QByteArrayList>("ends"); // line n ends with ends[n % ends.size()]

    QTest::newRow("LF") << QByteArrayList{"\n"};
    QTest::newRow("CR") << QByteArrayList{"\r"};
    QTest::newRow("CR LF") << QByteArrayList{"\r\n"};
    // A CR LF file passed through one more conversion, as an iPhone export that went by mail.
    QTest::newRow("CR CR LF") << QByteArrayList{"\r\r\n"};
    QTest::newRow("mixed") << QByteArrayList{"\r\n", "\r", "\r\r\n", "\n", "\r\r\n"};
}

// Folded lines, soft line breaks and blank lines, cut into parts at any card boundary: the
// same cards whatever ends the lines.
void TestVCard::everyKindOfLineEndReadsAlike()
{
    QFETCH(QByteArrayList, ends);

    QByteArray file;
    qsizetype line = 0;
    constexpr int cards = 30;
    for (int i = 0; i < cards; ++i) {
        const QByteArray n = QByteArray::number(i);
        for (const QByteArray &text :
             {"BEGIN:VCARD"_ba, "VERSION:2.1"_ba, "FN:Anne"_ba, "  Lee "_ba + n,
              "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:first=0D=0Asec="_ba, "ond =C3=A9"_ba,
              "TEL;CELL:555 "_ba + n, ""_ba, "END:VCARD"_ba})
            file += text + ends[line++ % ends.size()];
    }

    const TVCardContacts whole = ReadVCardContacts(file, 1);
    QCOMPARE(whole.unreadable, 0);
    QCOMPARE(whole.contacts.size(), cards);
    for (int i = 0; i < cards; ++i) {
        const TImportedContact &contact = whole.contacts[i];
        QCOMPARE(contact.name, u"Anne Lee %1"_s.arg(i));
        QCOMPARE(fieldOf(contact, u"aNotes"_s), u"first|second \u00E9"_s);
        QCOMPARE(fieldOf(contact, u"pMobile"_s), u"555 %1"_s.arg(i));
        QVERIFY(extrasOf(contact).isEmpty());
    }
    for (qsizetype parts = 2; parts <= 8; ++parts) {
        const TVCardContacts read = ReadVCardContacts(file, parts);
        QCOMPARE(read.unreadable, 0);
        QCOMPARE(read.contacts.size(), cards);
        for (int i = 0; i < cards; ++i)
            QCOMPARE(read.contacts[i].fields, whole.contacts[i].fields);
    }
}

void TestVCard::utf8TextKeepsEveryCharacter_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("note");

    QTest::newRow("UTF-8") << "NOTE;CHARSET=UTF-8:Gr\xC3\xBC\xC3\x9F"
                              "e \xE9 caf\xC3\xA9"_ba
                           << u"Gr\u00FC\u00DFe \uFFFD caf\u00E9"_s;
    QTest::newRow("UTF-8, quoted-printable")
        << "NOTE;CHARSET=utf-8;ENCODING=QUOTED-PRINTABLE:=C3=96l =FF und =E2=82=AC"_ba
        << u"\u00D6l \uFFFD und \u20AC"_s;
    // Not a byte order mark: a character of the value, so that it reads back as it was written.
    QTest::newRow("U+FEFF first") << "NOTE;CHARSET=UTF-8:\xEF\xBB\xBFnote"_ba << u"\uFEFFnote"_s;
    QTest::newRow("U+FEFF first, no CHARSET")
        << "NOTE:\xEF\xBB\xBF\xEF\xBB\xBFnote"_ba << u"\uFEFF\uFEFFnote"_s;
    // Without a CHARSET, text that is not UTF-8 comes from a Windows code page.
    QTest::newRow("no CHARSET") << "NOTE:caf\xE9 \x80"_ba << u"caf\u00E9 \u20AC"_s;
}

void TestVCard::utf8TextKeepsEveryCharacter()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, note);
    const TImportedContact contact =
        onlyContact("BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ann\r\n" + line + "\r\nEND:VCARD\r\n");
    QCOMPARE(fieldOf(contact, u"aNotes"_s), note);
}

void TestVCard::extrasKeepBarsAndLineBreaks()
{
    const QByteArray card =
        crlf("BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nX-CUSTOM;X-P=\"a:b\":one|two\\nthree %7C 100%\n"
             "ADR;TYPE=HOME:;;First;;;;\nADR;TYPE=HOME:;;Second;;;;\n"
             "NOTE:Not folded\nand going on\nEND:VCARD\n");
    const TImportedContact contact = onlyContact(card);
    QCOMPARE(extrasOf(contact), (QStringList{u"X-CUSTOM;X-P=\"a:b\":one|two\\nthree %7C 100%"_s,
                                             u"ADR;TYPE=HOME:;;Second;;;;"_s}));
    QVERIFY(!fieldOf(contact, VCardExtraKey).contains(u'\n'));
    QCOMPARE(fieldOf(contact, u"aNotes"_s), u"Not folded|and going on"_s);
    QCOMPARE(onlyContact(exported(contact, TVCardVersion::V30)).fields, contact.fields);
}

void TestVCard::uidHasItsOwnKeyAndIsWrittenOnce()
{
    const TImportedContact contact = onlyContact(crlf("BEGIN:VCARD\nVERSION:3.0\nFN:Ann\n"
                                                      "UID:abc-1\nBDAY:1970-01-01\nEND:VCARD\n"));
    QCOMPARE(fieldOf(contact, ContactUidKey), u"abc-1"_s);
    QCOMPARE(extrasOf(contact), QStringList{u"BDAY:1970-01-01"_s});

    // A contact imported before the UID had its key keeps it among the extras: the key, once
    // made, is the one written.
    QStringList values(ContactFields.size());
    values[0] = u"Ann"_s;
    values.append(u"UID:old|BDAY:1970-01-01"_s);
    QByteArray card;
    AppendVCard(card, u"Ann"_s, values, TVCardVersion::V30);
    QCOMPARE(card.count("UID:"), 1);
    QVERIFY(card.contains("UID:old\r\n"));
    values.append(u"new"_s);
    card.clear();
    AppendVCard(card, u"Ann"_s, values, TVCardVersion::V30);
    QCOMPARE(card.count("UID:"), 1);
    QVERIFY(card.contains("UID:new\r\n"));
    QVERIFY(card.contains("BDAY:1970-01-01\r\n"));
}

void TestVCard::clashesOverwriteWithoutStaleExtrasAndRenameTheNameField()
{
    TestProfile test;
    QVERIFY(test.activated());
    test.fill({{u"Ann"_s, {{u"aContactName"_s, u"Ann"_s}, {VCardExtraKey, u"BDAY:1970-01-01"_s}}},
               {u"Bob"_s, {{u"aContactName"_s, u"Bob"_s}, {u"pNickName"_s, u"Bobby"_s}}}});
    const QByteArray file = crlf("BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nNICKNAME:New Ann\nEND:VCARD\n"
                                 "BEGIN:VCARD\nVERSION:3.0\nFN:Bob\nNICKNAME:New Bob\nEND:VCARD\n");
    ScriptedQuestion question;
    question.script = {{TClashAction::Overwrite, false}, {TClashAction::Rename, false}};
    QCOMPARE(importCards(file, question).added, 2);
    QCOMPARE(question.asked, (QStringList{u"Ann"_s, u"Bob"_s}));

    TProfile &profile = test.profile();
    QCOMPARE(profile.ReadField(u"Ann"_s, u"pNickName"_s), u"New Ann"_s);
    QCOMPARE(profile.ReadField(u"Ann"_s, VCardExtraKey), QString());
    QCOMPARE(profile.ReadField(u"Bob"_s, u"pNickName"_s), u"Bobby"_s);
    QCOMPARE(profile.ReadField(u"Bob1"_s, u"pNickName"_s), u"New Bob"_s);
    QCOMPARE(profile.ReadField(u"Bob1"_s, u"aContactName"_s), u"Bob1"_s);
    QVERIFY(!sectionText(test.databasePath(), u"Bob1"_s).contains(VCardExtraKey));

    // A name the same file gives again, hundreds of cards later: a clash with the contact the
    // import itself wrote, whose extras the later card does not keep.
    QByteArray many;
    for (int i = 0; i < 1200; ++i) {
        const bool twin = i == 10 || i == 700 || i == 1100;
        many += crlf("BEGIN:VCARD\nVERSION:3.0\nFN:") +
                (twin ? "Twin"_ba : "Card " + QByteArray::number(i)) + crlf("\nNICKNAME:n") +
                QByteArray::number(i) + (i == 10 ? crlf("\nBDAY:2000-01-01") : QByteArray()) +
                crlf("\nEND:VCARD\n");
    }
    question.asked.clear();
    question.script = {{TClashAction::Overwrite, false}, {TClashAction::Rename, false}};
    QCOMPARE(importCards(many, question).added, 1200);
    QCOMPARE(question.asked, (QStringList{u"Twin"_s, u"Twin"_s}));
    QCOMPARE(profile.ReadField(u"Twin"_s, u"pNickName"_s), u"n700"_s);
    QCOMPARE(profile.ReadField(u"Twin"_s, VCardExtraKey), QString());
    QCOMPARE(profile.ReadField(u"Twin1"_s, u"pNickName"_s), u"n1100"_s);
    QCOMPARE(profile.ReadField(u"Twin1"_s, u"aContactName"_s), u"Twin1"_s);
    QCOMPARE(profile.ReadField(u"Card 1199"_s, u"pNickName"_s), u"n1199"_s);
}

void TestVCard::exportReplacesTheFileOrLeavesItAsItWas()
{
    TestProfile test;
    QVERIFY(test.activated());
    test.fill({{u"Ann"_s, {{u"aContactName"_s, u"Ann"_s}}}});
    const QString target = test.folder().path() + u"/contacts.vcf"_s;
    ReplaceFileBytes(target, "old");
    ExportVCardFile(test.profile(), {u"Ann"_s}, TVCardVersion::V40, target);
    QVERIFY(ReadFileBytes(target).startsWith("BEGIN:VCARD\r\nVERSION:4.0\r\n"));

    const QString intoMissingFolder = test.folder().path() + u"/missing/contacts.vcf"_s;
    QVERIFY_THROWS_EXCEPTION(CalbreyError, ExportVCardFile(test.profile(), {u"Ann"_s},
                                                           TVCardVersion::V30, intoMissingFolder));
    QVERIFY_THROWS_EXCEPTION(CalbreyError, ReadVCardFile(test.folder().path()));

    // Enough contacts to be written on several threads: the cards in the order asked for,
    // each as it is written alone, and read back the same.
    QList<TestContact> many;
    QStringList names;
    for (int i = 0; i < 9001; ++i) {
        names.prepend(u"Contact %1"_s.arg(i));
        many.append({names.front(),
                     {{u"aContactName"_s, names.front()}, {u"pNickName"_s, u"n%1"_s.arg(i)}}});
    }
    test.fill(many);
    ExportVCardFile(test.profile(), names, TVCardVersion::V30, target);
    QByteArray oneByOne;
    for (const QString &name : names)
        oneByOne += WriteVCardContacts(test.profile(), {name}, TVCardVersion::V30);
    QCOMPARE(ReadFileBytes(target), oneByOne);
    QCOMPARE(WriteVCardContacts(test.profile(), names, TVCardVersion::V30), oneByOne);
    const TVCardContacts read = ReadVCardFile(target);
    QCOMPARE(read.contacts.size(), names.size());
    QCOMPARE(read.contacts.last().name, u"Contact 0"_s);

    // The disk fills up halfway through: the old file stays as it was.
    SKIP_WITHOUT_FULL_DISK();
    ReplaceFileBytes(target, "old");
    const int code = RunWithFileSizeLimit(oneByOne.size() / 2, [&] {
        try {
            ExportVCardFile(test.profile(), names, TVCardVersion::V30, target);
            return 1;
        } catch (const CalbreyError &error) {
            return error.message() == u"Unable to write to "_s + target ? 0 : 2;
        }
    });
    QCOMPARE(code, 0);
    QCOMPARE(ReadFileBytes(target), "old"_ba);
    QCOMPARE(QDir(test.folder().path()).entryList(QDir::Files), QStringList{u"contacts.vcf"_s});
}

QTEST_GUILESS_MAIN(TestVCard)
#include "tst_vcard.moc"
