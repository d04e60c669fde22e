#include "profiles/contactsearchindex.h"

#include "profiles/normalform.h"
#include "profiles/untprofiles.h"

#include <algorithm>
#include <functional>
#include <future>
#include <string_view>

namespace {

constexpr QChar Separator = u'\x1f';

const QStringList phoneKeys = {
    QStringLiteral("pMobile"), QStringLiteral("hPhone"),       QStringLiteral("hFax"),
    QStringLiteral("hPager"),  QStringLiteral("wPhoneNumber"), QStringLiteral("wFax"),
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

// The fields the forgiving search looks in, beside the name (the section's): what people
// search a person by. Web pages, messenger numbers and extensions are left out.
const QStringList searchedKeys = {
    QStringLiteral("pRealName"),     QStringLiteral("pNickName"), QStringLiteral("aContactCat"),
    QStringLiteral("pEmailAddress"), QStringLiteral("hEmail"),    QStringLiteral("wEmail"),
    QStringLiteral("pOtherEmail"),   QStringLiteral("pMobile"),   QStringLiteral("hPhone"),
    QStringLiteral("hFax"),          QStringLiteral("hPager"),    QStringLiteral("wPhoneNumber"),
    QStringLiteral("wFax"),          QStringLiteral("wPager"),    QStringLiteral("wCompany"),
    QStringLiteral("hCitg"),         QStringLiteral("wCity"),     QStringLiteral("hAddress"),
    QStringLiteral("wAddress"),      QStringLiteral("hZipCode"),  QStringLiteral("wZipCode"),
    QStringLiteral("hState"),        QStringLiteral("wState"),    QStringLiteral("hCountry"),
    QStringLiteral("wCountry"),      QStringLiteral("aNotes"),
};

bool containsAll(QStringView text, const QStringList &words)
{
    return std::all_of(words.begin(), words.end(),
                       [text](const QString &word) { return text.contains(word); });
}

bool containsAll(std::string_view text, const std::vector<QByteArray> &words)
{
    return std::all_of(words.begin(), words.end(), [text](const QByteArray &word) {
        return text.find(std::string_view(word.constData(), std::size_t(word.size()))) !=
               std::string_view::npos;
    });
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
        const QString normal =
            looksLikePhonePiece(word) ? NormalForm::Digits(word) : NormalForm::Text(word);
        if (!normal.isEmpty()) // a lone accent folds to nothing
            words.append(normal);
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
        NormalForm::AppendText(value, haystack);
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

    const QStringList &keys = searchedKeys;
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
    for (qsizetype i = 0; i < names.size(); ++i)
        length += haystacks[std::size_t(i)].size() + names[i].size() + 1;
    m_text.reserve(length + length / 8);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!m_entryOf.contains(names[i])) // reads find the first section of a name
            m_entryOf.insert(names[i], i);
        m_starts[std::size_t(i)] = m_text.size();
        m_text += char(Separator.unicode());
        m_text += NormalForm::Text(names[i]).toUtf8();
        m_restStarts[std::size_t(i)] = m_text.size();
        m_text += haystacks[std::size_t(i)].toUtf8();
    }
    m_starts.back() = m_text.size();
    m_text += char(Separator.unicode());
    m_last = {};
}

namespace {

// Whatever holds every word of words also holds every word of earlier: each earlier word is
// part of one of the new ones (the typing went on).
bool narrows(const QStringList &words, const QStringList &earlier)
{
    return !earlier.isEmpty() &&
           std::all_of(earlier.begin(), earlier.end(), [&words](const QString &old) {
               return std::any_of(words.begin(), words.end(),
                                  [&old](const QString &word) { return word.contains(old); });
           });
}

} // namespace

std::vector<bool> TContactSearchIndex::matchEntries(const QStringList &words, bool nameField) const
{
    std::vector<bool> matched(std::size_t(m_names.size()), false);
    if (words.isEmpty())
        return matched;
    const std::string_view text(m_text.constData(), std::size_t(m_text.size()));
    const auto part = [&](std::size_t entry) {
        const qsizetype begin = nameField ? m_starts[entry] : m_restStarts[entry];
        return text.substr(std::size_t(begin), std::size_t(m_starts[entry + 1] - begin));
    };
    std::vector<QByteArray> all;
    for (const QString &word : words)
        all.push_back(word.toUtf8());

    // A key typed after the last search: only what that search found can still match.
    if (m_last.nameField == nameField && narrows(words, m_last.words)) {
        for (std::size_t entry : m_last.entries)
            matched[entry] = containsAll(part(entry), all);
        return matched;
    }

    // Scan the whole text for the longest word; each hit names an entry, whose other words
    // are then looked for in its own text alone.
    const std::vector<QByteArray> others(all.begin() + 1, all.end());
    const std::string_view first(all.front().constData(), std::size_t(all.front().size()));
    const std::boyer_moore_horspool_searcher scan(first.begin(), first.end());
    qsizetype from = 0;
    while (from < qsizetype(text.size())) {
        const auto hit = std::search(text.begin() + from, text.end(), scan);
        if (hit == text.end())
            break;
        from = hit - text.begin();
        const auto entryEnd = std::upper_bound(m_starts.begin(), m_starts.end(), from);
        const std::size_t entry = std::size_t(entryEnd - m_starts.begin()) - 1;
        if (entry >= matched.size())
            break;
        const qsizetype begin = nameField ? m_starts[entry] : m_restStarts[entry];
        if (from < begin) {
            from = begin;
            continue;
        }
        matched[entry] = containsAll(part(entry), others);
        from = m_starts[entry + 1];
    }
    return matched;
}

QStringList TContactSearchIndex::Find(const QStringList &source, QStringView findText,
                                      bool nameField,
                                      const std::function<bool(const QString &)> &orName) const
{
    const QStringList words = ForgivingSearch::NeedleWords(findText);
    const std::vector<bool> matched = matchEntries(words, nameField);
    m_last = {words, nameField, {}};
    for (std::size_t entry = 0; entry < matched.size(); ++entry) {
        if (matched[entry])
            m_last.entries.push_back(entry);
    }

    QStringList found;
    // The list most often shows every contact, in the file's order: no name to look up then.
    if (source == m_names) {
        for (qsizetype i = 0; i < source.size(); ++i) {
            if (matched[std::size_t(i)] || (orName && orName(source[i])))
                found.append(source[i]);
        }
        return found;
    }
    for (const QString &name : source) {
        const auto entry = m_entryOf.constFind(name);
        if ((entry != m_entryOf.constEnd() && matched[std::size_t(*entry)]) ||
            (orName && orName(name)))
            found.append(name);
    }
    return found;
}
