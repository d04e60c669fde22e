// The in-memory INI document: how Windows-made files read, and what each edit does to the
// bytes of the file.
#include "platform/inidocument.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Reads and writes through a document that is re-parsed from its own output after every
// edit, so each check also proves that the edited model and a fresh parse agree.
QByteArray afterEdits(const QByteArray &file, const std::function<void(IniDocument &)> &edits)
{
    IniDocument document(file);
    edits(document);
    return document.serialize();
}

} // namespace

class TestIniDocument : public QObject
{
    Q_OBJECT

private slots:
    void readsLikeWindows_data();
    void readsLikeWindows();
    void listsSectionsAndKeys();
    void duplicatesFirstWins();
    void foldsCaseBeyondAscii();
    void decodesUtf8AndWindows1252PerLine();
    void skipsByteOrderMark();
    void returnsLongValuesWhole();
    void malformedInputParses_data();
    void malformedInputParses();
    void sectionsWithValueFollowsFirstSection();
    void valuesReadLikeValue();

    void writesLikeWindows_data();
    void writesLikeWindows();
    void replacesKeyKeepingItsSpelling();
    void writtenLinesAreUtf8();
    void identicalWriteChangesNothing();
    void oddNamesReadBackAsAReaderSeesThem();
    void refusesWritesThatBreakTheStructure();
    void deleteOfMissingThingsChangesNothing();
    void deletedSectionUncoversLaterDuplicate();
    void keepsLoneCrLinesApart();
    void adoptKeepsTheModel();
    void sectionWriteMatchesWritesOneByOne_data();
    void sectionWriteMatchesWritesOneByOne();
    void sectionWriteRefusesNamesThatReadBackOtherwise();
    void sectionLinesComeBackByteForByte_data();
    void sectionLinesComeBackByteForByte();
};

void TestIniDocument::readsLikeWindows_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // a null string: not found

    QTest::newRow("plain") << "[S]\r\nk=v\r\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("blanks around key and value")
        << "[S]\r\n \t k \v = \t v \t \r\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("blanks around header")
        << "\t [ \tS\t ] \r\nk=v\r\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("first ] ends the name") << "[a]b]\r\nk=v\r\n"_ba << u"a"_s << u"k"_s << u"v"_s;
    QTest::newRow("not the last ]") << "[a]b]\r\nk=v\r\n"_ba << u"a]b"_s << u"k"_s << QString();
    QTest::newRow("text after ] is no key") << "[S]k=v\r\n"_ba << u"S"_s << u"k"_s << QString();
    QTest::newRow("junk after ] ignored") << "[S]junk\r\nk=v\r\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("header without ]") << "[S   \r\nk=v\r\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("no [ no header") << "S]\r\nk=v\r\n"_ba << u"S"_s << u"k"_s << QString();
    QTest::newRow("keys before first header unreachable")
        << "k0=v0\r\n[S]\r\nk=v\r\n"_ba << QString() << u"k0"_s << QString();
    QTest::newRow("empty section name") << "[]\r\nk=v\r\n"_ba << QString() << u"k"_s << u"v"_s;
    QTest::newRow("first = splits") << "[S]\r\nk=a=b\r\n"_ba << u"S"_s << u"k"_s << u"a=b"_s;
    QTest::newRow("comment not a key") << "[S]\r\n;k=v\r\n"_ba << u"S"_s << u";k"_s << QString();
    QTest::newRow("indented comment") << "[S]\r\n \t;j=w\r\n"_ba << u"S"_s << u"j"_s << QString();
    QTest::newRow("# is no comment") << "[S]\r\n#h=x\r\n"_ba << u"S"_s << u"#h"_s << u"x"_s;
    QTest::newRow("no inline comment") << "[S]\r\nk=v ;c\r\n"_ba << u"S"_s << u"k"_s << u"v ;c"_s;
    QTest::newRow("first key wins") << "[S]\r\nk=v1\r\nK=v2\r\n"_ba << u"S"_s << u"k"_s << u"v1"_s;
    QTest::newRow("case-insensitive names") << "[SectionName]\r\nTestKey=TestValue\r\n"_ba
                                            << u"sectionname"_s << u"TESTKEY"_s << u"TestValue"_s;
    QTest::newRow("parameter spaces stripped")
        << "[SectionName]\r\nTestKey=TestValue\r\n"_ba << u" SectionName "_s << u" TestKey "_s
        << u"TestValue"_s;
    QTest::newRow("parameter TAB kept") << "[SectionName]\r\nTestKey=TestValue\r\n"_ba
                                        << u"\tSectionName"_s << u"TestKey"_s << QString();
    const QByteArray quotes = "[S]\r\na=  \"  v  \"  \r\nb='v'\r\nc=\"v'\r\nd='\"v\"'\r\ne=\"\"\r\n"
                              "f=\"\r\n"_ba;
    QTest::newRow("double quotes keep blanks") << quotes << u"S"_s << u"a"_s << u"  v  "_s;
    QTest::newRow("single quotes") << quotes << u"S"_s << u"b"_s << u"v"_s;
    QTest::newRow("mixed quotes stay") << quotes << u"S"_s << u"c"_s << u"\"v'"_s;
    QTest::newRow("only outer pair") << quotes << u"S"_s << u"d"_s << u"\"v\""_s;
    QTest::newRow("empty quotes") << quotes << u"S"_s << u"e"_s << u""_s;
    QTest::newRow("lone quote") << quotes << u"S"_s << u"f"_s << u"\""_s;
    QTest::newRow("empty value is found")
        << "[s]\r\nname2=\r\n"_ba << u"s"_s << u"name2"_s << u""_s;
    QTest::newRow("line without = is no key")
        << "[s]\r\nname3\r\n"_ba << u"s"_s << u"name3"_s << QString();
    QTest::newRow("CR only") << "[S]\rk=v\r"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("LF only") << "[S]\nk=v\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("empty key name") << "[S]\r\n=v\r\n"_ba << u"S"_s << QString() << u"v"_s;
    QTest::newRow("key in later section")
        << "[S]\r\na=1\r\n[T]\r\nb=2\r\n"_ba << u"S"_s << u"b"_s << QString();
}

