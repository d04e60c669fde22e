#pragma once

#include "platform/inisectionindex.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

/// The blanks that Windows trims around INI section names, key names and values: space, TAB
/// and VT. Every part of the program that must agree with a read of the file uses these.
constexpr bool IsIniBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v';
}
constexpr bool IsIniBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v';
}

/// A CR or LF, which no INI line can hold. Four characters at a time: every value written
/// is asked.
inline bool HasIniLineBreak(QStringView text)
{
    constexpr quint64 ones = 0x0001000100010001ULL;
    constexpr quint64 highs = 0x8000800080008000ULL;
    // Some 16-bit lane of word is the character that fills pattern.
    const auto hasLane = [](quint64 word, quint64 pattern) {
        const quint64 x = word ^ pattern;
        return ((x - ones) & ~x & highs) != 0;
    };
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    for (; end - p >= 4; p += 4) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        if (hasLane(word, ones * u'\n') || hasLane(word, ones * u'\r'))
            return true;
    }
    for (; p < end; ++p)
        if (*p == u'\r' || *p == u'\n')
            return true;
    return false;
}

/// The text of one INI file in memory, read and edited line by line with the rules of the
/// Windows private-profile functions, so files made by the Windows program come out the same.
///
/// Reading: a line ends at CR LF, CR or LF. A line whose first non-blank character is `[` is a
/// section header whose name ends at the first `]` (or the line end); `;` starts a comment;
/// a key line splits at its first `=`. Space, TAB and VT are trimmed around names and values,
/// then one pair of matching outer quotes is removed from a value. Lines before the first
/// header cannot be reached. The first section of a name and the first key of a name win.
/// Names match without regard to case, with full Unicode case folding. Every line is decoded
/// as UTF-8, or as Windows-1252 when it is not valid UTF-8. A UTF-8 byte order mark at the
/// start is skipped (Windows would make it part of the first line and lose that header) and
/// kept in the output.
///
/// Parameters (section and key names passed in) lose leading and trailing spaces only.
///
/// Writing edits only the lines concerned; every line written is UTF-8 and ends in CR LF,
/// every other line keeps its bytes. New sections go to the end of the file, new keys after
/// the section's last entry line (a key line or a line without `=`). Lines without `=` count
/// as entries: they are listed by no one, but deleting their section removes them, while
/// comments and blank lines stay where they were.
///
/// The file is held as its raw bytes plus, per section, a byte range; a section is split into
/// line records only when it is edited, so loading a large file costs one pass over it.

class IniDocument
{
public:
    IniDocument() = default;
    explicit IniDocument(QByteArray bytes);

    /// Replaces the whole content with bytes, as read from a file. keepAlive keeps bytes valid
    /// where they are a mapping of the file; it is held as long as the document uses them.
    void load(QByteArray bytes, std::shared_ptr<const void> keepAlive = {});
    /// The bytes last given to load() or adopt(), without the edits made since.
    const QByteArray &raw() const { return m_raw; }
    /// raw() is a mapping of the file: it changes when another program writes the file in place.
    bool rawIsMapped() const { return m_rawKeepAlive != nullptr; }

    std::optional<QString> value(QStringView section, QStringView key) const;
    /// value(section, key) for each of keys, in their order, from one pass over the section.
    std::vector<std::optional<QString>> values(QStringView section, const QStringList &keys) const;
    /// A key list made ready once for values() of many sections.
    struct PreparedKeys;
    static std::shared_ptr<const PreparedKeys> prepareKeys(const QStringList &keys);
    /// values() with keys made ready before. It changes nothing, so several threads may call
    /// it at once while nothing edits the document.
    std::vector<std::optional<QString>> values(QStringView section, const PreparedKeys &keys) const;
    /// Names of all sections in file order, duplicates included.
    QStringList sectionNames() const;
    /// The places of the sections (for forEachSectionText), one more than the last.
    qsizetype sectionEnd() const { return blockCount(); }
    /// visit(name, text) for each section at a place from from to before to, in file order:
    /// its name and its lines as the file holds them (the header line too), for a cheap first
    /// look at every section of a large file before the values of a few are read. It changes
    /// nothing, so several threads may call it at once while nothing edits the document.
    void forEachSectionText(qsizetype from, qsizetype to,
                            const std::function<void(QStringView, QByteArrayView)> &visit) const;
    /// Key names of the first section of that name, in file order.
    QStringList keyNames(QStringView section) const;
    bool sectionHasKeys(QStringView section) const;
    /// The lines of the first section of that name that deleteSection() removes, its header
    /// left out: key lines and lines without "=", each as the text holds it, without its line
    /// break. nullopt when there is no such section.
    std::optional<QByteArrayList> sectionLines(QStringView section) const;
    /// For each section in file order, its name and value(name, key), which for a duplicate
    /// section is the value in the first section of that name.
    std::vector<std::pair<QString, std::optional<QString>>>
    sectionsWithValue(QStringView key) const;

    /// False when a write would break the structure of the file: a line break in any part (it
    /// would start new lines, even new sections), or a key that would read as a section header.
    static bool canWrite(QStringView section, QStringView key, QStringView value);
    /// Each returns whether the text changed. writeString() expects canWrite() to hold.
    bool writeString(QStringView section, QStringView key, QStringView value);

