#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// The properties the client asks a CardDAV server for.
enum class TDavProperty
{
    ResourceType,
    DisplayName,
    CurrentUserPrincipal,
    AddressBookHomeSet,
    ETag,
    SyncToken,
    AddressData,
};

/// The body of a PROPFIND asking for properties.
QByteArray DavPropfindBody(const QList<TDavProperty> &properties);
/// The body of a sync-collection REPORT: the changes since token (empty: every card), with
/// their ETags, and with withCards their vCards too.
QByteArray DavSyncCollectionBody(const QString &token, bool withCards);
/// The body of an addressbook-multiget REPORT for the cards at hrefs, with ETag and vCard.
QByteArray DavMultigetBody(const QStringList &hrefs);
