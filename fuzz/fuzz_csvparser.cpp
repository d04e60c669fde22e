// Feeds arbitrary bytes to the CSV parser, writes the rows it read out again as RFC 4180 and
// checks that they parse back to exactly the same rows and cells.
#include "import/csvparser.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_csvparser: %s\n", what);
        std::abort();
    }
}

QByteArray quoted(const QString &cell)
{
    QByteArray bytes = cell.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') &&
        !bytes.contains('\n'))
        return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

// A byte order mark first, so a first cell that starts with U+FEFF keeps it.
QByteArray written(const TCsvTable &table)
{
    QByteArray text("\xEF\xBB\xBF");
    for (qsizetype row = 0; row < table.FileRowCount(); ++row) {
        for (qsizetype column = 0; column < table.CellCount(row); ++column) {
            if (column > 0)
                text.append(',');
            text.append(quoted(table.Cell(row, column)));
        }
        text.append("\r\n");
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TCsvTable table =
        TCsvParser::Parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const TCsvTable again = TCsvParser::Parse(written(table));
    check(again.FileRowCount() == table.FileRowCount(), "the row count changed");
    check(again.ColumnCount() == table.ColumnCount(), "the column count changed");
    for (qsizetype row = 0; row < table.FileRowCount(); ++row) {
        check(again.CellCount(row) == table.CellCount(row), "a row's cell count changed");
        for (qsizetype column = 0; column < table.CellCount(row); ++column) {
            const QString cell = table.Cell(row, column);
            check(!cell.contains(u'\r') && !cell.contains(u'\n'), "a cell holds a line break");
            check(again.Cell(row, column) == cell, "a cell reads back differently");
        }
    }
    // Beyond the file's fields the grid is empty.
    check(table.Cell(table.RowCount(), 0).isEmpty(), "a cell outside the rows has text");
    return 0;
}
