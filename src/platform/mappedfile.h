#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <memory>
#include <optional>

/// Lets ReadWholeFile(path, FileRead::MayMap) map a large file into memory instead of copying
/// it. For a process that reads a profile and ends at once (a mail client's query), copying a
/// large book.db into fresh memory is most of its time. Mapped bytes are the file's own: this
/// program replaces its files whole, so they stay as read, but another program that cuts the
/// file short in place would make reading them a bus error. The process then writes message
/// to standard error and ends with status instead, so allow this only where ending at any
/// moment leaves nothing half done. Has no effect on Windows, where a mapped file cannot be
/// replaced.
void AllowMappedReads(const char *message, int status);
bool MappedReadsAllowed();

#ifndef Q_OS_WIN
/// The file open as fd mapped read-only: its first size bytes, and what keeps the mapping
/// alive. nullopt when it cannot be mapped; the caller then reads it.
struct MappedBytes
{
    QByteArray bytes; // raw data over the mapping
    std::shared_ptr<const void> keepAlive;
};
std::optional<MappedBytes> MapOpenFile(int fd, qint64 size);
#endif
