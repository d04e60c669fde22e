#pragma once

#include <QString>

/// Starts the e-mail client on "mailto:" + address; reports a failure itself.
void SendEmail(const QString &address);
/// Starts the web browser on the address; reports a failure itself.
void OpenWebPage(const QString &address);
/// useShell: open text as a document with the system's handler; otherwise text is a command
/// line. True when the system reports that the start succeeded.
bool RunCommand(bool useShell, const QString &text);
