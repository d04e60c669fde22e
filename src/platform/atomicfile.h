#pragma once

#include <QByteArray>
#include <QString>

/// Replaces the file at path with data atomically: a temporary file in the same folder is
/// written, flushed to disk and renamed over the old one, so a crash or a full disk leaves
/// the old file or the new one, never a mix. Throws CalbreyError("Unable to write to " + path)
/// on any failure, with the old file untouched.
void WriteFileAtomically(const QString &path, const QByteArray &data);
