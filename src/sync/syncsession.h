#pragma once

#include "sync/syncplan.h"

#include <QObject>
#include <QString>
#include <memory>

class TProfile;
class TSyncServer;

/// What a sync did (or, on a dry run, would do).
struct TSyncSummary
{
    int uploaded = 0;
    int downloaded = 0;
    int deletedHere = 0;
    int deletedThere = 0;
    int merged = 0;
    int conflicts = 0;

    /// "uploaded N, downloaded N, deleted here N, deleted there N, merged N, conflicts N"
    QString Line() const;
    bool operator==(const TSyncSummary &) const = default;
};

enum class TSyncOutcome
{
    Done,
    Failed,
    Cancelled,
    /// The server's listing would remove more than half of the contacts here: nothing was
    /// changed; a sync with force set goes ahead.
    TooManyRemovals,
};

struct TSyncResult
{
    TSyncOutcome outcome = TSyncOutcome::Done;
    /// For the user: why it failed; for TooManyRemovals the counts.
    QString message;
    TSyncSummary summary;
    /// TooManyRemovals: how many of how many.
    qsizetype wouldRemove = 0;
    qsizetype contacts = 0;
    /// Failed because the server's certificate is not trusted: its SHA-256.
    QByteArray untrustedCertificate;
};

/// sync.db of the profile.
QString SyncStatePath(const TProfile &profile);

/// One sync of a profile with one address book, on the event loop: list the server's changes,
/// fetch them, plan (PlanSync), write the changes here (one write of book.db and the trash per
/// step), send ours, and remember each card in sync.db only once the server confirmed it. A
/// card that changed on the server meanwhile (412) is fetched and merged by another round. An
/// interrupted sync leaves both sides and sync.db consistent; the next one finishes it.
class TSyncSession : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        bool dryRun = false;
        /// Go ahead even when the listing would remove more than half of the contacts here.
        bool force = false;
        /// Makes the UID of a contact that has none (tests give a predictable one).
        std::function<QString()> newUid;
    };

    TSyncSession(TProfile &profile, TSyncServer &server, QString bookUrl, Options options,
                 QObject *parent = nullptr);
    ~TSyncSession() override;

    /// Starts the sync; Finished is emitted once, later.
    void Start();
    /// Start() and a local event loop until Finished: for a caller without a window.
    TSyncResult RunToEnd();
    /// Stops at the next point where stopping is safe; Finished says Cancelled.
    void Cancel();
    bool IsRunning() const;

signals:
    /// A step (in words) and how far it is.
    void Progress(const QString &step, qsizetype done, qsizetype total);
    /// Whether book.db changed (a window reloads its list).
    void ContactsChanged();
    void Finished(const TSyncResult &result);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
