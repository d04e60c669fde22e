#include "profiles/addressquery.h"

#include "platform/textcodec.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"

#include <QStringBuilder>
#include <QStringTokenizer>
#include <QThread>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <future>
#include <optional>
#include <span>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The letters of Latin-1 and Latin Extended-A and -B folded once, the rest as they come: a
// query looks at every name and address of the book.
constexpr char16_t kTableEnd = 0x0250;

struct FoldTable
{
    std::array<char16_t, kTableEnd> folded{};
    std::array<bool, kTableEnd> single{}; // folds to one character (not "ß" -> "ss")
    // What a character of the table is in stored text folded byte by byte: its folded ASCII
    // letter, kOtherLetter for one that folds to no ASCII character, kUnknown otherwise.
    std::array<char, kTableEnd> asByte{};
    static constexpr char kOtherLetter = '\x01';
    static constexpr char kUnknown = '\0';

    FoldTable()
    {
        for (char16_t c = 0; c < kTableEnd; ++c) {
            const QString f = foldSlowly(QStringView(&c, 1));
            single[c] = f.size() == 1;
            folded[c] = single[c] ? f.front().unicode() : c;
            asByte[c] = !single[c] || folded[c] == 0 ? kUnknown
                        : folded[c] < 0x80           ? char(folded[c])
                                                     : kOtherLetter;
        }
    }

    static QString foldSlowly(QStringView text)
    {
        QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
        decomposed.removeIf([](QChar c) { return c.isMark(); });
        // Full case folding, which Qt's leaves out for the sharp s: "straße" is "strasse".
        return decomposed.toCaseFolded().replace(QChar(u'ß'), QLatin1String("ss"));
    }
};

const FoldTable &foldTable()
{
    static const FoldTable table;
    return table;
}

bool onlyTableLetters(QStringView text, const FoldTable &table)
{
    for (const QChar c : text) {
        if (c.unicode() >= kTableEnd || !table.single[c.unicode()])
            return false;
    }
    return true;
}

// Fold() into buffer, which keeps its memory from one text to the next.
QStringView foldInto(QString &buffer, QStringView text)
{
    const FoldTable &table = foldTable();
    if (!onlyTableLetters(text, table)) {
        buffer = FoldTable::foldSlowly(text);
        return buffer;
    }
    buffer.resize(text.size());
    QChar *out = buffer.data();
    for (const QChar c : text)
        *out++ = QChar(table.folded[c.unicode()]);
    return buffer;
}

// A first look at a contact's stored text (its lines as book.db holds them, UTF-8) for an
// ASCII query: false only when no field of it can hold the query, so that the fields of the
// few others alone are read. The text is folded byte by byte as Fold() folds its characters;
// text with a character beyond the table, or not UTF-8, may hold anything.
class StoredTextCheck
{
public:
    explicit StoredTextCheck(const QString &folded)
    {
        const bool ascii =
            std::all_of(folded.begin(), folded.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (!ascii || folded.isEmpty())
            return;
        m_query = folded.toLatin1();
        // Horspool's shifts, for a letter in either case, so text needs no folding to look.
        const qsizetype last = m_query.size() - 1;
        m_shift.fill(m_query.size());
        for (qsizetype i = 0; i < last; ++i) {
            const auto c = static_cast<unsigned char>(m_query[i]);
            m_shift[c] = last - i;
            if (c >= 'a' && c <= 'z')
                m_shift[c - ('a' - 'A')] = last - i;
        }
    }

    bool usable() const { return !m_query.isEmpty(); }

    bool mayHold(QByteArrayView stored) const
    {
        const auto *const begin = reinterpret_cast<const unsigned char *>(stored.data());
        const auto *const end = begin + stored.size();
        const unsigned char *in = asciiRunEnd(begin, end);
        // Most contacts are plain ASCII: looked at where they stand.
        if (in == end)
            return find(stored);
        const FoldTable &table = foldTable();
        thread_local QByteArray buffer;
        buffer.resize(stored.size());
        char *out = buffer.data();
        const unsigned char *run = begin;
        while (true) {
            std::memcpy(out, run, std::size_t(in - run));
            out += in - run;
            if (in == end)
                break;
            const unsigned char b = *in;
            if ((b & 0xE0) != 0xC0 || end - in < 2 || (in[1] & 0xC0) != 0x80)
                return true;
            const unsigned code = (unsigned(b & 0x1F) << 6) | (in[1] & 0x3F);
            if (code < 0x80 || code >= kTableEnd || table.asByte[code] == FoldTable::kUnknown)
                return true;
            *out++ = table.asByte[code];
            run = in + 2;
            in = asciiRunEnd(run, end);
        }
        return find(QByteArrayView(buffer.constData(), out - buffer.constData()));
    }

private:
    // Where the ASCII that starts at in ends: eight octets at a time, as most text is ASCII.
    static const unsigned char *asciiRunEnd(const unsigned char *in, const unsigned char *end)
    {
        for (quint64 word; end - in >= 8; in += 8) {
            std::memcpy(&word, in, sizeof word);
            if (word & 0x8080808080808080ULL)
                break;
        }
        while (in < end && *in < 0x80)
            ++in;
        return in;
    }

    static char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; }

