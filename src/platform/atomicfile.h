#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <vector>

/// Replaces the file at path with data atomically: a temporary file in the same folder is
/// written, flushed to disk and renamed over the old one, so a crash or a full disk leaves
/// the old file or the new one, never a mix. Throws CalbreyError("Unable to write to " + path)
/// on any failure, with the old file untouched.
void WriteFileAtomically(const QString &path, const QByteArray &data);

/// The same for data given in pieces, written one after another (no copy of the whole).
void WriteFileAtomically(const QString &path, const std::vector<QByteArrayView> &pieces);

/// WriteFileAtomically() for content made while it is written (a large export): pieces go to
/// a temporary file beside path as they come, and the disk starts writing them at once;
/// commit() puts the file in place. Destroyed without a commit, it leaves path as it was.
/// Throws CalbreyError("Unable to write to " + path) on any failure.
class AtomicFileWriter
{
public:
    explicit AtomicFileWriter(const QString &path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter &) = delete;
    AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

    void write(QByteArrayView piece);
    void commit();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
