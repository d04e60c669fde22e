#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

/// How the bytes of a CSV file are text: the character set and the separator of fields.
enum class TCsvEncoding
{
    Utf8,        // each field UTF-8, or Windows-1252 where it is not valid UTF-8
    Windows1252, // every byte one character, as older Windows programs write
    Utf16Le,     // as Excel saves "Unicode text"
    Utf16Be,
};

struct TCsvFormat
{
    TCsvEncoding encoding = TCsvEncoding::Utf8;
    char separator = ','; // ';' or '\t' too; any other reads as a comma

    bool operator==(const TCsvFormat &) const = default;
};

/// The format a file's bytes most likely have: a byte order mark names the character set,
/// else UTF-8 when the whole file is valid UTF-8, else Windows-1252; the separator is the
/// one of comma, semicolon (Excel in many countries) and tab that the first line holds most
/// often outside quotes, a comma when it holds none.
TCsvFormat DetectCsvFormat(QByteArrayView bytes);

/// The cells of a CSV file, row by row, as the importer's grid shows them: row 0 holds the
/// column headers. The table keeps the file's own bytes and where each row lies in them, and
/// finds and decodes a cell when it is asked for, so a large file costs little more memory
/// than its size. Cells can be edited; an edit replaces the cell's text for every later reader.
class TCsvTable
{
public:
    /// The rows of the grid: the file's rows, but at least a header row and one more.
    qsizetype RowCount() const { return qMax<qsizetype>(2, FileRowCount()); }
    /// The columns of the grid: the widest row's cells, but at least one.
    qsizetype ColumnCount() const { return qMax<qsizetype>(1, m_widestRow); }

    /// The rows the file holds (0 for an empty file) and the fields of one of them.
    qsizetype FileRowCount() const { return qsizetype(m_rows.size()); }
    qsizetype CellCount(qsizetype row) const;

    /// The text of a cell; the empty string outside the file's fields.
    QString Cell(qsizetype row, qsizetype column) const;
    /// The cells of row 0 to ColumnCount() - 1.
    QStringList Row(qsizetype row) const;
    void SetCell(qsizetype row, qsizetype column, const QString &text);
    /// Some cell has been edited.
    bool HasEdits() const { return !m_edits.isEmpty(); }

private:
    friend class TCsvParser;

    struct RowExtent
    {
        qsizetype start = 0; // the first byte of the row's first field
        qsizetype end = 0;   // after its last field (before the line break)
        qsizetype cells = 0;
    };
    /// visit(column, bytes) for the row's fields in order, until it returns false.
    template <typename Visit> void forEachField(qsizetype row, Visit &&visit) const;

    QByteArray m_bytes; // UTF-8 or Windows-1252
    TCsvEncoding m_encoding = TCsvEncoding::Utf8;
    char m_separator = ',';
    std::vector<RowExtent> m_rows;
    qsizetype m_widestRow = 0;
    QHash<QPair<qsizetype, qsizetype>, QString> m_edits;
};

/// Reads comma-separated text the way spreadsheets write it (RFC 4180), with the separator and
/// character set of its format (a comma and UTF-8 unless told otherwise):
/// - a row ends at CR LF, a lone CR or a lone LF; a last row without a line end counts;
/// - a field that starts with a double quote runs to the next lone double quote, commas and
///   line breaks included; "" inside it is one double quote, and each line break inside it
///   (CR LF, CR or LF) becomes "|", the line separator of the contact database; text after
///   the closing quote belongs to the field;
/// - a double quote inside a field that does not start with one is an ordinary character;
///   blanks around fields are part of them; a quote left open runs to the end of the file;
/// - a byte order mark at the start is skipped; each field is decoded as the format's encoding
///   says.
/// Any bytes are accepted.
class TCsvParser
{
public:
    static TCsvTable Parse(QByteArray bytes, TCsvFormat format = {});
    /// The text of one field as it stands in the file, quotes and all.
    static QString FieldText(QByteArrayView field, TCsvEncoding encoding = TCsvEncoding::Utf8);
};
