#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

/// Replaces the file at path with data atomically: a temporary file in the same folder is
/// written, flushed to disk and renamed over the old one, so a crash or a full disk leaves
/// the old file or the new one, never a mix. Throws CalbreyError("Unable to write to " + path)
/// on any failure, with the old file untouched.
void WriteFileAtomically(const QString &path, const QByteArray &data);
/// The same for data given in pieces, written one after another (no copy of the whole).
void WriteFileAtomically(const QString &path, const std::vector<QByteArrayView> &pieces);