    // The query where text starts, ASCII letters of text in either case.
    bool matchesAt(const char *text) const
    {
        for (qsizetype i = 0; i < m_query.size(); ++i) {
            if (lower(text[i]) != m_query[i])
                return false;
        }
        return true;
    }

    // The query in text, ASCII letters of text in either case.
    bool find(QByteArrayView text) const
    {
        const qsizetype size = m_query.size();
        const char *const query = m_query.constData();
        qsizetype at = 0;
#if defined(__SSE2__)
        // Sixteen places at a time: those whose first and last characters are the query's,
        // ignoring the case bit (which lets a few others through), are looked at in full. A
        // contact's text holds the query's common letters everywhere, so Horspool's shifts
        // stay short.
        if (size >= 2) {
            const __m128i caseBit = _mm_set1_epi8(0x20);
            const __m128i first = _mm_set1_epi8(char(query[0] | 0x20));
            const __m128i last = _mm_set1_epi8(char(query[size - 1] | 0x20));
            for (; at + size - 1 + 16 <= text.size(); at += 16) {
                const char *here = text.data() + at;
                const __m128i starts =
                    _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(here)), caseBit);
                const __m128i ends = _mm_or_si128(
                    _mm_loadu_si128(reinterpret_cast<const __m128i *>(here + size - 1)), caseBit);
                auto candidates = unsigned(_mm_movemask_epi8(
                    _mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
                for (; candidates != 0; candidates &= candidates - 1) {
                    if (matchesAt(here + std::countr_zero(candidates)))
                        return true;
                }
            }
        }
#endif
        for (; at + size <= text.size();) {
            qsizetype i = size - 1;
            while (lower(text[at + i]) == query[i]) {
                if (i == 0)
                    return true;
                --i;
            }
            at += m_shift[static_cast<unsigned char>(text[at + size - 1])];
        }
        return false;
    }

    QByteArray m_query;
    std::array<qsizetype, 256> m_shift{};
};

QString digitsOf(QStringView text)
{
    QString digits;
    for (const QChar c : text) {
        if (c.isDigit())
            digits += c;
    }
    return digits;
}

// A query that looks like a phone number: digits and the marks numbers are written with.
bool looksLikeNumber(QStringView query)
{
    bool digit = false;
    for (const QChar c : query) {
        if (c.isDigit())
            digit = true;
        else if (!QStringView(u" +-()./").contains(c))
            return false;
    }
    return digit;
}

struct Labelled
{
    std::size_t key;
    QLatin1String label;
    std::size_t extension; // ContactFields.size(): none
};

constexpr std::size_t kNone = ContactFields.size();

constexpr std::array<Labelled, 4> emailFields = {{
    {ContactFieldIndex("pEmailAddress"), QLatin1String("main"), kNone},
    {ContactFieldIndex("pOtherEmail"), QLatin1String("other"), kNone},
    {ContactFieldIndex("hEmail"), QLatin1String("home"), kNone},
    {ContactFieldIndex("wEmail"), QLatin1String("work"), kNone},
}};

constexpr std::array<Labelled, 7> phoneFields = {{
    {ContactFieldIndex("pMobile"), QLatin1String("mobile"), kNone},
    {ContactFieldIndex("hPhone"), QLatin1String("home"), ContactFieldIndex("hPhoneExt")},
    {ContactFieldIndex("wPhoneNumber"), QLatin1String("work"), ContactFieldIndex("wPhoneExt")},
    {ContactFieldIndex("hFax"), QLatin1String("home fax"), kNone},
    {ContactFieldIndex("wFax"), QLatin1String("work fax"), kNone},
    {ContactFieldIndex("hPager"), QLatin1String("pager"), kNone},
    {ContactFieldIndex("wPager"), QLatin1String("work pager"), kNone},
}};

constexpr std::array<std::size_t, 2> nameFields = {ContactFieldIndex("pRealName"),
                                                   ContactFieldIndex("pNickName")};

// The keys a query reads, and where each one's value is in what it reads: a mail client's query
// reads the names and e-mail addresses alone, the fewer the faster.
struct QueryKeys
{
    QStringList keys;
    std::array<qsizetype, ContactFields.size()> at{};

