#include "profiles/trashbatch.h"

#include <QDateTime>
#include <exception>

namespace {

void (*batchHook)(TTrashBatchStep) = nullptr;

const QString contactNameKey = QStringLiteral("aContactName");

// Takes back the entries of an action whose book.db write failed. Should that fail too, they
// are copies of contacts book.db still holds, which the next opening of the profile tidies
// away; the user learns of the first failure.
void takeBack(TTrash &trash, const QStringList &ids) noexcept
{
    try {
        trash.Remove(ids);
    } catch (const std::exception &) {
        return;
    }
}

} // namespace

void SetTrashBatchHook(void (*hook)(TTrashBatchStep))
{
    batchHook = hook;
}

TTrashBatch::TTrashBatch(TProfile &profile) : m_profile(profile), m_reads(profile), m_book(profile)
{}

TTrashBatch::~TTrashBatch() = default;

bool TTrashBatch::Keep(const QString &name, TTrashReason reason, const QString &into)
{
    std::optional<QByteArrayList> lines = m_profile.ReadContactLines(name);
    if (!lines)
        return false;
    // A header with nothing under it holds nothing to keep.
    if (!lines->isEmpty())
        m_entries.append({name, std::move(*lines), reason, into, QDateTime::currentDateTimeUtc()});
    return true;
}

bool TTrashBatch::Take(const QString &name, TTrashReason reason, const QString &into)
{
    if (!Keep(name, reason, into))
        return false;
    m_profile.RemoveContactSection(name);
    return true;
}

bool TTrashBatch::Restore(const QString &id, const QString &name, TTrashReason replacedReason)
{
    const TTrash &trash = m_profile.Trash();
    const std::optional<TTrashEntry> entry = trash.Entry(id);
    const std::optional<QByteArrayList> lines = trash.ContactLines(id);
    if (!entry || !lines)
        return false;
    // A section of the name before the restored one would hide it; book.db may hold more
    // than one.
    while (Take(name, replacedReason)) {
    }
    m_profile.AppendContactLines(name, *lines);
    if (name != entry->name)
        m_profile.WriteField(name, contactNameKey, name);
    m_restored.append(id);
    return true;
}

void TTrashBatch::commit()
{
    TTrash &trash = m_profile.Trash();
    const QStringList added = m_entries.isEmpty() ? QStringList() : trash.Add(m_entries);
    if (batchHook)
        batchHook(TTrashBatchStep::TrashWritten);
    try {
        m_book.commit();
    } catch (...) {
        // book.db is as it was: so must the trash be.
        takeBack(trash, added);
        throw;
    }
    m_trashed = added;
    if (batchHook)
        batchHook(TTrashBatchStep::BookWritten);
    trash.Remove(m_restored);
}

QStringList MoveContactsToTrash(TProfile &profile, const QStringList &names, TTrashReason reason,
                                const QString &into)
{
    TTrashBatch batch(profile);
    for (const QString &name : names)
        batch.Take(name, reason, into);
    batch.commit();
    return batch.Trashed();
}
