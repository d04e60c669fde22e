#pragma once

#include <QString>

/// Closes the active profile (saving its settings) and opens the named one, creating it with
/// the welcome message when it does not exist.
bool ActivateProfile(const QString &name);
/// Opens the profile named after the logged-in user.
bool OpenStartupProfile();
