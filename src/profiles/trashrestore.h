#pragma once

#include <QString>
#include <QStringList>

class TClashQuestion;
class TImportProgress;
class TProfile;

struct TRestoreResult
{
    /// The names the contacts came back under, in the order they came back.
    QStringList restored;
    /// Entries whose names book.db cannot hold (from a damaged trash); they stay in the trash.
    QStringList unstorable;
    /// The user cancelled: nothing was written.
    bool cancelled = false;
};

/// Brings entries of the trash back into book.db in one batch, oldest first. A name that a
/// contact has meanwhile goes through the clash question, with the import's answers:
/// overwrite (that contact goes to the trash), skip (the entry stays), or rename. progress
/// (may be null) is told how far it is and may cancel. Throws CalbreyError when a file cannot
/// be written (see TTrashBatch::commit).
TRestoreResult RestoreFromTrash(TProfile &profile, const QStringList &ids, TClashQuestion &question,
                                TImportProgress *progress = nullptr);
