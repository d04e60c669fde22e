#include "platform/inidocument.h"

#include "platform/inimemory.h"
#include "platform/inisyntax.h"
#include "platform/textcodec.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <cstring>
#include <future>

using namespace IniSyntax;

namespace {
// Below this many sections a second thread costs more than it saves.
constexpr std::size_t kSectionsForTwoThreads = 20000;
} // namespace

IniDocument::IniDocument(QByteArray bytes)
{
    load(std::move(bytes));
}

void IniDocument::load(QByteArray bytes, std::shared_ptr<const void> keepAlive)
{
    m_raw = std::move(bytes);
    m_rawKeepAlive = std::move(keepAlive);
    m_loneCrKnown = false;
    m_sections.clear();
    m_first.clear();
    m_modified = false;
    m_bodyStart = m_raw.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    m_preamble = Block{m_bodyStart, m_raw.size(), {}, false, {}, false};

    // Only header lines matter now; key lines are read when asked for. A header is a line
    // whose first non-blank character is '[', so one fast search for '[' finds them all.
    const char *data = m_raw.constData();
    const qsizetype size = m_raw.size();
    // Room for a section every 64 bytes costs address space only, and saves copying the
    // list while it grows.
    m_sections.reserve(std::size_t(size / 64 + 4));
    AdviseHugePages(m_sections.data(),
                    qsizetype(m_sections.capacity()) * qsizetype(sizeof(Section)));
    Block *current = &m_preamble;
    qsizetype pos = m_bodyStart;
    while (pos < size) {
        const void *found = std::memchr(data + pos, '[', std::size_t(size - pos));
        if (!found)
            break;
        const qsizetype bracket = static_cast<const char *>(found) - data;
        pos = bracket + 1;
        qsizetype lineStart = bracket;
        while (lineStart > m_bodyStart && IsIniBlank(data[lineStart - 1]))
            --lineStart;
        if (lineStart > m_bodyStart && !isLineBreak(data[lineStart - 1]))
            continue; // inside a line
        const qsizetype contentEnd = findLineBreak(data, bracket, size);
        current->end = lineStart;
        const QByteArrayView content(data + lineStart, contentEnd - lineStart);
        Section section;
        section.block = Block{lineStart, size, {}, false, {}, false};
        section.name = decodePart(classify(content).name, content);
        m_sections.push_back(std::move(section));
        current = &m_sections.back().block;
        pos = contentEnd;
    }
    current->end = size;

    m_first.reserve(qsizetype(m_sections.size()));
    for (qsizetype i = 0; i < blockCount(); ++i) {
        Section &section = m_sections[i];
        const std::size_t hash = FoldedNameHash(section.name);
        section.first = firstOfName(section.name, hash) < 0;
        if (section.first)
            m_first.insert(hash, i);
    }
    m_hidden = blockCount() - m_first.size();
}

QByteArrayView IniDocument::bytesOf(const Block &block, const Line &line) const
{
    if (line.isOwned)
        return line.owned;
    return QByteArrayView(block.ownText ? block.text : m_raw).sliced(line.offset, line.size);
}

QByteArrayView IniDocument::unsplitBytes(const Block &block) const
{
    return QByteArrayView(block.ownText ? block.text : m_raw)
        .sliced(block.begin, block.end - block.begin);
}

QByteArrayView IniDocument::contentOf(const Block &block, const Line &line) const
{
    return bytesOf(block, line).first(line.contentSize);
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
    if (!block.split) {
        const QByteArrayView bytes = unsplitBytes(block);
        return bytes.isEmpty() ? std::nullopt : std::optional(bytes.front());
    }
    return block.lines.empty() ? std::nullopt
                               : std::optional(bytesOf(block, block.lines.front())[0]);
}

std::optional<char> IniDocument::lastByte(const Block &block) const
{
    if (!block.split) {
        const QByteArrayView bytes = unsplitBytes(block);
        return bytes.isEmpty() ? std::nullopt : std::optional(bytes.back());
    }
    return block.lines.empty() ? std::nullopt
                               : std::optional(bytesOf(block, block.lines.back()).back());
}

