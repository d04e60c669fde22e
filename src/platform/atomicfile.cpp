#include "platform/atomicfile.h"

#include "platform/filesteps.h"

#include <QSaveFile>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

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
            FailWriting(path);
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
        FailWriting(path);
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
        FailWriting(d->path);
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
        FailWriting(d->path);
    // Not a failure when the folder cannot be synced: the old file is gone and the new one in
    // its place, so reporting it would have the user retry a write that worked.
    SyncFolderOf(d->path);
}