void TestIniDocument::readsLikeWindows()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const std::optional<QString> found = IniDocument(file).value(section, key);
    QCOMPARE(found.has_value(), !expected.isNull());
    if (found)
        QCOMPARE(*found, expected);
}

void TestIniDocument::listsSectionsAndKeys()
{
    const IniDocument document("k0=v0\r\n[ section1 ]\r\n[section2]\r\n[s]\r\nname1=val1\r\n"
                               "name2=\r\nname3\r\n;c=1\r\n#h=x\r\n=e\r\nname4=val4\r\n"_ba);
    QCOMPARE(document.sectionNames(), QStringList({u"section1"_s, u"section2"_s, u"s"_s}));
    QCOMPARE(document.keyNames(u"S"),
             QStringList({u"name1"_s, u"name2"_s, u"#h"_s, QString(), u"name4"_s}));
    QVERIFY(document.sectionHasKeys(u"s"));
    QVERIFY(!document.sectionHasKeys(u"section1"));
    QVERIFY(!document.sectionHasKeys(u"missing"));
    QVERIFY(document.keyNames(u"missing").isEmpty());

    // A section whose only entry has no '=' holds no key.
    QVERIFY(!IniDocument("[S]\r\nname3\r\n"_ba).sectionHasKeys(u"S"));
}

void TestIniDocument::duplicatesFirstWins()
{
    const IniDocument document("[S]\r\na=1\r\n[T]\r\n[s]\r\nb=2\r\na=9\r\n"_ba);
    QCOMPARE(document.sectionNames(), QStringList({u"S"_s, u"T"_s, u"s"_s}));
    QCOMPARE(document.value(u"s", u"a"), u"1"_s);
    QCOMPARE(document.value(u"S", u"b"), std::nullopt);
    QCOMPARE(document.keyNames(u"s"), QStringList({u"a"_s}));
}

void TestIniDocument::foldsCaseBeyondAscii()
{
    // Full Unicode folding: "MÜLLER" and "Müller" are one contact, in either encoding.
    const IniDocument utf8("[Müller]\r\nStraße=1\r\n"_ba);
    QCOMPARE(utf8.value(u"MÜLLER", u"straße"), u"1"_s);
    const IniDocument cp1252("[\xC4pfel]\r\nk=v\r\n"_ba);
    QCOMPARE(cp1252.value(u"äpfel", u"k"), u"v"_s);
    // The Kelvin sign folds to an ASCII k.
    QCOMPARE(IniDocument("[S]\r\n\xE2\x84\xAA"
                         "ey=v\r\n"_ba)
                 .value(u"S", u"key"),
             u"v"_s);
    QCOMPARE(IniDocument("[\xE2\x84\xAA]\r\nk=v\r\n"_ba).value(u"k", u"k"), u"v"_s);
}

void TestIniDocument::decodesUtf8AndWindows1252PerLine()
{
    // An old Windows file: CR LF, accents in Windows-1252, next to a line already in UTF-8.
    const IniDocument document("[Ren\xE9 Dupr\xE9]\r\naNotes=Caf\xE9 \x80 5\r\n"
                               "aCity=Z\xC3\xBCrich\r\n"_ba);
    QCOMPARE(document.sectionNames(), QStringList({u"René Dupré"_s}));
    QCOMPARE(document.value(u"rené dupré", u"aNotes"), u"Café € 5"_s);
    QCOMPARE(document.value(u"René Dupré", u"aCity"), u"Zürich"_s);
}