// Calls visit(content, index) for each line of the block until it returns true.
template <typename Visit> void IniDocument::forEachLine(const Block &block, Visit &&visit) const
{
    if (block.split) {
        for (qsizetype i = 0; i < qsizetype(block.lines.size()); ++i) {
            if (visit(contentOf(block, block.lines[i]), i))
                return;
        }
        return;
    }
    const QByteArrayView bytes = unsplitBytes(block);
    const char *data = bytes.data();
    qsizetype pos = 0;
    for (qsizetype i = 0; pos < bytes.size(); ++i) {
        const qsizetype end = findLineBreak(data, pos, bytes.size());
        if (visit(QByteArrayView(data + pos, end - pos), i))
            return;
        pos = skipLineBreak(data, end, bytes.size());
    }
}

void IniDocument::split(Block &block)
{
    if (block.split)
        return;
    std::vector<Line> lines;
    const QByteArrayView bytes = unsplitBytes(block);
    qsizetype pos = 0;
    forEachLine(block, [&](QByteArrayView content, qsizetype) {
        const qsizetype end = skipLineBreak(bytes.data(), pos + content.size(), bytes.size());
        lines.push_back(Line{block.begin + pos, end - pos, content.size(), {}, false});
        pos = end;
        return false;
    });
    block.lines = std::move(lines);
    block.split = true;
}

void IniDocument::join(Block &block)
{
    if (!block.split)
        return;
    // Lines still lying one after another in the block's bytes become that range again;
    // otherwise the block gets a text of its own.
    bool inPlace = !block.lines.empty();
    for (std::size_t i = 0; inPlace && i < block.lines.size(); ++i) {
        const Line &line = block.lines[i];
        inPlace = !line.isOwned &&
                  (i == 0 || line.offset == block.lines[i - 1].offset + block.lines[i - 1].size);
    }
    if (inPlace) {
        const Line &last = block.lines.back();
        block = Block{block.lines.front().offset,
                      last.offset + last.size,
                      {},
                      false,
                      std::move(block.text),
                      block.ownText};
        return;
    }
    QByteArray text;
    text.reserve(sizeOf(block));
    for (const Line &line : block.lines)
        text.append(bytesOf(block, line));
    const qsizetype size = text.size();
    block = Block{0, size, {}, false, std::move(text), true};
}

qsizetype IniDocument::findSection(QStringView section) const
{
    return firstOfName(strippedParameter(section));
}

qsizetype IniDocument::firstOfName(QStringView name, std::size_t hash) const
{
    return m_first.find(
        hash, [&](qsizetype place) { return SameSectionName(m_sections[place].name, name); });
}

