#include "import/csvcontacts.h"

#include "import/csvparser.h"
#include "platform/calbreyerror.h"
#include "platform/inidocument.h"
#include "profiles/contactfields.h"
#include "vcard/vcardfile.h"
#include "vcard/vcardmapping.h"
#include "vcard/vcardproperty.h"

#include <QFile>
#include <QVarLengthArray>
#include <algorithm>

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

// The first column of the first of these headers that the file has.
qsizetype findAnyColumn(std::initializer_list<QLatin1String> names, const QStringList &headers)
{
    for (const QLatin1String name : names) {
        const qsizetype column = FindColumn(name, headers);
        if (column >= 0)
            return column;
    }
    return -1;
}

// The header fits a "{n}" line: the same text (letter case aside) with a number in place of
// "{n}".
bool fitsNumberedLine(const QString &header, const QString &line)
{
    const qsizetype at = line.indexOf(QLatin1String("{n}"));
    if (at < 0)
        return false;
    const QStringView before = QStringView(line).first(at);
    const QStringView after = QStringView(line).sliced(at + 3);
    const qsizetype digits = header.size() - before.size() - after.size();
    if (digits <= 0 || !header.startsWith(before, Qt::CaseInsensitive) ||
        !header.endsWith(after, Qt::CaseInsensitive))
        return false;
    for (const QChar c : QStringView(header).sliced(before.size(), digits))
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// Google puts several values of one kind in one cell.
const QString valueSeparator = QStringLiteral(" ::: ");

QStringList splitValues(const QString &cell)
{
    if (!cell.contains(valueSeparator))
        return {cell};
    return cell.split(valueSeparator, Qt::SkipEmptyParts);
}

// The categories of a cell: Google's labels (its own "* myContacts" left out, the star of its
// other system groups dropped) or Outlook's list.
QStringList categories(const QString &cell)
{
    QStringList names;
    for (const QString &value : splitValues(cell)) {
        for (QString name : value.split(u';')) {
            name = name.trimmed();
            if (name.compare(QLatin1String("* myContacts"), Qt::CaseInsensitive) == 0)
                continue;
            if (name.startsWith(QLatin1String("* ")))
                name = name.sliced(2).trimmed();
            if (!name.isEmpty())
                names.append(name);
        }
    }
    return names;
}

// A label as the label maps know it: Google marks the preferred value with "* ".
QString plainLabel(const QString &label)
{
    const QString trimmed = label.trimmed();
    return trimmed.startsWith(QLatin1String("* ")) ? trimmed.sliced(2).trimmed() : trimmed;
}

bool isEmailKey(const QString &key)
{
    return key.compare(QLatin1String("pEmailAddress"), Qt::CaseInsensitive) == 0 ||
           key.compare(QLatin1String("hEmail"), Qt::CaseInsensitive) == 0 ||
           key.compare(QLatin1String("wEmail"), Qt::CaseInsensitive) == 0;
}

QString mergedExtras(const QStringList &replacedNames, const QString &existing,
                     const QString &imported)
{
    QList<TVCardProperty> properties = DecodeVCardExtras(existing);
    properties.removeIf([&replacedNames](const TVCardProperty &property) {
        return replacedNames.contains(property.name);
    });
    properties += DecodeVCardExtras(imported);
    return EncodeVCardExtras(properties);
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
        qsizetype line = FindColumn(header, table);
        for (qsizetype i = 0; line < 0 && i < table.size(); ++i)
            if (fitsNumberedLine(header, table[i]))
                line = i;
        // The last line has no line after it to be its key.
        keys.append(line >= 0 && line + 1 < table.size() ? table[line + 1]
                                                         : QLatin1String(CsvUnknownColumn));
    }
    return keys;
}

