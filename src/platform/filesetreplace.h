#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// One file of a set that is replaced as a whole.
struct FileReplacement
{
    QString path;
    QByteArray data;
};

/// Replaces every file of the set, all or nothing, even across a crash or a power cut. Each new
/// content is written completely to a temporary file beside its target and flushed to disk;
/// then a journal at journalPath names every target and its temporary file; then the temporary
/// files are renamed over their targets in the order given; then the journal goes. Should a
/// rename fail, the targets replaced before it get their old files back. Throws
/// CalbreyError("Unable to write to " + path) naming the file that failed, with every file as
/// it was. After a crash, FinishInterruptedReplacement() with the same journal completes the
/// set or undoes it.
void WriteFilesAtomically(const QList<FileReplacement> &files, const QString &journalPath);

/// Completes or undoes a WriteFilesAtomically() of some of paths that was interrupted, so that
/// all of them are new or all as they were, and removes the journal and every temporary file
/// the replacement left. With every new file still at hand, the set is completed; when one is
/// gone without having taken its target's place, the set is undone. A journal that cannot be
/// read is set aside as journalPath + ".damaged", and no target changes. Throws
/// CalbreyError("Unable to write to " + path) when a file cannot be put in place; the journal
/// then stays for the next attempt.
void FinishInterruptedReplacement(const QString &journalPath, const QStringList &paths);

/// The points between the steps of WriteFilesAtomically(), for tests that stop the process at
/// one of them: the new files staged (and the old ones kept), the journal written, each
/// rename, and the old files let go with only the journal left.
enum class ReplacementStage
{
    FilesStaged,
    JournalWritten,
    FileRenamed,
    JournalLeft,
};
/// Calls hook at each stage from then on; nullptr for none.
void SetReplacementStageHook(void (*hook)(ReplacementStage));
