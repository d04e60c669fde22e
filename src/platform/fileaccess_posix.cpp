#include "platform/iniidentity.h"
#include "platform/inimemory.h"
#include "platform/mappedfile.h"

#include <QFile>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

FileIdentity statPath(const QByteArray &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return failure();
    return fromStat(st);
}

FileIdentity statOpenFile(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return failure();
    return fromStat(st);
}

} // namespace

FileIdentity StatFile(const QString &path)
{
    return statPath(QFile::encodeName(path));
}

FileContent ReadWholeFile(const QString &filePath, FileRead how)
{
    const QByteArray path = QFile::encodeName(filePath);
    FileContent content;
    // Non-blocking, so a pipe at the path cannot hang a read.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        content.identity = statPath(path);
        content.readable = !content.identity.exists && content.identity.readable;
        return content;
    }
    // The identity comes from the open file, so it belongs to exactly the bytes read.
    content.identity = statOpenFile(fd);
    if (!content.identity.regular) {
        content.readable = false; // a folder or a pipe: nothing to load, nothing to replace
        ::close(fd);
        return content;
    }
    // Mapping costs next to nothing; a copy costs fresh memory, which is slow to come by.
    constexpr qint64 kMapAtLeast = qint64(1) << 20;
    if (how == FileRead::MayMap && content.identity.size >= kMapAtLeast && MappedReadsAllowed()) {
        if (std::optional<MappedBytes> mapped = MapOpenFile(fd, content.identity.size)) {
            ::close(fd);
            content.bytes = std::move(mapped->bytes);
            content.keepAlive = std::move(mapped->keepAlive);
            return content;
        }
    }
    content.bytes = AllocateLargeBuffer(qMax<qint64>(content.identity.size, 0));
    qsizetype filled = 0;
    char more[16384];
    for (;;) {
        // Into the buffer sized from fstat; past its end (a file that grew while being read,
        // or the final end-of-file check) through a small one, so the big buffer is never
        // reallocated just to learn that the file has ended.
        const bool inBuffer = filled < content.bytes.size();
        char *target = inBuffer ? content.bytes.data() + filled : more;
        const size_t room = inBuffer ? size_t(content.bytes.size() - filled) : sizeof more;
        const ssize_t got = ::read(fd, target, room);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            content.readable = false; // an I/O error
            break;
        }
        if (got == 0)
            break;
        if (!inBuffer)
            content.bytes.append(more, got);
        filled += got;
    }
    ::close(fd);
    content.bytes.resize(filled);
    if (!content.readable)
        content.bytes.clear();
    return content;
}

qint64 WallClockNs()
{
    timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}
