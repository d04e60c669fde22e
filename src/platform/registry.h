#pragma once

#include <QString>

/// The start-with-login entry: on Windows the value "Quenlark Calbrey" of the user's Run key,
/// elsewhere the freedesktop autostart entry quenlark-calbrey.desktop. Either starts the
/// program with "-tray".

/// Writes the entry for the executable at executablePath (replacing an earlier one) when on
/// is true; removes it when on is false and leaves everything alone when there is none.
/// Throws CalbreyError when the entry cannot be written or removed.
void SetStartWithLogin(bool on, const QString &executablePath);
/// True when the entry exists.
bool StartWithLoginExists();

/// The command line the entry starts, in the entry's own quoting: the quoted executable
/// path, a blank and "-tray".
QString StartWithLoginCommand(const QString &executablePath);

#ifndef Q_OS_WIN
/// The autostart file: $XDG_CONFIG_HOME/autostart/quenlark-calbrey.desktop (~/.config when
/// XDG_CONFIG_HOME is not set).
QString AutostartEntryPath();
/// Tests: puts the autostart entry into folder instead; an empty folder restores the real one.
void SetAutostartFolder(const QString &folder);
/// The content of the autostart file for the executable at executablePath.
QByteArray AutostartEntryContent(const QString &executablePath);
#endif