std::optional<QString> IniDocument::valueIn(const Section &section, const Matcher &key) const
{
    std::optional<QString> result;
    forEachLine(section.block, [&](QByteArrayView content, qsizetype index) {
        if (index == 0 || !key.mayMatch(content))
            return false; // the header, or another key
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

// The matchers of a key list, made once for the many sections a bulk read looks at.
struct IniDocument::PreparedKeys
{
    explicit PreparedKeys(const QStringList &list) : keys(list)
    {
        // One matcher per distinct key; a key given again gets the value of its first mention.
        QHash<QString, std::size_t> seen;
        for (qsizetype k = 0; k < keys.size(); ++k) {
            Matcher matcher(keys.at(k));
            if (const auto earlier = seen.constFind(matcher.folded()); earlier != seen.cend()) {
                repeats.emplace_back(std::size_t(k), *earlier);
                continue;
            }
            seen.insert(matcher.folded(), std::size_t(k));
            matchers.push_back(std::move(matcher));
            asked.push_back(std::size_t(k));
        }
        for (std::size_t m = 0; m < matchers.size(); ++m) {
            any.push_back(m);
            const QString &name = matchers[m].folded(); // lower case where ASCII
            if (name.isEmpty() || !isAscii(name)) {
                for (std::vector<std::size_t> &candidates : byStart)
                    candidates.push_back(m);
                continue;
            }
            const char first = char(name[0].unicode());
            if (name.size() > 1) {
                byStart[bucket(first, char(name[1].unicode()))].push_back(m);
                continue;
            }
            for (const char after : {'=', ' ', '\t', '\v'}) {
                std::vector<std::size_t> &candidates = byStart[bucket(first, after)];
                if (candidates.empty() || candidates.back() != m)
                    candidates.push_back(m);
            }
        }
    }

    /// The matchers a line may be for, by the first two bytes of its key: most lines of a
    /// section are for none of the keys asked, and are passed over at one look.
    const std::vector<std::size_t> &candidatesFor(QByteArrayView line) const
    {
        if (line.size() < 2)
            return any;
        const auto first = static_cast<unsigned char>(line[0]);
        const auto second = static_cast<unsigned char>(line[1]);
        // A key may stand after blanks, and a name beyond ASCII may fold to an ASCII one.
        if (first >= 0x80 || second >= 0x80 || IsIniBlank(char(first)))
            return any;
        return byStart[bucket(char(first), char(second))];
    }

    QStringList keys;
    std::vector<Matcher> matchers;
    std::vector<std::size_t> asked;                           // the key of each matcher
    std::vector<std::pair<std::size_t, std::size_t>> repeats; // key, its first mention

private:
    static std::size_t bucket(char first, char second)
    {
        return (std::size_t(asciiLower(first)) * 31 + std::size_t(asciiLower(second))) & 0xff;
    }

    std::vector<std::size_t> any;                      // every matcher
    std::array<std::vector<std::size_t>, 256> byStart; // by bucket() of a key's start
};

std::shared_ptr<const IniDocument::PreparedKeys> IniDocument::prepareKeys(const QStringList &keys)
{
    return std::make_shared<const PreparedKeys>(keys);
}

std::vector<std::optional<QString>> IniDocument::values(QStringView section,
                                                        const QStringList &keys) const
{
    if (!m_prepared || m_prepared->keys != keys)
        m_prepared = prepareKeys(keys);
    return values(section, *m_prepared);
}

std::vector<std::optional<QString>> IniDocument::values(QStringView section,
                                                        const PreparedKeys &prepared) const
{
    std::vector<std::optional<QString>> result(std::size_t(prepared.keys.size()));
    const qsizetype index = findSection(section);
    if (index < 0 || prepared.keys.isEmpty())
        return result;
    const std::vector<Matcher> &matchers = prepared.matchers;
    std::vector<bool> found(matchers.size(), false);
    std::size_t open = matchers.size();
    forEachLine(m_sections[index].block, [&](QByteArrayView content, qsizetype line) {
        if (line == 0 || content.isEmpty())
            return false; // the header, or a line with no key
        std::optional<LineInfo> info;
        for (const std::size_t m : prepared.candidatesFor(content)) {
            if (found[m] || !matchers[m].mayMatch(content))
                continue;
            if (!info)
                info = classify(content);
            if (info->kind != LineKind::Key)
                return false;
            // The first line of a key holds its value, as value() reads it.
            if (matchers[m].matches(info->name, content)) {
                result[prepared.asked[m]] = unquotedValue(info->value, content);
                found[m] = true;
                --open;
                break;
            }
        }
        return open == 0;
    });
    for (const auto &[key, first] : prepared.repeats)
        result[key] = result[first];
    return result;
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

void IniDocument::forEachSectionText(
    qsizetype from, qsizetype to,
    const std::function<void(QStringView, QByteArrayView)> &visit) const
{
    for (qsizetype i = qMax<qsizetype>(from, 0); i < qMin(to, blockCount()); ++i) {
        const Section &section = m_sections[std::size_t(i)];
        if (section.removed)
            continue;
        if (!section.block.split) {
            visit(section.name, unsplitBytes(section.block));
            continue;
        }
        QByteArray text; // an edited section: its lines, one after another
        for (const Line &line : section.block.lines)
            text += bytesOf(section.block, line);
        visit(section.name, text);
    }
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

std::optional<QByteArrayList> IniDocument::sectionLines(QStringView section) const
{
    const qsizetype index = findSection(section);
    if (index < 0)
        return std::nullopt;
    QByteArrayList lines;
    forEachLine(m_sections[index].block, [&](QByteArrayView content, qsizetype i) {
        const LineKind kind = classify(content).kind;
        if (i > 0 && (kind == LineKind::Key || kind == LineKind::Entry))
            lines.append(content.toByteArray());
        return false;
    });
    return lines;
}

std::vector<std::pair<QString, std::optional<QString>>>
IniDocument::sectionsWithValue(QStringView key) const
{
    const Matcher matcher(key);
    const auto range = [&](std::size_t from, std::size_t to) {
        std::vector<std::pair<QString, std::optional<QString>>> result;
        result.reserve(to - from);
        constexpr std::size_t ahead = 8;
        for (std::size_t i = from; i < to; ++i) {
            // Sections lie hundreds of bytes apart, too far for the hardware to guess the next.
#if defined(__GNUC__)
            if (i + ahead < to && !m_sections[i + ahead].block.split)
                __builtin_prefetch(unsplitBytes(m_sections[i + ahead].block).data());
#endif
            const Section &section = m_sections[i];
            if (section.removed)
                continue;
            const Section &source = section.first ? section : m_sections[firstOfName(section.name)];
            result.emplace_back(section.name, valueIn(source, matcher));
        }
        return result;
    };
    // A large file is read in two halves at once (a category list of a big book).
    const std::size_t count = m_sections.size();
    if (count < kSectionsForTwoThreads)
        return range(0, count);
    auto second = std::async(std::launch::async, range, count / 2, count);
    std::vector<std::pair<QString, std::optional<QString>>> result = range(0, count / 2);
    std::vector<std::pair<QString, std::optional<QString>>> rest = second.get();
    result.insert(result.end(), std::make_move_iterator(rest.begin()),
                  std::make_move_iterator(rest.end()));
    return result;
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
        const LineKind kind = classify(contentOf(section.block, section.block.lines[i])).kind;
        if (i == 0 || kind == LineKind::Key || kind == LineKind::Entry)
            removeLine(index, i);
    }
    section.removed = true;
    section.first = false;
    const std::size_t hash = FoldedNameHash(section.name);
    m_first.remove(hash, index);
    // Most files name every section once: then no later section can be uncovered, and
    // removing many sections does not look at every later one each time.
    for (qsizetype i = index + 1; m_hidden > 0 && i < blockCount(); ++i) {
        Section &later = m_sections[i];
        if (!later.removed && SameSectionName(later.name, section.name)) {
            later.first = true;
            m_first.insert(hash, i);
            --m_hidden;
            break;
        }
    }
    return true;
}

bool IniDocument::canAppendSectionLines(QStringView section, const QByteArrayList &lines)
{
    if (!canWrite(section, {}, {}))
        return false;
    return std::none_of(lines.begin(), lines.end(), [](const QByteArray &line) {
        return line.contains('\r') || line.contains('\n') ||
               classify(line).kind == LineKind::Header;
    });
}

void IniDocument::appendSectionLines(QStringView section, const QByteArrayList &lines)
{
    Q_ASSERT(canAppendSectionLines(section, lines));
    terminateLastLine();
    QByteArray text = "[" + strippedParameter(section).toUtf8() + "]";
    Section added;
    added.name = decodePart(classify(text).name, text);
    text.append(kLineBreak);
    for (const QByteArray &line : lines) {
        text.append(line);
        text.append(kLineBreak);
    }
    const qsizetype size = text.size();
    added.block = Block{0, size, {}, false, std::move(text), true};
    addSection(std::move(added));
    m_modified = true;
}

template <typename Put> void IniDocument::forEachPiece(Put &&put) const
{
    put(QByteArrayView(m_raw).first(m_bodyStart));
    for (qsizetype b = -1; b < blockCount(); ++b) {
        const Block &block = blockAt(b);
        if (!block.split) {
            put(unsplitBytes(block));
            continue;
        }
        for (const Line &line : block.lines)
            put(bytesOf(block, line));
    }
}

QByteArray IniDocument::serialize() const
{
    qsizetype total = m_bodyStart + sizeOf(m_preamble);
    for (const Section &section : m_sections)
        total += sizeOf(section.block);
    QByteArray out = AllocateLargeBuffer(total);
    char *cursor = out.data();
    forEachPiece([&cursor](QByteArrayView bytes) {
        if (!bytes.isEmpty())
            std::memcpy(cursor, bytes.data(), std::size_t(bytes.size()));
        cursor += bytes.size();
    });
    Q_ASSERT(cursor == out.constData() + total);
    return out;
}

std::vector<QByteArrayView> IniDocument::pieces() const
{
    std::vector<QByteArrayView> result;
    result.reserve(m_sections.size() + 2);
    forEachPiece([&result](QByteArrayView bytes) {
        if (bytes.isEmpty())
            return;
        // Sections still lying one after another in the loaded text are written as one.
        if (!result.empty() && result.back().data() + result.back().size() == bytes.data())
            result.back() =
                QByteArrayView(result.back().data(), result.back().size() + bytes.size());
        else
            result.push_back(bytes);
    });
    return result;
}

void IniDocument::adopt(QByteArray serialized)
{
    qsizetype pos = m_bodyStart;
    for (qsizetype b = -1; b < blockCount(); ++b) {
        Block &block = blockAt(b);
        const qsizetype size = sizeOf(block);
        block = Block{pos, pos + size, {}, false, {}, false};
        pos += size;
    }
    Q_ASSERT(pos == serialized.size());
    m_raw = std::move(serialized);
    m_rawKeepAlive.reset();
    m_modified = false;
}
