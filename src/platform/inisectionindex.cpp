#include "platform/inisectionindex.h"

#include <QChar>
#include <bit>

std::size_t FoldedNameHash(QStringView name)
{
    // FNV-1a over the folded code points: equal for names that compare equal ignoring case.
    std::size_t hash = 14695981039346656037ULL;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                c += 'a' - 'A';
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), name[++i].unicode());
            c = QChar::toCaseFolded(c);
        }
        hash = (hash ^ c) * 1099511628211ULL;
    }
    return hash;
}

void IniSectionIndex::clear()
{
    m_entries.clear();
    m_mask = 0;
    m_size = 0;
}

void IniSectionIndex::reserve(qsizetype count)
{
    const std::size_t capacity = std::bit_ceil(std::size_t(qMax<qsizetype>(count, 8)) * 2);
    if (capacity > m_entries.size())
        rehash(capacity);
}

void IniSectionIndex::insert(std::size_t hash, qsizetype place)
{
    if (std::size_t(m_size + 1) * 2 > m_entries.size())
        rehash(qMax<std::size_t>(m_entries.size() * 2, 16));
    const quint32 tag = tagOf(hash);
    std::size_t slot = tag & m_mask;
    while (m_entries[slot].place >= 0)
        slot = (slot + 1) & m_mask;
    m_entries[slot] = Entry{tag, qint32(place)};
    ++m_size;
}

void IniSectionIndex::remove(std::size_t hash, qsizetype place)
{
    if (m_entries.empty())
        return;
    std::size_t hole = tagOf(hash) & m_mask;
    while (m_entries[hole].place != place) {
        if (m_entries[hole].place < 0)
            return; // not stored
        hole = (hole + 1) & m_mask;
    }
    // Each entry after the hole, up to the next empty slot, moves back into it unless that
    // would put it before the slot its probe starts from.
    for (std::size_t next = (hole + 1) & m_mask; m_entries[next].place >= 0;
         next = (next + 1) & m_mask) {
        const std::size_t home = m_entries[next].tag & m_mask;
        if (((next - home) & m_mask) >= ((next - hole) & m_mask)) {
            m_entries[hole] = m_entries[next];
            hole = next;
        }
    }
    m_entries[hole] = Entry{};
    --m_size;
}

void IniSectionIndex::rehash(std::size_t capacity)
{
    std::vector<Entry> old = std::exchange(m_entries, std::vector<Entry>(capacity));
    m_mask = capacity - 1;
    m_size = 0;
    for (const Entry &entry : old) {
        if (entry.place < 0)
            continue;
        std::size_t slot = entry.tag & m_mask;
        while (m_entries[slot].place >= 0)
            slot = (slot + 1) & m_mask;
        m_entries[slot] = entry;
        ++m_size;
    }
}
