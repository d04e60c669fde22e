#pragma once

#include "sync/synccontact.h"
#include "sync/syncstate.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

/// A card the server holds that is new or changed since the last sync, as fetched.
struct TServerCard
{
    QString href;
    QString etag;
    QByteArray data;
};

/// What a sync decides from.
struct TSyncPlanInput
{
    /// Every contact here.
    QList<TSyncContact> local;
    /// The last sync's records, by UID.
    QHash<QString, TSyncRecord> state;
    /// The server's cards that are new or whose ETag changed.
    QList<TServerCard> changed;
    /// The server's cards that are gone.
    QStringList removedHrefs;
    /// The region phone numbers without a country code are read in (pairing).
    QString phoneRegion;
};

enum class TSyncActionKind
{
    Upload,      // new on the server (If-None-Match: *); the UID is written here when it was new
    Update,      // our change replaces the server's card (If-Match)
    RemoveThere, // deleted here: deleted on the server (If-Match)
    Download,    // a new contact here from the server's card
    Replace,     // the server's card replaces the contact here
    Merge,       // changed on both sides: merged here and, when it differs, sent
    RemoveHere,  // deleted on the server: the contact goes to the trash
    Record,      // both sides already agree: only the sync's memory changes
    Forget,      // gone on both sides
};

struct TSyncAction
{
    TSyncActionKind kind = TSyncActionKind::Record;
    QString uid;
    /// The contact here the action concerns as it is now; empty when there is none.
    QString localName;
    /// What the contact is to be, here and on the server (its name one book.db can hold and
    /// no other contact has).
    TSyncContact contact;
    /// The server's card: its place and ETag as known (for a new card, empty).
    QString href;
    QString etag;
    /// The server's card as fetched, for the actions that read one.
    QByteArray serverCard;
    /// The contact here changes (Upload: only when it gets its UID).
    bool writeHere = false;
    /// The contact goes to the server.
    bool sendThere = false;
    /// The same field changed on both sides: our version goes to the trash.
    bool conflict = false;
};

struct TSyncPlan
{
    QList<TSyncAction> actions;
    qsizetype localCount = 0;
    qsizetype removedHere = 0;

    /// The listing would take more than half of the contacts here (a wrong address, a server
    /// emptied by mistake): the sync asks first.
    bool RemovesTooMany() const { return removedHere > 1 && removedHere * 2 > localCount; }
};

/// The plan that brings both sides to the same contacts without losing one: a change on one
/// side wins; changes on both are merged field by field (MergeContact); a deletion on one side
/// beats no change on the other, but a change beats a deletion; contacts never synced are
/// paired by UID, then by the same e-mail address, phone number or name words, and merged
/// rather than doubled. newUid makes the UID of a contact that has none.
TSyncPlan PlanSync(const TSyncPlanInput &input, const std::function<QString()> &newUid);
