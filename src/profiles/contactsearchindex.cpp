#include "profiles/contactsearchindex.h"

#include "profiles/contactfields.h"
#include "profiles/normalform.h"
#include "profiles/untprofiles.h"

#include <algorithm>
#include <future>

namespace {

constexpr QChar Separator = u'\x1f';

const QStringList phoneKeys = {
    QStringLiteral("pMobile"),      QStringLiteral("hPhone"), QStringLiteral("hFax"),
    QStringLiteral("hPager"),       QStringLiteral("wPhoneNumber"), QStringLiteral("wFax"),
    QStringLiteral("wPager"),
};

bool isPhoneKey(const QString &key)
{
    return phoneKeys.contains(key, Qt::CaseInsensitive);
}

bool looksLikePhonePiece(QStringView word)
{
    bool digit = false;
    for (const QChar c : word) {
        if (c.isDigit())
            digit = true;
        else if (!QStringView(u"+-()./").contains(c))
            return false;
    }
    return digit;
}

// The fields the forgiving search looks in: every text field but the name, which the section
// name gives.
QStringList searchedKeys()
{
    QStringList keys;
    for (const ContactField &field : ContactFields) {
        if (field.kind != ContactFieldKind::Integer && field.key != QLatin1String("aContactName"))
            keys.append(field.key);
    }
    return keys;
}

bool containsAll(QStringView text, const QStringList &words)
{
    return std::all_of(words.begin(), words.end(),
                       [text](const QString &word) { return text.contains(word); });
}

} // namespace

namespace ForgivingSearch {

QStringList NeedleWords(QStringView findText)
{
    QStringList words;
    for (const QStringView piece : findText.split(u' ', Qt::SkipEmptyParts)) {
        const QStringView word = piece.trimmed();
        if (word.isEmpty())
            continue;
        words.append(looksLikePhonePiece(word) ? NormalForm::Digits(word)
                                               : NormalForm::Text(word));
    }
    // The longest word is the one the index scans for: it narrows the most.
    std::stable_sort(words.begin(), words.end(),
                     [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return words;
}

QString Haystack(const QStringList &keys, const QStringList &values)
{
    QString haystack;
    for (qsizetype i = 0; i < qMin(keys.size(), values.size()); ++i) {
        const QString &value = values[i];
        if (value.isEmpty())
            continue;
        haystack += Separator;
        haystack += NormalForm::Text(value);
        if (isPhoneKey(keys[i])) {
            haystack += Separator;
            haystack += NormalForm::Digits(value);
        }
    }
    return haystack;
}

bool Matches(QStringView haystack, const QStringList &words)
{
    return !words.isEmpty() && containsAll(haystack, words);
}

} // namespace ForgivingSearch

bool TContactSearchIndex::NeedsUpdate(const TProfile &profile) const
{
    const QString path = profile.GetProfileInfo(0);
    return !m_trusted || path != m_path || StatFile(path) != m_identity;
}

void TContactSearchIndex::Update(const TProfile &profile)
{
    if (!NeedsUpdate(profile))
        return;
    // Looked at before the reads: a change made while they run shows as a new identity.
    m_path = profile.GetProfileInfo(0);
    m_identity = StatFile(m_path);
    m_trusted = !IsRecentlyChanged(m_identity, WallClockNs());

    const QStringList keys = searchedKeys();
    QStringList names;
    std::vector<QString> haystacks;
    {
        const TProfile::ContactReadScope scope(profile);
        profile.GetContactNames(names);
        haystacks.resize(std::size_t(names.size()));
        const TProfile::ConcurrentFieldReads reads(profile, keys);
        const auto fill = [&](qsizetype from, qsizetype to) {
            for (qsizetype i = from; i < to; ++i)
                haystacks[std::size_t(i)] =
                    ForgivingSearch::Haystack(keys, reads.ReadFields(names[i]));
        };
        const qsizetype half = names.size() / 2;
        auto later = std::async(std::launch::async, fill, half, names.size());
        fill(0, half);
        later.get();
    }

    m_names = names;
    m_entryOf.clear();
    m_entryOf.reserve(names.size());
    m_starts.assign(std::size_t(names.size()) + 1, 0);
    m_restStarts.assign(std::size_t(names.size()), 0);
    m_text.clear();
    qsizetype length = 1;
    for (const QString &haystack : haystacks)
        length += haystack.size() + names.size() + 16;
    m_text.reserve(length);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!m_entryOf.contains(names[i])) // reads find the first section of a name
            m_entryOf.insert(names[i], i);
        m_starts[std::size_t(i)] = m_text.size();
        m_text += Separator;
        m_text += NormalForm::Text(names[i]);
        m_restStarts[std::size_t(i)] = m_text.size();
        m_text += haystacks[std::size_t(i)];
    }
    m_starts.back() = m_text.size();
    m_text += Separator;
}

QStringList TContactSearchIndex::Find(const QStringList &source, QStringView findText,
                                      bool nameField,
                                      const std::function<bool(const QString &)> &orName) const
{
    const QStringList words = ForgivingSearch::NeedleWords(findText);
    // Scan the whole text for the longest word; each hit names an entry, whose other words
    // are then looked for in its own text alone.
    std::vector<bool> matched(std::size_t(m_names.size()), false);
    const QStringView text(m_text);
    const QString first = words.value(0);
    const QStringList others = words.mid(1);
    qsizetype from = words.isEmpty() ? -1 : 0;
    while (from >= 0 && (from = text.indexOf(first, from)) >= 0) {
        const auto entryEnd = std::upper_bound(m_starts.begin(), m_starts.end(), from);
        const std::size_t entry = std::size_t(entryEnd - m_starts.begin()) - 1;
        if (entry >= matched.size())
            break;
        const qsizetype begin = nameField ? m_starts[entry] : m_restStarts[entry];
        const qsizetype end = m_starts[entry + 1];
        if (from < begin) {
            from = begin;
            continue;
        }
        matched[entry] = containsAll(text.mid(begin, end - begin), others);
        from = end;
    }
    QStringList found;
    for (const QString &name : source) {
        const auto entry = m_entryOf.constFind(name);
        if ((entry != m_entryOf.constEnd() && matched[std::size_t(*entry)]) ||
            (orName && orName(name)))
            found.append(name);
    }
    return found;
}
