#pragma once

#include <QObject>

/// Work that runs on the event loop beside the user's (a server sync). A command that
/// replaces the active profile or its files (a restore, switching or deleting a profile)
/// stops it first, so it never writes into a profile that is going away.
class TBackgroundWork : public QObject
{
    Q_OBJECT

public:
    static TBackgroundWork &Instance();

    /// Stops all background work; returns once it has stopped.
    static void StopAll();

signals:
    /// Receivers stop their work before they return.
    void stopRequested();

private:
    TBackgroundWork() = default;
};
