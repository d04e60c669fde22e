#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

/// A private-profile INI file with the Windows semantics the program's files were made with:
/// case-insensitive section and key names (full Unicode folding), first match wins, new
/// sections appended, keys replaced in place, comments and unknown lines kept byte for byte,
/// CR LF on every line it writes.
///
/// Reads are served from a parsed index that is checked against the file's identity (size,
/// modification and change time, inode) before each read, so another program's change is seen
/// at once and an unchanged file is never parsed twice. Where the system tells of changes
/// (FileChangeWatch), a file read over and over is looked at only after it may have changed.
/// Values are returned whole (no buffer cut), trimmed and with one pair of matching outer quotes
/// removed, as Windows reads them. Lines that are not valid UTF-8 are read as Windows-1252. File
/// times advance in ticks, so for a moment after another program changed the file (100 ms; 2.1 s
/// where times are whole seconds) its bytes are compared on each read as well. A path that exists
/// but cannot be read (a folder, a pipe) reads as empty and is never written over.
///
/// Every write replaces the file atomically (temporary file in the same folder, flushed, then
/// renamed over the old one). A failed write throws CalbreyError("Unable to write to " + path)
/// and leaves the file on disk as it was. Inside a Batch, writes change the index only and the
/// file is replaced once when the outermost batch commits; the new sections of a large batch
/// (an import) wait in a temporary file beside it instead of in memory.
class IniFile
{
public:
    explicit IniFile(const QString &path);
    ~IniFile();
    IniFile(const IniFile &) = delete;
    IniFile &operator=(const IniFile &) = delete;

    const QString &path() const;
    /// When nothing is read yet: reads and indexes the file on a worker thread now, and the
    /// first read takes that work instead of reading the file again (if it has not changed).
    void readAhead() const;
    /// When a read ahead is under way: done is called once it has finished (see
    /// WhenIniFilePrefetched()) and the answer is true; false when there is none.
    bool whenReadAhead(std::function<void()> done) const;

    /// The value of key in the first section of that name, or nullopt when either is missing.
    std::optional<QString> value(QStringView section, QStringView key) const;
    /// value(section, key) for each of keys, in their order, with one look at the section.
    std::vector<std::optional<QString>> values(QStringView section, const QStringList &keys) const;
    /// value(), or defaultValue with trailing blanks removed when missing (as Windows does).
    QString readString(QStringView section, QStringView key,
                       const QString &defaultValue = QString()) const;
    /// Section names in file order, duplicates included.
    QStringList sectionNames() const;
    /// Key names of the first section of that name, in file order (comments left out).
    QStringList keyNames(QStringView section) const;
    /// The first section of that name exists and holds at least one key.
    bool sectionHasKeys(QStringView section) const;
    /// The first section of that name's key lines and lines without "=", byte for byte, as
    /// deleteSection() would remove them (the header left out); nullopt when it is missing.
    std::optional<QByteArrayList> sectionLines(QStringView section) const;
    /// For every section in file order: its name and the value of key in it (nullopt when
    /// missing); for a duplicate section that is the value value() gives, from the first
    /// section of the name. One identity check for the whole list; lists are built from it.
    std::vector<std::pair<QString, std::optional<QString>>>
    sectionsWithValue(QStringView key) const;

    /// Writes value verbatim (the caller quotes what must survive a read), creating the section
    /// (appended at the end) and the key (after the section's last key line) when needed.
    /// A line break in any part, or a key that would read as a section header, would break the
    /// file's structure: such a write is refused with the same error as a failed one.
    void writeString(QStringView section, QStringView key, QStringView value);
    /// One writeString() per entry (key, value), in order, at a fraction of the cost: the
    /// section's text is built once and a new section is one piece of memory. For one user
    /// action that writes whole records (an import).
    void writeSection(const QString &section, const QList<std::pair<QString, QString>> &entries);

    /// The part of writeSection() that needs no file: the section's text, made on any thread
    /// (an import makes the next contacts' while it writes the ones before).
    struct PreparedSection
    {
        QString section;
        QList<std::pair<QString, QString>> entries;
        /// Empty when a name reads back otherwise: the entries are then written one by one.
        std::optional<QByteArray> text;
        /// False when a write would break the file's structure (it is refused).
        bool writable = true;
    };
    static PreparedSection prepareSection(const QString &section,
                                          const QList<std::pair<QString, QString>> &entries);
    /// writeSection() of what prepareSection() made.
    void writeSection(const PreparedSection &prepared);
    /// Removes the first line of key in the section; nothing happens when it is missing (a
    /// missing file is not created).
    void deleteKey(QStringView section, QStringView key);
    /// Removes the section's header and key lines; comment lines stay where they were.
    void deleteSection(QStringView section);
    /// Appends the section with lines as they stand (sectionLines() of a section brings it
    /// back byte for byte), after any section of that name, which would hide it. A line break
    /// in any part, or a line that would read as a header, is refused as a failed write is.
    void appendSectionLines(QStringView section, const QByteArrayList &lines);

    /// One user action's reads (a report, a search, a list fill, an import): the file is
    /// checked once when the outermost scope begins, and every read inside it is served from
    /// the index without looking at the file again. Scopes nest; writes inside one still check
    /// the file first, except writeSection(), whose batch applies it over whatever another
    /// program changed when it commits.
    class ReadScope
    {
    public:
        explicit ReadScope(const IniFile &file);
        ~ReadScope();
        ReadScope(const ReadScope &) = delete;
        ReadScope &operator=(const ReadScope &) = delete;

    private:
        const IniFile &m_file;
    };

    /// values() of one key list in many sections, from several threads at once, for one user
    /// action that reads many records (an export): the file is looked at once, when this is
    /// made; nothing may write to it while this lives.
    class ConcurrentReads
    {
    public:
        ConcurrentReads(const IniFile &file, const QStringList &keys);
        ~ConcurrentReads();
        ConcurrentReads(const ConcurrentReads &) = delete;
        ConcurrentReads &operator=(const ConcurrentReads &) = delete;

        /// From any thread.
        std::vector<std::optional<QString>> values(QStringView section) const;
        /// The places of the sections, and visit(name, text) of those from from to before to,
        /// in file order, each with its lines as the file holds them: a cheap first look at
        /// every section before the values of a few are read. From any thread.
        qsizetype sectionEnd() const;
        void
        forEachSectionText(qsizetype from, qsizetype to,
                           const std::function<void(QStringView, QByteArrayView)> &visit) const;

    private:
        struct Impl;
        std::unique_ptr<const Impl> d;
    };

    /// How far the batch's log of edits went at a moment: its edits, and the sections of
    /// its last one.
    struct LogMark
    {
        std::size_t edits = 0;
        std::size_t sections = 0;
        bool operator==(const LogMark &) const = default;
    };

    /// One user action's writes, replacing the file once. Nested batches join the outer one.
    /// commit() writes the file (throwing on failure, with the file on disk untouched); a batch
    /// destroyed without commit() discards its changes. If another program changed the file
    /// since the batch began, the batch's writes are applied to the file's new content.
    class Batch
    {
    public:
        explicit Batch(IniFile &file);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;
        void commit();

    private:
        IniFile &m_file;
        bool m_done = false;
        LogMark m_logMark; // edits before it belong to the batches around this one
    };

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
