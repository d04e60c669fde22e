#include "sync/cardmerge.h"

TCardMerge MergeContact(const TSyncContact &base, const TSyncContact &local,
                        const TSyncContact &server)
{
    const QStringList &keys = SyncContactKeys();
    TCardMerge result;
    const auto pick = [&result](const QString &key, const QString &b, const QString &ours,
                                const QString &theirs) {
        if (ours == theirs || ours == b)
            return theirs;
        if (theirs == b)
            return ours;
        result.conflicts.append(key);
        return theirs;
    };
    result.merged.values.reserve(keys.size());
    for (qsizetype i = 0; i < keys.size(); ++i) {
        // The card is known by the server's UID; ours only when the server's has none.
        if (i == SyncUidIndex()) {
            const QString theirs = server.values.value(i);
            result.merged.values.append(theirs.isEmpty() ? local.values.value(i) : theirs);
            continue;
        }
        result.merged.values.append(
            pick(keys[i], base.values.value(i), local.values.value(i), server.values.value(i)));
    }
    // The name is the first field: it was merged with it.
    result.merged.name = result.merged.values.value(0);
    if (result.merged.name.isEmpty())
        result.merged.name = server.name.isEmpty() ? local.name : server.name;
    return result;
}
