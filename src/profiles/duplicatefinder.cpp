#include "profiles/duplicatefinder.h"

#include "profiles/normalform.h"
#include "profiles/notduplicates.h"
#include "profiles/phoneform.h"
#include "profiles/untprofiles.h"

#include <QHash>
#include <algorithm>
#include <future>
#include <vector>

namespace {

// Indexes into TDuplicateCandidate::values.
enum Key
{
    PersonalEmail,
    HomeEmail,
    WorkEmail,
    OtherEmails,
    Mobile,
    HomePhone,
    WorkPhone,
    Company,
    HomeCity,
    WorkCity,
    KeyCount
};

// How much each reason counts; a group's strength is the sum of its reasons'.
constexpr int EmailStrength = 8;
constexpr int PhoneStrength = 6;
constexpr int NameStrength = 4;
constexpr int SimilarStrength = 1;
// A number or address shared by more contacts than this is a switchboard or a shared
// mailbox, not one person written down many times.
constexpr qsizetype LargestSharedGroup = 10;
// Fewer digits than this are an extension or a short code, not a number to compare.
constexpr qsizetype FewestPhoneDigits = 5;

struct ContactKeys
{
    QStringList emails;
    QStringList phones; // as written; read as numbers only when another shares their tail
    QString name;
    QString similarName;
    QString company;
    QStringList cities;
};

// The name without initials and with nicknames as their full names; empty when fewer than two
// words are left, as one word and a city are too common to mean anything.
QString similarNameKey(const QStringList &words)
{
    QStringList similar;
    for (const QString &word : words) {
        if (word.size() > 1)
            similar.append(NormalForm::NicknameRoot(word));
    }
    similar.sort();
    similar.removeDuplicates();
    return similar.size() < 2 ? QString() : similar.join(QLatin1Char(' '));
}

ContactKeys keysOf(const TDuplicateCandidate &contact)
{
    ContactKeys keys;
    const auto value = [&contact](Key key) {
        return contact.values.value(key);
    };
    QStringList addresses{value(PersonalEmail), value(HomeEmail), value(WorkEmail)};
    addresses += value(OtherEmails).split(QLatin1Char('|'));
    for (const QString &address : std::as_const(addresses)) {
        const QString email = NormalForm::Email(address);
        if (email.contains(QLatin1Char('@')) && !NormalForm::IsRoleAddress(email) &&
            !keys.emails.contains(email))
            keys.emails.append(email);
    }
    for (Key key : {Mobile, HomePhone, WorkPhone}) {
        const QString phone = value(key);
        if (NormalForm::Digits(phone).size() >= FewestPhoneDigits && !keys.phones.contains(phone))
            keys.phones.append(phone);
    }
    const QStringList words = NormalForm::NameWords(contact.name);
    keys.name = words.join(QLatin1Char(' '));
    keys.similarName = similarNameKey(words);
    keys.company = NormalForm::Text(value(Company).trimmed());
    for (Key key : {HomeCity, WorkCity}) {
        const QString city = NormalForm::Text(value(key).trimmed());
        if (!city.isEmpty() && !keys.cities.contains(city))
            keys.cities.append(city);
    }
    return keys;
}

// Contacts that share one key, and what that key says.
struct Bucket
{
    QList<int> members;
    QString reason;
    int strength = 0;
    bool weak = false;
};

// The contacts of each key of one kind. Most keys belong to one contact alone: those cost one
// entry, and only a key met again gets a list and, in the end, a reason.
class KeyGroups
{
public:
    KeyGroups(std::function<QString(const QString &key)> reason, int strength, bool weak,
              qsizetype expected)
        : m_reason(std::move(reason)), m_strength(strength), m_weak(weak)
    {
        m_first.reserve(expected);
    }

