#include "platform/filechangewatch.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QHash>
#include <QList>
#include <atomic>

#include <cerrno>
#include <linux/magic.h>
#include <mutex>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// Whatever changes a folder's entries, a file's bytes or times, or the watched thing itself.
constexpr uint32_t kNotices = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                              IN_CREATE | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;

// File systems whose every change passes through this machine's kernel. A network or FUSE
// file system can be changed from elsewhere without a notice here.
bool isLocalFileSystem(const QByteArray &path)
{
    struct statfs fs;
    if (::statfs(path.constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
        return true;
    default:
        return false;
    }
}

// Notices that make a folder's entry name another file or folder, or none.
constexpr uint32_t kEntryReplaced = IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_DELETE;

// A kernel watch's notices that concern a watch: those about the entry of that name in a folder
// on the watched path, at a level of the path (0 for "/"), or about the watched file itself
// (no name, the last level).
struct Interest
{
    FileChangeWatch::Impl *watch;
    QByteArray name;
    qsizetype level;
};

} // namespace

struct FileChangeWatch::Impl
{
    QByteArray path;
    bool trusted = true; // false: the notices can never vouch for this path
    int questions = 0;
    bool watching = false;
    bool changed = false;   // a notice concerning the path arrived since the last answer
    QList<int> descriptors; // the kernel watch of each level of the path
    qsizetype levels = 0;   // the folders on the path and the file
    // The first level whose watch may watch the wrong folder or file, since the entry above
    // it was replaced (levels while none), or that is not watched, since it did not exist.
    qsizetype stale = 0;
};

namespace {

// The process's one inotify instance (the system allows few per user), shared by every watch.
class NoticeQueue
{
public:
    static NoticeQueue &instance()
    {
        // Never destroyed: a watch in a static object may outlive any other static.
        static NoticeQueue *queue = new NoticeQueue;
        return *queue;
    }

    std::mutex mutex;

    bool available() const { return m_fd >= 0; }

    // Watches the folders on the path and the file itself as they are now, from the first
    // stale level on. False when the path cannot be watched so that every change is noticed.
    bool watch(FileChangeWatch::Impl &watch)
    {
        const QList<int> before = watch.descriptors.sliced(watch.stale);
        watch.descriptors.resize(watch.stale);
        const bool complete = addWatches(watch);
        watch.stale = watch.descriptors.size();
        // Only now, so a folder watched before and after keeps its kernel watch throughout.
        for (const int descriptor : before)
            release(descriptor, watch);
        if (!complete)
            unwatch(watch);
        return complete;
    }

    void unwatch(FileChangeWatch::Impl &watch)
    {
        for (const int descriptor : std::exchange(watch.descriptors, {}))
            release(descriptor, watch);
        watch.stale = 0;
    }

    // Takes every notice queued and marks the watches they concern as changed.
    void collect()
    {
        int queued = 0;
        if (::ioctl(m_fd, FIONREAD, &queued) == 0 && queued == 0)
            return;
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            for (ssize_t at = 0; at < got;) {
                const auto *notice = reinterpret_cast<const inotify_event *>(buffer + at);
                deliver(*notice);
                at += ssize_t(sizeof(inotify_event) + notice->len);
            }
        }
    }

private:
    NoticeQueue() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

    // From the first level not watched on: "/a/b/book.db" has level 0, "/" watched for "a",
    // 1, "/a" for "b", 2, "/a/b" for "book.db", and 3, the file itself, where a write through
    // another of its names is noticed too.
    bool addWatches(FileChangeWatch::Impl &watch)
    {
        const QByteArrayList parts = watch.path.split('/');
        const qsizetype fileLevel = watch.levels - 1;
        for (qsizetype level = watch.descriptors.size(); level < fileLevel; ++level) {
            const QByteArray &name = parts[level + 1];
            if (name.isEmpty() || name == "." || name == "..")
                return false; // not a plain path: what it names is not what is watched
            const QByteArray folder =
                level == 0 ? QByteArray("/") : parts.first(level + 1).join('/');
            if (!isLocalFileSystem(folder) || !add(folder, name, watch))
                return false;
            if (level + 1 == fileLevel)
                break;
            struct stat st;
            if (::lstat(parts.first(level + 2).join('/').constData(), &st) != 0)
                return errno == ENOENT; // its creation is a notice in the folder watched
            if (S_ISLNK(st.st_mode))
                return false; // the place it points to is not watched
            if (!S_ISDIR(st.st_mode))
                return true; // nothing lies beyond it until it is replaced, a notice
        }
        struct stat st;
        if (::lstat(watch.path.constData(), &st) != 0)
            return errno == ENOENT;
        if (S_ISLNK(st.st_mode))
            return false;
        return !S_ISREG(st.st_mode) || add(watch.path, {}, watch);
    }

