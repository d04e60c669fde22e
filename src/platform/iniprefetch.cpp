#include "platform/iniprefetch.h"

#include <QMutex>
#include <future>
#include <map>

namespace {
// The reads started and not yet taken. A read nobody takes is waited for when the program ends.
struct Pending
{
    QMutex mutex;
    std::map<QString, std::future<PrefetchedIniFile>> reads;
};

Pending &pending()
{
    static Pending reads;
    return reads;
}
} // namespace

void PrefetchIniFile(const QString &path)
{
    Pending &all = pending();
    const QMutexLocker lock(&all.mutex);
    if (all.reads.count(path) > 0)
        return;
    all.reads.emplace(path, std::async(std::launch::async, [path] {
                          FileContent content = ReadWholeFile(path);
                          PrefetchedIniFile read;
                          read.identity = content.identity;
                          read.readable = content.readable;
                          read.document.load(std::move(content.bytes));
                          return read;
                      }));
}

std::optional<PrefetchedIniFile> TakePrefetchedIniFile(const QString &path)
{
    std::future<PrefetchedIniFile> read;
    {
        Pending &all = pending();
        const QMutexLocker lock(&all.mutex);
        const auto found = all.reads.find(path);
        if (found == all.reads.end())
            return std::nullopt;
        read = std::move(found->second);
        all.reads.erase(found);
    }
    return read.get();
}
