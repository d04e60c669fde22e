#include "platform/iniprefetch.h"

#include <QMutex>
#include <future>
#include <map>
#include <memory>
#include <vector>

namespace {
// Who waits for a read to finish.
class Finishing
{
public:
    // Calls done at once when the read has finished already.
    void whenFinished(std::function<void()> done)
    {
        {
            const QMutexLocker lock(&m_mutex);
            if (!m_finished) {
                m_waiting.push_back(std::move(done));
                return;
            }
        }
        done();
    }

    void finish()
    {
        std::vector<std::function<void()>> waiting;
        {
            const QMutexLocker lock(&m_mutex);
            m_finished = true;
            waiting.swap(m_waiting);
        }
        for (const std::function<void()> &done : waiting)
            done();
    }

private:
    QMutex m_mutex;
    bool m_finished = false;
    std::vector<std::function<void()>> m_waiting;
};

struct Read
{
    std::future<PrefetchedIniFile> result;
    std::shared_ptr<Finishing> finishing;
};

// The reads started and not yet taken. A read nobody takes is waited for when the program ends.
struct Pending
{
    QMutex mutex;
    std::map<QString, Read> reads;
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
    auto finishing = std::make_shared<Finishing>();
    auto result = std::async(std::launch::async, [path, finishing] {
        FileContent content = ReadWholeFile(path, FileRead::MayMap);
        PrefetchedIniFile read;
        read.identity = content.identity;
        read.readable = content.readable;
        read.document.load(std::move(content.bytes), std::move(content.keepAlive));
        finishing->finish();
        return read;
    });
    all.reads.emplace(path, Read{std::move(result), std::move(finishing)});
}

bool WhenIniFilePrefetched(const QString &path, std::function<void()> done)
{
    std::shared_ptr<Finishing> finishing;
    {
        Pending &all = pending();
        const QMutexLocker lock(&all.mutex);
        const auto found = all.reads.find(path);
        if (found == all.reads.end())
            return false;
        finishing = found->second.finishing;
    }
    finishing->whenFinished(std::move(done));
    return true;
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
        read = std::move(found->second.result);
        all.reads.erase(found);
    }
    return read.get();
}
