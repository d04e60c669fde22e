#include "platform/shell.h"

#include <QProcess>

#ifdef Q_OS_WIN
#include <QDir>
#include <QFileInfo>

#include <qt_windows.h>
#include <shellapi.h>
#else
#include "platform/desktophandler.h"
#endif

namespace {
class SystemShellLauncher final : public ShellLauncher
{
public:
    bool openDocument(const QString &target, const LateLaunchFailure &onLateFailure) override
    {
        if (target.isEmpty())
            return false;
#ifdef Q_OS_WIN
        Q_UNUSED(onLateFailure); // the shell's answer is final
        // Our own paths are built with "/"; the shell does not take those for every file.
        const QString native =
            QFileInfo::exists(target) ? QDir::toNativeSeparators(target) : target;
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(native.utf16()), nullptr,
                          nullptr, SW_SHOW));
        return result > 32;
#else
        // A target that looks like an option is refused rather than passed as one.
        if (target.startsWith(QLatin1Char('-')))
            return false;
        return OpenWithDesktopHandler(target, onLateFailure);
#endif
    }

    bool startProgram(const QString &program, const QStringList &arguments) override
    {
        if (program.isEmpty())
            return false;
        return QProcess::startDetached(program, arguments);
    }
};

SystemShellLauncher &systemLauncher()
{
    static SystemShellLauncher launcher;
    return launcher;
}

ShellLauncher *&installedLauncher()
{
    static ShellLauncher *launcher = nullptr;
    return launcher;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}
} // namespace

ShellLauncher &CurrentShellLauncher()
{
    if (ShellLauncher *launcher = installedLauncher())
        return *launcher;
    return systemLauncher();
}

ShellLauncher *SetShellLauncher(ShellLauncher *launcher)
{
    ShellLauncher *previous = installedLauncher();
    installedLauncher() = launcher;
    return previous ? previous : &systemLauncher();
}

QStringList SplitCommandLine(const QString &commandLine)
{
    QStringList pieces;
    QString piece;
    // A piece can be empty yet present: `prog ""` passes one empty argument.
    bool inPiece = false;
    bool inQuotes = false;
    for (const QChar c : commandLine) {
        if (c == QLatin1Char('"')) {
            inQuotes = !inQuotes;
            inPiece = true;
        } else if (isBlank(c) && !inQuotes) {
            if (inPiece)
                pieces.append(piece);
            piece.clear();
            inPiece = false;
        } else {
            piece += c;
            inPiece = true;
        }
    }
    if (inPiece)
        pieces.append(piece);
    return pieces;
}