    void add(const QString &key, int contact)
    {
        const auto first = m_first.constFind(key);
        if (first == m_first.constEnd()) {
            m_first.insert(key, contact);
            return;
        }
        if (*first == contact)
            return;
        QList<int> &more = m_more[key];
        if (more.isEmpty())
            more.append(*first);
        if (more.back() != contact)
            more.append(contact);
    }

    void collect(std::vector<Bucket> &buckets) const
    {
        for (auto it = m_more.cbegin(); it != m_more.cend(); ++it)
            buckets.push_back({it.value(), m_reason(it.key()), m_strength, m_weak});
    }

private:
    std::function<QString(const QString &)> m_reason;
    int m_strength;
    bool m_weak;
    QHash<QString, int> m_first;
    QHash<QString, QList<int>> m_more;
};

// The last seven digits of a number (all of them when it has fewer): every way of writing one
// number ends in them, so only numbers that share them need reading as numbers.
QString phoneTail(const QString &phone)
{
    return TPhoneForm{{}, NormalForm::Digits(phone)}.key();
}

void addPhones(std::vector<Bucket> &buckets, const std::vector<ContactKeys> &keys,
               const QString &region)
{
    struct Written
    {
        int contact;
        const QString *phone;
    };
    // As in KeyGroups: a tail met once costs one entry.
    QHash<QString, Written> firstOfTail;
    firstOfTail.reserve(qsizetype(keys.size()) * 3);
    QHash<QString, QList<Written>> byTail;
    for (int i = 0; i < int(keys.size()); ++i) {
        for (const QString &phone : keys[std::size_t(i)].phones) {
            const QString tail = phoneTail(phone);
            const auto first = firstOfTail.constFind(tail);
            if (first == firstOfTail.constEnd()) {
                firstOfTail.insert(tail, {i, &phone});
                continue;
            }
            QList<Written> &more = byTail[tail];
            if (more.isEmpty())
                more.append(*first);
            more.append({i, &phone});
        }
    }
    QHash<QString, QString> tailReasons;
    KeyGroups readable([](const QString &e164) { return QStringLiteral("same phone ") + e164; },
                       PhoneStrength, false, 0);
    KeyGroups byDigits([&tailReasons](const QString &tail) { return tailReasons.value(tail); },
                       PhoneStrength, false, 0);
    for (auto it = byTail.cbegin(); it != byTail.cend(); ++it) {
        const QList<Written> &written = it.value();
        // Numbers that could be read are the same when their E.164 forms are; one that could
        // not be read is compared by its digits, so it joins every number of the tail.
        QList<TPhoneForm> forms;
        bool unread = false;
        for (const Written &each : written) {
            forms.append(MakePhoneForm(*each.phone, region));
            unread = unread || forms.back().e164.isEmpty();
        }
        for (qsizetype w = 0; w < written.size(); ++w) {
            if (!forms[w].e164.isEmpty())
                readable.add(forms[w].e164, written[w].contact);
            if (unread) {
                byDigits.add(it.key(), written[w].contact);
                if (!tailReasons.contains(it.key()) || !forms[w].e164.isEmpty())
                    tailReasons.insert(it.key(), QStringLiteral("same phone ") + forms[w].shown());
            }
        }
    }
    readable.collect(buckets);
    byDigits.collect(buckets);
}

std::vector<Bucket> groupByEmail(const std::vector<ContactKeys> &keys)
{
    KeyGroups emails([](const QString &email) { return QStringLiteral("same e-mail ") + email; },
                     EmailStrength, false, qsizetype(keys.size()) * 2);
    for (int i = 0; i < int(keys.size()); ++i) {
        for (const QString &email : keys[std::size_t(i)].emails)
            emails.add(email, i);
    }
    std::vector<Bucket> buckets;
    emails.collect(buckets);
    return buckets;
}

std::vector<Bucket> groupByName(const std::vector<ContactKeys> &keys)
{
    const auto fixed = [](const QString &reason) {
        return [reason](const QString &) {
            return reason;
        };
    };
    const qsizetype count = qsizetype(keys.size());
    KeyGroups names(fixed(QStringLiteral("same name")), NameStrength, false, count);
    KeyGroups companies(fixed(QStringLiteral("similar names, same company")), SimilarStrength, true,
                        count);
    KeyGroups cities(fixed(QStringLiteral("similar names, same city")), SimilarStrength, true,
                     count * 2);
    for (int i = 0; i < int(keys.size()); ++i) {
        const ContactKeys &contact = keys[std::size_t(i)];
        if (!contact.name.isEmpty())
            names.add(contact.name, i);
        if (contact.similarName.isEmpty())
            continue;
        if (!contact.company.isEmpty())
            companies.add(contact.similarName + QChar(u'\x1f') + contact.company, i);
        for (const QString &city : contact.cities)
            cities.add(contact.similarName + QChar(u'\x1f') + city, i);
    }
    std::vector<Bucket> buckets;
    for (const KeyGroups *kind : {&names, &companies, &cities})
        kind->collect(buckets);
    return buckets;
}

// The members left once the pairs the user ruled out are taken away: each one still paired
// with another.
QList<int> membersLeft(const QList<int> &members, const QStringList &names,
                       const QSet<QString> &notDuplicates)
{
    if (notDuplicates.isEmpty())
        return members;
    QList<int> left;
    for (int member : members) {
        for (int other : members) {
            if (other != member &&
                !notDuplicates.contains(TNotDuplicates::PairKey(names[member], names[other]))) {
                left.append(member);
                break;
            }
        }
    }
    return left;
}

QList<TDuplicateGroup> collectGroups(const std::vector<Bucket> &buckets, const QStringList &names,
                                     const QSet<QString> &notDuplicates)
{
    // Buckets of the same members are one group with several reasons.
    struct Collected
    {
        QList<int> members;
        QList<const Bucket *> buckets;
    };
    QHash<QList<int>, Collected> byMembers;
    for (const Bucket &bucket : buckets) {
        if (bucket.members.size() < 2)
            continue;
        if (bucket.members.size() > LargestSharedGroup && bucket.strength != NameStrength)
            continue;
        QList<int> members = bucket.members;
        std::sort(members.begin(), members.end());
        members.erase(std::unique(members.begin(), members.end()), members.end());
        members = membersLeft(members, names, notDuplicates);
        if (members.size() < 2)
            continue;
        Collected &collected = byMembers[members];
        collected.members = members;
        collected.buckets.append(&bucket);
    }

    // A similar name alone adds nothing to a group a strong reason already shows.
    QHash<int, QList<const QList<int> *>> strongGroupsOf;
    for (const Collected &collected : std::as_const(byMembers)) {
        const bool strong = std::any_of(collected.buckets.begin(), collected.buckets.end(),
                                        [](const Bucket *bucket) { return !bucket->weak; });
        if (strong) {
            for (int member : collected.members)
                strongGroupsOf[member].append(&collected.members);
        }
    }
    const auto coveredByStrong = [&strongGroupsOf](const QList<int> &members) {
        const QList<const QList<int> *> candidates = strongGroupsOf.value(members.first());
        return std::any_of(candidates.begin(), candidates.end(), [&members](const auto *strong) {
            return std::includes(strong->begin(), strong->end(), members.begin(), members.end());
        });
    };

    std::vector<std::pair<int, TDuplicateGroup>> groups; // with the first member's place
    for (const Collected &collected : std::as_const(byMembers)) {
        QList<const Bucket *> buckets = collected.buckets;
        const bool weakOnly = std::all_of(buckets.begin(), buckets.end(),
                                          [](const Bucket *bucket) { return bucket->weak; });
        if (weakOnly && coveredByStrong(collected.members))
            continue;
        std::sort(buckets.begin(), buckets.end(), [](const Bucket *a, const Bucket *b) {
            return a->strength != b->strength ? a->strength > b->strength : a->reason < b->reason;
        });
        TDuplicateGroup group;
        for (int member : collected.members)
            group.names.append(names[member]);
        for (const Bucket *bucket : std::as_const(buckets)) {
            if (!group.reasons.contains(bucket->reason)) {
                group.reasons.append(bucket->reason);
                group.strength += bucket->strength;
            }
        }
        groups.emplace_back(collected.members.first(), std::move(group));
    }
    // Strongest first; among equals, in book order.
    std::sort(groups.begin(), groups.end(), [](const auto &a, const auto &b) {
        if (a.second.strength != b.second.strength)
            return a.second.strength > b.second.strength;
        return a.first != b.first ? a.first < b.first : a.second.names < b.second.names;
    });
    QList<TDuplicateGroup> sorted;
    sorted.reserve(qsizetype(groups.size()));
    for (auto &group : groups)
        sorted.append(std::move(group.second));
    return sorted;
}

QList<TDuplicateGroup> findAmong(const QStringList &names, const std::vector<ContactKeys> &keys,
                                 const QString &region, const QSet<QString> &notDuplicates)
{
    // In two threads: the names on one, the e-mail addresses and phones on the other.
    auto byName = std::async(std::launch::async, [&keys] { return groupByName(keys); });
    std::vector<Bucket> buckets = groupByEmail(keys);
    addPhones(buckets, keys, region);
    std::vector<Bucket> named = byName.get();
    buckets.insert(buckets.end(), std::make_move_iterator(named.begin()),
                   std::make_move_iterator(named.end()));
    return collectGroups(buckets, names, notDuplicates);
}

} // namespace

