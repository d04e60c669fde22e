#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

/// One file of a set being replaced, as the journal records it.
struct JournaledFile
{
    QString target;       // the file replaced
    QString staged;       // its new content, beside it, until renamed into place
    QString old;          // the old file under a second name beside it, or empty when none is kept
    bool existed = false; // the target existed before the replacement
    qint64 size = 0;      // of the new content
    QByteArray digest;    // of the new content (NewContentDigest())
};

/// The infixes of the files named beside a target: target + infix + six letters or digits.
inline constexpr QStringView kStagedInfix = u".new-";
inline constexpr QStringView kOldInfix = u".old-";

/// What tells the new content of a file from any other.
QByteArray NewContentDigest(const QByteArray &data);

/// Writes the journal of a set being replaced: INI text, replaced atomically and flushed.
/// Paths are kept relative to the journal's folder. Throws CalbreyError("Unable to write to "
/// + path) with path the journal, or the target whose name no journal line can hold.
void WriteReplacementJournal(const QString &journalPath, const std::vector<JournaledFile> &files);

/// The files a journal names, with absolute paths; nullopt for a journal that cannot be read or
/// is damaged: not the text WriteReplacementJournal() writes, or naming a staged or old file
/// that is not beside its target.
std::optional<std::vector<JournaledFile>> ReadReplacementJournal(const QString &journalPath);
