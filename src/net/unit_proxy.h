#pragma once

#include <QString>
#include <optional>

/// The HTTP proxy of the update check, kept once for the whole computer (every profile and
/// every user sees the same one) in the machine-wide key "Software\Quenlark\Common\Proxy
/// Settings": "Proxy Server" (text; empty means no proxy) and "Proxy Port" (an integer).
/// Every call opens the key, creating it with both defaults ("" and 0) when they are missing.

/// Throws CalbreyError "Failed to set data for 'Proxy Server'" when the defaults cannot be
/// written, and "Invalid data type for '<name>'" when a value is stored with another type.
void ReadProxySettings(QString &server, int &port);
/// Throws "Failed to set data for 'Proxy Server'" when the values cannot be written.
void WriteProxySettings(const QString &server, int port);

/// The port typed into the options dialog: a decimal number from 0 to 65535, blanks around it
/// allowed; nullopt for anything else.
std::optional<int> ParseProxyPort(const QString &text);
/// The options dialog's OK: the server with the typed port, or, when the port is no valid
/// port or that write fails, an empty server and the port 0 (no proxy rather than one that
/// can never be reached). Throws when even that cannot be written.
void StoreProxyFromText(const QString &server, const QString &portText);
