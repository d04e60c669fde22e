#pragma once

#include <QString>

/// The name of the program's single-instance mutex.
inline constexpr char SingleInstanceMutexName[] = "QuenlarkCalbrey_MutexStr";

/// The named mutex that keeps a second copy of the program from starting. On Windows a named
/// mutex; elsewhere an exclusive flock() on a file of that name in the user's runtime folder.
/// Either way the system drops it when the process ends, even by a crash, so a stale lock can
/// never keep the program from starting again.
class SingleInstanceLock
{
public:
    explicit SingleInstanceLock(const QString &name = QLatin1String(SingleInstanceMutexName));
    /// Releases the lock (the process's end does the same).
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock &) = delete;
    SingleInstanceLock &operator=(const SingleInstanceLock &) = delete;

    /// True when this object holds the lock: no other instance was running and the lock could
    /// be made. False when another instance holds it or it could not be created at all.
    bool acquired() const { return m_acquired; }

private:
    bool m_acquired = false;
#ifdef Q_OS_WIN
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

/// The lock file for the mutex name: in the user's own runtime folder under the name itself;
/// in a shared folder (runtimeFolder empty or missing, so tempFolder) with the user id
/// appended, so two users of one machine never block each other.
QString SingleInstanceLockFile(const QString &runtimeFolder, const QString &tempFolder,
                               const QString &name, qint64 userId);
/// Tests: points the lock files to folder (Unix only; Windows keeps its mutexes in the kernel); an
/// empty folder restores the real one.
void SetSingleInstanceFolder(const QString &folder);