    explicit QueryKeys(bool phones)
    {
        at.fill(-1);
        const auto add = [this](std::size_t key) {
            if (at[key] < 0) {
                at[key] = keys.size();
                keys.append(ContactFields[key].key);
            }
        };
        for (std::size_t key : nameFields)
            add(key);
        for (const Labelled &field : emailFields)
            add(field.key);
        for (const Labelled &field : phoneFields) {
            if (!phones)
                break;
            add(field.key);
            if (field.extension != kNone)
                add(field.extension);
        }
    }
};

const QueryKeys &queryKeys(bool phones)
{
    static const QueryKeys emails(false);
    static const QueryKeys numbers(true);
    return phones ? numbers : emails;
}

class ContactQuery
{
public:
    ContactQuery(const QString &query, bool phones)
        : m_query(query), m_stored(TQueryText::Fold(query.trimmed())), m_phones(phones),
          m_digits(phones && looksLikeNumber(query) ? digitsOf(query) : QString())
    {}

    /// The first look at a contact's stored text can leave it out.
    bool mayMatch(QByteArrayView stored) const
    {
        return !m_stored.usable() || !m_digits.isEmpty() || m_stored.mayHold(stored);
    }

    void add(const QString &contact, const QStringList &values, QList<TFoundAddress> &found) const
    {
        const QueryKeys &keys = queryKeys(m_phones);
        const auto value = [&](std::size_t key) -> const QString & {
            return values[keys.at[key]];
        };
        if (!matches(contact, value))
            return;
        const QString &realName = value(ContactFieldIndex("pRealName"));
        const QString name = realName.trimmed().isEmpty() ? contact : realName;
        const auto &fields = m_phones ? std::span<const Labelled>(phoneFields)
                                      : std::span<const Labelled>(emailFields);
        for (const Labelled &field : fields) {
            // Other addresses are one a line.
            for (const QStringView item : QStringTokenizer{value(field.key), u'|'}) {
                const QStringView address = item.trimmed();
                if (address.isEmpty())
                    continue;
                QString shown = address.toString();
                if (field.extension != kNone && !value(field.extension).trimmed().isEmpty())
                    shown += QStringLiteral(" ext. ") + value(field.extension).trimmed();
                found.append({shown, name, field.label, contact});
            }
        }
    }

private:
    template <typename Value> bool matches(const QString &contact, const Value &value) const
    {
        if (m_query.FoundIn(contact))
            return true;
        for (std::size_t key : nameFields) {
            if (m_query.FoundIn(value(key)))
                return true;
        }
        for (const Labelled &field : emailFields) {
            if (m_query.FoundIn(value(field.key)))
                return true;
        }
        if (!m_phones)
            return false;
        for (const Labelled &field : phoneFields) {
            const QString &number = value(field.key);
            if (m_query.FoundIn(number) ||
                (!m_digits.isEmpty() && digitsOf(number).contains(m_digits)))
                return true;
        }
        return false;
    }

    TQueryText m_query;
    StoredTextCheck m_stored;
    bool m_phones;
    QString m_digits; // of a query that looks like a number
};

// A large book is read on every processor at once, a part each, in book order.
constexpr qsizetype kContactsPerPart = 5000;

QList<TFoundAddress> find(const TProfile &profile, const QString &query, bool phones)
{
    const ContactQuery contactQuery(query, phones);
    const TProfile::ConcurrentFieldReads reads(profile, queryKeys(phones).keys);
    const auto findIn = [&](qsizetype from, qsizetype to) {
        QList<TFoundAddress> found;
        reads.ForEachStoredContact(from, to, [&](QStringView name, QByteArrayView stored) {
            if (!contactQuery.mayMatch(stored))
                return;
            const QString contact = name.toString();
            contactQuery.add(contact, reads.ReadFields(contact), found);
        });
        return found;
    };
    const qsizetype end = reads.StoredContactEnd();
    const qsizetype parts =
        std::clamp<qsizetype>(end / kContactsPerPart, 1, QThread::idealThreadCount());
    std::vector<std::future<QList<TFoundAddress>>> later;
    for (qsizetype part = 1; part < parts; ++part)
        later.push_back(
            std::async(std::launch::async, findIn, end * part / parts, end * (part + 1) / parts));
    QList<TFoundAddress> found = findIn(0, end / parts);
    for (auto &part : later)
        found += part.get();
    return found;
}

} // namespace

TQueryText::TQueryText(const QString &query) : m_folded(Fold(query.trimmed())) {}

bool TQueryText::FoundIn(QStringView text) const
{
    if (m_folded.isEmpty())
        return true;
    thread_local QString buffer;
    return foldInto(buffer, text).contains(m_folded);
}

QString TQueryText::Fold(QStringView text)
{
    QString folded;
    return foldInto(folded, text).toString();
}

QList<TFoundAddress> FindEmailAddresses(const TProfile &profile, const QString &query)
{
    return find(profile, query, false);
}

QList<TFoundAddress> FindPhoneNumbers(const TProfile &profile, const QString &query)
{
    return find(profile, query, true);
}
