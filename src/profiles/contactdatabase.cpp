#include "profiles/untprofiles.h"

#include "app/untcommon.h"
#include "platform/calbreyerror.h"
#include "platform/inidocument.h"
#include "platform/inifile.h"
#include "platform/messagebox.h"
#include "profiles/contactfields.h"
#include "profiles/inivalue.h"
#include "profiles/trashbatch.h"
#include "profiles/undohistory.h"

#include <QSet>
#include <algorithm>
#include <utility>

namespace {

const QString categoryKey = QStringLiteral("aContactCat");
const QString notesKey = QStringLiteral("aNotes");
const QString showAllContacts = QStringLiteral("Show all contacts");
const QString uncategorizedContacts = QStringLiteral("Uncategorized contacts");

} // namespace

bool TProfile::IsStorableContactName(const QString &name)
{
    // A header line ends its name at the first "]" and is trimmed of blanks when read back.
    if (!name.isEmpty() && (IsIniBlank(name.front()) || IsIniBlank(name.back())))
        return false;
    return !name.contains(QLatin1Char(']')) && !HasIniLineBreak(name);
}

void TProfile::refuseWrite() const
{
    throw CalbreyError(QStringLiteral("Unable to write to ") + m_databasePath);
}

void TProfile::ReadContactsAhead() const
{
    m_database->readAhead();
}

bool TProfile::WhenContactsReadAhead(std::function<void()> done) const
{
    return m_database->whenReadAhead(std::move(done));
}

void TProfile::GetContactNames(QStringList &list) const
{
    list = m_database->sectionNames();
}

void TProfile::GetContactsInCategory(QStringList &list, const QString &category) const
{
    list.clear();
    const bool uncategorized = category == uncategorizedContacts;
    for (auto &[name, value] : m_database->sectionsWithValue(categoryKey)) {
        const QString stored = value.value_or(QString());
        // Case matters here, unlike in the category list.
        if (stored == category || (uncategorized && stored.isEmpty()))
            list.append(std::move(name));
    }
}

void TProfile::GetCategories(QStringList &list) const
{
    list.clear();
    list.append(showAllContacts);
    // Most contacts repeat a category already met in exactly that spelling; those are found
    // without folding.
    QSet<QString> seen{showAllContacts};
    QSet<QString> seenFolded{showAllContacts.toCaseFolded()};
    for (auto &contact : m_database->sectionsWithValue(categoryKey)) {
        QString category = contact.second.value_or(QString());
        if (category.isEmpty())
            category = uncategorizedContacts;
        if (seen.contains(category))
            continue;
        seen.insert(category);
        const QString folded = category.toCaseFolded();
        if (seenFolded.contains(folded))
            continue;
        seenFolded.insert(folded);
        list.append(category);
    }
}

bool TProfile::ContactExists(const QString &name) const
{
    return m_database->sectionHasKeys(name);
}

bool TProfile::DeleteContact(const QString &name)
{
    const int answer =
        ShowMessageBox(QStringLiteral("Are you sure you want to delete the cotnact \"") + name +
                           QStringLiteral("\" from your address book?"),
                       QStringLiteral("Delete contact?"), MessageBoxFlag::Question);
    if (answer != MessageBoxResult::Yes)
        return false;
    if (!IsStorableContactName(name))
        refuseWrite();
    const QStringList trashed = MoveContactsToTrash(*this, {name}, TTrashReason::Deleted);
    UndoHistory().Record(*this, TUndoRecord::Delete(name, trashed));
    return true;
}

std::optional<QByteArrayList> TProfile::ReadContactLines(const QString &name) const
{
    return m_database->sectionLines(name);
}

void TProfile::AppendContactLines(const QString &name, const QByteArrayList &lines)
{
    if (!IsStorableContactName(name))
        refuseWrite();
    m_database->appendSectionLines(name, lines);
}

void TProfile::RemoveContactSection(const QString &name)
{
    if (!IsStorableContactName(name))
        refuseWrite();
    m_database->deleteSection(name);
}

QString TProfile::ReadField(const QString &name, const QString &key) const
{
    return m_database->value(name, key).value_or(QString());
}

