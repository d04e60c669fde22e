#pragma once

#include <QString>
#include <optional>

class QWidget;

/// What a feature of the main window (its reports, imports, profile commands, options ...) may
/// ask of the window: a parent for its dialogs, the contact the user has chosen, and bringing
/// the window into line after the feature changed the profile. The window implements it; a
/// feature depends on this alone, so it can be tried against a stand-in.
class TMainWindowHost
{
public:
    virtual ~TMainWindowHost() = default;

    /// The window, as the parent of the feature's dialogs and objects.
    virtual QWidget &Window() = 0;
    /// The name of the contact selected in the list, if one is.
    virtual std::optional<QString> SelectedContact() const = 0;
    /// Refills the list and the category box; keepSelection keeps the category and the
    /// contact shown before where they still exist.
    virtual void ReloadContactList(bool keepSelection) = 0;
    /// Brings caption, list, categories, tray icon, view and search bar into line with the
    /// active profile (after a restore, a profile switch, the options).
    virtual void ApplyProfileToWindow() = 0;
    /// Empties the list, so that nothing of a profile about to change can be chosen.
    virtual void ClearContactList() = 0;

protected:
    TMainWindowHost() = default;
    TMainWindowHost(const TMainWindowHost &) = default;
    TMainWindowHost &operator=(const TMainWindowHost &) = default;
};
