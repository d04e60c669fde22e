#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class TProfile;

/// A contact as the sync compares, merges and sends it: its name and the values of
/// SyncContactKeys() as book.db stores them.
struct TSyncContact
{
    QString name;
    QStringList values;

    QString Uid() const;
    void SetUid(const QString &uid);
    bool operator==(const TSyncContact &) const = default;
};

/// The contact fields, then xVCardExtra (what no field holds) and xUID.
const QStringList &SyncContactKeys();
/// The places of the two keys of our own in SyncContactKeys().
qsizetype SyncExtraIndex();
qsizetype SyncUidIndex();

/// The contact as a vCard 3.0, the form it has on the server.
QByteArray CardOfContact(const TSyncContact &contact);
/// The card's contact; an empty name when the card cannot be read or names nothing.
TSyncContact ContactOfCard(const QByteArray &card);
/// What a local change is found by: a digest of the contact's card, so every key the card
/// holds counts, however the contact was changed.
QString ContactDigest(const TSyncContact &contact);

/// Every contact of the profile, in book order.
QList<TSyncContact> ReadSyncContacts(const TProfile &profile);
/// The named contact, or one with an empty name when there is none.
TSyncContact ReadSyncContact(const TProfile &profile, const QString &name);
