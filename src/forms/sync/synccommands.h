#pragma once

#include "forms/sync/syncrunner.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QProgressBar;
class TActionBar;
class TServerSync;
class TMainWindowHost;
struct TMainCommands;

/// The main window's server sync: "Server &Sync..." (the link's dialog) and "S&ync Now" (F5,
/// enabled while the profile is linked), the sync by the timer and at the start, the
/// progress in the action bar while a sync runs, and the list reloaded when contacts changed.
/// A sync the user started reports a failure in a message box; an automatic one notes it in
/// the dialog and, once until a sync succeeds again, in a balloon of the tray icon.
class TSyncCommands : public QObject
{
    Q_OBJECT

public:
    /// notify shows a balloon of the tray icon; false when the icon is not on.
    using Notifier = std::function<bool(const QString &title, const QString &text)>;

    TSyncCommands(TMainWindowHost &window, TMainCommands &commands, TActionBar &bar,
                  Notifier notify);
    ~TSyncCommands() override;

    void actServerSyncExecute();
    void actSyncNowExecute();
    /// A sync by the timer or at the start: only while no other window is open, and no
    /// message box about it.
    void SyncAutomatically();

    /// The Server Sync dialog over the window, bound to this window's syncs.
    std::unique_ptr<TServerSync> MakeDialog();
    TSyncRunner &Runner() { return *m_runner; }
    /// How long a "minute" of "Sync every N minutes" lasts (tests make it short).
    void SetMinuteLength(int milliseconds);
    void SetNotifier(Notifier notify) { m_notify = std::move(notify); }

private:
    void start(TSyncTrigger trigger, bool force);
    std::optional<QString> passwordFor(const TSyncLink &link, TSyncTrigger trigger);
    void progress(const QString &step, qsizetype done, qsizetype total);
    void finished(const TSyncResult &result, TSyncTrigger trigger);
    void automaticFailed(const QString &text);
    void minutePassed();
    void updateSyncNow();

    TMainWindowHost &m_window;
    QAction *m_syncNow;
    TSyncRunner *m_runner;
    Notifier m_notify;
    QWidget *m_status;
    QLabel *m_statusText;
    QProgressBar *m_statusBar;
    QTimer m_minutes;
    int m_minutesSinceSync = 0;
    /// An automatic sync failed and said so; the next failures stay quiet until one succeeds.
    bool m_failureNotified = false;
};
