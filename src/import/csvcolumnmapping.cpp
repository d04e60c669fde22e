#include "import/csvcolumnmapping.h"

#include "import/csvcontacts.h"

#include <QSet>

TCsvColumnMapping::TCsvColumnMapping(const QStringList &fieldTable,
                                     const QList<std::pair<QString, QString>> &remembered)
    : m_fieldTable(fieldTable)
{
    for (const auto &[header, key] : remembered)
        if (IsCsvColumnChoice(key) && !m_remembered.contains(CsvChoiceHeader(header)))
            m_remembered.insert(CsvChoiceHeader(header), key);
    m_choices = m_remembered;
}

void TCsvColumnMapping::SetHeaders(const QStringList &headers)
{
    m_headers = headers;
    m_tableKeys = ColumnKeys(headers, m_fieldTable);
}

QString TCsvColumnMapping::key(qsizetype column) const
{
    return m_choices.value(CsvChoiceHeader(m_headers.value(column)), m_tableKeys.value(column));
}

QStringList TCsvColumnMapping::Keys() const
{
    QStringList keys;
    keys.reserve(m_headers.size());
    for (qsizetype column = 0; column < m_headers.size(); ++column)
        keys.append(key(column));
    return keys;
}

QStringList TCsvColumnMapping::TargetTexts() const
{
    QStringList texts;
    texts.reserve(m_headers.size());
    for (qsizetype column = 0; column < m_headers.size(); ++column)
        texts.append(CsvColumnTargetText(key(column), m_headers[column]));
    return texts;
}

QList<TCsvColumnChoice> TCsvColumnMapping::Choices(qsizetype column) const
{
    QList<TCsvColumnChoice> choices;
    const QString tableKey = m_tableKeys.value(column);
    const QString header = m_headers.value(column);
    if (CsvChoiceOf(tableKey).isEmpty())
        choices.append({tableKey, CsvColumnTargetText(tableKey, header)});
    choices += CsvColumnChoices();
    return choices;
}

QString TCsvColumnMapping::Chosen(qsizetype column) const
{
    const QString current = key(column);
    const QString choice = CsvChoiceOf(current);
    return choice.isEmpty() ? current : choice;
}

void TCsvColumnMapping::Choose(qsizetype column, const QString &key)
{
    if (column < 0 || column >= m_headers.size())
        return;
    const QString tableKey = m_tableKeys[column];
    const QString header = CsvChoiceHeader(m_headers[column]);
    if (key == tableKey || key == CsvChoiceOf(tableKey))
        m_choices.remove(header);
    else if (IsCsvColumnChoice(key))
        m_choices.insert(header, key);
}

QList<std::pair<QString, QString>> TCsvColumnMapping::ChangedChoices() const
{
    QList<std::pair<QString, QString>> changed;
    QSet<QString> seen;
    for (const QString &header : m_headers) {
        const QString folded = CsvChoiceHeader(header);
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        const QString now = m_choices.value(folded);
        if (now != m_remembered.value(folded))
            changed.append({header, now});
    }
    return changed;
}

void TCsvColumnMapping::ChoicesStored()
{
    m_remembered = m_choices;
}
