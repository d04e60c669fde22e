#include "profiles/synclink.h"

#include "platform/inifile.h"
#include "profiles/inivalue.h"
#include "profiles/untprofiles.h"

namespace {

const QString section = QStringLiteral("Sync");
const QString serverKey = QStringLiteral("Server");
const QString userKey = QStringLiteral("User");
const QString bookKey = QStringLiteral("Address Book");
const QString lastKey = QStringLiteral("Last Sync");
const QString intervalKey = QStringLiteral("Interval Minutes");
const QString onStartKey = QStringLiteral("Sync On Start");
const QString certificateKey = QStringLiteral("Trusted Certificate");
} // namespace

// config.ini is the profile's; it writes its settings key by key over the file as it is on
// disk, so the section written beside them is never lost.
TSyncLink ReadSyncLink(const TProfile &profile)
{
    const IniFile file(profile.GetProfileInfo(1));
    TSyncLink link;
    link.server = file.readString(section, serverKey);
    link.user = file.readString(section, userKey);
    link.bookUrl = file.readString(section, bookKey);
    link.lastSync = QDateTime::fromString(file.readString(section, lastKey), Qt::ISODate);
    link.intervalMinutes =
        qMax(0, ParseIniInteger(file.readString(section, intervalKey)).value_or(0));
    link.syncOnStart = ParseIniInteger(file.readString(section, onStartKey)).value_or(0) != 0;
    link.trustedCertificate = file.readString(section, certificateKey);
    return link;
}

void WriteSyncLink(const TProfile &profile, const TSyncLink &link)
{
    IniFile file(profile.GetProfileInfo(1));
    IniFile::Batch batch(file);
    file.writeString(section, serverKey, QuoteIniValue(link.server));
    file.writeString(section, userKey, QuoteIniValue(link.user));
    file.writeString(section, bookKey, QuoteIniValue(link.bookUrl));
    file.writeString(section, lastKey,
                     link.lastSync.isValid() ? link.lastSync.toUTC().toString(Qt::ISODate)
                                             : QString());
    file.writeString(section, intervalKey, QString::number(link.intervalMinutes));
    file.writeString(section, onStartKey,
                     link.syncOnStart ? QStringLiteral("1") : QStringLiteral("0"));
    file.writeString(section, certificateKey, link.trustedCertificate);
    batch.commit();
}

void RemoveSyncLink(const TProfile &profile)
{
    IniFile file(profile.GetProfileInfo(1));
    IniFile::Batch batch(file);
    file.deleteSection(section);
    batch.commit();
}
