#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

/// The server address the user typed, as a URL: https:// unless another scheme is given;
/// nothing when it is not an http(s) address with a host.
std::optional<QUrl> SyncServerUrl(const QString &typed);

/// Whether a password sent to url could be read by others on the way: plain http to any
/// machine but this one.
bool SyncPasswordTravelsUnencrypted(const QUrl &url);

/// A certificate's SHA-256 as people compare it: "AB:CD:...".
QString CertificateFingerprint(const QByteArray &sha256);

/// The SHA-256 a user typed or pasted (64 hexadecimal digits, any case, with or without ':' or
/// blanks between the pairs); nothing when it is not one.
std::optional<QByteArray> ParseCertificateFingerprint(const QString &typed);
