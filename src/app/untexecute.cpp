#include "app/untexecute.h"

#include "app/untcommon.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "profiles/untprofiles.h"

namespace {
bool startPieces(const QStringList &pieces)
{
    if (pieces.isEmpty() || pieces.first().isEmpty())
        return false;
    return CurrentShellLauncher().startProgram(pieces.first(), pieces.mid(1));
}

// The template is split before the target goes in, so that blanks or quotes in an address can
// never turn into further arguments; the program is started directly, not through a shell.
bool runTemplate(const QString &commandTemplate, const QString &target)
{
    QStringList pieces = SplitCommandLine(commandTemplate);
    for (QString &piece : pieces)
        piece = ReplaceChar(piece, QLatin1Char('*'), target);
    return startPieces(pieces);
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}
} // namespace

bool RunCommand(bool useShell, const QString &text)
{
    if (useShell)
        return CurrentShellLauncher().openDocument(text);
    return startPieces(SplitCommandLine(text));
}

namespace {
// Starts target through the user's template when one is chosen, else through the system; a
// failure is reported with the message of the caller, whichever way was tried, also when the
// system's handler started but later found nothing to open the target with.
void launchOrReport(bool useCustom, const QString &commandTemplate, const QString &target,
                    const QString &failure, const QString &caption)
{
    const auto report = [failure, caption] {
        ShowMessageBox(failure, caption, MessageBoxFlag::Error);
    };
    const bool started = useCustom ? runTemplate(commandTemplate, target)
                                   : CurrentShellLauncher().openDocument(target, report);
    if (!started)
        report();
}
} // namespace

void SendEmail(const QString &address)
{
    const TProfile *profile = ActiveProfile;
    launchOrReport(
        profile && profile->UseCustomEmailClient, profile ? profile->CustomEmailClient : QString(),
        QStringLiteral("mailto:") + address,
        QStringLiteral("There may have been a problem sending an e-mail to ") + quoted(address) +
            QStringLiteral(" because your default e-mail client did not seem to "
                           "start.  Please make sure you have a default e-mail "
                           "client installed (such as Eudora, The Bat or Netscape "
                           "Mail) and try again."),
        QStringLiteral("Errors sending e-mail."));
}

void OpenWebPage(const QString &address)
{
    const TProfile *profile = ActiveProfile;
    launchOrReport(profile && profile->UseCustomWebBrowser,
                   profile ? profile->CustomWebBrowser : QString(), address,
                   QStringLiteral("There may have been a problem opening the web site ") +
                       quoted(address) +
                       QStringLiteral(" because your default web browser did not seem to "
                                      "start.  Please make sure you have a default web browser "
                                      "installed (such as Avant Brpwser, Mozilla or Opera) and "
                                      "try again."),
                   QStringLiteral("Errors opening web page."));
}
