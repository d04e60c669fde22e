#include "cli/climessages.h"

#include "cli/clioutput.h"
#include "platform/messagebox.h"

namespace {
int errorsShown = 0;

bool isQuestion(int flags)
{
    const int buttons = flags & 0x0F;
    return buttons == MessageBoxFlag::YesNo || buttons == MessageBoxFlag::YesNoCancel;
}
} // namespace

void InstallCliMessageHandler()
{
    SetMessageBoxHandler([](const QString &text, const QString &, int flags) {
        if (isQuestion(flags)) {
            PrintError(text + QStringLiteral(" (answered no)"));
            return (flags & 0x0F) == MessageBoxFlag::YesNoCancel ? MessageBoxResult::Cancel
                                                                 : MessageBoxResult::No;
        }
        PrintError(text);
        if (flags & MessageBoxFlag::IconError)
            ++errorsShown;
        return MessageBoxResult::Ok;
    });
}

int CliErrorsShown()
{
    return errorsShown;
}
