#include "platform/atomicfile.h"

#include "platform/calbreyerror.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
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

QByteArray nativeName(const QString &path)
{
    return QFile::encodeName(path);
}

// A symbolic link stays a link: the file it leads to is the one replaced.
QString resolvedTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

#ifdef Q_OS_UNIX
// The old file's mode, or the one a new file gets.
mode_t modeFor(const QString &target)
{
    struct stat st
    {
    };
    if (::stat(nativeName(target).constData(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}
#endif

// data in a new file beside target, complete and flushed to disk: its name, or an empty string.
QString stageBeside(const QString &target, const QByteArray &data)
{
    QTemporaryFile file(target + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return QString();
    bool written = file.write(data) == data.size() && file.flush();
#ifdef Q_OS_UNIX
    written =
        written && ::fchmod(file.handle(), modeFor(target)) == 0 && ::fsync(file.handle()) == 0;
#endif
    if (!written)
        return QString(); // the temporary file removes itself
    file.setAutoRemove(false);
    return file.fileName();
}

// The old file under a second name, so that it can be put back: a second link to it where the
// file system has them, else a copy.
QString keepOldFile(const QString &target)
{
#ifdef Q_OS_UNIX
    for (int attempt = 0; attempt < 16; ++attempt) {
        QString name = target + QStringLiteral(".old") +
                       QString::number(QRandomGenerator::global()->generate(), 36);
        if (::link(nativeName(target).constData(), nativeName(name).constData()) == 0)
            return name;
        if (errno != EEXIST)
            break;
    }
#endif
    QFile old(target);
    if (!old.open(QIODevice::ReadOnly))
        return QString();
    return stageBeside(target, old.readAll());
}

bool renameOver(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return ::MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                         reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(nativeName(from).constData(), nativeName(to).constData()) == 0;
#endif
}

struct ReplacementStep
{
    QString path;   // as the caller named it (for the message)
    QString target; // the file replaced
    QString staged; // the new content, until it is renamed into place
    QString old;    // the old file under a second name, while later files are replaced
    bool existed = false;
    bool replaced = false;
};

} // namespace

void WriteFileAtomically(const QString &path, const QByteArray &data)
{
    WriteFileAtomically(path, std::vector<QByteArrayView>{data});
}

void WriteFileAtomically(const QString &path, const std::vector<QByteArrayView> &pieces)
{
    AtomicFileWriter file(path);
    for (const QByteArrayView piece : pieces)
        file.write(piece);
    file.commit();
}

struct AtomicFileWriter::Impl
{
    explicit Impl(const QString &target) : path(target), file(target) {}

    // Flushed here, and checked: QSaveFile::commit() in Qt 6.4 does not notice a failed final
    // flush, and would rename a cut-short file over the old one on a full disk.
    void flush()
    {
        if (!file.flush() || file.error() != QFileDevice::NoError) {
            file.cancelWriting();
            failWriting(path);
        }
    }

    QString path;
    QSaveFile file;
    qint64 unflushed = 0; // bytes written since the disk was last asked to write
};

AtomicFileWriter::AtomicFileWriter(const QString &path) : d(std::make_unique<Impl>(path))
{
    // Writing straight into the target would not be atomic; better to fail.
    d->file.setDirectWriteFallback(false);
    if (!d->file.open(QIODevice::WriteOnly))
        failWriting(path);
}

// Without a commit the temporary file goes and the old one stays.
AtomicFileWriter::~AtomicFileWriter() = default;

void AtomicFileWriter::write(QByteArrayView piece)
{
    // Every few megabytes the disk is asked to write what has come, while the rest is made,
    // so that the sync at the commit has little left to wait for.
    constexpr qint64 kWriteAhead = qint64(4) * 1024 * 1024;
    if (d->file.write(piece.data(), piece.size()) != piece.size()) {
        d->file.cancelWriting();
        failWriting(d->path);
    }
    d->unflushed += piece.size();
    if (d->unflushed < kWriteAhead)
        return;
    d->unflushed = 0;
    d->flush();
#ifdef Q_OS_LINUX
    // Only a hint: the commit's sync is what counts.
    ::sync_file_range(d->file.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void AtomicFileWriter::commit()
{
    d->flush();
    if (!d->file.commit())
        failWriting(d->path);
#ifdef Q_OS_UNIX
    // Not a failure when the folder cannot be synced: the old file is gone and the new one in
    // its place, so reporting it would have the user retry a write that worked.
    syncFolderOf(d->path);
#endif
}

void WriteFilesAtomically(const QList<FileReplacement> &files)
{
    std::vector<ReplacementStep> steps;
    steps.reserve(files.size());
    // However it ends, no temporary file stays behind.
    const auto cleanUp = qScopeGuard([&steps] {
        for (const ReplacementStep &step : steps) {
            if (!step.replaced && !step.staged.isEmpty())
                QFile::remove(step.staged);
            if (!step.old.isEmpty())
                QFile::remove(step.old);
        }
    });

    for (const FileReplacement &file : files) {
        ReplacementStep &step = steps.emplace_back();
        step.path = file.path;
        step.target = resolvedTarget(file.path);
        step.staged = stageBeside(step.target, file.data);
        if (step.staged.isEmpty())
            failWriting(file.path);
    }
    // The last file needs no way back: once it is in place, all are.
    for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
        ReplacementStep &step = steps[i];
        const QFileInfo info(step.target);
        step.existed = info.exists();
        if (step.existed && (!info.isFile() || (step.old = keepOldFile(step.target)).isEmpty()))
            failWriting(step.path);
    }
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (!renameOver(steps[i].staged, steps[i].target)) {
            for (std::size_t done = 0; done < i; ++done) {
                ReplacementStep &back = steps[done];
                if (back.existed)
                    renameOver(back.old, back.target);
                else
                    QFile::remove(back.target);
                // Should even that fail, the old file stays under its second name, not lost.
                back.old.clear();
            }
            failWriting(steps[i].path);
        }
        steps[i].replaced = true;
    }
#ifdef Q_OS_UNIX
    // As for one file: once the renames are done, the new files are in place.
    for (const ReplacementStep &step : steps)
        syncFolderOf(step.target);
#endif
}