    /// The writes of entries (key, value) into section, in order, as the section's text: its
    /// header line, then one key line per distinct key (a key given twice keeps its first
    /// place and its last value, as repeated writeString() calls leave it). nullopt where
    /// writeSection() could not match writeString() exactly: a name or key that reads back as
    /// something else (blanks at its ends, a "]", a "=" or a leading ";" in a key). Expects
    /// canWrite() to hold for every entry.
    static std::optional<QByteArray>
    prepareSection(const QString &section, const QList<std::pair<QString, QString>> &entries);
    /// The same text as one writeString() per entry of a prepared section, but a new section
    /// costs one piece of memory, shared with prepared, instead of one per line.
    bool writeSection(const QByteArray &prepared);
    /// The section name of a text prepareSection() made, and whether the text holds any key
    /// (writeSection() of one that holds none changes nothing).
    static QString preparedSectionName(QByteArrayView prepared);
    static bool preparedHasKeys(QByteArrayView prepared);
    /// A live section of that name exists.
    bool hasSection(QStringView section) const { return findSection(section) >= 0; }
    /// Ends the text's last line, as adding a section does first.
    void terminateLastLine();
    bool deleteKey(QStringView section, QStringView key);
    bool deleteSection(QStringView section);
    /// False when lines under a header of section would not read back as that section's own
    /// lines: a line break in any part, or a line that reads as a header.
    static bool canAppendSectionLines(QStringView section, const QByteArrayList &lines);
    /// Appends the section "[section]" with lines as they stand, each ended by CR LF (what
    /// sectionLines() gave comes back byte for byte). It comes after any section of that name,
    /// so it is found only when there is none. Expects canAppendSectionLines() to hold.
    void appendSectionLines(QStringView section, const QByteArrayList &lines);

    /// Edits were made since the last load() or adopt().
    bool isModified() const { return m_modified; }
    QByteArray serialize() const;
    /// The text of serialize() as pieces to be written one after another, without the copy.
    /// They stay valid until the document is next changed.
    std::vector<QByteArrayView> pieces() const;
    /// The text as it stands was saved: no edits are pending. raw() keeps the text last
    /// loaded; the edited parts are not copied into it (see adopt()).
    void markSaved() { m_modified = false; }
    /// Takes bytes, which must be what serialize() returned, as the new raw text after it was
    /// saved, so the edited sections become plain byte ranges again.
    void adopt(QByteArray serialized);

private:
    struct Line
    {
        qsizetype offset = 0; // into the block's bytes (m_raw or its text) unless owned
        qsizetype size = 0;   // with the line break
        qsizetype contentSize = 0;
        QByteArray owned;
        bool isOwned = false;
    };
    struct Block
    {
        qsizetype begin = 0; // byte range in m_raw (or in text) while not split into lines
        qsizetype end = 0;
        std::vector<Line> lines;
        bool split = false;
        QByteArray text;      // the block's own bytes when it was written whole: begin and end,
        bool ownText = false; // and the lines not owned, point into it instead of m_raw
    };
    struct Section
    {
        Block block; // starts with the header line unless removed
        QString name;
        bool first = false;   // the first section of its name: the one lookups find
        bool removed = false; // header deleted; the block keeps the comments left behind
    };
    class Matcher;

    // Blocks in file order: -1 is the text before the first header, then the sections.
    Block &blockAt(qsizetype index) { return index < 0 ? m_preamble : m_sections[index].block; }
    const Block &blockAt(qsizetype index) const
    {
        return index < 0 ? m_preamble : m_sections[index].block;
    }
    qsizetype blockCount() const { return qsizetype(m_sections.size()); }

    QByteArrayView bytesOf(const Block &block, const Line &line) const;
    QByteArrayView unsplitBytes(const Block &block) const;
    QByteArrayView contentOf(const Block &block, const Line &line) const;
    qsizetype sizeOf(const Block &block) const;
    std::optional<char> firstByte(const Block &block) const;
    std::optional<char> lastByte(const Block &block) const;
    template <typename Visit> void forEachLine(const Block &block, Visit &&visit) const;
    template <typename Put> void forEachPiece(Put &&put) const;
    void split(Block &block);
    /// Makes a split block one piece of text again.
    void join(Block &block);

    qsizetype findSection(QStringView section) const;
    /// The first live section of exactly that name (no blanks stripped), or -1.
    qsizetype firstOfName(QStringView name) const
    {
        return firstOfName(name, FoldedNameHash(name));
    }
    qsizetype firstOfName(QStringView name, std::size_t hash) const;
    std::optional<QString> valueIn(const Section &section, const Matcher &key) const;
    bool writeKey(Block &block, const Matcher &matcher, QByteArrayView newKey,
                  QByteArrayView value);
    void insertLine(Block &block, qsizetype at, QByteArray bytes);
    void removeLine(qsizetype blockIndex, qsizetype at);
    /// The text loaded holds a CR not followed by LF (found out once per load).
    bool mayHoldLoneCr();
    void appendSection(QStringView section, QStringView key, QStringView value);
    void addSection(Section section);

    QByteArray m_raw;
    std::shared_ptr<const void> m_rawKeepAlive;
    qsizetype m_bodyStart = 0; // after a byte order mark
    Block m_preamble;
    std::vector<Section> m_sections;
    IniSectionIndex m_first; // name -> first live section of that name
    qsizetype m_hidden = 0;  // live sections hidden by an earlier one of their name
    bool m_loneCr = false;
    bool m_loneCrKnown = false;
    mutable std::shared_ptr<const PreparedKeys> m_prepared; // the key list values() saw last
    bool m_modified = false;
};
