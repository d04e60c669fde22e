#pragma once

#include <QByteArray>
#include <QtGlobal>

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

/// The identity of the file at path (encoded for the file system); a missing file (or
/// folder) gives exists == false.
FileIdentity StatFile(const QByteArray &path);
/// The same for an open file.
FileIdentity StatOpenFile(int fd);

/// A file changed less than this long ago may change again without its identity changing,
/// because file times advance in ticks: a scheduler tick (at most 10 ms) where times carry
/// nanoseconds, up to 2 s on FAT, where they are whole seconds.
inline constexpr qint64 kFineTimestampTrustNs = 100'000'000;
inline constexpr qint64 kCoarseTimestampTrustNs = 2'100'000'000;

/// True while the file's last change is too recent for its identity to be trusted.
bool IsRecentlyChanged(const FileIdentity &identity, qint64 nowNs);
/// The wall clock in nanoseconds since the epoch, the clock file times are taken from.
qint64 WallClockNs();
