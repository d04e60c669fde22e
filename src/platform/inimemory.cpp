#include "platform/inimemory.h"

#include <cstdint>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

void AdviseHugePages([[maybe_unused]] const void *data, [[maybe_unused]] qsizetype size)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t hugePage = std::uintptr_t(2) * 1024 * 1024;
    if (size < 2 * qsizetype(hugePage))
        return;
    const auto address = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (address + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t end = (address + std::uintptr_t(size)) & ~(hugePage - 1);
    // Only advice: where huge pages are off, the buffer works the same.
    if (end > begin)
        ::madvise(static_cast<char *>(const_cast<void *>(data)) + (begin - address), end - begin,
                  MADV_HUGEPAGE);
#endif
}

QByteArray AllocateLargeBuffer(qsizetype size)
{
    QByteArray buffer(size, Qt::Uninitialized);
    AdviseHugePages(buffer.constData(), size);
    return buffer;
}
