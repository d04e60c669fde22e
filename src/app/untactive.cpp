#include "app/untactive.h"

#include "app/untcommon.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "profiles/undohistory.h"
#include "profiles/untprofiles.h"

#include <memory>

bool ActivateProfile(const QString &name)
{
    if (ActiveProfile) {
        // Nothing may see the old profile while it saves its settings (which can show a box).
        std::unique_ptr<TProfile> closing(ActiveProfile);
        ActiveProfile = nullptr;
    }
    if (!ProfileExists(name)) {
        ShowMessageBox(QStringLiteral("Welcome to Quenlark Calbrey.  A new profile (by the name "
                                      "of \"") +
                           name +
                           QStringLiteral("\") will be created for you.  Your profile will store "
                                          "your address book and configuration options."),
                       QStringLiteral("Welcome to Quenlark Address Book."),
                       MessageBoxFlag::Information);
        if (!CreateProfile(name))
            return false;
    }
    try {
        ActiveProfile = new TProfile(name);
    } catch (const CalbreyError &error) {
        // A restore a crash interrupted that cannot be finished: the profile stays closed, as
        // its two files may not belong together.
        ShowGeneralError(error.message());
        return false;
    }
    // The Undo command now stands for this profile's last action.
    UndoHistory().ActiveProfileChanged();
    return true;
}

bool ChangeActiveProfile(const QString &name)
{
    const QString previous = ActiveProfile ? ActiveProfile->GetProfileInfo(2) : QString();
    if (ActivateProfile(name))
        return true;
    if (!ActiveProfile && !previous.isEmpty())
        ActivateProfile(previous);
    return false;
}

bool OpenStartupProfile()
{
    return ActivateProfile(GetWindowsUserName());
}
