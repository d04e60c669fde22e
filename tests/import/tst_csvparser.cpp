// The CSV parser: what rows and cells ordinary and hostile files give.
#include "import/csvparser.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Rows = QList<QStringList>;

Q_DECLARE_METATYPE(TCsvFormat)

namespace {

Rows fileRows(const TCsvTable &table)
{
    Rows rows;
    for (qsizetype row = 0; row < table.FileRowCount(); ++row) {
        QStringList cells;
        for (qsizetype column = 0; column < table.CellCount(row); ++column)
            cells.append(table.Cell(row, column));
        rows.append(cells);
    }
    return rows;
}

} // namespace

class TestCsvParser : public QObject
{
    Q_OBJECT

private slots:
    void readsRows_data();
    void readsRows();
    void detectsTheFormat_data();
    void detectsTheFormat();
    void readsOtherFormats_data();
    void readsOtherFormats();
    void gridHasAHeaderRowAndOneMore();
    void editsReplaceCells();
};

void TestCsvParser::readsRows_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Rows>("rows");

    QTest::newRow("CR LF lines") << "First Name,Last Name\r\nAnn,Lee\r\n"_ba
                                 << Rows{{u"First Name"_s, u"Last Name"_s}, {u"Ann"_s, u"Lee"_s}};
    QTest::newRow("quoted comma") << "a,\"b,c\"\r\n"_ba << Rows{{u"a"_s, u"b,c"_s}};
    QTest::newRow("quoted CR LF is one |, the row ends at the real line end")
        << "N,M\r\n\"x\r\ny\",z\r\n"_ba << Rows{{u"N"_s, u"M"_s}, {u"x|y"_s, u"z"_s}};
    QTest::newRow("quoted LF and CR are one | each")
        << "\"a\nb\rc\r\n\nd\""_ba << Rows{{u"a|b|c||d"_s}};
    QTest::newRow("LF ends a row") << "a,b\nc,d\n"_ba << Rows{{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}};
    QTest::newRow("CR ends a row") << "a\rb\r"_ba << Rows{{u"a"_s}, {u"b"_s}};
    QTest::newRow("LF CR is two line ends") << "a\n\rb"_ba << Rows{{u"a"_s}, {u""_s}, {u"b"_s}};
    QTest::newRow("last line without a line end")
        << "h\r\n1\r\n2"_ba << Rows{{u"h"_s}, {u"1"_s}, {u"2"_s}};
    QTest::newRow("doubled quote is one quote")
        << "\"say \"\"hi\"\"\",\"\"\"\"\r\n"_ba << Rows{{u"say \"hi\""_s, u"\""_s}};
    QTest::newRow("quote inside an unquoted field")
        << "5'10\",x\"y\r\n"_ba << Rows{{u"5'10\""_s, u"x\"y"_s}};
    QTest::newRow("text after the closing quote")
        << "\"ab\"c\"d,e"_ba << Rows{{u"abc\"d"_s, u"e"_s}};
    QTest::newRow("blanks stay") << " a , \"b\" "_ba << Rows{{u" a "_s, u" \"b\" "_s}};
    QTest::newRow("a quote left open runs to the end")
        << "a,\"b\r\nc,d"_ba << Rows{{u"a"_s, u"b|c,d"_s}};
    QTest::newRow("empty fields and lines")
        << ",\r\n\r\n,"_ba << Rows{{u""_s, u""_s}, {u""_s}, {u""_s, u""_s}};
    QTest::newRow("empty file") << QByteArray() << Rows{};
    QTest::newRow("byte order mark skipped")
        << "\xEF\xBB\xBFName\r\nAnn"_ba << Rows{{u"Name"_s}, {u"Ann"_s}};
    QTest::newRow("only a byte order mark") << "\xEF\xBB\xBF"_ba << Rows{};
    QTest::newRow("a U+FEFF after the mark stays") << "\xEF\xBB\xBF\xEF\xBB\xBF"
                                                      "a\n\xEF\xBB\xBF"_ba
                                                   << Rows{{u"\uFEFFa"_s}, {u"\uFEFF"_s}};
    QTest::newRow("UTF-8") << "Z\xC3\xBCrich,\xE2\x82\xAC"_ba << Rows{{u"Zürich"_s, u"€"_s}};
    QTest::newRow("Windows-1252") << "Jos\xE9,\x80,\"Fran\xE7ois\""_ba
                                  << Rows{{u"José"_s, u"€"_s, u"François"_s}};
    QTest::newRow("each field decided alone")
        << "Z\xC3\xBCrich,Jos\xE9"_ba << Rows{{u"Zürich"_s, u"José"_s}};
    QTest::newRow("NUL bytes") << "a\0b,c"_ba << Rows{{u"a\0b"_s, u"c"_s}};
    QTest::newRow("quotes only") << QByteArray(7, '"') << Rows{{u"\"\"\""_s}};
}

void TestCsvParser::readsRows()
{
    QFETCH(QByteArray, file);
    QFETCH(Rows, rows);
    QCOMPARE(fileRows(TCsvParser::Parse(file)), rows);
}

