#pragma once

#include <QString>

/// An advisory lock on a lock file, held while this lives: programs that change the same file
/// take it from their last read of that file to the rename that replaces it, so no program
/// can write over a change it has not seen (flock() elsewhere, LockFileEx() on Windows; the
/// system lets go of it when a program ends, even by a crash). The lock file is made when it
/// is missing and never removed, since a third program could then lock a fresh file while a
/// second still holds the old one.
class FileLock
{
public:
    /// Waits for the lock up to timeoutMs. Where the lock file cannot be made (no folder, no
    /// room) nothing is locked and acquired() says so: the write that follows fails the same
    /// way and is reported.
    explicit FileLock(const QString &lockPath, int timeoutMs = DefaultTimeoutMs);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    /// False when the lock file could not be opened, or another program held the lock for the
    /// whole wait (a program stopped while it was writing).
    bool acquired() const { return m_acquired; }
    /// The lock file could not be opened, so no program can hold it.
    bool unavailable() const { return m_unavailable; }

    /// Long enough for another program's write of a large file to end.
    static constexpr int DefaultTimeoutMs = 10000;

private:
#ifdef Q_OS_WIN
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    bool m_acquired = false;
    bool m_unavailable = false;
};
