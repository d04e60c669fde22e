#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

/// What tells one version of a file from another without reading it: a replaced file has a
/// new inode, an edited one a new size or new times.
struct FileIdentity
{
    bool exists = false;
    bool readable = true; // false when stat() failed for another reason than a missing file
    bool regular = false; // a plain file, not a folder, pipe or device
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool operator==(const FileIdentity &) const = default;
};

/// The identity of the file at path; a missing file (or folder) gives exists == false.
/// (fileaccess_posix.cpp / fileaccess_windows.cpp)
FileIdentity StatFile(const QString &path);

/// A whole file as one read saw it.
struct FileContent
{
    FileIdentity identity; // of exactly the bytes read
    QByteArray bytes;
    bool readable = true; // false for a folder, a pipe or a device at the path, or a read error
    /// Set when bytes are a mapping of the file rather than a copy: bytes, and every copy of
    /// them, are valid while this lives.
    std::shared_ptr<const void> keepAlive;
};

enum class FileRead
{
    Copy,
    /// Where the process allows it (AllowMappedReads()), a large file is mapped, not copied.
    MayMap,
};

/// Reads the whole file without blocking on a pipe; a missing file reads as empty and readable.
/// (fileaccess_posix.cpp / fileaccess_windows.cpp)
FileContent ReadWholeFile(const QString &path, FileRead how = FileRead::Copy);

/// A file changed less than this long ago may change again without its identity changing,
/// because file times advance in ticks: a scheduler tick (at most 10 ms) where times carry
/// nanoseconds, up to 2 s on FAT, where they are whole seconds.
inline constexpr qint64 kFineTimestampTrustNs = 100'000'000;
inline constexpr qint64 kCoarseTimestampTrustNs = 2'100'000'000;

/// True while the file's last change is too recent for its identity to be trusted.
bool IsRecentlyChanged(const FileIdentity &identity, qint64 nowNs);
/// The wall clock in nanoseconds since the Unix epoch, the clock file times are taken from.
/// (fileaccess_posix.cpp / fileaccess_windows.cpp)
qint64 WallClockNs();
