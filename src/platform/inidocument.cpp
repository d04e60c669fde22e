#include "platform/inidocument.h"

#include "platform/textcodec.h"

#include <algorithm>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");
constexpr QByteArrayView kLineBreak("\r\n");

// Windows trims exactly these around names and values in the file.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v';
}

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

QByteArrayView trimmed(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

// Parameters passed in lose spaces only; a TAB stays and so does not match a trimmed name.
QStringView strippedParameter(QStringView name)
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

LineInfo classify(QByteArrayView content)
{
    qsizetype start = 0;
    while (start < content.size() && isBlank(content[start]))
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
QString decodePart(QByteArrayView part, QByteArrayView line)
{
    if (IsAsciiText(line))
        return QString::fromLatin1(part);
    if (IsValidUtf8(line))
        return QString::fromUtf8(part);
    return DecodeWindows1252(part);
}

QString unquotedValue(QByteArrayView value, QByteArrayView line)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return decodePart(value, line);
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

QString foldName(const QString &name)
{
    return isAscii(name) ? name.toLower() : name.toCaseFolded();
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

QByteArray ownedLine(QByteArrayView content)
{
    QByteArray bytes;
    bytes.reserve(content.size() + 2);
    bytes.append(content);
    bytes.append(kLineBreak);
    return bytes;
}

QByteArray keyLine(QByteArrayView key, QStringView value)
{
    QByteArray bytes = key.toByteArray();
    bytes.append('=');
    bytes.append(value.toUtf8());
    bytes.append(kLineBreak);
    return bytes;
}

} // namespace

// A name parameter, prepared once for comparing with many names in the file.
class IniDocument::Matcher
{
public:
    explicit Matcher(QStringView name)
        : m_folded(foldName(strippedParameter(name).toString())), m_ascii(isAscii(m_folded))
    {}

    bool matches(QByteArrayView fileName, QByteArrayView line) const
    {
        if (IsAsciiText(fileName)) {
            // Folding keeps ASCII ASCII, so only an ASCII name can match.
            if (!m_ascii || fileName.size() != m_folded.size())
                return false;
            for (qsizetype i = 0; i < fileName.size(); ++i) {
                if (asciiLower(fileName[i]) != char(m_folded[i].unicode()))
                    return false;
            }
            return true;
        }
        return foldName(decodePart(fileName, line)) == m_folded;
    }
    const QString &folded() const { return m_folded; }

private:
    QString m_folded;
    bool m_ascii;
};

IniDocument::IniDocument(QByteArray bytes)
{
    load(std::move(bytes));
}

void IniDocument::load(QByteArray bytes)
{
    m_raw = std::move(bytes);
    m_sections.clear();
    m_first.clear();
    m_modified = false;
    m_bodyStart = m_raw.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    m_preamble = Block{m_bodyStart, m_raw.size(), {}, false};

    // One pass that only looks for header lines; key lines are read when asked for.
    const char *data = m_raw.constData();
    const qsizetype size = m_raw.size();
    Block *current = &m_preamble;
    qsizetype pos = m_bodyStart;
    while (pos < size) {
        const qsizetype lineStart = pos;
        while (pos < size && isBlank(data[pos]))
            ++pos;
        const bool header = pos < size && data[pos] == '[';
        while (pos < size && !isLineBreak(data[pos]))
            ++pos;
        const qsizetype contentEnd = pos;
        if (pos < size)
            pos += (data[pos] == '\r' && pos + 1 < size && data[pos + 1] == '\n') ? 2 : 1;
        if (!header)
            continue;
        current->end = lineStart;
        const QByteArrayView content(data + lineStart, contentEnd - lineStart);
        Section section;
        section.block = Block{lineStart, size, {}, false};
        section.name = decodePart(classify(content).name, content);
        section.folded = foldName(section.name);
        m_sections.push_back(std::move(section));
        current = &m_sections.back().block;
    }
    current->end = size;

    m_first.reserve(qsizetype(m_sections.size()));
    for (qsizetype i = 0; i < blockCount(); ++i) {
        Section &section = m_sections[i];
        section.first = !m_first.contains(section.folded);
        if (section.first)
            m_first.insert(section.folded, i);
    }
}

QByteArrayView IniDocument::bytesOf(const Line &line) const
{
    if (line.isOwned)
        return line.owned;
    return QByteArrayView(m_raw).sliced(line.offset, line.size);
}

QByteArrayView IniDocument::contentOf(const Line &line) const
{
    return bytesOf(line).first(line.contentSize);
}

qsizetype IniDocument::sizeOf(const Block &block) const
{
    if (!block.split)
        return block.end - block.begin;
    qsizetype size = 0;
    for (const Line &line : block.lines)
        size += line.size;
    return size;
}

std::optional<char> IniDocument::firstByte(const Block &block) const
{
    if (!block.split)
        return block.end > block.begin ? std::optional(m_raw[block.begin]) : std::nullopt;
    return block.lines.empty() ? std::nullopt : std::optional(bytesOf(block.lines.front())[0]);
}

std::optional<char> IniDocument::lastByte(const Block &block) const
{
    if (!block.split)
        return block.end > block.begin ? std::optional(m_raw[block.end - 1]) : std::nullopt;
    return block.lines.empty() ? std::nullopt : std::optional(bytesOf(block.lines.back()).back());
}

// Calls visit(content, index) for each line of the block until it returns true.
template <typename Visit> void IniDocument::forEachLine(const Block &block, Visit &&visit) const
{
    if (block.split) {
        for (qsizetype i = 0; i < qsizetype(block.lines.size()); ++i) {
            if (visit(contentOf(block.lines[i]), i))
                return;
        }
        return;
    }
    const char *data = m_raw.constData();
    qsizetype pos = block.begin;
    for (qsizetype i = 0; pos < block.end; ++i) {
        qsizetype end = pos;
        while (end < block.end && !isLineBreak(data[end]))
            ++end;
        if (visit(QByteArrayView(data + pos, end - pos), i))
            return;
        if (end < block.end)
            end += (data[end] == '\r' && end + 1 < block.end && data[end + 1] == '\n') ? 2 : 1;
        pos = end;
    }
}

void IniDocument::split(Block &block)
{
    if (block.split)
        return;
    std::vector<Line> lines;
    qsizetype pos = block.begin;
    forEachLine(block, [&](QByteArrayView content, qsizetype) {
        const qsizetype contentEnd = pos + content.size();
        qsizetype end = contentEnd;
        if (end < block.end)
            end += (m_raw[end] == '\r' && end + 1 < block.end && m_raw[end + 1] == '\n') ? 2 : 1;
        lines.push_back(Line{pos, end - pos, content.size(), {}, false});
        pos = end;
        return false;
    });
    block.lines = std::move(lines);
    block.split = true;
}

qsizetype IniDocument::findSection(QStringView section) const
{
    return m_first.value(foldName(strippedParameter(section).toString()), -1);
}

std::optional<QString> IniDocument::valueIn(const Section &section, const Matcher &key) const
{
    std::optional<QString> result;
    forEachLine(section.block, [&](QByteArrayView content, qsizetype index) {
        if (index == 0)
            return false; // the header
        const LineInfo info = classify(content);
        if (info.kind != LineKind::Key || !key.matches(info.name, content))
            return false;
        result = unquotedValue(info.value, content);
        return true;
    });
    return result;
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const
{
    const qsizetype index = findSection(section);
    if (index < 0)
        return std::nullopt;
    return valueIn(m_sections[index], Matcher(key));
}

QStringList IniDocument::sectionNames() const
{
    QStringList names;
    names.reserve(blockCount());
    for (const Section &section : m_sections) {
        if (!section.removed)
            names.append(section.name);
    }
    return names;
}

QStringList IniDocument::keyNames(QStringView section) const
{
    QStringList names;
    const qsizetype index = findSection(section);
    if (index < 0)
        return names;
    forEachLine(m_sections[index].block, [&](QByteArrayView content, qsizetype i) {
        const LineInfo info = classify(content);
        if (i > 0 && info.kind == LineKind::Key)
            names.append(decodePart(info.name, content));
        return false;
    });
    return names;
}

bool IniDocument::sectionHasKeys(QStringView section) const
{
    const qsizetype index = findSection(section);
    bool found = false;
    if (index >= 0) {
        forEachLine(m_sections[index].block, [&](QByteArrayView content, qsizetype i) {
            found = i > 0 && classify(content).kind == LineKind::Key;
            return found;
        });
    }
    return found;
}

std::vector<std::pair<QString, std::optional<QString>>>
IniDocument::sectionsWithValue(QStringView key) const
{
    const Matcher matcher(key);
    std::vector<std::pair<QString, std::optional<QString>>> result;
    result.reserve(m_sections.size());
    for (const Section &section : m_sections) {
        if (section.removed)
            continue;
        const Section &source = section.first ? section : m_sections[m_first.value(section.folded)];
        result.emplace_back(section.name, valueIn(source, matcher));
    }
    return result;
}

bool IniDocument::canWrite(QStringView section, QStringView key, QStringView value)
{
    const auto hasLineBreak = [](QStringView text) {
        return text.contains(u'\r') || text.contains(u'\n');
    };
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return false;
    const auto firstNonBlank = std::find_if(
        key.begin(), key.end(), [](QChar c) { return !(c == u' ' || c == u'\t' || c == u'\v'); });
    return firstNonBlank == key.end() || *firstNonBlank != u'[';
}

void IniDocument::insertLine(Block &block, qsizetype at, QByteArray bytes)
{
    split(block);
    if (at > 0) {
        // Only the last line of the file can lack a line break; it gets one before more text.
        Line &before = block.lines[at - 1];
        if (before.contentSize == before.size)
            before =
                Line{0, before.size + 2, before.contentSize, ownedLine(contentOf(before)), true};
    }
    const qsizetype size = bytes.size();
    block.lines.insert(block.lines.begin() + at, Line{0, size, size - 2, std::move(bytes), true});
    m_modified = true;
}

void IniDocument::removeLine(qsizetype blockIndex, qsizetype at)
{
    Block &block = blockAt(blockIndex);
    block.lines.erase(block.lines.begin() + at);
    m_modified = true;

    // A line ending in a lone CR followed by an empty line ending in LF would now read as one
    // CR LF line break, losing a line; make the empty line end in CR LF so both stay lines.
    std::optional<char> before;
    if (at > 0)
        before = bytesOf(block.lines[at - 1]).back();
    for (qsizetype b = blockIndex - 1; !before && b >= -1; --b)
        before = lastByte(blockAt(b));
    if (before != '\r')
        return;
    qsizetype nextBlock = blockIndex;
    qsizetype nextLine = at;
    if (at >= qsizetype(block.lines.size())) {
        nextLine = 0;
        for (nextBlock = blockIndex + 1; nextBlock < blockCount(); ++nextBlock) {
            if (firstByte(blockAt(nextBlock)))
                break;
        }
        if (nextBlock == blockCount())
            return;
    }
    Block &next = blockAt(nextBlock);
    split(next);
    Line &line = next.lines[nextLine];
    if (bytesOf(line)[0] == '\n')
        line = Line{0, 2, 0, kLineBreak.toByteArray(), true};
}

void IniDocument::terminateLastLine()
{
    for (qsizetype b = blockCount() - 1; b >= -1; --b) {
        Block &block = blockAt(b);
        const std::optional<char> last = lastByte(block);
        if (!last)
            continue;
        if (!isLineBreak(*last)) {
            split(block);
            Line &line = block.lines.back();
            line = Line{0, line.size + 2, line.contentSize, ownedLine(contentOf(line)), true};
            m_modified = true;
        }
        return;
    }
}

void IniDocument::addSection(Section section)
{
    section.first = !m_first.contains(section.folded);
    if (section.first)
        m_first.insert(section.folded, blockCount());
    m_sections.push_back(std::move(section));
}

void IniDocument::appendSection(QStringView section, QStringView key, QStringView value)
{
    terminateLastLine();
    QByteArray header = "[" + section.toUtf8() + "]";
    Section added;
    // The name is what a reader will find in the line, which for an odd name (a ']' in it,
    // a TAB around it) is not the name passed in.
    added.name = decodePart(classify(header).name, header);
    added.folded = foldName(added.name);
    added.block.split = true;
    header.append(kLineBreak);
    const qsizetype headerSize = header.size();
    QByteArray line = keyLine(key.toUtf8(), value);
    const qsizetype lineSize = line.size();
    added.block.lines.push_back(Line{0, headerSize, headerSize - 2, std::move(header), true});
    added.block.lines.push_back(Line{0, lineSize, lineSize - 2, std::move(line), true});
    addSection(std::move(added));
    m_modified = true;
}

bool IniDocument::writeString(QStringView section, QStringView key, QStringView value)
{
    Q_ASSERT(canWrite(section, key, value));
    const qsizetype index = findSection(section);
    if (index < 0) {
        appendSection(strippedParameter(section), strippedParameter(key), value);
        return true;
    }
    Block &block = m_sections[index].block;
    split(block);
    const Matcher matcher(key);
    qsizetype lastEntry = 0;
    for (qsizetype i = 1; i < qsizetype(block.lines.size()); ++i) {
        const QByteArrayView content = contentOf(block.lines[i]);
        const LineInfo info = classify(content);
        if (info.kind == LineKind::Key && matcher.matches(info.name, content)) {
            // The key keeps the file's spelling, re-encoded so the whole line is UTF-8.
            const QByteArray name = IsValidUtf8(content) ? info.name.toByteArray()
                                                         : DecodeWindows1252(info.name).toUtf8();
            QByteArray line = keyLine(name, value);
            if (bytesOf(block.lines[i]) == line)
                return false;
            const qsizetype size = line.size();
            block.lines[i] = Line{0, size, size - 2, std::move(line), true};
            m_modified = true;
            return true;
        }
        if (info.kind == LineKind::Key || info.kind == LineKind::Entry)
            lastEntry = i;
    }
    insertLine(block, lastEntry + 1, keyLine(strippedParameter(key).toUtf8(), value));
    return true;
}

bool IniDocument::deleteKey(QStringView section, QStringView key)
{
    const qsizetype index = findSection(section);
    if (index < 0)
        return false;
    const Matcher matcher(key);
    qsizetype found = -1;
    forEachLine(m_sections[index].block, [&](QByteArrayView content, qsizetype i) {
        const LineInfo info = classify(content);
        if (i > 0 && info.kind == LineKind::Key && matcher.matches(info.name, content))
            found = i;
        return found >= 0;
    });
    if (found < 0)
        return false;
    split(m_sections[index].block);
    removeLine(index, found);
    return true;
}

bool IniDocument::deleteSection(QStringView sectionName)
{
    const qsizetype index = findSection(sectionName);
    if (index < 0)
        return false;
    Section &section = m_sections[index];
    split(section.block);
    // Comments and blank lines stay where they were; the header and the entries go.
    for (qsizetype i = qsizetype(section.block.lines.size()) - 1; i >= 0; --i) {
        const LineKind kind = classify(contentOf(section.block.lines[i])).kind;
        if (i == 0 || kind == LineKind::Key || kind == LineKind::Entry)
            removeLine(index, i);
    }
    section.removed = true;
    section.first = false;
    m_first.remove(section.folded);
    for (qsizetype i = index + 1; i < blockCount(); ++i) {
        Section &later = m_sections[i];
        if (!later.removed && later.folded == section.folded) {
            later.first = true;
            m_first.insert(later.folded, i);
            break;
        }
    }
    return true;
}

QByteArray IniDocument::serialize() const
{
    qsizetype total = m_bodyStart + sizeOf(m_preamble);
    for (const Section &section : m_sections)
        total += sizeOf(section.block);
    QByteArray out;
    out.reserve(total);
    out.append(m_raw.constData(), m_bodyStart);
    for (qsizetype b = -1; b < blockCount(); ++b) {
        const Block &block = blockAt(b);
        if (!block.split) {
            out.append(m_raw.constData() + block.begin, block.end - block.begin);
            continue;
        }
        for (const Line &line : block.lines)
            out.append(bytesOf(line));
    }
    return out;
}

void IniDocument::adopt(QByteArray serialized)
{
    qsizetype pos = m_bodyStart;
    for (qsizetype b = -1; b < blockCount(); ++b) {
        Block &block = blockAt(b);
        const qsizetype size = sizeOf(block);
        block = Block{pos, pos + size, {}, false};
        pos += size;
    }
    Q_ASSERT(pos == serialized.size());
    m_raw = std::move(serialized);
    m_modified = false;
}