namespace {

// What book.db holds of a contact's keys, a missing one as an empty text.
QStringList fieldValues(std::vector<std::optional<QString>> &&stored)
{
    QStringList values;
    values.reserve(qsizetype(stored.size()));
    for (std::optional<QString> &value : stored)
        values.append(value ? std::move(*value) : QString());
    return values;
}

} // namespace

QStringList TProfile::ReadFields(const QString &name, const QStringList &keys) const
{
    return fieldValues(m_database->values(name, keys));
}

TProfile::ConcurrentFieldReads::ConcurrentFieldReads(const TProfile &profile,
                                                     const QStringList &keys)
    : m_reads(*profile.m_database, keys)
{}

QStringList TProfile::ConcurrentFieldReads::ReadFields(const QString &name) const
{
    return fieldValues(m_reads.values(name));
}

qsizetype TProfile::ConcurrentFieldReads::StoredContactEnd() const
{
    return m_reads.sectionEnd();
}

void TProfile::ConcurrentFieldReads::ForEachStoredContact(
    qsizetype from, qsizetype to,
    const std::function<void(QStringView, QByteArrayView)> &visit) const
{
    m_reads.forEachSectionText(from, to, visit);
}

void TProfile::writeStoredValue(const QString &name, const QString &key, const QString &stored)
{
    if (!IsStorableContactName(name))
        refuseWrite();
    m_database->writeString(name, key, stored);
}

void TProfile::WriteField(const QString &name, const QString &key, const QString &value)
{
    writeStoredValue(name, key, QuoteIniValue(SingleLineIniValue(value)));
}

void TProfile::WriteFields(const QString &name, const QList<std::pair<QString, QString>> &fields)
{
    WriteFields(PrepareFields(name, fields));
}

void TProfile::WriteFields(const PreparedFields &prepared)
{
    if (!IsStorableContactName(prepared.name))
        refuseWrite();
    m_database->writeSection(prepared.section);
}

TProfile::PreparedFields TProfile::PrepareFields(const QString &name,
                                                 const QList<std::pair<QString, QString>> &fields)
{
    const auto asIs = [](const std::pair<QString, QString> &field) {
        return !HasIniLineBreak(field.second) && IsIniValueAsIs(field.second);
    };
    // Nearly every value is stored as it stands; an import writes a hundred thousand of them.
    if (std::all_of(fields.begin(), fields.end(), asIs))
        return {name, IniFile::prepareSection(name, fields)};
    QList<std::pair<QString, QString>> stored;
    stored.reserve(fields.size());
    for (const auto &[key, value] : fields)
        stored.append(
            {key, QuoteIniValue(HasIniLineBreak(value) ? SingleLineIniValue(value) : value)});
    return {name, IniFile::prepareSection(name, stored)};
}

int TProfile::ReadIntField(const QString &name, const QString &key) const
{
    return ParseIniInteger(ReadField(name, key)).value_or(0);
}

void TProfile::WriteIntField(const QString &name, const QString &key, int value)
{
    writeStoredValue(name, key, QString::number(value));
}

QString TProfile::ReadMultiLineField(const QString &name, const QString &key) const
{
    return DecodeMultiLine(ReadField(name, key));
}

void TProfile::WriteMultiLineField(const QString &name, const QString &key, const QString &text)
{
    writeStoredValue(name, key, QuoteIniValue(EncodeMultiLine(text)));
}

QString TProfile::ReadNotes(const QString &name) const
{
    return ReadMultiLineField(name, notesKey);
}

void TProfile::WriteNotes(const QString &name, const QString &text)
{
    WriteMultiLineField(name, notesKey, text);
}

// --- read scopes and batches ----------------------------------------------------------------

struct TProfile::ContactReadScope::Impl
{
    explicit Impl(const IniFile &file) : scope(file) {}
    IniFile::ReadScope scope;
};

TProfile::ContactReadScope::ContactReadScope(const TProfile &profile)
    : d(std::make_unique<Impl>(*profile.m_database))
{}

TProfile::ContactReadScope::~ContactReadScope() = default;

struct TProfile::ContactBatch::Impl
{
    explicit Impl(IniFile &file) : batch(file) {}
    IniFile::Batch batch;
};

TProfile::ContactBatch::ContactBatch(TProfile &profile)
    : d(std::make_unique<Impl>(*profile.m_database))
{}

TProfile::ContactBatch::~ContactBatch() = default;

void TProfile::ContactBatch::commit()
{
    d->batch.commit();
}
