#pragma once

#include <QByteArray>
#include <QString>

// The file-system steps that atomic replacements are made of.

/// Throws CalbreyError("Unable to write to " + path).
[[noreturn]] void FailWriting(const QString &path);

/// The file a write to path replaces: the file a symbolic link leads to, so the link stays one.
QString ResolvedTarget(const QString &path);

/// data in a new file beside target, named target + infix + six letters or digits, with the
/// old file's permissions, complete and flushed to disk: its name, or an empty string.
QString StageBeside(const QString &target, const QByteArray &data, const QString &infix);

/// The old file under a second name, target + infix + six letters or digits, so that it can be
/// put back: a second link to it where the file system has them, else a copy. Its name, or an
/// empty string.
QString KeepOldFile(const QString &target, const QString &infix);

/// True when name is what StageBeside() or KeepOldFile() called a file beside the file named
/// targetName with this infix.
bool IsNameBeside(const QString &name, const QString &targetName, const QString &infix);

/// Renames from over to, replacing it in one step.
bool RenameOver(const QString &from, const QString &to);

/// A rename or a new file is only durable once the folder entry is on disk. Best effort: by
/// the time this is called the change is made.
void SyncFolderOf(const QString &path);
