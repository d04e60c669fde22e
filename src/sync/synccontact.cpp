#include "sync/synccontact.h"

#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"
#include "vcard/vcardfile.h"
#include "vcard/vcardmapping.h"
#include "vcard/vcardreader.h"

#include <QCryptographicHash>

const QStringList &SyncContactKeys()
{
    static const QStringList keys = [] {
        QStringList list = ContactFieldKeys();
        list << QLatin1String(VCardExtraKey) << QLatin1String(ContactUidKey);
        return list;
    }();
    return keys;
}

qsizetype SyncExtraIndex()
{
    return qsizetype(ContactFields.size());
}

qsizetype SyncUidIndex()
{
    return qsizetype(ContactFields.size()) + 1;
}

QString TSyncContact::Uid() const
{
    return values.value(SyncUidIndex());
}

void TSyncContact::SetUid(const QString &uid)
{
    while (values.size() < SyncContactKeys().size())
        values.append(QString());
    values[SyncUidIndex()] = uid;
}

QByteArray CardOfContact(const TSyncContact &contact)
{
    QByteArray card;
    AppendVCard(card, contact.name, contact.values, TVCardVersion::V30);
    return card;
}

TSyncContact ContactOfCard(const QByteArray &card)
{
    const TVCardReadResult read = ReadVCards(card);
    if (read.cards.isEmpty())
        return {};
    const TImportedContact imported = ContactFromVCard(read.cards.first());
    TSyncContact contact;
    contact.name = imported.name;
    contact.values = QStringList(SyncContactKeys().size());
    for (const auto &[key, value] : imported.fields) {
        const qsizetype at = SyncContactKeys().indexOf(key);
        if (at >= 0)
            contact.values[at] = value;
    }
    return contact;
}

QString ContactDigest(const TSyncContact &contact)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(CardOfContact(contact), QCryptographicHash::Sha256).toHex());
}

QList<TSyncContact> ReadSyncContacts(const TProfile &profile)
{
    QStringList names;
    profile.GetContactNames(names);
    QList<TSyncContact> contacts;
    contacts.reserve(names.size());
    const TProfile::ConcurrentFieldReads reads(profile, SyncContactKeys());
    for (const QString &name : names)
        contacts.append({name, reads.ReadFields(name)});
    return contacts;
}

TSyncContact ReadSyncContact(const TProfile &profile, const QString &name)
{
    if (!profile.ContactExists(name))
        return {};
    return {name, profile.ReadFields(name, SyncContactKeys())};
}
