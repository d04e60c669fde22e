#pragma once

// The syntax of INI lines as the Windows private-profile functions read them: line breaks,
// blanks, headers, keys, quoted values and names compared without regard to case. Shared by
// the document's reads and its writes; everything is inline, as it runs once per line or per
// character of a whole file.

#include "platform/inidocument.h"
#include "platform/textcodec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>
#include <QtEndian>
#include <bit>
#include <cstddef>

namespace IniSyntax {

inline constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");
inline constexpr QByteArrayView kLineBreak("\r\n");

inline bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// The first CR or LF at or after pos, or end. Eight bytes at a time: this scan is most of the
// work of loading a large file.
inline qsizetype findLineBreak(const char *data, qsizetype pos, qsizetype end)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 highBits = 0x8080808080808080ULL;
    while (end - pos >= 8) {
        const quint64 word = qFromLittleEndian<quint64>(data + pos);
        const quint64 cr = word ^ (ones * '\r');
        const quint64 lf = word ^ (ones * '\n');
        // A byte of cr or lf is zero where the word holds a line break; the lowest flagged
        // byte is exact (a borrow only spoils the bytes above a zero byte).
        const quint64 found = (((cr - ones) & ~cr) | ((lf - ones) & ~lf)) & highBits;
        if (found != 0)
            return pos + std::countr_zero(found) / 8;
        pos += 8;
    }
    while (pos < end && !isLineBreak(data[pos]))
        ++pos;
    return pos;
}

// The start of the next line after the line break at pos (CR LF, CR or LF).
inline qsizetype skipLineBreak(const char *data, qsizetype pos, qsizetype end)
{
    if (pos >= end)
        return end;
    return (data[pos] == '\r' && pos + 1 < end && data[pos + 1] == '\n') ? pos + 2 : pos + 1;
}

inline QByteArrayView trimmed(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && IsIniBlank(bytes[begin]))
        ++begin;
    while (end > begin && IsIniBlank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

// Parameters passed in lose spaces only; a TAB stays and so does not match a trimmed name.
inline QStringView strippedParameter(QStringView name)
{
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && name[begin] == u' ')
        ++begin;
    while (end > begin && name[end - 1] == u' ')
        --end;
    return name.sliced(begin, end - begin);
}

enum class LineKind
{
    Blank,
    Header,
    Comment,
    Key,
    Entry
};

struct LineInfo
{
    LineKind kind;
    QByteArrayView name;
    QByteArrayView value;
};

inline LineInfo classify(QByteArrayView content)
{
    qsizetype start = 0;
    while (start < content.size() && IsIniBlank(content[start]))
        ++start;
    if (start == content.size())
        return {LineKind::Blank, {}, {}};
    const QByteArrayView rest = content.sliced(start);
    if (rest[0] == '[') {
        // The first ']' ends the name, whatever follows it; without one the line still counts.
        qsizetype close = rest.indexOf(']');
        if (close < 0)
            close = rest.size();
        return {LineKind::Header, trimmed(rest.sliced(1, close - 1)), {}};
    }
    if (rest[0] == ';')
        return {LineKind::Comment, {}, {}};
    const qsizetype equals = rest.indexOf('=');
    if (equals < 0)
        return {LineKind::Entry, trimmed(rest), {}};
    return {LineKind::Key, trimmed(rest.first(equals)), trimmed(rest.sliced(equals + 1))};
}

// Decodes part of a line; the whole line decides between UTF-8 and Windows-1252.
inline QString decodePart(QByteArrayView part, QByteArrayView line)
{
    if (IsAsciiText(line))
        return QString::fromLatin1(part);
    if (IsValidUtf8(line)) {
        // fromUtf8 drops a leading byte order mark; inside the file it is part of the name, so
        // that a name read from a line finds that line again.
        if (part.startsWith(kByteOrderMark))
            return QChar(0xFEFF) + QString::fromUtf8(part.sliced(kByteOrderMark.size()));
        return QString::fromUtf8(part);
    }
    return DecodeWindows1252(part);
}

inline QString unquotedValue(QByteArrayView value, QByteArrayView line)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return decodePart(value, line);
}

inline bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

inline QString foldName(const QString &name)
{
    return isAscii(name) ? name.toLower() : name.toCaseFolded();
}

inline char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

inline QByteArray ownedLine(QByteArrayView content)
{
    QByteArray bytes;
    bytes.reserve(content.size() + 2);
    bytes.append(content);
    bytes.append(kLineBreak);
    return bytes;
}

inline QByteArray keyLine(QByteArrayView key, QByteArrayView value)
{
    QByteArray bytes;
    bytes.reserve(key.size() + value.size() + 3);
    bytes.append(key);
    bytes.append('=');
    bytes.append(value);
    bytes.append(kLineBreak);
    return bytes;
}

