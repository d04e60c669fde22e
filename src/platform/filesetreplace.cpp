#include "platform/filesetreplace.h"

#include "platform/filesteps.h"
#include "platform/iniidentity.h"
#include "platform/replacementjournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <vector>

namespace {

void (*stageHook)(ReplacementStage) = nullptr;

void reached(ReplacementStage stage)
{
    if (stageHook)
        stageHook(stage);
}

bool exists(const QString &path)
{
    return StatFile(path).exists;
}

// Where one file of an interrupted replacement stands.
enum class FileState
{
    Waiting,  // its new file is still beside it
    Replaced, // its new file took its place
    Lost,     // its new file is gone without having taken its place
};

// A journal is written only once every new file is complete and on disk, so a new file that
// is gone was renamed into place, unless its target does not hold the new content: then the
// file was lost (removed by someone) and its target never replaced.
FileState stateOf(const JournaledFile &file)
{
    if (exists(file.staged))
        return FileState::Waiting;
    const FileIdentity identity = StatFile(file.target);
    if (!identity.regular || identity.size != file.size)
        return FileState::Lost;
    const FileContent content = ReadWholeFile(file.target);
    return content.readable && NewContentDigest(content.bytes) == file.digest ? FileState::Replaced
                                                                              : FileState::Lost;
}

// Puts each target that replaced[i] says was replaced back as it was, and removes the new files
// that were not renamed. The target that could not be put back, or an empty string; its old
// file then stays under its second name.
QString undo(const std::vector<JournaledFile> &files, const std::vector<bool> &replaced)
{
    QString failed;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const JournaledFile &file = files[i];
        bool done;
        if (!replaced[i])
            done = !exists(file.staged) || QFile::remove(file.staged);
        else if (file.existed)
            done = !file.old.isEmpty() && RenameOver(file.old, file.target);
        else
            done = QFile::remove(file.target);
        if (!done && failed.isEmpty())
            failed = file.target;
    }
    return failed;
}

// Renames the new files still beside their targets into place, in order: the target that
// could not be replaced, or an empty string.
QString completeWaiting(const std::vector<JournaledFile> &files)
{
    for (const JournaledFile &file : files) {
        if (exists(file.staged) && !RenameOver(file.staged, file.target))
            return file.target;
    }
    return QString();
}

// Every target as it is now is the one to keep: its folder entry to disk, the old file let go.
void releaseOldFiles(const std::vector<JournaledFile> &files)
{
    for (const JournaledFile &file : files) {
        SyncFolderOf(file.target);
        if (!file.old.isEmpty())
            QFile::remove(file.old);
    }
}

// Not a failure when the journal cannot be removed: every file is as it should stay, and a
// journal whose files are all in place changes nothing when it is read again.
void removeJournal(const QString &journalPath)
{
    QFile::remove(journalPath);
    SyncFolderOf(journalPath);
}

void finishJournal(const QString &journalPath)
{
    const std::optional<std::vector<JournaledFile>> files = ReadReplacementJournal(journalPath);
    if (!files) {
        // Nothing it says can be trusted, so no file is moved; kept for a person to look at.
        if (!RenameOver(journalPath, journalPath + QStringLiteral(".damaged")))
            FailWriting(journalPath);
        SyncFolderOf(journalPath);
        return;
    }
    std::vector<bool> replaced;
    bool lost = false;
    // A target that had an old file can only go back to it while that is kept.
    bool canUndo = true;
    for (const JournaledFile &file : *files) {
        const FileState state = stateOf(file);
        replaced.push_back(state == FileState::Replaced);
        lost = lost || state == FileState::Lost;
        if (state == FileState::Replaced && file.existed)
            canUndo = canUndo && !file.old.isEmpty() && exists(file.old);
    }
    const QString failed = lost && canUndo ? undo(*files, replaced) : completeWaiting(*files);
    if (!failed.isEmpty())
        FailWriting(failed);
    releaseOldFiles(*files);
    removeJournal(journalPath);
}

// New and old files of a replacement of path whose journal was never written.
void removeLeftovers(const QString &path)
{
    const QFileInfo target(ResolvedTarget(path));
    const QDir folder = target.absoluteDir();
    const QString name = target.fileName();
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (IsNameBeside(entry, name, kStagedInfix.toString()) ||
            IsNameBeside(entry, name, kOldInfix.toString()))
            QFile::remove(folder.filePath(entry));
    }
}

} // namespace

void WriteFilesAtomically(const QList<FileReplacement> &files, const QString &journalPath)
{
    std::vector<JournaledFile> set;
    set.reserve(files.size());
    bool journaled = false;
    // Until the journal names them, no new or old file may stay behind.
    const auto cleanUp = qScopeGuard([&set, &journaled] {
        if (journaled)
            return;
        for (const JournaledFile &file : set) {
            if (!file.staged.isEmpty())
                QFile::remove(file.staged);
            if (!file.old.isEmpty())
                QFile::remove(file.old);
        }
    });

    for (const FileReplacement &file : files) {
        JournaledFile &entry = set.emplace_back();
        entry.target = ResolvedTarget(file.path);
        entry.staged = StageBeside(entry.target, file.data, kStagedInfix.toString());
        if (entry.staged.isEmpty())
            FailWriting(file.path);
        entry.size = file.data.size();
        entry.digest = NewContentDigest(file.data);
        SyncFolderOf(entry.staged);
    }
    // The last file needs no way back: once it is in place, all are.
    for (qsizetype i = 0; i < files.size(); ++i) {
        JournaledFile &entry = set[i];
        const QFileInfo info(entry.target);
        entry.existed = info.exists();
        if (i + 1 == files.size() || !entry.existed)
            continue;
        if (!info.isFile() ||
            (entry.old = KeepOldFile(entry.target, kOldInfix.toString())).isEmpty())
            FailWriting(files[i].path);
    }
    reached(ReplacementStage::FilesStaged);

    WriteReplacementJournal(journalPath, set);
    journaled = true;
    reached(ReplacementStage::JournalWritten);

    for (qsizetype i = 0; i < files.size(); ++i) {
        if (!RenameOver(set[i].staged, set[i].target)) {
            std::vector<bool> replaced(set.size(), false);
            std::fill_n(replaced.begin(), i, true);
            // Should a file not go back, the journal stays: the next open undoes the rest.
            if (undo(set, replaced).isEmpty()) {
                releaseOldFiles(set);
                removeJournal(journalPath);
            }
            FailWriting(files[i].path);
        }
        reached(ReplacementStage::FileRenamed);
    }
    releaseOldFiles(set);
    reached(ReplacementStage::JournalLeft);
    removeJournal(journalPath);
}

void FinishInterruptedReplacement(const QString &journalPath, const QStringList &paths)
{
    if (exists(journalPath))
        finishJournal(journalPath);
    for (const QString &path : paths)
        removeLeftovers(path);
}

void SetReplacementStageHook(void (*hook)(ReplacementStage))
{
    stageHook = hook;
}