void TestIniDocument::skipsByteOrderMark()
{
    const QByteArray file = "\xEF\xBB\xBF[S]\r\nk=v\r\n"_ba;
    IniDocument document(file);
    QCOMPARE(document.sectionNames(), QStringList({u"S"_s}));
    QCOMPARE(document.value(u"S", u"k"), u"v"_s);
    QCOMPARE(document.serialize(), file);
    document.writeString(u"T", u"a", u"1");
    QCOMPARE(document.serialize(), file + "[T]\r\na=1\r\n");

    // A file holding only the mark gets its first section right after it.
    IniDocument onlyMark("\xEF\xBB\xBF"_ba);
    onlyMark.writeString(u"S", u"k", u"v");
    QCOMPARE(onlyMark.serialize(), "\xEF\xBB\xBF[S]\r\nk=v\r\n"_ba);
}

void TestIniDocument::returnsLongValuesWhole()
{
    QString value;
    for (int i = 0; i < 10000; ++i)
        value += QChar(u'a' + i % 26);
    IniDocument document;
    document.writeString(u"S", u"k", value);
    QCOMPARE(IniDocument(document.serialize()).value(u"S", u"k"), value);
}

void TestIniDocument::malformedInputParses_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("sections");

    QByteArray garbage(4096, Qt::Uninitialized);
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919 + 13) % 251);
    QTest::newRow("binary garbage") << garbage << IniDocument(garbage).sectionNames();
    QTest::newRow("1 MB line") << "[S]\r\nk=" + QByteArray(1 << 20, 'x') << QStringList{u"S"_s};
    QTest::newRow("NUL bytes") << "Data \0 before \0 first\r\n[A\0B]\r\nk=\0v\r\n"_ba
                               << QStringList{u"A\0B"_s};
    QTest::newRow("no line ends") << "[S]"_ba << QStringList{u"S"_s};
    QTest::newRow("CR only") << "[A]\r\r\r[B]\rx=1\r"_ba << QStringList{u"A"_s, u"B"_s};
    QTest::newRow("sections without keys")
        << "[A]\r\n[B]\r\n[C]"_ba << QStringList{u"A"_s, u"B"_s, u"C"_s};
    QTest::newRow("keys before any section") << "a=1\r\nb=2\r\n"_ba << QStringList{};
    QTest::newRow("brackets only") << "[\r\n]\r\n[[]]\r\n"_ba << QStringList{QString(), u"["_s};
    QTest::newRow("byte order mark inside the file, blanks after it")
        << "[S]\r\n\xEF\xBB\xBF  ;\0a=b\r\n"_ba << QStringList{u"S"_s};
    QTest::newRow("empty") << QByteArray() << QStringList{};
}

void TestIniDocument::malformedInputParses()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, sections);
    IniDocument document(file);
    QCOMPARE(document.sectionNames(), sections);
    QCOMPARE(document.serialize(), file);
    for (const QString &name : sections) {
        const QStringList keys = document.keyNames(name);
        for (const QString &key : keys)
            QVERIFY(document.value(name, key).has_value());
    }
    // An edit on top keeps the old bytes and still parses to what the model says.
    document.writeString(u"New", u"k", u"v");
    const QByteArray written = document.serialize();
    QVERIFY(written.startsWith(file));
    QCOMPARE(IniDocument(written).sectionNames(), document.sectionNames());
    QCOMPARE(IniDocument(written).value(u"New", u"k"), u"v"_s);
}

void TestIniDocument::sectionsWithValueFollowsFirstSection()
{
    IniDocument document("[A]\r\ncat=x\r\n[B]\r\n[a]\r\ncat=y\r\n[C]\r\ncat='q'\r\n"_ba);
    using Row = std::pair<QString, std::optional<QString>>;
    const std::vector<Row> expected = {
        {u"A"_s, u"x"_s}, {u"B"_s, std::nullopt}, {u"a"_s, u"x"_s}, {u"C"_s, u"q"_s}};
    QCOMPARE(document.sectionsWithValue(u"CAT"), expected);
    // Once the first is gone, the duplicate speaks for itself.
    document.deleteSection(u"A");
    const std::vector<Row> after = {{u"B"_s, std::nullopt}, {u"a"_s, u"y"_s}, {u"C"_s, u"q"_s}};
    QCOMPARE(document.sectionsWithValue(u"cat"), after);
}

