#include "platform/iniidentity.h"

#include <cerrno>
#include <ctime>
#include <sys/stat.h>

namespace {

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

FileIdentity fromStat(const struct stat &st)
{
    FileIdentity identity;
    identity.exists = true;
    identity.regular = S_ISREG(st.st_mode);
    identity.device = quint64(st.st_dev);
    identity.inode = quint64(st.st_ino);
    identity.size = qint64(st.st_size);
    identity.modifiedNs = nanoseconds(st.st_mtim);
    identity.changedNs = nanoseconds(st.st_ctim);
    return identity;
}

FileIdentity failure()
{
    FileIdentity identity;
    if (errno != ENOENT && errno != ENOTDIR)
        identity.readable = false;
    return identity;
}

} // namespace

FileIdentity StatFile(const QByteArray &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return failure();
    return fromStat(st);
}

FileIdentity StatOpenFile(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return failure();
    return fromStat(st);
}

bool IsRecentlyChanged(const FileIdentity &identity, qint64 nowNs)
{
    if (!identity.exists)
        return false;
    constexpr qint64 second = 1'000'000'000;
    const bool wholeSeconds = identity.changedNs % second == 0 && identity.modifiedNs % second == 0;
    const qint64 trust = wholeSeconds ? kCoarseTimestampTrustNs : kFineTimestampTrustNs;
    // The change time cannot be set by programs, unlike the modification time. A change time
    // far in the future (a skewed file server) is not waited for.
    const qint64 age = nowNs - identity.changedNs;
    return age < trust && age > -trust;
}

qint64 WallClockNs()
{
    timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}
