#include "import/csvcontacts.h"

#include "import/csvparser.h"
#include "platform/calbreyerror.h"
#include "platform/inidocument.h"

#include <QFile>

namespace {

// Blanks at the ends of a name are what book.db cannot hold; the ones inside stay.
QString trimmedName(const QString &name)
{
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && IsIniBlank(name[begin]))
        ++begin;
    while (end > begin && IsIniBlank(name[end - 1]))
        --end;
    return name.sliced(begin, end - begin);
}

QString cellAt(const QStringList &cells, qsizetype column)
{
    return column >= 0 && column < cells.size() ? cells[column] : QString();
}

} // namespace

QStringList LoadFieldAlignmentTable()
{
    QFile file(QStringLiteral(":/rescsv.def"));
    if (!file.open(QIODevice::ReadOnly))
        throw CalbreyError(QStringLiteral("Resource resCsv not found"));
    return QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
}

QStringList ColumnKeys(const QStringList &headers, const QStringList &table)
{
    QStringList keys;
    keys.reserve(headers.size());
    for (const QString &header : headers) {
        const qsizetype line = FindColumn(header, table);
        // The last line has no line after it to be its key.
        keys.append(line >= 0 && line + 1 < table.size() ? table[line + 1]
                                                         : QLatin1String(CsvUnknownColumn));
    }
    return keys;
}

qsizetype FindColumn(const QString &header, const QStringList &headers)
{
    for (qsizetype i = 0; i < headers.size(); ++i) {
        if (headers[i].compare(header, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString ColumnValue(const QString &header, const QStringList &cells, const QStringList &headers)
{
    return cellAt(cells, FindColumn(header, headers));
}

TNameColumns TNameColumns::Find(const QStringList &headers)
{
    TNameColumns columns;
    columns.name = FindColumn(QStringLiteral("Name"), headers);
    columns.first = FindColumn(QStringLiteral("First Name"), headers);
    columns.middle = FindColumn(QStringLiteral("Middle Name"), headers);
    columns.last = FindColumn(QStringLiteral("Last Name"), headers);
    columns.nickname = FindColumn(QStringLiteral("Nickname"), headers);
    columns.email = FindColumn(QStringLiteral("E-mail Address"), headers);
    return columns;
}

QString BuildContactName(const QStringList &cells, const TNameColumns &columns)
{
    QString name = trimmedName(cellAt(cells, columns.name));
    if (!name.isEmpty())
        return name;
    // Nothing else is trimmed, so a second import of the file finds the same names.
    name =
        trimmedName(cellAt(cells, columns.first) + QLatin1Char(' ') +
                    cellAt(cells, columns.middle) + QLatin1Char(' ') + cellAt(cells, columns.last));
    if (!name.isEmpty())
        return name;
    name = trimmedName(cellAt(cells, columns.nickname));
    if (!name.isEmpty())
        return name;
    return trimmedName(cellAt(cells, columns.email));
}

TCsvContacts::TCsvContacts(const TCsvTable &table, const QStringList &fieldTable) : m_table(table)
{
    const QStringList headers = table.Row(0);
    m_keys = ColumnKeys(headers, fieldTable);
    for (const QString &key : std::as_const(m_keys))
        m_imported.append(key != QLatin1String(CsvUnknownColumn));
    m_nameColumns = TNameColumns::Find(headers);
}

qsizetype TCsvContacts::Count() const
{
    return m_table.RowCount() - 1;
}

TImportedContact TCsvContacts::Contact(qsizetype index) const
{
    const QStringList cells = m_table.Row(index + 1);
    TImportedContact contact;
    contact.name = BuildContactName(cells, m_nameColumns);
    if (contact.name.isEmpty())
        return contact;
    contact.fields.reserve(cells.size());
    for (qsizetype column = 0; column < cells.size(); ++column) {
        if (m_imported[column])
            contact.fields.append({m_keys[column], cells[column]});
    }
    return contact;
}