// Many keys of a section at once give what value() gives for each, whatever their order.
void TestIniDocument::valuesReadLikeValue()
{
    IniDocument document("[C]\r\nb=1\r\n; note\r\nA=\"2\"\r\nb=dup\r\nnoequals\r\nÄpfel=3\r\n"
                         "  indented=4\r\nx =5\r\nPEMAIL=6\r\npEmailAddress=7\r\n\u212Aelvin=8\r\n"
                         "y\r\n[c]\r\nz=no\r\n"_ba);
    for (const QStringList &keys :
         {QStringList{u"b"_s, u"a"_s, u"äPFEL"_s}, QStringList{u"äpfel"_s, u"z"_s, u"B"_s, u"b"_s},
          QStringList{u"missing"_s},
          QStringList{u"INDENTED"_s, u"X"_s, u"pemailaddress"_s, u"pEmail"_s, u"kelvin"_s, u"y"_s,
                      u"pe"_s}}) {
        std::vector<std::optional<QString>> expected;
        for (const QString &key : keys)
            expected.push_back(document.value(u"c", key));
        QCOMPARE(document.values(u"c", keys), expected);
    }
    QCOMPARE(document.values(u"nowhere", {u"b"_s}), std::vector<std::optional<QString>>(1));
    QCOMPARE(document.values(u"C", {u"b"_s, u"A"_s}).front(), std::optional(u"1"_s));
}

