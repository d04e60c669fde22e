#pragma once

#include "platform/inidocument.h"
#include "platform/iniidentity.h"

#include <QString>
#include <functional>
#include <optional>

/// A file read and indexed ahead of its first use.
struct PrefetchedIniFile
{
    FileIdentity identity; // of the bytes the document holds
    bool readable = true;
    IniDocument document;
};

/// Starts reading and indexing the INI file at path on a worker thread: the window reads its
/// book.db this way while it builds its controls. The first IniFile of this path to read takes
/// the work (TakePrefetchedIniFile) when the file is still the one that was read.
void PrefetchIniFile(const QString &path);

/// The work PrefetchIniFile(path) started, waited for and handed over once; nullopt when there
/// is none.
std::optional<PrefetchedIniFile> TakePrefetchedIniFile(const QString &path);

/// When a read of path started by PrefetchIniFile() has not been taken yet: done is called
/// once it has finished (on the worker's thread, or at once on this one when it already has),
/// and the answer is true. False, and done is never called, when there is no such read.
bool WhenIniFilePrefetched(const QString &path, std::function<void()> done);
