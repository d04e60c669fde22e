#pragma once

#include <QString>
#include <memory>

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

/// A key of the machine-wide settings, the same for every profile and every user of the
/// computer. On Windows the registry key keyPath under HKEY_LOCAL_MACHINE, created when
/// missing; elsewhere the section keyPath of the INI file storeFile, whose values carry their
/// type the way a registry export writes them: text as sz:"..." and integers as dword:
/// followed by eight hexadecimal digits. Values set are written together by flush().
class MachineKey
{
public:
    struct Value
    {
        enum Type
        {
            Missing,
            Text,
            Integer,
            OtherType,
        };
        Type type = Missing;
        QString text;
        quint32 number = 0;
    };

    MachineKey(const QString &keyPath, const QString &storeFile);
    ~MachineKey();
    MachineKey(const MachineKey &) = delete;
    MachineKey &operator=(const MachineKey &) = delete;

    /// The value as stored (or as set since the last flush).
    Value value(const QString &name) const;
    void setText(const QString &name, const QString &text);
    void setInteger(const QString &name, quint32 number);
    /// Writes the values set since the last flush in one replacement of the store. Throws
    /// CalbreyError("Failed to set data for '<name>'"), naming the first of them, when they
    /// cannot be written; the store then stays as it was.
    void flush();

private:
    [[noreturn]] void failToSet();

    struct Impl;
    std::unique_ptr<Impl> d;
};
