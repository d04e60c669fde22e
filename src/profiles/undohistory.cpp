#include "profiles/undohistory.h"

#include "profiles/trashbatch.h"
#include "profiles/trashrestore.h"
#include "profiles/untprofiles.h"

namespace {

QString keyOf(const TProfile &profile)
{
    return profile.GetProfileInfo(3);
}

} // namespace

TUndoRecord TUndoRecord::Delete(const QString &name, const QStringList &trashed)
{
    return {
        QStringLiteral("Delete of ") + name, trashed, {}, true, TTrashReason::ReplacedByRestore};
}

TUndoRecord TUndoRecord::Import(int count, const QStringList &trashed, const QStringList &added)
{
    const QString contacts = count == 1 ? QStringLiteral("1 contact")
                                        : QString::number(count) + QStringLiteral(" contacts");
    return {QStringLiteral("Import of ") + contacts, trashed, added, false,
            TTrashReason::ImportUndone};
}

void TUndoHistory::Record(const TProfile &profile, TUndoRecord record)
{
    if (record.trashed.isEmpty() && record.added.isEmpty())
        return;
    m_last.insert(keyOf(profile), std::move(record));
    emit Changed();
}

void TUndoHistory::Forget(const TProfile &profile)
{
    if (m_last.remove(keyOf(profile)) > 0)
        emit Changed();
}

std::optional<TUndoRecord> TUndoHistory::Last(const TProfile &profile) const
{
    const auto found = m_last.constFind(keyOf(profile));
    if (found == m_last.cend())
        return std::nullopt;
    return *found;
}

QStringList TUndoHistory::Undo(TProfile &profile, TClashQuestion &question)
{
    const std::optional<TUndoRecord> record = Last(profile);
    if (!record)
        return {};
    QStringList restored;
    if (record->askOnClash) {
        restored = RestoreFromTrash(profile, record->trashed, question).restored;
    } else {
        TTrashBatch batch(profile);
        for (const QString &name : record->added)
            batch.Take(name, record->undoneReason);
        for (const QString &id : record->trashed) {
            const std::optional<TTrashEntry> entry = profile.Trash().Entry(id);
            if (entry && batch.Restore(id, entry->name, record->undoneReason))
                restored.append(entry->name);
        }
        batch.commit();
    }
    Forget(profile);
    return restored;
}

TUndoHistory &UndoHistory()
{
    static TUndoHistory history;
    return history;
}