void TestIniDocument::writesLikeWindows_data()
{
    using Edits = std::function<void(IniDocument &)>;
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Edits>("edits");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("build up")
        << QByteArray() << Edits([](IniDocument &d) {
               d.writeString(u"App1", u"key1", u"string1");
               d.writeString(u"App1", u"key2", u"string2");
               d.writeString(u"App1", u"key3", u"string3");
               d.writeString(u"App2", u"key4", u"string4");
               d.writeString(u"App3", u"key5", u"string5");
           })
        << "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
           "[App3]\r\nkey5=string5\r\n"_ba;
    QTest::newRow("text before first section kept")
        << "Data \0 before \0 first \0 section"_ba
        << Edits([](IniDocument &d) { d.writeString(u"section1", u"key1", u"string1"); })
        << "Data \0 before \0 first \0 section\r\n[section1]\r\nkey1=string1\r\n"_ba;
    QTest::newRow("replace in place, add at end")
        << "[S]\r\nb=value\r\na=value\r\n"_ba << Edits([](IniDocument &d) {
               d.writeString(u"S", u"z", u"");
               d.writeString(u"S", u"b", u"");
               d.writeString(u"S", u"y", u"");
               d.writeString(u"S", u"a", u"");
           })
        << "[S]\r\nb=\r\na=\r\nz=\r\ny=\r\n"_ba;
    QTest::newRow("comments stay, new keys after last key")
        << ";comment0\r\n[S]\r\n;comment1\r\nb=value\r\n;comment2\r\na=value\r\n"_ba
        << Edits([](IniDocument &d) {
               d.writeString(u"S", u"z", u"");
               d.writeString(u"S", u";x", u"");
               d.writeString(u"S", u"y", u"");
               d.writeString(u"S", u"a", u"");
               d.writeString(u"S", u"b", u"");
           })
        << ";comment0\r\n[S]\r\n;comment1\r\nb=\r\n;comment2\r\na=\r\nz=\r\ny=\r\n;x=\r\n"_ba;
    QTest::newRow("written comments pile up") << QByteArray() << Edits([](IniDocument &d) {
        d.writeString(u"S", u"z", u"");
        d.writeString(u"S", u";y", u"");
        d.writeString(u"S", u"a", u"");
        d.writeString(u"S", u";b", u"");
        d.writeString(u"S", u";c", u"");
    }) << "[S]\r\nz=\r\na=\r\n;c=\r\n;b=\r\n;y=\r\n"_ba;
    QTest::newRow("new key before blank line")
        << "[A]\r\nk=v\r\n\r\n[B]\r\nx=1\r\n"_ba
        << Edits([](IniDocument &d) { d.writeString(u"A", u"n", u"1"); })
        << "[A]\r\nk=v\r\nn=1\r\n\r\n[B]\r\nx=1\r\n"_ba;
    QTest::newRow("key into empty section goes after header")
        << "[A]\r\n;c\r\n[B]\r\n"_ba
        << Edits([](IniDocument &d) { d.writeString(u"A", u"k", u"v"); })
        << "[A]\r\nk=v\r\n;c\r\n[B]\r\n"_ba;
    QTest::newRow("entry without = counts as an entry")
        << "[A]\r\nk=v\r\nname3\r\n;c\r\n"_ba
        << Edits([](IniDocument &d) { d.writeString(u"A", u"n", u"1"); })
        << "[A]\r\nk=v\r\nname3\r\nn=1\r\n;c\r\n"_ba;
    QTest::newRow("unterminated last line")
        << "[SectionName]\r\nTestKey=TestValue"_ba
        << Edits([](IniDocument &d) { d.writeString(u"SECTIONNAME", u"TESTKEY", u"TestValue2"); })
        << "[SectionName]\r\nTestKey=TestValue2\r\n"_ba;
    QTest::newRow("insert after unterminated last line")
        << "[S]\nk=v"_ba << Edits([](IniDocument &d) { d.writeString(u"S", u"j", u"w"); })
        << "[S]\nk=v\r\nj=w\r\n"_ba;
    QTest::newRow("insert after unterminated header")
        << "[S]"_ba << Edits([](IniDocument &d) { d.writeString(u"S", u"j", u"w"); })
        << "[S]\r\nj=w\r\n"_ba;
    QTest::newRow("other line ends untouched")
        << "[A]\nk=v\n[B]\rx=1\r"_ba
        << Edits([](IniDocument &d) { d.writeString(u"A", u"k", u"w"); })
        << "[A]\nk=w\r\n[B]\rx=1\r"_ba;
    QTest::newRow("delete key") << "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
                                   "[App2]\r\nkey4=string4\r\n"_ba
                                << Edits([](IniDocument &d) {
                                       d.deleteKey(u"App1", u"key2");
                                       d.deleteKey(u"App1", u"key2");
                                   })
                                << "[App1]\r\nkey1=string1\r\nkey3=string3\r\n[App2]\r\n"
                                   "key4=string4\r\n"_ba;
    QTest::newRow("delete last key keeps header")
        << "[App3]\r\nkey5=string5\r\n"_ba
        << Edits([](IniDocument &d) { d.deleteKey(u"App3", u"key5"); }) << "[App3]\r\n"_ba;
    QTest::newRow("delete sections") << "[App1]\r\nkey1=string1\r\n[App2]\r\nkey4=string4\r\n"
                                        "[App3]\r\nkey5=string5\r\n"_ba
                                     << Edits([](IniDocument &d) {
                                            d.deleteSection(u"App1");
                                            d.deleteSection(u"App2");
                                        })
                                     << "[App3]\r\nkey5=string5\r\n"_ba;
    QTest::newRow("delete section keeps comments")
        << ";comment0\r\n[S]\r\n;comment1\r\n[S2]\r\n;comment2\r\n"_ba << Edits([](IniDocument &d) {
               d.deleteSection(u"S");
               d.deleteSection(u"S2");
           })
        << ";comment0\r\n;comment1\r\n;comment2\r\n"_ba;
    QTest::newRow("delete section keeps blank lines, drops entries")
        << "[A]\r\nk=v\r\nname3\r\n\r\n[B]\r\n"_ba
        << Edits([](IniDocument &d) { d.deleteSection(u"a"); }) << "\r\n[B]\r\n"_ba;
    QTest::newRow("comment cannot be deleted")
        << "[S]\r\n;key=TestValue\r\n"_ba
        << Edits([](IniDocument &d) { d.deleteKey(u"S", u";key"); })
        << "[S]\r\n;key=TestValue\r\n"_ba;
    QTest::newRow("value written verbatim")
        << QByteArray() << Edits([](IniDocument &d) { d.writeString(u"S", u"k", u"  v  "); })
        << "[S]\r\nk=  v  \r\n"_ba;
    QTest::newRow("names lose spaces only") << QByteArray() << Edits([](IniDocument &d) {
        d.writeString(u" sec ", u" key ", u"v");
        d.writeString(u"\tsec", u"k", u"v");
        d.writeString(u"S", u";k", u"v");
        d.writeString(u"S", u"", u"v");
        d.writeString(u"", u"k", u"v");
    }) << "[sec]\r\nkey=v\r\n[\tsec]\r\nk=v\r\n[S]\r\n=v\r\n;k=v\r\n[]\r\nk=v\r\n"_ba;
    QTest::newRow("new section after trailing blank lines")
        << "[A]\r\nk=v\r\n\r\n\r\n"_ba
        << Edits([](IniDocument &d) { d.writeString(u"B", u"x", u"1"); })
        << "[A]\r\nk=v\r\n\r\n\r\n[B]\r\nx=1\r\n"_ba;
    QTest::newRow("write into the first of duplicates")
        << "[S]\r\na=1\r\n[s]\r\na=2\r\n"_ba
        << Edits([](IniDocument &d) { d.writeString(u"S", u"a", u"3"); })
        << "[S]\r\na=3\r\n[s]\r\na=2\r\n"_ba;
}

void TestIniDocument::writesLikeWindows()
{
    using Edits = std::function<void(IniDocument &)>;
    QFETCH(QByteArray, file);
    QFETCH(Edits, edits);
    QFETCH(QByteArray, expected);
    QCOMPARE(afterEdits(file, edits), expected);

    // The same edits applied one at a time to freshly parsed text give the same bytes.
    IniDocument stepwise(file);
    edits(stepwise);
    IniDocument reparsed(stepwise.serialize());
    QCOMPARE(reparsed.serialize(), expected);
    QCOMPARE(reparsed.sectionNames(), stepwise.sectionNames());
}

