#include "platform/atomicfile.h"

#include "platform/calbreyerror.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

[[noreturn]] void failWriting(const QString &path)
{
    throw CalbreyError(QStringLiteral("Unable to write to ") + path);
}

#ifdef Q_OS_UNIX
// The rename is only durable once the folder entry is on disk; QSaveFile syncs the file but
// not its folder.
bool syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    // Some file systems cannot sync a folder at all; that is no failure of ours.
    const bool ok = rc == 0 || errno == EINVAL || errno == EROFS;
    ::close(fd);
    return ok;
}
#endif

} // namespace

void WriteFileAtomically(const QString &path, const QByteArray &data)
{
    WriteFileAtomically(path, std::vector<QByteArrayView>{data});
}

void WriteFileAtomically(const QString &path, const std::vector<QByteArrayView> &pieces)
{
    QSaveFile file(path);
    // Writing straight into the target would not be atomic; better to fail.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        failWriting(path);
    // Flush here: QSaveFile::commit() in Qt 6.4 does not notice a failed final flush, and
    // would rename a cut-short file over the old one on a full disk.
    bool written = true;
    for (const QByteArrayView piece : pieces)
        written = written && file.write(piece.data(), piece.size()) == piece.size();
    if (!written || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        failWriting(path);
    }
    if (!file.commit())
        failWriting(path);
#ifdef Q_OS_UNIX
    if (!syncFolderOf(path))
        failWriting(path);
#endif
}
