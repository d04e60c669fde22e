#pragma once

// A full disk, simulated in this process: while a FileSizeLimit lives, no file this process
// writes may grow past the limit, so a write beyond it fails (EFBIG) the way a full disk
// refuses it. As root no permission can make a write fail; this can.

#include <QTest>
#include <QtGlobal>
#include <functional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

class FileSizeLimit
{
public:
    static constexpr bool Supported =
#ifdef Q_OS_UNIX
        true;
#else
        false;
#endif

    explicit FileSizeLimit(qint64 bytes)
    {
#ifdef Q_OS_UNIX
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        // The write fails with EFBIG instead of the process being ended.
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = rlim_t(bytes);
        ::setrlimit(RLIMIT_FSIZE, &limited);
#else
        Q_UNUSED(bytes);
#endif
    }
    ~FileSizeLimit()
    {
#ifdef Q_OS_UNIX
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
#endif
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
#ifdef Q_OS_UNIX
    rlimit m_saved{};
    void (*m_previousHandler)(int) = nullptr;
#endif
};

/// body's result, with the limit in force while it runs.
inline int RunWithFileSizeLimit(qint64 bytes, const std::function<int()> &body)
{
    FileSizeLimit limit(bytes);
    return body();
}

/// Skips the test where no full disk can be simulated.
#define SKIP_WITHOUT_FULL_DISK()                                                                   \
    do {                                                                                           \
        if (!FileSizeLimit::Supported)                                                             \
            QSKIP("no way to simulate a full disk on this system");                                \
    } while (false)
