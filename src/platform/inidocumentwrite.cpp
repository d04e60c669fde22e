// The document's writes of keys and whole sections: where a line goes, how a block is
// edited in place, and the prepared text of a section written at once.
#include "platform/inidocument.h"

#include "platform/inimemory.h"
#include "platform/inisyntax.h"
#include "platform/textcodec.h"

#include <QVarLengthArray>

#include <algorithm>
#include <bitset>
#include <cstring>

using namespace IniSyntax;

bool IniDocument::canWrite(QStringView section, QStringView key, QStringView value)
{
    if (HasIniLineBreak(section) || HasIniLineBreak(key) || HasIniLineBreak(value))
        return false;
    const auto firstNonBlank =
        std::find_if(key.begin(), key.end(), [](QChar c) { return !IsIniBlank(c); });
    return firstNonBlank == key.end() || *firstNonBlank != u'[';
}

void IniDocument::insertLine(Block &block, qsizetype at, QByteArray bytes)
{
    split(block);
    if (at > 0) {
        // Only the last line of the file can lack a line break; it gets one before more text.
        Line &before = block.lines[at - 1];
        if (before.contentSize == before.size)
            before = Line{0, before.size + 2, before.contentSize,
                          ownedLine(contentOf(block, before)), true};
    }
    const qsizetype size = bytes.size();
    block.lines.insert(block.lines.begin() + at, Line{0, size, size - 2, std::move(bytes), true});
    m_modified = true;
}

bool IniDocument::mayHoldLoneCr()
{
    if (!m_loneCrKnown) {
        const char *p = m_raw.constData();
        const char *const end = p + m_raw.size();
        m_loneCr = false;
        while (!m_loneCr && p < end) {
            p = static_cast<const char *>(std::memchr(p, '\r', std::size_t(end - p)));
            if (!p)
                break;
            m_loneCr = p + 1 == end || p[1] != '\n';
            p += 2;
        }
        m_loneCrKnown = true;
    }
    return m_loneCr;
}

void IniDocument::removeLine(qsizetype blockIndex, qsizetype at)
{
    Block &block = blockAt(blockIndex);
    block.lines.erase(block.lines.begin() + at);
    m_modified = true;

    // A line ending in a lone CR followed by an empty line ending in LF would now read as one
    // CR LF line break, losing a line; make the empty line end in CR LF so both stay lines.
    // Every line written here ends in CR LF, so only a text loaded with a lone CR can need it.
    // The look at the lines around may cross many emptied sections (removing many sections
    // one after another); a long way first asks whether the text holds a lone CR at all.
    constexpr qsizetype shortWay = 32;
    if (m_loneCrKnown && !m_loneCr)
        return;
    std::optional<char> before;
    if (at > 0)
        before = bytesOf(block, block.lines[at - 1]).back();
    for (qsizetype b = blockIndex - 1; !before && b >= -1; --b) {
        if (blockIndex - b > shortWay && !mayHoldLoneCr())
            return;
        before = lastByte(blockAt(b));
    }
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
    if (bytesOf(next, line)[0] == '\n')
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
            line =
                Line{0, line.size + 2, line.contentSize, ownedLine(contentOf(block, line)), true};
            m_modified = true;
        }
        return;
    }
}

void IniDocument::addSection(Section section)
{
    const std::size_t hash = FoldedNameHash(section.name);
    section.first = firstOfName(section.name, hash) < 0;
    if (section.first)
        m_first.insert(hash, blockCount());
    else
        ++m_hidden;
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
    added.block.split = true;
    header.append(kLineBreak);
    const qsizetype headerSize = header.size();
    QByteArray line = keyLine(key.toUtf8(), value.toUtf8());
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
    return writeKey(block, Matcher(key), strippedParameter(key).toUtf8(), value.toUtf8());
}

// The write of one key into a split block; newKey is the spelling of a key line it adds.
bool IniDocument::writeKey(Block &block, const Matcher &matcher, QByteArrayView newKey,
                           QByteArrayView value)
{
    qsizetype lastEntry = 0;
    for (qsizetype i = 1; i < qsizetype(block.lines.size()); ++i) {
        const QByteArrayView content = contentOf(block, block.lines[i]);
        if (!matcher.mayMatch(content)) {
            // Another key: it still counts as the last entry so far.
            if (!content.isEmpty() && content[0] != ';')
                lastEntry = i;
            continue;
        }
        const LineInfo info = classify(content);
        if (info.kind == LineKind::Key && matcher.matches(info.name, content)) {
            // The key keeps the file's spelling, re-encoded so the whole line is UTF-8.
            const QByteArray name = IsValidUtf8(content) ? info.name.toByteArray()
                                                         : DecodeWindows1252(info.name).toUtf8();
            const QByteArrayView old = bytesOf(block, block.lines[i]);
            if (old.size() == name.size() + value.size() + 3 && old.startsWith(name) &&
                old[name.size()] == '=' && old.sliced(name.size() + 1).startsWith(value) &&
                old.endsWith(kLineBreak))
                return false;
            QByteArray line = keyLine(name, value);
            const qsizetype size = line.size();
            block.lines[i] = Line{0, size, size - 2, std::move(line), true};
            m_modified = true;
            return true;
        }
        if (info.kind == LineKind::Key || info.kind == LineKind::Entry)
            lastEntry = i;
    }
    insertLine(block, lastEntry + 1, keyLine(newKey, value));
    return true;
}

