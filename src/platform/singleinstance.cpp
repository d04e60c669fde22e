#include "platform/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {
QString &folderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

namespace {
QString runtimeFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool usable(const QString &folder)
{
    return !folder.isEmpty() && QDir(folder).exists();
}
} // namespace

QString SingleInstanceLockFile(const QString &runtimeFolder, const QString &tempFolder,
                               const QString &name, qint64 userId)
{
    if (usable(runtimeFolder))
        return QDir(runtimeFolder).filePath(name);
    return QDir(tempFolder).filePath(name + u'-' + QString::number(userId));
}

void SetSingleInstanceFolder(const QString &folder)
{
    folderOverride() = folder;
}

#ifdef Q_OS_WIN

SingleInstanceLock::SingleInstanceLock(const QString &name)
{
    const QByteArray local = name.toLocal8Bit();
    m_handle = CreateMutexA(nullptr, FALSE, local.constData());
    m_acquired = m_handle && GetLastError() != ERROR_ALREADY_EXISTS;
}

SingleInstanceLock::~SingleInstanceLock()
{
    if (m_handle)
        CloseHandle(static_cast<HANDLE>(m_handle));
}

#else

SingleInstanceLock::SingleInstanceLock(const QString &name)
{
    // A folder set by a test is taken as it is, missing or not.
    const QString file =
        folderOverride().isEmpty()
            ? SingleInstanceLockFile(runtimeFolder(), QDir::tempPath(), name, qint64(::getuid()))
            : QDir(folderOverride()).filePath(name);
    const QByteArray path = QFile::encodeName(file);
    // O_CLOEXEC: a mail client or browser started from the program must not inherit the
    // descriptor, or the lock would outlive the program and block the next start.
    do {
        m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        return;
    int result;
    do {
        result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    m_acquired = result == 0;
    if (!m_acquired) {
        ::close(m_fd);
        m_fd = -1;
    }
}

SingleInstanceLock::~SingleInstanceLock()
{
    // The file stays: removing it could let a third process lock a fresh file of the same
    // name while a second one still holds the old, unlinked one.
    if (m_fd >= 0)
        ::close(m_fd);
}

#endif