QStringList ChosenColumnKeys(const QStringList &headers, const QStringList &table,
                             const QHash<QString, QString> &choices)
{
    QStringList keys = ColumnKeys(headers, table);
    if (choices.isEmpty())
        return keys;
    for (qsizetype i = 0; i < headers.size(); ++i) {
        const auto choice = choices.constFind(CsvChoiceHeader(headers[i]));
        if (choice != choices.cend())
            keys[i] = *choice;
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
    columns.name = findAnyColumn({QLatin1String("Name"), QLatin1String("Display Name")}, headers);
    columns.first =
        findAnyColumn({QLatin1String("First Name"), QLatin1String("Given Name")}, headers);
    columns.middle =
        findAnyColumn({QLatin1String("Middle Name"), QLatin1String("Additional Name")}, headers);
    columns.last =
        findAnyColumn({QLatin1String("Last Name"), QLatin1String("Family Name")}, headers);
    columns.nickname = FindColumn(QStringLiteral("Nickname"), headers);
    columns.email = findAnyColumn({QLatin1String("E-mail Address"), QLatin1String("Primary Email"),
                                   QLatin1String("E-mail 1 - Value")},
                                  headers);
    return columns;
}

QString BuildContactName(const QStringList &cells, const TNameColumns &columns)
{
    QString name = trimmedName(cellAt(cells, columns.chosen));
    if (!name.isEmpty())
        return name;
    name = trimmedName(cellAt(cells, columns.name));
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
    const QString email = cellAt(cells, columns.email);
    return trimmedName(email.section(valueSeparator, 0, 0));
}

// Where a value goes: a slot of the row's fields, by its rule, or kept as an extra.
struct TCsvTarget
{
    TCsvColumnKind kind = TCsvColumnKind::Extra;
    int slot = -1;
};

struct TCsvContacts::Column
{
    TCsvColumnKind kind = TCsvColumnKind::Skip;
    TCsvTarget target;    // Field (no slot: written as it stands), AddLine, Fill
    QString key;          // Field
    QString map;          // ByLabel
    qsizetype label = -1; // ByLabel: the column of its labels
    QString property;     // the extra property of values kept
};

struct TCsvContacts::LabelRule
{
    TCsvTarget target;
};

// The fields of a contact that more than one column may fill, each written where a column
// first names it, so the keys keep the order of the columns. On the stack: a contact is made
// for every row of a file.
class TCsvContacts::Row
{
public:
    Row(QList<std::pair<QString, QString>> &fields, const QStringList &keys)
        : m_fields(fields), m_keys(keys), m_at(keys.size())
    {
        std::fill(m_at.begin(), m_at.end(), -1);
    }

    void mention(int slot)
    {
        if (m_at[slot] < 0) {
            m_at[slot] = m_fields.size();
            m_fields.append({m_keys[slot], QString()});
        }
    }
    void set(int slot, const QString &value)
    {
        mention(slot);
        m_fields[m_at[slot]].second = value;
    }
    void addLine(int slot, const QString &value)
    {
        mention(slot);
        if (value.isEmpty())
            return;
        QString &text = m_fields[m_at[slot]].second;
        text = text.isEmpty() ? value : text + u'|' + value;
    }
    bool isFilled(int slot) const
    {
        return m_at[slot] >= 0 && !m_fields[m_at[slot]].second.isEmpty();
    }

    QList<TVCardProperty> extras;
    QStringList moreCategories;

private:
    QList<std::pair<QString, QString>> &m_fields;
    const QStringList &m_keys;
    QVarLengthArray<qsizetype, 48> m_at;
};

TCsvContacts::TCsvContacts(const TCsvTable &table, const QStringList &fieldTable)
    : TCsvContacts(table, fieldTable, ColumnKeys(table.Row(0), fieldTable))
{}

TCsvContacts::TCsvContacts(const TCsvTable &table, const QStringList &fieldTable,
                           const QStringList &columnKeys)
    : m_table(table)
{
    using K = TCsvColumnKind;
    const QStringList headers = table.Row(0);
    m_nameColumns = TNameColumns::Find(headers);
    QList<TCsvColumnRule> rules;
    for (qsizetype i = 0; i < headers.size(); ++i)
        rules.append(TCsvColumnRule::FromKey(columnKeys.value(i), headers[i]));
    const auto any = [&rules](std::initializer_list<K> kinds) {
        return std::any_of(rules.cbegin(), rules.cend(), [&](const TCsvColumnRule &rule) {
            return std::find(kinds.begin(), kinds.end(), rule.kind) != kinds.end();
        });
    };
    // The fields that more than one column may fill get a slot in each row; the others are
    // written as the columns give them, the way the table has always done.
    if (any({K::ByLabel}))
        addLabelRules(fieldTable);
    if (any({K::ByLabel, K::Fill}))
        m_otherEmails = slotOf(QStringLiteral("pOtherEmail"));
    for (const TCsvColumnRule &rule : std::as_const(rules)) {
        if (rule.kind == K::AddLine || rule.kind == K::Fill || rule.kind == K::Category)
            slotOf(rule.key);
    }

    QStringList extraNames;
    m_columns.resize(std::size_t(headers.size()));
    for (qsizetype i = 0; i < headers.size(); ++i) {
        const QString &header = headers[i];
        const TCsvColumnRule &rule = rules[i];
        Column &column = m_columns[std::size_t(i)];
        column.kind = rule.kind;
        column.property = CsvExtraPropertyName(header, i);
        switch (rule.kind) {
        case K::Field:
            column.key = rule.key;
            column.target = {rule.kind, int(m_slots.value(rule.key.toCaseFolded(), -1))};
            if (rule.key.compare(QLatin1String("aContactName"), Qt::CaseInsensitive) == 0 &&
                m_nameColumns.chosen < 0)
                m_nameColumns.chosen = i;
            break;
        case K::AddLine:
        case K::Fill:
            column.target = {rule.kind, slotOf(rule.key)};
            break;
        case K::ByLabel: {
            column.map = rule.key;
            const qsizetype dash = header.lastIndexOf(QLatin1String(" - "));
            if (dash >= 0) {
                const QString prefix = header.first(dash);
                column.label = FindColumn(prefix + QStringLiteral(" - Label"), headers);
                if (column.label < 0)
                    column.label = FindColumn(prefix + QStringLiteral(" - Type"), headers);
            }
            break;
        }
        case K::Category:
            m_category = slotOf(rule.key);
            break;
        case K::Label:
        case K::Extra:
        case K::Skip:
            break;
        }
        if (rule.kind == K::Fill || rule.kind == K::ByLabel || rule.kind == K::Extra)
            extraNames.append(column.property);
    }
    if (m_category >= 0)
        extraNames.append(QLatin1String(VCardMoreCategoriesProperty));
    if (!extraNames.isEmpty()) {
        m_extraNames = std::move(extraNames);
        m_mergedKeys = {QLatin1String(VCardExtraKey)};
        // The contacts are written while this lives; a pointer is copied without a cost.
        m_merge = [names = &m_extraNames](const QString &existing, const QString &imported) {
            return mergedExtras(*names, existing, imported);
        };
    }
}

TCsvContacts::~TCsvContacts() = default;

int TCsvContacts::slotOf(const QString &key)
{
    const QString folded = key.toCaseFolded();
    const auto found = m_slots.constFind(folded);
    if (found != m_slots.cend())
        return *found;
    const int slot = int(m_slotKeys.size());
    m_slotKeys.append(key);
    m_slotIsEmail.push_back(isEmailKey(key));
    m_slots.insert(folded, slot);
    return slot;
}

void TCsvContacts::addLabelRules(const QStringList &fieldTable)
{
    using K = TCsvColumnKind;
    for (qsizetype i = 0; i + 1 < fieldTable.size(); ++i) {
        const QString &line = fieldTable[i];
        if (!line.startsWith(u'@') || !line.contains(u' '))
            continue;
        const QString folded = line.toCaseFolded();
        if (m_labelRules.contains(folded))
            continue; // the first line of a label counts
        const TCsvColumnRule rule = TCsvColumnRule::FromKey(fieldTable[i + 1], line);
        LabelRule labelRule;
        if (rule.kind == K::Field || rule.kind == K::AddLine || rule.kind == K::Fill)
            labelRule.target = {rule.kind, slotOf(rule.key)};
        m_labelRules.insert(folded, labelRule);
    }
}

const TCsvContacts::LabelRule *TCsvContacts::labelRule(const QString &map,
                                                       const QString &label) const
{
    const QString prefix = u'@' + map + u' ';
    const auto found = m_labelRules.constFind((prefix + plainLabel(label)).toCaseFolded());
    if (found != m_labelRules.cend())
        return &*found;
    const auto anyOther = m_labelRules.constFind((prefix + u'*').toCaseFolded());
    return anyOther != m_labelRules.cend() ? &*anyOther : nullptr;
}

void TCsvContacts::keep(Row &row, const Column &column, const QString &value,
                        const QString &label) const
{
    TVCardProperty property;
    property.name = column.property;
    const QString type = plainLabel(label);
    if (!type.isEmpty())
        property.parameters.append({QStringLiteral("TYPE"), {QString(type).replace(u'"', u'\'')}});
    property.value = EscapeVCardText(DecodeMultiLine(value));
    row.extras.append(std::move(property));
}

void TCsvContacts::put(Row &row, const TCsvTarget &target, const Column &column,
                       const QString &value, const QString &label) const
{
    switch (target.kind) {
    case TCsvColumnKind::Field:
        row.set(target.slot, value);
        return;
    case TCsvColumnKind::AddLine:
        row.addLine(target.slot, value);
        return;
    case TCsvColumnKind::Fill:
        if (value.isEmpty())
            row.mention(target.slot);
        else if (!row.isFilled(target.slot))
            row.set(target.slot, value);
        else if (m_slotIsEmail[std::size_t(target.slot)])
            row.addLine(m_otherEmails, value);
        else
            keep(row, column, value, label);
        return;
    default:
        if (!value.isEmpty())
            keep(row, column, value, label);
        return;
    }
}

qsizetype TCsvContacts::Count() const
{
    return m_table.RowCount() - 1;
}

TImportedContact TCsvContacts::Contact(qsizetype index) const
{
    using K = TCsvColumnKind;
    const QStringList cells = m_table.Row(index + 1);
    TImportedContact contact;
    contact.name = BuildContactName(cells, m_nameColumns);
    if (contact.name.isEmpty())
        return contact;
    contact.fields.reserve(cells.size() + 1);
    Row row(contact.fields, m_slotKeys);
    const qsizetype columns = qMin(qsizetype(m_columns.size()), cells.size());
    for (qsizetype i = 0; i < columns; ++i) {
        const Column &column = m_columns[std::size_t(i)];
        const QString &cell = cells[i];
        switch (column.kind) {
        case K::Field:
            if (column.target.slot < 0)
                contact.fields.append({column.key, cell});
            else
                row.set(column.target.slot, cell);
            break;
        case K::AddLine:
            put(row, column.target, column, cell, QString());
            break;
        case K::Fill:
            if (cell.isEmpty())
                row.mention(column.target.slot);
            for (const QString &value : splitValues(cell))
                put(row, column.target, column, value, QString());
            break;
        case K::ByLabel: {
            if (cell.isEmpty())
                break;
            const QString label = cellAt(cells, column.label);
            const LabelRule *rule = labelRule(column.map, label);
            const TCsvTarget target = rule ? rule->target : TCsvTarget();
            for (const QString &value : splitValues(cell))
                put(row, target, column, value, label);
            break;
        }
        case K::Category:
            row.mention(m_category);
            for (const QString &name : categories(cell)) {
                if (row.isFilled(m_category))
                    row.moreCategories.append(name);
                else
                    row.set(m_category, name);
            }
            break;
        case K::Extra:
            if (!cell.isEmpty())
                keep(row, column, cell, QString());
            break;
        case K::Label:
        case K::Skip:
            break;
        }
    }
    if (!row.moreCategories.isEmpty()) {
        TVCardProperty more;
        more.name = QLatin1String(VCardMoreCategoriesProperty);
        more.value = JoinVCardValue(row.moreCategories, u',');
        row.extras.append(std::move(more));
    }
    if (!row.extras.isEmpty())
        contact.fields.append({QLatin1String(VCardExtraKey), EncodeVCardExtras(row.extras)});
    if (!m_extraNames.isEmpty()) {
        contact.mergedKeys = m_mergedKeys;
        contact.merge = m_merge;
    }
    // Room was made for every column; an import holds hundreds of contacts at a time.
    contact.fields.squeeze();
    return contact;
}
