#include "profiles/trashrestore.h"

#include "import/contactimport.h"
#include "profiles/trash.h"
#include "profiles/trashbatch.h"
#include "profiles/untprofiles.h"

#include <algorithm>

namespace {
// How often the progress is told, as an import tells it.
constexpr qsizetype kProgressStep = 256;
} // namespace

TRestoreResult RestoreFromTrash(TProfile &profile, const QStringList &ids, TClashQuestion &question,
                                TImportProgress *progress)
{
    QList<TTrashEntry> entries;
    for (const QString &id : ids)
        if (std::optional<TTrashEntry> entry = profile.Trash().Entry(id))
            entries.append(std::move(*entry));
    // Of two entries of one name, the newer is the one asked about.
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const TTrashEntry &a, const TTrashEntry &b) { return a.sequence < b.sequence; });

    TRestoreResult result;
    TContactImport names(profile, question, nullptr);
    TTrashBatch batch(profile);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (progress && i % kProgressStep == 0 && !progress->Advance(i, entries.size()))
            return {{}, {}, true}; // the batch goes unwritten
        const TTrashEntry &entry = entries.at(i);
        if (!TProfile::IsStorableContactName(entry.name)) {
            result.unstorable.append(entry.name);
            continue;
        }
        const QString name = names.ResolveExistingName(entry.name);
        if (!name.isEmpty() && batch.Restore(entry.id, name, TTrashReason::ReplacedByRestore))
            result.restored.append(name);
    }
    if (progress && !progress->Advance(entries.size(), entries.size()))
        return {{}, {}, true};
    batch.commit();
    return result;
}
