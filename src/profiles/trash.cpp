#include "profiles/trash.h"

#include "platform/inifile.h"
#include "profiles/inivalue.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <array>
#include <utility>

namespace {

const QString nameKey = QStringLiteral("xTrashName");
const QString leftKey = QStringLiteral("xTrashLeft");
const QString reasonKey = QStringLiteral("xTrashReason");
const QString intoKey = QStringLiteral("xTrashInto");
const QString contactNameKey = QStringLiteral("aContactName");
// Every key of ours starts so, and no contact key does.
constexpr QByteArrayView ourPrefix = "xtrash";

struct ReasonText
{
    TTrashReason reason;
    const char *stored;
    const char *shown;
};

const std::array<ReasonText, 7> reasonTexts = {{
    {TTrashReason::Deleted, "deleted", "Deleted"},
    {TTrashReason::OverwrittenByImport, "overwritten by import", "Overwritten by an import"},
    {TTrashReason::MergedInto, "merged", "Merged into %1"},
    {TTrashReason::RemovedOnServer, "removed on server", "Removed on the server"},
    {TTrashReason::ReplacedByServer, "replaced by server", "Replaced by the server's version"},
    {TTrashReason::ImportUndone, "import undone", "Import undone"},
    {TTrashReason::ReplacedByRestore, "replaced by restore", "Replaced by a restored contact"},
}};

// The name plus a number no other entry has; the number closes the name in brackets, so an
// entry's number can be read back whatever the contact was called.
QString entryId(const QString &name, qint64 sequence)
{
    const QString number = QLatin1Char('(') + QString::number(sequence) + QLatin1Char(')');
    return name.isEmpty() ? number : name + QLatin1Char(' ') + number;
}

qint64 sequenceOf(QStringView id)
{
    if (!id.endsWith(u')'))
        return 0;
    const qsizetype open = id.lastIndexOf(u'(');
    if (open < 0)
        return 0;
    bool ok = false;
    const qint64 number = id.sliced(open + 1, id.size() - open - 2).toLongLong(&ok);
    return ok && number > 0 ? number : 0;
}

bool isOurLine(const QByteArray &line)
{
    const QByteArrayView key = QByteArrayView(line).trimmed();
    return key.size() >= ourPrefix.size() &&
           key.first(ourPrefix.size()).compare(ourPrefix, Qt::CaseInsensitive) == 0;
}

QByteArray ourLine(const QString &key, const QString &value)
{
    return key.toUtf8() + '=' + QuoteIniValue(SingleLineIniValue(value)).toUtf8();
}

const QStringList &entryKeys()
{
    static const QStringList keys{nameKey, leftKey, reasonKey, intoKey, contactNameKey};
    return keys;
}

std::optional<TTrashEntry> entryFrom(const QString &id,
                                     const std::vector<std::optional<QString>> &values)
{
    // A section with neither our name nor a contact name is no entry of ours.
    if (!values[0] && !values[4])
        return std::nullopt;
    TTrashEntry entry;
    entry.id = id;
    entry.name = values[0] ? *values[0] : *values[4];
    if (values[1]) {
        entry.left = QDateTime::fromString(*values[1], Qt::ISODate);
        if (entry.left.isValid())
            entry.left = entry.left.toUTC();
    }
    entry.storedReason = values[2].value_or(QString());
    entry.into = values[3].value_or(QString());
    entry.sequence = sequenceOf(id);
    return entry;
}

} // namespace

std::optional<TTrashReason> TTrashEntry::Reason() const
{
    return TTrash::ReasonFromStored(storedReason);
}

QString TTrashEntry::Why() const
{
    const std::optional<TTrashReason> reason = Reason();
    if (!reason)
        return storedReason;
    for (const ReasonText &text : reasonTexts) {
        if (text.reason == *reason) {
            QString shown = QString::fromLatin1(text.shown);
            if (*reason != TTrashReason::MergedInto)
                return shown;
            return into.isEmpty() ? QStringLiteral("Merged") : shown.arg(into);
        }
    }
    return storedReason;
}

QString TTrash::StoredReason(TTrashReason reason)
{
    for (const ReasonText &text : reasonTexts)
        if (text.reason == reason)
            return QString::fromLatin1(text.stored);
    return QString();
}

