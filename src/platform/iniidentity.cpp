#include "platform/iniidentity.h"

bool IsRecentlyChanged(const FileIdentity &identity, qint64 nowNs)
{
    if (!identity.exists)
        return false;
    constexpr qint64 second = 1'000'000'000;
    const bool wholeSeconds = identity.changedNs % second == 0 && identity.modifiedNs % second == 0;
    const qint64 trust = wholeSeconds ? kCoarseTimestampTrustNs : kFineTimestampTrustNs;
    // The change time cannot be set by programs, unlike the modification time. A change time
    // far in the future (a skewed file server) is not waited for.
    const qint64 age = nowNs - identity.changedNs;
    return age < trust && age > -trust;
}
