#pragma once

#include "platform/inidocument.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class AtomicFileWriter;
class QTemporaryFile;

/// The new sections of a large batch (an import's contacts), kept in a temporary file beside
/// the INI file instead of in memory until the batch replaces the file. Sections are spooled
/// in the order the batch writes them; those "appended" follow the document's own text in the
/// file the batch writes, and are found by name while the batch lasts. The temporary file goes
/// when the spool is cleared or destroyed.
class IniSpool
{
public:
    /// iniPath: the INI file, named in the error of a failed write.
    explicit IniSpool(QString iniPath);
    ~IniSpool();
    IniSpool(const IniSpool &) = delete;
    IniSpool &operator=(const IniSpool &) = delete;

    /// Keeps the text of a section (as IniDocument::prepareSection() makes it), not yet
    /// appended; its number, counted from 0. Throws CalbreyError("Unable to write to " +
    /// iniPath) when the temporary file cannot be written.
    qsizetype spool(QByteArrayView text);
    /// The sections spooled so far; truncate() forgets those from count on, and appends none.
    qsizetype count() const { return qsizetype(m_offsets.size()); }
    void truncate(qsizetype count);
    /// Forgets every section and removes the temporary file.
    void clear();

    /// The spooled section's text and name.
    QByteArray text(qsizetype entry) const;
    QString name(qsizetype entry) const;

    /// Puts the spooled section called name after those appended before, when it can be told
    /// from them by name; false when it cannot (the caller writes it some other way).
    bool append(qsizetype entry, const QString &name);
    bool hasAppended() const { return !m_appended.isEmpty(); }
    /// A section is appended under name (case ignored, blanks at its ends stripped).
    bool isAppended(QStringView name) const;
    /// The section appended under name, as a document of its own text; nullopt when none is.
    std::optional<IniDocument> appended(QStringView name) const;
    /// The appended sections' numbers in order, no longer appended.
    std::vector<qsizetype> takeAppended();
    /// Writes the appended sections' text, in order, to out.
    void copyAppendedTo(AtomicFileWriter &out) const;

private:
    [[noreturn]] void failWriting() const;
    void flushPending() const;
    QByteArray read(qint64 offset, qint64 size) const;
    qint64 end() const;
    qint64 endOf(qsizetype entry) const;
    // The appended section of that name (case ignored), or -1.
    qsizetype findAppended(QStringView name) const;

    QString m_iniPath;
    std::unique_ptr<QTemporaryFile> m_file;
    // Small, as an import makes one of each per contact: a section's text runs to the next
    // one's offset, its name is read back from the text, and the index by name holds only
    // the hash of it (two names with one hash: the second is not appended).
    std::deque<qint64> m_offsets;
    std::vector<bool> m_isAppended;
    QHash<size_t, qsizetype> m_appended; // the hash of the case-folded name -> section
    // The last spooled texts, written to the file in one go when enough have come.
    mutable QByteArray m_pending;
    mutable qint64 m_written = 0; // the file's bytes in use; m_pending follows them
};
