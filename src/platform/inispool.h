#pragma once

#include "platform/inidocument.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>
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
    /// The sections spooled so far; truncate() forgets those from count on.
    qsizetype count() const { return qsizetype(m_entries.size()); }
    void truncate(qsizetype count);
    /// Forgets every section and removes the temporary file.
    void clear();

    /// The spooled section's text and name.
    QByteArray text(qsizetype entry) const;
    QString name(qsizetype entry) const;

    /// Puts the spooled section after those appended before; its name (shared with the
    /// caller's copy) must be new to them.
    void append(qsizetype entry, const QString &name);
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
    // Small, as an import makes one per contact: the name is read back from the text.
    struct Entry
    {
        qint64 offset = 0;
        qint32 size = 0;
        bool appended = false;
    };

    [[noreturn]] void failWriting() const;
    void flushPending() const;
    QByteArray read(qint64 offset, qint64 size) const;
    qint64 end() const;

    QString m_iniPath;
    std::unique_ptr<QTemporaryFile> m_file;
    std::vector<Entry> m_entries;
    QHash<CaseFoldedName, qsizetype> m_appended;
    // The last spooled texts, written to the file in one go when enough have come.
    mutable QByteArray m_pending;
    mutable qint64 m_written = 0; // the file's bytes in use; m_pending follows them
};
