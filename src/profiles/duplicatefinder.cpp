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
    QList<TPhoneForm> phones;
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

ContactKeys keysOf(const TDuplicateCandidate &contact, const QString &region)
{
    ContactKeys keys;
    const auto value = [&contact](Key key) { return contact.values.value(key); };
    QStringList addresses{value(PersonalEmail), value(HomeEmail), value(WorkEmail)};
    addresses += value(OtherEmails).split(QLatin1Char('|'));
    for (const QString &address : std::as_const(addresses)) {
        const QString email = NormalForm::Email(address);
        if (email.contains(QLatin1Char('@')) && !NormalForm::IsRoleAddress(email) &&
            !keys.emails.contains(email))
            keys.emails.append(email);
    }
    for (Key key : {Mobile, HomePhone, WorkPhone}) {
        const TPhoneForm phone = MakePhoneForm(value(key), region);
        if (phone.digits.size() >= FewestPhoneDigits)
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

class Grouper
{
public:
    void add(const QString &key, int contact, const QString &reason, int strength,
             bool weak = false)
    {
        Bucket &bucket = m_buckets[key];
        if (!bucket.members.isEmpty() && bucket.members.back() == contact)
            return;
        if (bucket.members.isEmpty()) {
            bucket.reason = reason;
            bucket.strength = strength;
            bucket.weak = weak;
        }
        bucket.members.append(contact);
    }
    QHash<QString, Bucket> &buckets() { return m_buckets; }

private:
    QHash<QString, Bucket> m_buckets;
};

void addPhones(Grouper &grouper, const std::vector<ContactKeys> &keys)
{
    // A number that could be read is grouped by E.164; one that could not is compared with
    // every other by its last seven digits, so the readable ones join its group as well.
    QSet<QString> unreadTails;
    for (const ContactKeys &contact : keys) {
        for (const TPhoneForm &phone : contact.phones) {
            if (phone.e164.isEmpty())
                unreadTails.insert(phone.key());
        }
    }
    for (int i = 0; i < int(keys.size()); ++i) {
        for (const TPhoneForm &phone : keys[std::size_t(i)].phones) {
            const QString reason = QStringLiteral("same phone ") + phone.shown();
            if (!phone.e164.isEmpty())
                grouper.add(QStringLiteral("p:") + phone.e164, i, reason, PhoneStrength);
            const QString tail = TPhoneForm{{}, phone.digits}.key();
            if (unreadTails.contains(tail))
                grouper.add(QStringLiteral("d:") + tail, i, reason, PhoneStrength);
        }
    }
}

Grouper groupKeys(const std::vector<ContactKeys> &keys)
{
    Grouper grouper;
    for (int i = 0; i < int(keys.size()); ++i) {
        const ContactKeys &contact = keys[std::size_t(i)];
        for (const QString &email : contact.emails)
            grouper.add(QStringLiteral("e:") + email, i, QStringLiteral("same e-mail ") + email,
                        EmailStrength);
        if (!contact.name.isEmpty())
            grouper.add(QStringLiteral("n:") + contact.name, i, QStringLiteral("same name"),
                        NameStrength);
        if (contact.similarName.isEmpty())
            continue;
        if (!contact.company.isEmpty())
            grouper.add(QStringLiteral("c:") + contact.similarName + QChar(u'\x1f') +
                            contact.company,
                        i, QStringLiteral("similar names, same company"), SimilarStrength, true);
        for (const QString &city : contact.cities)
            grouper.add(QStringLiteral("t:") + contact.similarName + QChar(u'\x1f') + city, i,
                        QStringLiteral("similar names, same city"), SimilarStrength, true);
    }
    addPhones(grouper, keys);
    return grouper;
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
            if (other != member && !notDuplicates.contains(TNotDuplicates::PairKey(
                                       names[member], names[other]))) {
                left.append(member);
                break;
            }
        }
    }
    return left;
}

QList<TDuplicateGroup> collectGroups(Grouper &grouper, const QStringList &names,
                                     const QSet<QString> &notDuplicates)
{
    // Buckets of the same members are one group with several reasons.
    struct Collected
    {
        QList<int> members;
        QList<const Bucket *> buckets;
    };
    QHash<QList<int>, Collected> byMembers;
    for (const Bucket &bucket : std::as_const(grouper.buckets())) {
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
            return a->strength != b->strength ? a->strength > b->strength
                                              : a->reason < b->reason;
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
                                 const QSet<QString> &notDuplicates)
{
    Grouper grouper = groupKeys(keys);
    return collectGroups(grouper, names, notDuplicates);
}

} // namespace

const QStringList &DuplicateFinderKeys()
{
    static const QStringList keys = {
        QStringLiteral("pEmailAddress"), QStringLiteral("hEmail"),
        QStringLiteral("wEmail"),        QStringLiteral("pOtherEmail"),
        QStringLiteral("pMobile"),       QStringLiteral("hPhone"),
        QStringLiteral("wPhoneNumber"),  QStringLiteral("wCompany"),
        QStringLiteral("hCitg"),         QStringLiteral("wCity"),
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
        keys.push_back(keysOf(candidate, phoneRegion));
    }
    return findAmong(names, keys, notDuplicates);
}

QList<TDuplicateGroup> FindDuplicatesInProfile(const TProfile &profile,
                                               const QString &phoneRegion,
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
                keys[std::size_t(i)] = keysOf({names[i], reads.ReadFields(names[i])}, phoneRegion);
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
    return findAmong(names, keys, notDuplicates);
}
