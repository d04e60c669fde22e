#pragma once

#include "forms/main/frmmainform.h"

/// The main window on a desktop whose notification area the test puts there or takes away
/// (the test platform has none).
class TrayDesktopMainForm : public TMainForm
{
public:
    /// The desktop has a notification area now.
    bool trayAvailable = true;

protected:
    bool TrayAvailable() const override { return trayAvailable; }
};