// Appends text as UTF-8; most names and values are ASCII, which needs no temporary copy.
inline void appendUtf8(QByteArray &bytes, QStringView text)
{
    // ASCII copied in one pass; the rest, from the first character beyond it, encoded.
    const qsizetype start = bytes.size();
    bytes.resize(start + text.size());
    char *out = bytes.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            bytes.truncate(start + i);
            bytes.append(text.sliced(i).toUtf8());
            return;
        }
        out[i] = char(c);
    }
}

// A key of letters, digits and "_.-" only: its line reads back as that key, whatever the
// rules for blanks, comments and headers.
inline bool isPlainKey(QByteArrayView key)
{
    if (key.isEmpty())
        return false;
    for (const char c : key) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-';
        if (!plain)
            return false;
    }
    return true;
}

// The name part of a line written from name reads back as exactly name.
inline bool readsBackAs(QByteArrayView written, QStringView name)
{
    if (!IsAsciiText(written))
        return QString::fromUtf8(written) == name;
    if (written.size() != name.size())
        return false;
    for (qsizetype i = 0; i < written.size(); ++i) {
        if (name[i].unicode() != char16_t(written[i]))
            return false;
    }
    return true;
}

// A number of kNameShapes that ASCII names equal without regard to case share, and that few
// different names of one section share.
inline constexpr std::size_t kNameShapes = 1024;

inline std::size_t asciiShape(QByteArrayView name)
{
    std::size_t hash = std::size_t(name.size());
    for (const char c : name)
        hash = hash * 31 + std::size_t(static_cast<unsigned char>(asciiLower(c)));
    return hash % kNameShapes;
}

// ASCII names that are equal without regard to case.
inline bool sameAsciiName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

} // namespace IniSyntax

// A name parameter, prepared once for comparing with many names in the file. An ASCII name
// (nearly every key) is kept in lower case in the matcher itself, so making one for a single
// read costs no memory allocation.
class IniDocument::Matcher
{
public:
    explicit Matcher(QStringView name)
    {
        const QStringView stripped = IniSyntax::strippedParameter(name);
        m_ascii = IniSyntax::isAscii(stripped);
        if (m_ascii) {
            m_asciiLower.resize(stripped.size());
            for (qsizetype i = 0; i < stripped.size(); ++i)
                m_asciiLower[i] = IniSyntax::asciiLower(char(stripped[i].unicode()));
        } else {
            m_folded = IniSyntax::foldName(stripped.toString());
        }
    }
    /// A name already in the file's form (UTF-8, no blanks at its ends).
    static Matcher fromUtf8(QByteArrayView name)
    {
        if (!IsAsciiText(name))
            return Matcher(QString::fromUtf8(name));
        Matcher matcher;
        matcher.m_ascii = true;
        matcher.m_asciiLower.resize(name.size());
        for (qsizetype i = 0; i < name.size(); ++i)
            matcher.m_asciiLower[i] = IniSyntax::asciiLower(name[i]);
        return matcher;
    }

    bool matches(QByteArrayView fileName, QByteArrayView line) const
    {
        if (IsAsciiText(fileName)) {
            // Folding keeps ASCII ASCII, so only an ASCII name can match.
            if (!m_ascii || fileName.size() != m_asciiLower.size())
                return false;
            for (qsizetype i = 0; i < fileName.size(); ++i) {
                if (IniSyntax::asciiLower(fileName[i]) != m_asciiLower[i])
                    return false;
            }
            return true;
        }
        // Beyond ASCII a name can fold to an ASCII one (the Kelvin sign to k).
        return IniSyntax::foldName(IniSyntax::decodePart(fileName, line)) == folded();
    }
    QString folded() const
    {
        return m_ascii ? QString::fromLatin1(m_asciiLower.data(), m_asciiLower.size()) : m_folded;
    }
    /// A cheap first look: false only when the line cannot be a key line of this name.
    bool mayMatch(QByteArrayView content) const
    {
        if (content.isEmpty())
            return false;
        const qsizetype size = m_asciiLower.size();
        if (!m_ascii || size == 0 || IsIniBlank(content[0]))
            return true;
        // An ASCII name stands at the start of its line, followed by "=" or a blank.
        for (qsizetype i = 0; i < size; ++i) {
            if (i >= content.size())
                return false;
            const char c = content[i];
            if (static_cast<unsigned char>(c) >= 0x80)
                return true; // a name beyond ASCII may fold to this one
            if (IniSyntax::asciiLower(c) != m_asciiLower[i])
                return false;
        }
        return content.size() > size && (content[size] == '=' || IsIniBlank(content[size]));
    }

private:
    Matcher() = default;

    QVarLengthArray<char, 48> m_asciiLower; // an ASCII name
    QString m_folded;                       // a name beyond ASCII
    bool m_ascii = false;
};
