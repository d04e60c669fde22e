#pragma once

#include <QList>
#include <QString>
#include <QStringView>

class TProfile;

/// A query text as a mail client's address lookup compares it: without regard to letter case
/// or accents, so "muller" finds "Müller" and "CHLOE" finds "Chloé".
class TQueryText
{
public:
    explicit TQueryText(const QString &query);
    /// The query occurs in text (the empty query in every text).
    bool FoundIn(QStringView text) const;
    /// text without case and accents: letters folded, combining marks left out.
    static QString Fold(QStringView text);

private:
    QString m_folded;
};

/// One address or number that a query found.
struct TFoundAddress
{
    QString address;
    /// The person's name: the real name, or the contact name when that is empty.
    QString name;
    /// Which field it is: for e-mail "main", "other", "home", "work"; for phones "mobile",
    /// "home", "work", "home fax", "work fax", "pager", "work pager".
    QString label;
    QString contact;
};

/// The e-mail addresses of every contact of profile that the query finds in its contact name,
/// real name, nick name or any of its e-mail addresses, in book order; a contact's main
/// address first, then its other, home and work addresses.
QList<TFoundAddress> FindEmailAddresses(const TProfile &profile, const QString &query);
/// The phone numbers (mobile, home, work, the faxes and pagers; an extension after its number)
/// of every contact that the query finds in its names, its e-mail addresses or its numbers.
QList<TFoundAddress> FindPhoneNumbers(const TProfile &profile, const QString &query);
