#pragma once

#include <QStringView>
#include <QtGlobal>
#include <cstddef>
#include <vector>

/// The hash of a section name that names equal without regard to case share (full Unicode
/// case folding).
std::size_t FoldedNameHash(QStringView name);

/// Names equal without regard to case, as section names are compared.
inline bool SameSectionName(QStringView a, QStringView b)
{
    // A name is mostly looked up as it was written: the exact match is cheap.
    return a == b || a.compare(b, Qt::CaseInsensitive) == 0;
}

/// Where the first section of each name lies in a file, by the hash of its name: a table of
/// small entries probed in place, so that finding one of a hundred thousand sections costs
/// one visit to memory besides the section itself. The names stay with the sections: a
/// look-up asks its caller whether the section at a place bears the name sought.
class IniSectionIndex
{
public:
    void clear();
    /// Room for count names without growing.
    void reserve(qsizetype count);
    qsizetype size() const { return m_size; }

    /// The place stored under hash that isSought(place) accepts, or -1.
    template <typename IsSought> qsizetype find(std::size_t hash, IsSought &&isSought) const
    {
        if (m_entries.empty())
            return -1;
        const quint32 tag = tagOf(hash);
        for (std::size_t slot = tag & m_mask;; slot = (slot + 1) & m_mask) {
            const Entry &entry = m_entries[slot];
            if (entry.place < 0)
                return -1;
            if (entry.tag == tag && isSought(qsizetype(entry.place)))
                return entry.place;
        }
    }
    /// Stores place under hash; no place of the same name is stored.
    void insert(std::size_t hash, qsizetype place);
    /// Forgets place, stored under hash.
    void remove(std::size_t hash, qsizetype place);

private:
    struct Entry
    {
        quint32 tag = 0;
        qint32 place = -1; // -1: empty
    };

    static quint32 tagOf(std::size_t hash) { return quint32(hash ^ (quint64(hash) >> 32)); }
    void rehash(std::size_t capacity);

    std::vector<Entry> m_entries; // a power of two of them, at most half full
    std::size_t m_mask = 0;
    qsizetype m_size = 0;
};
