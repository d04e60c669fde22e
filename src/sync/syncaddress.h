#pragma once

#include <QString>
#include <QUrl>
#include <optional>

/// The server address the user typed, as a URL: https:// unless another scheme is given;
/// nothing when it is not an http(s) address with a host.
std::optional<QUrl> SyncServerUrl(const QString &typed);

/// Whether a password sent to url could be read by others on the way: plain http to any
/// machine but this one.
bool SyncPasswordTravelsUnencrypted(const QUrl &url);
