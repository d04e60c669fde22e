#include "import/csvparser.h"

#include "platform/textcodec.h"

#include <cstring>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

QString decodeField(QByteArrayView bytes)
{
    if (IsAsciiText(bytes))
        return QString::fromLatin1(bytes);
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return DecodeWindows1252(bytes);
}

bool endsField(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

} // namespace

qsizetype TCsvTable::CellCount(qsizetype row) const
{
    if (row < 0 || row >= FileRowCount())
        return 0;
    const std::size_t next = std::size_t(row) + 1;
    const qsizetype end =
        next < m_rows.size() ? m_rows[next].firstCell : qsizetype(m_cellStarts.size());
    return end - m_rows[std::size_t(row)].firstCell;
}

QByteArrayView TCsvTable::fieldBytes(qsizetype row, qsizetype column) const
{
    const qsizetype count = CellCount(row);
    if (column < 0 || column >= count)
        return {};
    const RowExtent &extent = m_rows[std::size_t(row)];
    const std::size_t cell = std::size_t(extent.firstCell + column);
    const qsizetype begin = extent.start + m_cellStarts[cell];
    // A field ends at the comma before the next one, or where its row ends.
    const qsizetype end =
        column + 1 < count ? extent.start + m_cellStarts[cell + 1] - 1 : extent.end;
    return QByteArrayView(m_bytes).sliced(begin, end - begin);
}

QString TCsvTable::Cell(qsizetype row, qsizetype column) const
{
    if (!m_edits.isEmpty()) {
        const auto edit = m_edits.constFind({row, column});
        if (edit != m_edits.cend())
            return *edit;
    }
    return TCsvParser::FieldText(fieldBytes(row, column));
}

QStringList TCsvTable::Row(qsizetype row) const
{
    QStringList cells;
    const qsizetype columns = ColumnCount();
    cells.reserve(columns);
    for (qsizetype column = 0; column < columns; ++column)
        cells.append(Cell(row, column));
    return cells;
}

void TCsvTable::SetCell(qsizetype row, qsizetype column, const QString &text)
{
    m_edits.insert({row, column}, text);
}

TCsvTable TCsvParser::Parse(QByteArray bytes)
{
    Q_ASSERT(bytes.size() <= MaximumSize);
    TCsvTable table;
    table.m_bytes = std::move(bytes);
    const char *data = table.m_bytes.constData();
    const qsizetype size = table.m_bytes.size();
    // A field every eight bytes is about what address books export; more only costs a copy.
    table.m_cellStarts.reserve(std::size_t(size / 8));

    qsizetype pos = table.m_bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (pos < size) {
        TCsvTable::RowExtent row{pos, pos, qsizetype(table.m_cellStarts.size())};
        for (;;) {
            table.m_cellStarts.push_back(quint32(pos - row.start));
            if (pos < size && data[pos] == '"') {
                // To the closing quote: one that is not the first of a doubled pair.
                ++pos;
                for (;;) {
                    const void *quote = std::memchr(data + pos, '"', std::size_t(size - pos));
                    if (!quote) {
                        pos = size;
                        break;
                    }
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
            if (pos < size && data[pos] == ',') {
                ++pos;
                continue;
            }
            break;
        }
        row.end = pos;
        table.m_widestRow =
            qMax(table.m_widestRow, qsizetype(table.m_cellStarts.size()) - row.firstCell);
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