    bool add(const QByteArray &place, const QByteArray &name, FileChangeWatch::Impl &watch)
    {
        // The same folder watched again gives the same descriptor.
        const int descriptor = ::inotify_add_watch(m_fd, place.constData(), kNotices);
        if (descriptor < 0)
            return false;
        m_interests[descriptor].append(Interest{&watch, name, watch.descriptors.size()});
        watch.descriptors.append(descriptor);
        return true;
    }

    void release(int descriptor, const FileChangeWatch::Impl &watch)
    {
        const auto found = m_interests.find(descriptor);
        if (found == m_interests.end())
            return; // the kernel dropped it (its folder is gone)
        QList<Interest> &interests = *found;
        for (qsizetype i = 0; i < interests.size(); ++i) {
            if (interests[i].watch == &watch) {
                interests.removeAt(i);
                break;
            }
        }
        if (interests.isEmpty()) {
            ::inotify_rm_watch(m_fd, descriptor);
            m_interests.erase(found);
        }
    }

    void deliver(const inotify_event &notice)
    {
        if (notice.mask & IN_Q_OVERFLOW) {
            // Notices were lost: every watch may watch the wrong folders now.
            for (QList<Interest> &interests : m_interests) {
                for (Interest &interest : interests)
                    markChanged(*interest.watch, 0);
            }
            return;
        }
        const auto found = m_interests.find(notice.wd);
        if (found == m_interests.end())
            return;
        // A notice without a name is about the watched folder or file itself.
        const QByteArrayView name = notice.len > 0
                                        ? QByteArrayView(static_cast<const char *>(notice.name))
                                        : QByteArrayView();
        for (Interest &interest : *found) {
            FileChangeWatch::Impl &watch = *interest.watch;
            if (notice.mask & IN_IGNORED)
                markChanged(watch, interest.level); // the kernel dropped the watch
            else if (name.isEmpty())
                markChanged(watch, watch.levels);
            else if (interest.name == name)
                markChanged(watch,
                            (notice.mask & kEntryReplaced) ? interest.level + 1 : watch.levels);
        }
        if (notice.mask & IN_IGNORED)
            m_interests.erase(found);
    }

    static void markChanged(FileChangeWatch::Impl &watch, qsizetype staleFrom)
    {
        watch.changed = true;
        watch.stale = qMin(watch.stale, staleFrom);
    }

    int m_fd;
    QHash<int, QList<Interest>> m_interests; // by watch descriptor
};

std::atomic<bool> watchingNoFiles{false};

} // namespace

void FileChangeWatch::WatchNoFiles()
{
    watchingNoFiles.store(true);
}

FileChangeWatch::FileChangeWatch(const QString &path) : d(std::make_unique<Impl>())
{
    d->path = QFile::encodeName(path);
    d->levels = d->path.count('/') + 1;
    d->trusted =
        !watchingNoFiles.load() && d->path.startsWith('/') && NoticeQueue::instance().available();
}

FileChangeWatch::~FileChangeWatch()
{
    if (!d->watching)
        return;
    NoticeQueue &queue = NoticeQueue::instance();
    const std::lock_guard lock(queue.mutex);
    queue.unwatch(*d);
}

bool FileChangeWatch::mayHaveChanged()
{
    if (!d->trusted)
        return true;
    NoticeQueue &queue = NoticeQueue::instance();
    const std::lock_guard lock(queue.mutex);
    if (d->watching) {
        queue.collect();
        if (!d->changed)
            return false;
    } else if (++d->questions < 2) {
        return true; // a file read once is not worth watching
    }
    // Where a folder on the path or the file was replaced, the path is watched as it is now,
    // before the caller looks at the file.
    d->changed = false;
    if (!d->watching || d->stale < d->levels) {
        d->watching = queue.watch(*d);
        d->trusted = d->watching;
    }
    return true;
}
