#pragma once

#include "import/contactimport.h"
#include "import/csvcolumns.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TCsvTable;
struct TCsvTarget;

/// The built-in field alignment table (the resource "resCsv") as its lines: a comment, then
/// pairs of a CSV column header and the key of the column (a contact field key, or a rule of
/// TCsvColumnKind). Its first 53 lines are the table the program has always had; the pairs
/// after them add other programs' exports, the "{n}" lines (a header of that form with any
/// number in place of "{n}") and the label maps ("@map label"). Throws CalbreyError when the
/// resource is missing.
QStringList LoadFieldAlignmentTable();

/// For each header, the line after the first line of the table that equals it without regard
/// to letter case (any line counts, the comment and the keys too); failing that, the line after
/// the first "{n}" line that the header fits; else CsvUnknownColumn.
QStringList ColumnKeys(const QStringList &headers, const QStringList &table);
/// ColumnKeys, but the user's choice (by CsvChoiceHeader) wherever choices hold one.
QStringList ChosenColumnKeys(const QStringList &headers, const QStringList &table,
                             const QHash<QString, QString> &choices);

/// The first column whose header equals header without regard to letter case, or -1.
qsizetype FindColumn(const QString &header, const QStringList &headers);
/// The row's cell under FindColumn(header), or the empty string.
QString ColumnValue(const QString &header, const QStringList &cells, const QStringList &headers);

/// The columns a contact name is built from, found once for a file. Each is the first column
/// of its header; a file without it may have another exporter's header for the same part:
/// "Display Name" for the name, "Given Name", "Additional Name" and "Family Name" for the
/// parts, "Primary Email" or "E-mail 1 - Value" for the e-mail address.
struct TNameColumns
{
    /// A column the user chose for the contact name: its cell comes before all others.
    qsizetype chosen = -1;
    qsizetype name = -1;
    qsizetype first = -1;
    qsizetype middle = -1;
    qsizetype last = -1;
    qsizetype nickname = -1;
    qsizetype email = -1;

    static TNameColumns Find(const QStringList &headers);
};

/// The contact name of a row: the chosen column's cell; else the "Name" cell; else first, middle
/// and last name joined by one blank each (an empty middle name leaves two blanks between the
/// others); else the "Nickname"; else the "E-mail Address" (the first of several in one cell); else
/// empty. Blanks at the ends of the name are trimmed (book.db could not hold them), and a candidate
/// of blanks only counts as empty.
QString BuildContactName(const QStringList &cells, const TNameColumns &columns);

/// The data rows of a CSV table as contacts to import: row r (from 1) is contact r - 1, named
/// by BuildContactName, its fields as each column's key says (TCsvColumnKind), and what no
/// field holds in the extra key as vCard properties. The extra key of a contact written over
/// keeps its other properties; the file's own columns replace theirs (the contacts' merge
/// refers to this object: it must live while they are written).
class TCsvContacts
{
public:
    /// The keys of the field table.
    TCsvContacts(const TCsvTable &table, const QStringList &fieldTable);
    /// The given key for each column (ChosenColumnKeys); the field table gives the label maps.
    TCsvContacts(const TCsvTable &table, const QStringList &fieldTable,
                 const QStringList &columnKeys);
    ~TCsvContacts();
    TCsvContacts(const TCsvContacts &) = delete;
    TCsvContacts &operator=(const TCsvContacts &) = delete;

    qsizetype Count() const;
    TImportedContact Contact(qsizetype index) const;

private:
    struct Column;
    struct LabelRule;
    class Row;

    int slotOf(const QString &key);
    void addLabelRules(const QStringList &fieldTable);
    const LabelRule *labelRule(const QString &map, const QString &label) const;
    void put(Row &row, const TCsvTarget &target, const Column &column, const QString &value,
             const QString &label) const;
    void keep(Row &row, const Column &column, const QString &value, const QString &label) const;

    const TCsvTable &m_table;
    std::vector<Column> m_columns;
    QStringList m_slotKeys; // the field key of each slot of a row
    std::vector<bool> m_slotIsEmail;
    QHash<QString, int> m_slots;            // by case-folded key
    QHash<QString, LabelRule> m_labelRules; // by case-folded "map label"
    int m_otherEmails = -1;
    int m_category = -1;
    TNameColumns m_nameColumns;
    /// The extra properties this file's columns may give: a contact written over keeps the
    /// others it has.
    QStringList m_extraNames;
    QStringList m_mergedKeys;
    std::function<QString(const QString &, const QString &)> m_merge;
};
