#include "import/csvparser.h"

#include "platform/textcodec.h"

#include <QStringDecoder>

#include <cstring>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");
constexpr QByteArrayView kUtf16LeMark("\xFF\xFE");
constexpr QByteArrayView kUtf16BeMark("\xFE\xFF");
// The separator is told from this much of the file at most.
constexpr qsizetype kBytesLookedAtForSeparator = qsizetype{64} * 1024;

QString decodeField(QByteArrayView bytes, TCsvEncoding encoding)
{
    if (IsAsciiText(bytes))
        return QString::fromLatin1(bytes);
    if (encoding == TCsvEncoding::Windows1252)
        return DecodeWindows1252(bytes);
    if (IsValidUtf8(bytes)) {
        // QString::fromUtf8() would drop a U+FEFF that starts the field.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    return DecodeWindows1252(bytes);
}

template <char Separator> bool endsField(char c)
{
    return c == Separator || c == '\r' || c == '\n';
}

// The end of the field that starts at pos: the separator or line break after it, or the end
// of the text. A quoted field runs to its closing quote (one that is not the first of a
// doubled pair) and on to the separator.
template <char Separator> qsizetype fieldEnd(const char *data, qsizetype pos, qsizetype size)
{
    if (pos < size && data[pos] == '"') {
        ++pos;
        for (;;) {
            const void *quote = std::memchr(data + pos, '"', std::size_t(size - pos));
            if (!quote)
                return size;
            pos = static_cast<const char *>(quote) - data + 1;
            if (pos < size && data[pos] == '"') {
                ++pos;
                continue;
            }
            break;
        }
    }
    while (pos < size && !endsField<Separator>(data[pos]))
        ++pos;
    return pos;
}

// scan.template operator()<separator>(): every byte of a file is compared with the separator,
// which goes faster as a constant.
template <typename Scan> void withSeparator(char separator, Scan &&scan)
{
    switch (separator) {
    case ';':
        scan.template operator()<';'>();
        return;
    case '\t':
        scan.template operator()<'\t'>();
        return;
    default:
        scan.template operator()<','>();
        return;
    }
}

bool isUtf16(TCsvEncoding encoding)
{
    return encoding == TCsvEncoding::Utf16Le || encoding == TCsvEncoding::Utf16Be;
}

// UTF-16 text as UTF-8 bytes (its byte order mark, if any, becomes the UTF-8 one); an odd
// last byte is dropped.
QByteArray utf8FromUtf16(QByteArrayView bytes, TCsvEncoding encoding)
{
    QStringDecoder decoder(encoding == TCsvEncoding::Utf16Le ? QStringDecoder::Utf16LE
                                                             : QStringDecoder::Utf16BE,
                           QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder(bytes.first(bytes.size() & ~qsizetype(1)));
    return text.toUtf8();
}

// The separator the first line uses most often outside quotes; a comma on a tie or none.
char countedSeparator(QByteArrayView bytes)
{
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool quoted = false;
    for (const char c : bytes) {
        if (c == '"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == '\r' || c == '\n')
            break;
        else if (c == ',')
            ++commas;
        else if (c == ';')
            ++semicolons;
        else if (c == '\t')
            ++tabs;
    }
    if (semicolons > commas && semicolons >= tabs)
        return ';';
    if (tabs > commas && tabs > semicolons)
        return '\t';
    return ',';
}

} // namespace

TCsvFormat DetectCsvFormat(QByteArrayView bytes)
{
    TCsvFormat format;
    if (bytes.startsWith(kUtf16LeMark))
        format.encoding = TCsvEncoding::Utf16Le;
    else if (bytes.startsWith(kUtf16BeMark))
        format.encoding = TCsvEncoding::Utf16Be;
    else if (!bytes.startsWith(kByteOrderMark) && !IsValidUtf8(bytes))
        format.encoding = TCsvEncoding::Windows1252;
    const QByteArrayView start = bytes.first(qMin(bytes.size(), kBytesLookedAtForSeparator));
    format.separator = isUtf16(format.encoding)
                           ? countedSeparator(utf8FromUtf16(start, format.encoding))
                           : countedSeparator(start);
    return format;
}

qsizetype TCsvTable::CellCount(qsizetype row) const
{
    return row >= 0 && row < FileRowCount() ? m_rows[std::size_t(row)].cells : 0;
}

template <typename Visit> void TCsvTable::forEachField(qsizetype row, Visit &&visit) const
{
    if (row < 0 || row >= FileRowCount())
        return;
    const RowExtent &extent = m_rows[std::size_t(row)];
    const char *data = m_bytes.constData();
    withSeparator(m_separator, [&visit, &extent, data]<char Separator>() {
        qsizetype pos = extent.start;
        for (qsizetype column = 0; column < extent.cells; ++column) {
            const qsizetype end = fieldEnd<Separator>(data, pos, extent.end);
            if (!visit(column, QByteArrayView(data + pos, end - pos)))
                return;
            pos = end + 1; // over the separator
        }
    });
}

QString TCsvTable::Cell(qsizetype row, qsizetype column) const
{
    if (!m_edits.isEmpty()) {
        const auto edit = m_edits.constFind({row, column});
        if (edit != m_edits.cend())
            return *edit;
    }
    QString text;
    forEachField(row, [&](qsizetype at, QByteArrayView field) {
        if (at < column)
            return true;
        if (at == column)
            text = TCsvParser::FieldText(field, m_encoding);
        return false;
    });
    return text;
}

QStringList TCsvTable::Row(qsizetype row) const
{
    QStringList cells;
    const qsizetype columns = ColumnCount();
    cells.reserve(columns);
    forEachField(row, [this, &cells](qsizetype, QByteArrayView field) {
        cells.append(TCsvParser::FieldText(field, m_encoding));
        return true;
    });
    while (cells.size() < columns)
        cells.append(QString());
    if (!m_edits.isEmpty()) {
        for (qsizetype column = 0; column < columns; ++column) {
            const auto edit = m_edits.constFind({row, column});
            if (edit != m_edits.cend())
                cells[column] = *edit;
        }
    }
    return cells;
}

void TCsvTable::SetCell(qsizetype row, qsizetype column, const QString &text)
{
    m_edits.insert({row, column}, text);
}

TCsvTable TCsvParser::Parse(QByteArray bytes, TCsvFormat format)
{
    TCsvTable table;
    table.m_bytes =
        isUtf16(format.encoding) ? utf8FromUtf16(bytes, format.encoding) : std::move(bytes);
    table.m_encoding = isUtf16(format.encoding) ? TCsvEncoding::Utf8 : format.encoding;
    table.m_separator = format.separator;
    const char *data = table.m_bytes.constData();
    const qsizetype size = table.m_bytes.size();

    withSeparator(format.separator, [&table, data, size]<char Separator>() {
        qsizetype pos = table.m_bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
        while (pos < size) {
            TCsvTable::RowExtent row{pos, pos, 0};
            for (;;) {
                pos = fieldEnd<Separator>(data, pos, size);
                ++row.cells;
                if (pos < size && data[pos] == Separator) {
                    ++pos;
                    continue;
                }
                break;
            }
            row.end = pos;
            table.m_widestRow = qMax(table.m_widestRow, row.cells);
            table.m_rows.push_back(row);
            if (pos < size)
                pos += (data[pos] == '\r' && pos + 1 < size && data[pos + 1] == '\n') ? 2 : 1;
        }
    });
    table.m_rows.shrink_to_fit(); // kept while the grid shows the file
    return table;
}

QString TCsvParser::FieldText(QByteArrayView field, TCsvEncoding encoding)
{
    if (field.isEmpty() || field.front() != '"')
        return decodeField(field, encoding);
    QByteArray text;
    text.reserve(field.size());
    for (qsizetype i = 1; i < field.size();) {
        const char c = field[i];
        if (c == '"') {
            if (i + 1 < field.size() && field[i + 1] == '"') {
                text.append('"');
                i += 2;
                continue;
            }
            // What follows the closing quote is plain text up to the separator.
            text.append(field.sliced(i + 1));
            break;
        }
        if (c == '\r' || c == '\n') {
            text.append('|');
            i += (c == '\r' && i + 1 < field.size() && field[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        // The plain run up to the next quote or line break, in one piece.
        qsizetype end = i + 1;
        while (end < field.size() && field[end] != '"' && field[end] != '\r' && field[end] != '\n')
            ++end;
        text.append(field.sliced(i, end - i));
        i = end;
    }
    return decodeField(text, encoding);
}
