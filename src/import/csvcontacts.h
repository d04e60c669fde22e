#pragma once

#include "import/contactimport.h"

#include <QString>
#include <QStringList>

class TCsvTable;

/// The key of a column whose header the field table does not know: it is not imported.
inline constexpr char CsvUnknownColumn[] = "N/A";

/// The built-in field alignment table (the resource "resCsv") as its 53 lines: a comment, then
/// pairs of a CSV column header and the contact field key it fills. Throws CalbreyError when
/// the resource is missing.
QStringList LoadFieldAlignmentTable();

/// For each header, the line after the first line of the table that equals it without regard
/// to letter case (any line counts, the comment and the keys too), or CsvUnknownColumn.
QStringList ColumnKeys(const QStringList &headers, const QStringList &table);

/// The first column whose header equals header without regard to letter case, or -1.
qsizetype FindColumn(const QString &header, const QStringList &headers);
/// The row's cell under FindColumn(header), or the empty string.
QString ColumnValue(const QString &header, const QStringList &cells, const QStringList &headers);

/// The columns a contact name is built from, found once for a file.
struct TNameColumns
{
    qsizetype name = -1;
    qsizetype first = -1;
    qsizetype middle = -1;
    qsizetype last = -1;
    qsizetype nickname = -1;
    qsizetype email = -1;

    static TNameColumns Find(const QStringList &headers);
};

/// The contact name of a row: the "Name" cell; else first, middle and last name joined by one
/// blank each (an empty middle name leaves two blanks between the others); else the
/// "Nickname"; else the "E-mail Address"; else empty. Blanks at the ends of the name are
/// trimmed (book.db could not hold them), and a candidate of blanks only counts as empty.
QString BuildContactName(const QStringList &cells, const TNameColumns &columns);

/// The data rows of a CSV table as contacts to import: row r (from 1) is contact r - 1, named
/// by BuildContactName, with one field per column whose key is known (empty cells included).
class TCsvContacts
{
public:
    TCsvContacts(const TCsvTable &table, const QStringList &fieldTable);

    qsizetype Count() const;
    TImportedContact Contact(qsizetype index) const;

private:
    const TCsvTable &m_table;
    QStringList m_keys;
    QList<bool> m_imported; // per column: its key is known
    TNameColumns m_nameColumns;
};
