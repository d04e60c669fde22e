#pragma once

#include "profiles/synclink.h"
#include "sync/syncsession.h"

#include <QDateTime>
#include <QObject>

class TProfile;

/// Who asked for a sync: the user (a failure is shown in a message box) or the timer or the
/// start of the program (a failure is only noted).
enum class TSyncTrigger
{
    User,
    Automatic,
};

/// One sync at a time of the active profile with its server, on the event loop, and what the
/// last one did.
class TSyncRunner : public QObject
{
    Q_OBJECT

public:
    explicit TSyncRunner(QObject *parent = nullptr);
    ~TSyncRunner() override;

    /// Starts a sync of profile over its link; false when one is already running. force
    /// goes ahead even when the server's listing would remove most of the contacts here.
    bool Start(TProfile &profile, const TSyncLink &link, const QString &password,
               TSyncTrigger trigger, bool force = false);
    /// Stops the running sync at its next safe point.
    void Cancel();
    /// Cancels and waits until the sync has ended, so the profile can be switched, replaced
    /// or closed.
    void Stop();
    bool IsRunning() const { return m_session != nullptr; }
    /// Notes an automatic sync that could not start (no password), for LastSyncText.
    void NoteFailure(const TSyncLink &link, const QString &message);

    /// For the dialog: "Last sync: <time>, uploaded N, ..." or what went wrong; empty before
    /// the first sync of the run with a link that never synced.
    QString LastSyncText(const TSyncLink &link) const;

signals:
    void Started(TSyncTrigger trigger);
    void Progress(const QString &step, qsizetype done, qsizetype total);
    /// book.db changed: the list reloads.
    void ContactsChanged();
    void Finished(const TSyncResult &result, TSyncTrigger trigger);

private:
    void finished(const TSyncResult &result);

    /// A child of the runner; its server goes with it.
    TSyncSession *m_session = nullptr;
    TProfile *m_profile = nullptr;
    TSyncLink m_link;
    TSyncTrigger m_trigger = TSyncTrigger::User;

    // The last sync of this run: its book, when it ended and how.
    QString m_lastBook;
    QDateTime m_lastEnd;
    TSyncResult m_lastResult;
};
