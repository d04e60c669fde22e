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
// not its folder. Best effort: by now the new file is in place.
void syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    ::close(fd);
}
#endif

} // namespace

void WriteFileAtomically(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    // Writing straight into the target would not be atomic; better to fail.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        failWriting(path);
    // Flush here: QSaveFile::commit() in Qt 6.4 does not notice a failed final flush, and
    // would rename a cut-short file over the old one on a full disk.
    if (file.write(data) != data.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        failWriting(path);
    }
    if (!file.commit())
        failWriting(path);
#ifdef Q_OS_UNIX
    // Not a failure when the folder cannot be synced: the old file is gone and the new one in
    // its place, so reporting it would have the user retry a write that worked.
    syncFolderOf(path);
#endif
}
