#include "import/csvparser.h"

#include "platform/textcodec.h"

#include <QStringDecoder>

#include <cstring>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

QString decodeField(QByteArrayView bytes)
{
    if (IsAsciiText(bytes))
        return QString::fromLatin1(bytes);
    if (IsValidUtf8(bytes)) {
        // QString::fromUtf8() would drop a U+FEFF that starts the field.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    return DecodeWindows1252(bytes);
}

bool endsField(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// The end of the field that starts at pos: the comma or line break after it, or the end of
// the text. A quoted field runs to its closing quote (one that is not the first of a doubled
// pair) and on to the comma.
qsizetype fieldEnd(const char *data, qsizetype pos, qsizetype size)
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
    while (pos < size && !endsField(data[pos]))
        ++pos;
    return pos;
}

} // namespace

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
    qsizetype pos = extent.start;
    for (qsizetype column = 0; column < extent.cells; ++column) {
        const qsizetype end = fieldEnd(data, pos, extent.end);
        if (!visit(column, QByteArrayView(data + pos, end - pos)))
            return;
        pos = end + 1; // over the comma
    }
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
            text = TCsvParser::FieldText(field);
        return false;
    });
    return text;
}

QStringList TCsvTable::Row(qsizetype row) const
{
    QStringList cells;
    const qsizetype columns = ColumnCount();
    cells.reserve(columns);
    forEachField(row, [&cells](qsizetype, QByteArrayView field) {
        cells.append(TCsvParser::FieldText(field));
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

TCsvTable TCsvParser::Parse(QByteArray bytes)
{
    TCsvTable table;
    table.m_bytes = std::move(bytes);
    const char *data = table.m_bytes.constData();
    const qsizetype size = table.m_bytes.size();

    qsizetype pos = table.m_bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (pos < size) {
        TCsvTable::RowExtent row{pos, pos, 0};
        for (;;) {
            pos = fieldEnd(data, pos, size);
            ++row.cells;
            if (pos < size && data[pos] == ',') {
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
    return table;
}

QString TCsvParser::FieldText(QByteArrayView field)
{
    if (field.isEmpty() || field.front() != '"')
        return decodeField(field);
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
            // What follows the closing quote is plain text up to the comma.
            text.append(field.sliced(i + 1));
            break;
        }
        if (c == '\r' || c == '\n') {
            text.append('|');
            i += (c == '\r' && i + 1 < field.size() && field[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        text.append(c);
        ++i;
    }
    return decodeField(text);
}