void TestCsvParser::detectsTheFormat_data()
{
    using E = TCsvEncoding;
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<TCsvFormat>("format");

    const auto row = [](const char *name, const QByteArray &file, E encoding, char separator) {
        QTest::newRow(name) << file << TCsvFormat{encoding, separator};
    };
    row("comma, ASCII", "Name,Notes\r\nAnn;x,y\r\n"_ba, E::Utf8, ',');
    row("semicolon, as Excel writes in many countries", "Name;Notes;Mobile Phone\r\n"_ba, E::Utf8,
        ';');
    row("tab", "Name\tNotes\r\nAnn\t\"a,b,c\"\r\n"_ba, E::Utf8, '\t');
    row("separators inside quotes do not count", "\"a;b;c\",d\r\n"_ba, E::Utf8, ',');
    row("only the first line counts", "Name\r\na;b;c\r\n"_ba, E::Utf8, ',');
    row("a tie is a comma", "a,b;c\r\n"_ba, E::Utf8, ',');
    row("no separator at all", "Name"_ba, E::Utf8, ',');
    row("empty", QByteArray(), E::Utf8, ',');
    row("UTF-8", "Name;Stadt\r\nZ\xC3\xBCrich;x\r\n"_ba, E::Utf8, ';');
    row("UTF-8 byte order mark", "\xEF\xBB\xBFName,Notes\r\nJos\xE9,x"_ba, E::Utf8, ',');
    row("not UTF-8: Windows-1252", "Name;Notes\r\nZ\xC3\xBCrich;Jos\xE9\r\n"_ba, E::Windows1252,
        ';');
    row("UTF-16 LE", "\xFF\xFEN\0a\0;\0b\0"_ba, E::Utf16Le, ';');
    row("UTF-16 BE", "\xFE\xFF\0N\0\t\0b"_ba, E::Utf16Be, '\t');
}

void TestCsvParser::detectsTheFormat()
{
    QFETCH(QByteArray, file);
    QFETCH(TCsvFormat, format);
    const TCsvFormat detected = DetectCsvFormat(file);
    QCOMPARE(int(detected.encoding), int(format.encoding));
    QCOMPARE(detected.separator, format.separator);
}

void TestCsvParser::readsOtherFormats_data()
{
    using E = TCsvEncoding;
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<TCsvFormat>("format");
    QTest::addColumn<Rows>("rows");

    QTest::newRow("semicolons") << "Name;Notes\r\nAnn;\"a;b\"\r\n"_ba << TCsvFormat{E::Utf8, ';'}
                                << Rows{{u"Name"_s, u"Notes"_s}, {u"Ann"_s, u"a;b"_s}};
    QTest::newRow("tabs, commas are text")
        << "Name\tNotes\r\nAnn\ta,b\r\n"_ba << TCsvFormat{E::Utf8, '\t'}
        << Rows{{u"Name"_s, u"Notes"_s}, {u"Ann"_s, u"a,b"_s}};
    QTest::newRow("Windows-1252 chosen: every field")
        << "Z\xC3\xBCrich,Jos\xE9"_ba << TCsvFormat{E::Windows1252, ','}
        << Rows{{u"Z\u00C3\u00BCrich"_s, u"José"_s}};
    QTest::newRow("UTF-16 LE") << "\xFF\xFEN\0a\0;\0\xFC\0\r\0\n\0\xAC\x20"_ba
                               << TCsvFormat{E::Utf16Le, ';'} << Rows{{u"Na"_s, u"ü"_s}, {u"€"_s}};
    QTest::newRow("UTF-16 BE") << "\xFE\xFF\0A\0,\0B"_ba << TCsvFormat{E::Utf16Be, ','}
                               << Rows{{u"A"_s, u"B"_s}};
}

void TestCsvParser::readsOtherFormats()
{
    QFETCH(QByteArray, file);
    QFETCH(TCsvFormat, format);
    QFETCH(Rows, rows);
    QCOMPARE(fileRows(TCsvParser::Parse(file, format)), rows);
}

void TestCsvParser::gridHasAHeaderRowAndOneMore()
{
    const TCsvTable empty = TCsvParser::Parse({});
    QCOMPARE(empty.RowCount(), 2);
    QCOMPARE(empty.ColumnCount(), 1);
    QCOMPARE(empty.Row(1), QStringList{QString()});

    // A line longer than the header adds columns with empty headers.
    const TCsvTable wide = TCsvParser::Parse("a,b\r\n1,2,3\r\n4\r\n"_ba);
    QCOMPARE(wide.RowCount(), 3);
    QCOMPARE(wide.ColumnCount(), 3);
    QCOMPARE(wide.Row(0), QStringList({u"a"_s, u"b"_s, QString()}));
    QCOMPARE(wide.Row(2), QStringList({u"4"_s, QString(), QString()}));
    QCOMPARE(wide.Cell(7, 7), QString());
}

void TestCsvParser::editsReplaceCells()
{
    TCsvTable table = TCsvParser::Parse("a,b\r\n1\r\n"_ba);
    table.SetCell(1, 0, u"one"_s);
    table.SetCell(1, 1, u"two"_s); // beyond the row's own fields
    table.SetCell(1, 0, u"uno"_s);
    QCOMPARE(table.Row(1), QStringList({u"uno"_s, u"two"_s}));
    QCOMPARE(table.Row(0), QStringList({u"a"_s, u"b"_s}));
}

QTEST_GUILESS_MAIN(TestCsvParser)
#include "tst_csvparser.moc"
