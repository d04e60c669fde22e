#include "profiles/undohistory.h"

#include "import/contactimport.h"
#include "profiles/trashbatch.h"
#include "profiles/trashrestore.h"
#include "profiles/untprofiles.h"

namespace {

// How often the progress is told, as an import tells it.
constexpr qsizetype kProgressStep = 256;

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

void TUndoHistory::Record(const TProfile &profile, const TUndoRecord &record)
{
    if (record.trashed.isEmpty() && record.added.isEmpty())
        return;
    m_last.insert(keyOf(profile), record);
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

QStringList TUndoHistory::Undo(TProfile &profile, TClashQuestion &question,
                               TImportProgress *progress)
{
    const std::optional<TUndoRecord> record = Last(profile);
    if (!record)
        return {};
    QStringList restored;
    if (record->askOnClash) {
        const TRestoreResult result =
            RestoreFromTrash(profile, record->trashed, question, progress);
        if (result.cancelled)
            return {};
        restored = result.restored;
    } else {
        TTrashBatch batch(profile);
        const qsizetype total = record->added.size() + record->trashed.size();
        qsizetype done = 0;
        const auto goOn = [&] {
            const bool asked = progress && done % kProgressStep == 0;
            const bool on = !asked || progress->Advance(done, total);
            ++done;
            return on;
        };
        for (const QString &name : record->added) {
            if (!goOn())
                return {}; // the batch goes unwritten
            batch.Take(name, record->undoneReason);
        }
        for (const QString &id : record->trashed) {
            if (!goOn())
                return {};
            const std::optional<TTrashEntry> entry = profile.Trash().Entry(id);
            if (entry && batch.Restore(id, entry->name, record->undoneReason))
                restored.append(entry->name);
        }
        if (progress && !progress->Advance(total, total))
            return {};
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
