#include "platform/filelock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {
// How often a waiting program asks again; a commit holds the lock for about one write.
constexpr int kRetryMs = 2;
} // namespace

#ifdef Q_OS_WIN

FileLock::FileLock(const QString &lockPath, int timeoutMs)
{
    const std::wstring path = lockPath.toStdWString();
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        m_unavailable = true;
        return;
    }
    m_handle = handle;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                       MAXDWORD, &whole)) {
            m_acquired = true;
            return;
        }
        if (deadline.hasExpired())
            return;
        QThread::msleep(kRetryMs);
    }
}

FileLock::~FileLock()
{
    if (!m_handle)
        return;
    if (m_acquired) {
        OVERLAPPED whole{};
        UnlockFileEx(static_cast<HANDLE>(m_handle), 0, MAXDWORD, MAXDWORD, &whole);
    }
    CloseHandle(static_cast<HANDLE>(m_handle));
}

#else

FileLock::FileLock(const QString &lockPath, int timeoutMs)
{
    const QByteArray path = QFile::encodeName(lockPath);
    // O_CLOEXEC: a program started from this one must not keep the lock alive.
    do {
        m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        m_unavailable = true;
        return;
    }
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_acquired = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_unavailable = true; // a file system without locks
            return;
        }
        if (deadline.hasExpired())
            return;
        QThread::msleep(kRetryMs);
    }
}

FileLock::~FileLock()
{
    // Closing the descriptor lets go of the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}

#endif