void TestIniDocument::replacesKeyKeepingItsSpelling()
{
    IniDocument document("[Person]\r\n  TestKey =old\r\nother=1\r\n"_ba);
    QVERIFY(document.writeString(u"PERSON", u"testkey", u" new"));
    QCOMPARE(document.serialize(), "[Person]\r\nTestKey= new\r\nother=1\r\n"_ba);
    QCOMPARE(document.value(u"person", u"TESTKEY"), u"new"_s);
}

void TestIniDocument::writtenLinesAreUtf8()
{
    // The key keeps its spelling but a rewritten line must decode as one text: a
    // Windows-1252 key next to a UTF-8 value would turn the value into mojibake.
    IniDocument document("[S]\r\nStra\xDF"
                         "e=alt\r\n"_ba);
    document.writeString(u"S", u"STRAßE", u"Müller");
    QCOMPARE(document.serialize(), "[S]\r\nStra\xC3\x9F"
                                   "e=M\xC3\xBCller\r\n"_ba);
    QCOMPARE(IniDocument(document.serialize()).value(u"s", u"straße"), u"Müller"_s);
}

void TestIniDocument::identicalWriteChangesNothing()
{
    IniDocument document("[S]\r\nk=v\r\n"_ba);
    QVERIFY(!document.writeString(u"s", u"K", u"v"));
    QVERIFY(!document.isModified());
    // The same value on a line not in CR LF form is a real change.
    IniDocument lf("[S]\nk=v\n"_ba);
    QVERIFY(lf.writeString(u"S", u"k", u"v"));
    QVERIFY(lf.isModified());
}

void TestIniDocument::oddNamesReadBackAsAReaderSeesThem()
{
    // Windows writes such names as given; the model must list what a reader of the file
    // will see, not what was asked for.
    IniDocument document("[a]\r\nk=1\r\n"_ba);
    document.writeString(u"a]b", u"k", u"2");
    document.writeString(u"\tc", u"k", u"3");
    QCOMPARE(document.sectionNames(), QStringList({u"a"_s, u"a"_s, u"c"_s}));
    QCOMPARE(document.value(u"a", u"k"), u"1"_s);
    QCOMPARE(document.value(u"c", u"k"), u"3"_s);
    const IniDocument reparsed(document.serialize());
    QCOMPARE(reparsed.sectionNames(), document.sectionNames());
    QCOMPARE(reparsed.value(u"c", u"k"), u"3"_s);
}

void TestIniDocument::refusesWritesThatBreakTheStructure()
{
    QVERIFY(IniDocument::canWrite(u"S", u"k", u"v ; # [x] = \"q\""));
    QVERIFY(IniDocument::canWrite(u"a]b", u";k", u""));
    QVERIFY(!IniDocument::canWrite(u"S", u"k", u"line1\r\n[Other]\r\naContactCat=x"));
    QVERIFY(!IniDocument::canWrite(u"S", u"k", u"a\nb"));
    QVERIFY(!IniDocument::canWrite(u"S\r", u"k", u"v"));
    QVERIFY(!IniDocument::canWrite(u"S", u"k\n", u"v"));
    QVERIFY(!IniDocument::canWrite(u"S", u"[k", u"v"));
    QVERIFY(!IniDocument::canWrite(u"S", u" \t[k", u"v"));

    // Line breaks are looked for four characters at a time: found wherever they stand, and
    // characters that share a byte with them are no line breaks.
    for (qsizetype size = 1; size <= 9; ++size) {
        for (qsizetype at = 0; at < size; ++at) {
            for (const char16_t lineBreak : {u'\r', u'\n'}) {
                QString value(size, u'\u0A0D');
                value[at] = lineBreak;
                QVERIFY2(!IniDocument::canWrite(u"S", u"k", value),
                         qPrintable(u"%1 of %2"_s.arg(at).arg(size)));
            }
        }
    }
    QVERIFY(IniDocument::canWrite(u"S", u"k", u"\u0A0A\u0D0D\u010A\u0D00\u000B\u000C\u000E"));
}

void TestIniDocument::deleteOfMissingThingsChangesNothing()
{
    const QByteArray file = "[S]\r\nk=v\r\n"_ba;
    IniDocument document(file);
    QVERIFY(!document.deleteKey(u"S", u"missing"));
    QVERIFY(!document.deleteKey(u"T", u"k"));
    QVERIFY(!document.deleteSection(u"T"));
    QVERIFY(!document.isModified());
    QCOMPARE(document.serialize(), file);
    IniDocument empty;
    QVERIFY(!empty.deleteSection(u"S"));
    QVERIFY(empty.serialize().isEmpty());
}

