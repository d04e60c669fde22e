#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class TProfile;

/// The profile's link to a CardDAV address book: section [Sync] of config.ini. The password
/// is never kept here.
struct TSyncLink
{
    /// What the user gave: a server address or an address book's URL.
    QString server;
    QString user;
    /// The address book found by discovery; empty until one was chosen.
    QString bookUrl;
    /// The end of the last sync that finished (UTC); invalid before the first.
    QDateTime lastSync;
    /// The window syncs every this many minutes (0: only by hand) and when it starts.
    int intervalMinutes = 0;
    bool syncOnStart = false;
    /// The SHA-256 of a certificate the user chose to trust for this link, in hexadecimal.
    QString trustedCertificate;

    /// Linked: there is an address book to sync with.
    bool IsLinked() const { return !bookUrl.isEmpty(); }
    bool operator==(const TSyncLink &) const = default;
};

TSyncLink ReadSyncLink(const TProfile &profile);
/// Every key in one replacement of config.ini; throws CalbreyError("Unable to write to" ...)
/// when it cannot be written, the file then as it was.
void WriteSyncLink(const TProfile &profile, const TSyncLink &link);
/// Removes the section.
void RemoveSyncLink(const TProfile &profile);
