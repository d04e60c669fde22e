// The file identity, whole-file read and clock of the INI layer on Windows. The identity is
// the volume serial number and the 64-bit file index (what device and inode are elsewhere),
// the size, and the last-write and change times; times are converted to nanoseconds since
// the Unix epoch so the rest of the layer compares them the same way on every system.

#include "platform/iniidentity.h"
#include "platform/inimemory.h"

#include <QDir>

#include <qt_windows.h>

namespace {

// 100-nanosecond ticks between 1601-01-01 (FILETIME) and 1970-01-01.
constexpr qint64 kEpochDifferenceTicks = 116444736000000000LL;

qint64 nanosecondsFromTicks(qint64 ticks)
{
    return (ticks - kEpochDifferenceTicks) * 100;
}

FileIdentity failure(DWORD error)
{
    FileIdentity identity;
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        identity.readable = false;
    return identity;
}

FileIdentity identityOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandle(file, &info) ||
        !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic))
        return failure(GetLastError());
    FileIdentity identity;
    identity.exists = true;
    identity.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                       GetFileType(file) == FILE_TYPE_DISK;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    identity.modifiedNs = nanosecondsFromTicks(basic.LastWriteTime.QuadPart);
    identity.changedNs = nanosecondsFromTicks(basic.ChangeTime.QuadPart);
    return identity;
}

// Shared for reading, writing and deleting, so another program (or our own atomic rename)
// can replace the file while we look at it; folders open too, to be told apart.
HANDLE openForReading(const QString &path)
{
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    return CreateFileW(native.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

FileIdentity StatFile(const QString &path)
{
    const HANDLE file = openForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return failure(GetLastError());
    const FileIdentity identity = identityOf(file);
    CloseHandle(file);
    return identity;
}

FileContent ReadWholeFile(const QString &path, FileRead)
{
    FileContent content;
    const HANDLE file = openForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        content.identity = failure(GetLastError());
        content.readable = content.identity.readable;
        return content;
    }
    content.identity = identityOf(file);
    if (!content.identity.regular) {
        content.readable = false;
        CloseHandle(file);
        return content;
    }
    content.bytes = AllocateLargeBuffer(qMax<qint64>(content.identity.size, 0));
    qsizetype filled = 0;
    for (;;) {
        if (filled == content.bytes.size())
            content.bytes.resize(filled + 16384); // the file grew while being read
        DWORD got = 0;
        const DWORD room = DWORD(qMin<qsizetype>(content.bytes.size() - filled, 1 << 30));
        if (!ReadFile(file, content.bytes.data() + filled, room, &got, nullptr)) {
            content.readable = false;
            break;
        }
        if (got == 0)
            break;
        filled += got;
    }
    CloseHandle(file);
    content.bytes.resize(content.readable ? filled : 0);
    return content;
}

qint64 WallClockNs()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return nanosecondsFromTicks(qint64((quint64(now.dwHighDateTime) << 32) | now.dwLowDateTime));
}
