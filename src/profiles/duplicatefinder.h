#pragma once

// Contacts that are likely one person, found by grouping normalised keys (never by comparing
// every contact with every other): a shared e-mail address (not a shared mailbox such as
// info@), a shared phone number, the same set of name words; a similar name (initials left
// out, nicknames to their full name) only together with the same company or the same city.

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class TProfile;

/// What the finder reads of a contact: its name and its fields by key (as book.db stores them).
struct TDuplicateCandidate
{
    QString name;
    QStringList values; // in the order of DuplicateFinderKeys()
};

/// A group of contacts that are likely one person, with why, strongest reason first.
struct TDuplicateGroup
{
    QStringList names; // in book order
    QStringList reasons;
    int strength = 0; // the larger, the likelier
};

/// The keys of TDuplicateCandidate::values, in order.
const QStringList &DuplicateFinderKeys();

/// The groups among candidates, strongest first. phoneRegion reads numbers without a country
/// code (empty: the locale's). A group none of whose pairs is left after notDuplicates (as
/// TNotDuplicates::PairKey gives them) is not shown; a member who is "not a duplicate" of
/// every other is left out.
QList<TDuplicateGroup> FindDuplicates(const QList<TDuplicateCandidate> &candidates,
                                      const QString &phoneRegion,
                                      const QSet<QString> &notDuplicates);

/// Reports how far the reading went (done of total); returns false to stop.
using DuplicateProgress = std::function<bool(qsizetype done, qsizetype total)>;

/// FindDuplicates over every contact of profile; empty when progress said stop.
QList<TDuplicateGroup> FindDuplicatesInProfile(const TProfile &profile, const QString &phoneRegion,
                                               const QSet<QString> &notDuplicates,
                                               const DuplicateProgress &progress = {});