std::optional<TTrashReason> TTrash::ReasonFromStored(const QString &stored)
{
    for (const ReasonText &text : reasonTexts)
        if (stored.compare(QLatin1String(text.stored), Qt::CaseInsensitive) == 0)
            return text.reason;
    return std::nullopt;
}

TTrash::TTrash(const QString &path) : m_file(std::make_unique<IniFile>(path)) {}

TTrash::~TTrash() = default;

const QString &TTrash::Path() const
{
    return m_file->path();
}

QList<TTrashEntry> TTrash::Entries() const
{
    const IniFile::ReadScope reads(*m_file);
    QList<TTrashEntry> entries;
    QSet<QString> seen;
    for (const QString &id : m_file->sectionNames()) {
        // A second section of a name cannot be reached; the first one is the entry.
        const QString folded = id.toCaseFolded();
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        if (std::optional<TTrashEntry> entry = entryFrom(id, m_file->values(id, entryKeys())))
            entries.append(std::move(*entry));
    }
    return entries;
}

std::optional<TTrashEntry> TTrash::Entry(const QString &id) const
{
    return entryFrom(id, m_file->values(id, entryKeys()));
}

std::optional<QByteArrayList> TTrash::ContactLines(const QString &id) const
{
    std::optional<QByteArrayList> lines = m_file->sectionLines(id);
    if (!lines)
        return std::nullopt;
    // Our keys come first; the contact's own lines follow as they were.
    const auto contact = std::find_if_not(lines->begin(), lines->end(), isOurLine);
    lines->erase(lines->begin(), contact);
    return lines;
}

void TTrash::Remove(const QStringList &ids)
{
    if (ids.isEmpty())
        return;
    // Later sections first: each removal then looks at no section after it that is still
    // there, so emptying a large trash stays quick.
    QHash<QString, qsizetype> position;
    const QStringList sections = m_file->sectionNames();
    for (qsizetype i = 0; i < sections.size(); ++i)
        position.insert(sections.at(i).toCaseFolded(), i);
    QList<std::pair<qsizetype, QString>> ordered;
    for (const QString &id : ids) {
        if (const auto found = position.constFind(id.toCaseFolded()); found != position.cend())
            ordered.append({*found, id});
    }
    if (ordered.isEmpty())
        return;
    std::sort(ordered.begin(), ordered.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    IniFile::Batch batch(*m_file);
    for (const auto &[index, id] : std::as_const(ordered))
        m_file->deleteSection(id);
    batch.commit();
}

void TTrash::Empty()
{
    QStringList ids;
    for (const TTrashEntry &entry : Entries())
        ids.append(entry.id);
    Remove(ids);
}

int TTrash::Tidy(const std::function<std::optional<QByteArrayList>(const QString &)> &bookLines,
                 int keepDays, const QDateTime &now)
{
    const QList<TTrashEntry> entries = Entries();
    QStringList gone;
    QHash<QString, qsizetype> newest; // folded contact name -> its latest entry
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const TTrashEntry &entry = entries.at(i);
        if (keepDays > 0 && entry.left.isValid() && entry.left.addDays(keepDays) < now)
            gone.append(entry.id);
        else
            newest.insert(entry.name.toCaseFolded(), i);
    }
    for (const qsizetype i : std::as_const(newest)) {
        const TTrashEntry &entry = entries.at(i);
        const std::optional<QByteArrayList> inBook = bookLines(entry.name);
        if (inBook && inBook == ContactLines(entry.id))
            gone.append(entry.id);
    }
    Remove(gone);
    return int(gone.size());
}

QStringList TTrash::Add(const QList<NewEntry> &entries)
{
    qint64 sequence = 0;
    for (const QString &id : m_file->sectionNames())
        sequence = qMax(sequence, sequenceOf(id));
    QStringList ids;
    IniFile::Batch batch(*m_file);
    for (const NewEntry &entry : entries) {
        const QString id = entryId(entry.name, ++sequence);
        QByteArrayList lines{ourLine(nameKey, entry.name),
                             ourLine(leftKey, entry.left.toUTC().toString(Qt::ISODate)),
                             ourLine(reasonKey, StoredReason(entry.reason)),
                             // Always there, even empty: reading an entry's keys then ends
                             // before the contact's lines.
                             ourLine(intoKey, entry.into)};
        lines.append(entry.lines);
        m_file->appendSectionLines(id, lines);
        ids.append(id);
    }
    batch.commit();
    return ids;
}
