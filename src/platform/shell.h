#pragma once

#include <QString>
#include <QStringList>
#include <functional>

/// Called when a target that was handed over turns out later not to have been opened: the
/// desktop's handler started, then ended with a failure (found nothing to open it with).
using LateLaunchFailure = std::function<void()>;

/// Hands documents and addresses to the system, and starts the user's own command lines.
/// Behind one replaceable interface so that tests see exactly what would have been started.
class ShellLauncher
{
public:
    virtual ~ShellLauncher() = default;
    /// Opens a document, a file or an address ("mailto:...", "http://...") with the system's
    /// handler for it. True when the handler could be started; should it fail after that,
    /// onLateFailure (when given) is called then, from the event loop.
    virtual bool openDocument(const QString &target,
                              const LateLaunchFailure &onLateFailure = {}) = 0;
    /// Starts program with arguments directly, never through a shell, without waiting for it.
    /// True when the program was started.
    virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;
};

/// The launcher in force (the system's, unless a test has installed its own).
ShellLauncher &CurrentShellLauncher();
/// Installs launcher (not owned; nullptr restores the system's) and returns the previous one.
ShellLauncher *SetShellLauncher(ShellLauncher *launcher);

/// Splits a command line into its pieces at blanks outside double quotes; the quotes that
/// group a piece are removed. `"C:\Program Files\x.exe" /a "b c"` -> 3 pieces.
QStringList SplitCommandLine(const QString &commandLine);