void TestIniDocument::deletedSectionUncoversLaterDuplicate()
{
    IniDocument document("[S]\r\na=1\r\n[T]\r\n[s]\r\na=2\r\n"_ba);
    document.deleteSection(u"S");
    QCOMPARE(document.value(u"S", u"a"), u"2"_s);
    document.writeString(u"S", u"b", u"3");
    QCOMPARE(document.serialize(), "[T]\r\n[s]\r\na=2\r\nb=3\r\n"_ba);
    document.deleteSection(u"S");
    QCOMPARE(document.sectionNames(), QStringList({u"T"_s}));
    document.writeString(u"S", u"c", u"4");
    QCOMPARE(document.serialize(), "[T]\r\n[S]\r\nc=4\r\n"_ba);

    // A section appended under a name in use is uncovered in its turn, and so is a third one
    // read from the file.
    IniDocument three("[S]\r\na=1\r\n[S]\r\na=2\r\n"_ba);
    three.appendSectionLines(u"s", {"a=3"});
    for (const char *expected : {"2", "3"}) {
        three.deleteSection(u"S");
        QCOMPARE(three.value(u"S", u"a"), QString::fromLatin1(expected));
    }
    three.deleteSection(u"S");
    QVERIFY(!three.sectionLines(u"S"));
}

void TestIniDocument::keepsLoneCrLinesApart()
{
    // "[S]" ends in a lone CR and a blank LF line follows the key; removing the key must not
    // turn CR + LF into one line break.
    IniDocument document("[S]\rk=v\n\n[T]\r\n"_ba);
    document.deleteKey(u"S", u"k");
    const QByteArray written = document.serialize();
    QCOMPARE(written, "[S]\r\r\n[T]\r\n"_ba);
    document.writeString(u"S", u"j", u"1");
    IniDocument reparsed(written);
    reparsed.writeString(u"S", u"j", u"1");
    QCOMPARE(document.serialize(), reparsed.serialize());

    // Across sections: deleting a section whose header follows a lone CR.
    IniDocument across("[A]\r[B]\n\n"_ba);
    across.deleteSection(u"B");
    QCOMPARE(across.serialize(), "[A]\r\r\n"_ba);
}

void TestIniDocument::adoptKeepsTheModel()
{
    IniDocument document("; head\r\n[A]\r\nx=1\r\n[B]\r\ny=2\r\n"_ba);
    document.writeString(u"A", u"z", u"3");
    document.deleteSection(u"B");
    document.writeString(u"C", u"w", u"4");
    QByteArray saved = document.serialize();
    document.adopt(saved);
    QVERIFY(!document.isModified());
    QCOMPARE(document.raw(), saved);
    QCOMPARE(document.serialize(), saved);
    QCOMPARE(document.sectionNames(), QStringList({u"A"_s, u"C"_s}));
    QCOMPARE(document.value(u"a", u"z"), u"3"_s);
    document.writeString(u"A", u"x", u"9");
    QCOMPARE(document.serialize(), "; head\r\n[A]\r\nx=9\r\nz=3\r\n[C]\r\nw=4\r\n"_ba);
}

using Entries = QList<std::pair<QString, QString>>;

void TestIniDocument::sectionWriteMatchesWritesOneByOne_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<bool>("changes");

    const Entries contact{{u".name"_s, u"Ann"_s}, {u"pNickName"_s, u"annie"_s},
                          {u".NAME"_s, u"Lee"_s}, {u"aNotes"_s, u"a|b"_s},
                          {u".name"_s, u""_s},    {u"hCitg"_s, u"\"  Oslo  \""_s}};
    QTest::newRow("new, a key repeated in other cases")
        << "; head\r\n"_ba << u"Ann Lee"_s << contact << true;
    QTest::newRow("new after a last line without a line end")
        << "[A]\r\nx=1"_ba << u"B"_s << contact << true;
    QTest::newRow("existing: replaced in place, added after the last key, comment kept")
        << "[Ann Lee]\r\npnickname=old\r\nkeep=1\r\n;note\r\n[Z]\r\n"_ba << u"ann lee"_s << contact
        << true;
    QTest::newRow("existing, without a line end at the end")
        << "[S]\r\nk=1"_ba << u"S"_s << Entries{{u"k"_s, u"2"_s}, {u"n"_s, u"3"_s}} << true;
    QTest::newRow("existing, the same values")
        << "[S]\r\nk=1\r\nn=\r\n"_ba << u"S"_s << Entries{{u"K"_s, u"1"_s}, {u"n"_s, u""_s}}
        << false;
    QTest::newRow("folding beyond ASCII: Straße is STRASSE, the Kelvin sign is k")
        << "[S]\r\nk=1\r\n"_ba << u"S"_s
        << Entries{{u"Straße"_s, u"a"_s}, {u"STRASSE"_s, u"b"_s}, {u"\u212A"_s, u"c"_s}} << true;
    QTest::newRow("Windows-1252 key line") << "[S]\r\nStra\xDF"
                                              "e=x\r\n"_ba
                                           << u"S"_s << Entries{{u"straße"_s, u"y"_s}} << true;
    QTest::newRow("no entries") << "[S]\r\n"_ba << u"T"_s << Entries{} << false;
    Entries many;
    for (int i = 0; i < 40; ++i)
        many.append({u"key%1"_s.arg(i), QString::number(i)});
    QTest::newRow("forty different keys") << QByteArray() << u"S"_s << many << true;
    many.append({u"KEY7"_s, u"again"_s});
    QTest::newRow("a key repeated after forty") << QByteArray() << u"S"_s << many << true;
    QTest::newRow("text longer in UTF-8 than in characters")
        << QByteArray() << u"Zoë"_s
        << Entries{{u"wCity"_s, QString(300, u'€')}, {u"Schlüssel"_s, QString(300, u'ü')}} << true;
}