std::optional<QByteArray>
IniDocument::prepareSection(const QString &section,
                            const QList<std::pair<QString, QString>> &entries)
{
    // The entries' lines in one buffer; a key given again takes the new value in place of the
    // earlier one, and only then are the lines put together anew.
    struct Piece
    {
        qsizetype key;
        qsizetype keySize;
        qsizetype value;
        qsizetype valueSize;
        bool ascii;
    };
    // On the stack for a contact's keys: a hundred thousand of these in an import.
    QVarLengthArray<Piece, 40> pieces;
    pieces.reserve(entries.size());
    QByteArray scratch;
    qsizetype estimate = section.size() + 4;
    for (const auto &[key, value] : entries)
        estimate += key.size() + value.size() + 3;
    scratch.reserve(estimate);
    std::bitset<kNameShapes> seenShapes;
    bool anyNonAscii = false;
    bool repeated = false;

    scratch.append('[');
    appendUtf8(scratch, section);
    scratch.append(']');
    const LineInfo header = classify(scratch);
    if (header.kind != LineKind::Header || !readsBackAs(header.name, section))
        return std::nullopt;
    scratch.append(kLineBreak);
    const qsizetype headerSize = scratch.size();

    qsizetype size = headerSize;
    for (const auto &[key, value] : entries) {
        const qsizetype keyStart = scratch.size();
        appendUtf8(scratch, key);
        const qsizetype keySize = scratch.size() - keyStart;
        const bool plain = isPlainKey(QByteArrayView(scratch).sliced(keyStart));
        scratch.append('=');
        if (!plain) {
            const QByteArrayView keyLine = QByteArrayView(scratch).sliced(keyStart);
            const LineInfo info = classify(keyLine);
            if (info.kind != LineKind::Key || !readsBackAs(info.name, key))
                return std::nullopt;
        }
        const qsizetype valueStart = scratch.size();
        appendUtf8(scratch, value); // may move the buffer: views of it are taken afresh
        const qsizetype valueSize = scratch.size() - valueStart;
        scratch.append(kLineBreak);

        const QByteArrayView keyBytes = QByteArrayView(scratch).sliced(keyStart, keySize);
        const bool ascii = plain || IsAsciiText(keyBytes);
        // The keys of a section are nearly always all different: a key whose size and ends
        // no ASCII key before it had is new without a look at each earlier one.
        anyNonAscii = anyNonAscii || !ascii;
        const std::size_t shape = ascii ? asciiShape(keyBytes) : 0;
        const bool mayRepeat = anyNonAscii || seenShapes.test(shape);
        seenShapes.set(shape);
        const auto same = !mayRepeat
                              ? pieces.end()
                              : std::find_if(pieces.begin(), pieces.end(), [&](const Piece &piece) {
                                    const QByteArrayView earlier =
                                        QByteArrayView(scratch).sliced(piece.key, piece.keySize);
                                    // The later write finds the line of the earlier one as
                                    // writeString() would.
                                    if (ascii && piece.ascii)
                                        return sameAsciiName(earlier, keyBytes);
                                    return Matcher::fromUtf8(keyBytes).matches(earlier, earlier);
                                });
        if (same != pieces.end()) {
            repeated = true;
            size += valueSize - same->valueSize;
            same->value = valueStart;
            same->valueSize = valueSize;
            continue;
        }
        size += keySize + valueSize + 3;
        pieces.push_back({keyStart, keySize, valueStart, valueSize, ascii});
    }

    if (!repeated) {
        // Each entry's line as it stands, in order. The document keeps these bytes, so room
        // that text outside ASCII made the buffer grow by is given back.
        if (scratch.size() > estimate)
            scratch.squeeze();
        return scratch;
    }
    QByteArray prepared;
    prepared.reserve(size);
    prepared.append(QByteArrayView(scratch).first(headerSize));
    for (const Piece &piece : pieces) {
        prepared.append(QByteArrayView(scratch).sliced(piece.key, piece.keySize));
        prepared.append('=');
        prepared.append(QByteArrayView(scratch).sliced(piece.value, piece.valueSize));
        prepared.append(kLineBreak);
    }
    return prepared;
}

QString IniDocument::preparedSectionName(QByteArrayView prepared)
{
    // The header reads back as the name it was made from (prepareSection() made sure).
    const qsizetype headerEnd = prepared.indexOf(kLineBreak);
    return QString::fromUtf8(prepared.sliced(1, headerEnd - 2));
}

bool IniDocument::preparedHasKeys(QByteArrayView prepared)
{
    return prepared.indexOf(kLineBreak) + kLineBreak.size() < prepared.size();
}

bool IniDocument::writeSection(const QByteArray &prepared)
{
    const QByteArrayView text(prepared);
    if (!preparedHasKeys(text))
        return false; // no writes at all
    const qsizetype headerEnd = text.indexOf(kLineBreak) + kLineBreak.size();
    const QString name = preparedSectionName(text);
    // The name has no blanks at its ends to strip, so it is looked up as it stands.
    const qsizetype index = firstOfName(name);
    if (index < 0) {
        terminateLastLine();
        Section added;
        added.name = name;
        added.block = Block{0, text.size(), {}, false, prepared, true};
        addSection(std::move(added));
        m_modified = true;
        return true;
    }
    Block &block = m_sections[index].block;
    split(block);
    bool changed = false;
    for (qsizetype pos = headerEnd; pos < text.size();) {
        const qsizetype end = text.indexOf(kLineBreak, pos);
        const QByteArrayView line = text.sliced(pos, end - pos);
        const qsizetype equals = line.indexOf('=');
        const QByteArrayView key = line.first(equals);
        changed |= writeKey(block, Matcher::fromUtf8(key), key, line.sliced(equals + 1));
        pos = end + kLineBreak.size();
    }
    // A contact rewritten whole is one piece of text again, not a line record per field.
    join(block);
    return changed;
}