const QStringList &DuplicateFinderKeys()
{
    static const QStringList keys = {
        QStringLiteral("pEmailAddress"), QStringLiteral("hEmail"),   QStringLiteral("wEmail"),
        QStringLiteral("pOtherEmail"),   QStringLiteral("pMobile"),  QStringLiteral("hPhone"),
        QStringLiteral("wPhoneNumber"),  QStringLiteral("wCompany"), QStringLiteral("hCitg"),
        QStringLiteral("wCity"),
    };
    Q_ASSERT(keys.size() == KeyCount);
    return keys;
}

QList<TDuplicateGroup> FindDuplicates(const QList<TDuplicateCandidate> &candidates,
                                      const QString &phoneRegion,
                                      const QSet<QString> &notDuplicates)
{
    QStringList names;
    std::vector<ContactKeys> keys;
    keys.reserve(std::size_t(candidates.size()));
    for (const TDuplicateCandidate &candidate : candidates) {
        names.append(candidate.name);
        keys.push_back(keysOf(candidate));
    }
    return findAmong(names, keys, phoneRegion, notDuplicates);
}

QList<TDuplicateGroup> FindDuplicatesInProfile(const TProfile &profile, const QString &phoneRegion,
                                               const QSet<QString> &notDuplicates,
                                               const DuplicateProgress &progress)
{
    QStringList names;
    std::vector<ContactKeys> keys;
    {
        const TProfile::ContactReadScope scope(profile);
        profile.GetContactNames(names);
        keys.resize(std::size_t(names.size()));
        const TProfile::ConcurrentFieldReads reads(profile, DuplicateFinderKeys());
        const auto read = [&](qsizetype from, qsizetype to) {
            for (qsizetype i = from; i < to; ++i)
                keys[std::size_t(i)] = keysOf({names[i], reads.ReadFields(names[i])});
        };
        // In steps, two threads each, so the window can show how far it got.
        constexpr qsizetype Step = 8192;
        for (qsizetype from = 0; from < names.size(); from += Step) {
            const qsizetype to = qMin(names.size(), from + Step);
            const qsizetype half = from + (to - from) / 2;
            auto later = std::async(std::launch::async, read, half, to);
            read(from, half);
            later.get();
            if (progress && !progress(to, names.size()))
                return {};
        }
    }
    return findAmong(names, keys, phoneRegion, notDuplicates);
}