void TestIniDocument::sectionWriteMatchesWritesOneByOne()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(Entries, entries);
    QFETCH(bool, changes);

    IniDocument oneByOne(file);
    for (const auto &[key, value] : entries)
        oneByOne.writeString(section, key, value);

    const std::optional<QByteArray> prepared = IniDocument::prepareSection(section, entries);
    QVERIFY(prepared);
    IniDocument whole(file);
    QCOMPARE(whole.writeSection(*prepared), changes);
    QCOMPARE(whole.serialize(), oneByOne.serialize());
    // Written whole twice: the second time over the section's own text.
    QVERIFY(!whole.writeSection(*prepared));
    QCOMPARE(whole.serialize(), oneByOne.serialize());
    // And the pieces a save writes are the same text.
    QByteArray pieces;
    for (const QByteArrayView piece : whole.pieces())
        pieces += piece;
    QCOMPARE(pieces, whole.serialize());
    QCOMPARE(IniDocument(pieces).serialize(), pieces);
}

void TestIniDocument::sectionWriteRefusesNamesThatReadBackOtherwise()
{
    const Entries plain{{u"k"_s, u"v"_s}};
    QVERIFY(!IniDocument::prepareSection(u"S\t"_s, plain));
    QVERIFY(!IniDocument::prepareSection(u" S"_s, plain));
    QVERIFY(!IniDocument::prepareSection(u"a]b"_s, plain));
    for (const QString &key : {u"a=b"_s, u";c"_s, u" k"_s, u"k\t"_s, u"\xD800"_s})
        QVERIFY2(!IniDocument::prepareSection(u"S"_s, {{key, u"v"_s}}), qPrintable(key));
    QVERIFY(IniDocument::prepareSection(u"Ann  Lee"_s, {{u"x"_s, u" v "_s}}));
}

// A section's lines as deleteSection() removes them, appended elsewhere, read back the same:
// what keeps a deleted contact whole.
void TestIniDocument::sectionLinesComeBackByteForByte_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArrayList>("lines"); // of section "Ann"
    QTest::newRow("plain") << "[Ann]\r\na=1\r\nb=2\r\n"_ba << QByteArrayList{"a=1", "b=2"};
    QTest::newRow("odd lines") << "[Ann]\r\n  a = 1  \r\n\x80x=\xe9\r\na=2\r\nno equals\r\n"_ba
                               << QByteArrayList{"  a = 1  ", "\x80x=\xe9", "a=2", "no equals"};
    QTest::newRow("comments and blanks stay out")
        << "[Ann]\r\n; note\r\n\r\na=1\r\n"_ba << QByteArrayList{"a=1"};
    QTest::newRow("lone CR and LF, no last break")
        << "[Ann]\ra=1\nb=2"_ba << QByteArrayList{"a=1", "b=2"};
    QTest::newRow("header only") << "[Ann]\r\n[Bo]\r\nc=3\r\n"_ba << QByteArrayList();
    QTest::newRow("first of two") << "[ann]\r\na=1\r\n[Ann]\r\na=2\r\n"_ba << QByteArrayList{"a=1"};
}

void TestIniDocument::sectionLinesComeBackByteForByte()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArrayList, lines);
    IniDocument document(file);
    QCOMPARE(document.sectionLines(u"ANN"), lines);
    QVERIFY(!document.sectionLines(u"Cy"));

    QVERIFY(IniDocument::canAppendSectionLines(u"Cy", lines));
    document.appendSectionLines(u"Cy", lines);
    const IniDocument reread(document.serialize());
    QCOMPARE(reread.sectionLines(u"Cy"), lines);
    QVERIFY(document.serialize().startsWith(file));

    // Lines that would start another line or section are refused.
    QVERIFY(!IniDocument::canAppendSectionLines(u"Cy", {"a=1\r\n[x]"}));
    QVERIFY(!IniDocument::canAppendSectionLines(u"Cy", {" [x]"}));
    QVERIFY(!IniDocument::canAppendSectionLines(u"C\ny", {}));
}

QTEST_GUILESS_MAIN(TestIniDocument)
#include "tst_inidocument.moc"
