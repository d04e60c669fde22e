#pragma once

#include "sync/synccontact.h"

#include <QStringList>

/// The three-way merge of one contact changed on both sides since the last sync.
struct TCardMerge
{
    /// The merged contact.
    TSyncContact merged;
    /// The keys changed on both sides to different values: the server's value was taken, so
    /// our version goes to the trash.
    QStringList conflicts;
};

/// Field by field against base (the card as last synced; an empty contact when the two were
/// never synced, as at a first sync that pairs them): a field changed on one side takes that
/// change; changed on both to different values, the server's value. The name follows the
/// same rule; the UID is the server's (ours when its card has none).
TCardMerge MergeContact(const TSyncContact &base, const TSyncContact &local,
                        const TSyncContact &server);
