#include "forms/sync/syncrunner.h"

#include "platform/calbreyerror.h"
#include "profiles/untprofiles.h"
#include "sync/syncserver.h"

#include <QEventLoop>
#include <QLocale>
#include <QTimer>

namespace {
// How long a stop waits for requests on their way to end before it lets them go; what they
// did is found by the next sync.
constexpr int kStopWaitMs = 5000;

QString timeText(const QDateTime &when)
{
    return QLocale().toString(when.toLocalTime(), QLocale::ShortFormat);
}
} // namespace

TSyncRunner::TSyncRunner(QObject *parent) : QObject(parent) {}

TSyncRunner::~TSyncRunner() = default;

bool TSyncRunner::Start(TProfile &profile, const TSyncLink &link, const QString &password,
                        TSyncTrigger trigger, bool force)
{
    if (m_session)
        return false;
    TDavAccount account;
    account.server = QUrl(link.server);
    account.user = link.user;
    account.password = password;
    account.trustedCertificateSha256 = QByteArray::fromHex(link.trustedCertificate.toLatin1());
    auto *server = new TCardDavServer(account, QUrl(link.bookUrl));
    TSyncSession::Options options;
    options.force = force;
    m_session = new TSyncSession(profile, *server, link.bookUrl, options, this);
    // The session uses its server up to the end of its destructor.
    connect(m_session, &QObject::destroyed, [server] { delete server; });
    m_profile = &profile;
    m_link = link;
    m_trigger = trigger;
    connect(m_session, &TSyncSession::Progress, this, &TSyncRunner::Progress);
    connect(m_session, &TSyncSession::ContactsChanged, this, &TSyncRunner::ContactsChanged);
    connect(m_session, &TSyncSession::Finished, this, &TSyncRunner::finished);
    emit Started(trigger);
    m_session->Start();
    return true;
}

void TSyncRunner::Cancel()
{
    if (m_session)
        m_session->Cancel();
}

void TSyncRunner::Stop()
{
    if (!m_session)
        return;
    QEventLoop loop;
    connect(this, &TSyncRunner::Finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kStopWaitMs, &loop, &QEventLoop::quit);
    m_session->Cancel();
    if (m_session)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    // A request that never ended is dropped: the session's writes are whole at every step.
    if (m_session) {
        TSyncResult result;
        result.outcome = TSyncOutcome::Cancelled;
        finished(result);
    }
}

void TSyncRunner::finished(const TSyncResult &result)
{
    TSyncResult shown = result;
    if (result.outcome == TSyncOutcome::Done) {
        m_link.lastSync = QDateTime::currentDateTimeUtc();
        try {
            // The link as it is on disk now: the dialog may have changed its timer meanwhile.
            TSyncLink onDisk = ReadSyncLink(*m_profile);
            if (onDisk.bookUrl == m_link.bookUrl) {
                onDisk.lastSync = m_link.lastSync;
                WriteSyncLink(*m_profile, onDisk);
            }
        } catch (const CalbreyError &error) {
            shown.outcome = TSyncOutcome::Failed;
            shown.message = error.message();
        }
    }
    m_lastBook = m_link.bookUrl;
    m_lastEnd = QDateTime::currentDateTimeUtc();
    m_lastResult = shown;
    // The session is deleted once its own signal has returned.
    m_session->deleteLater();
    m_session = nullptr;
    m_profile = nullptr;
    emit Finished(shown, m_trigger);
}

void TSyncRunner::NoteFailure(const TSyncLink &link, const QString &message)
{
    m_lastBook = link.bookUrl;
    m_lastEnd = QDateTime::currentDateTimeUtc();
    m_lastResult = {};
    m_lastResult.outcome = TSyncOutcome::Failed;
    m_lastResult.message = message;
}

QString TSyncRunner::LastSyncText(const TSyncLink &link) const
{
    if (m_lastEnd.isValid() && m_lastBook == link.bookUrl) {
        const QString when = timeText(m_lastEnd);
        switch (m_lastResult.outcome) {
        case TSyncOutcome::Done:
            return tr("Last sync: %1, %2").arg(when, m_lastResult.summary.Line());
        case TSyncOutcome::Cancelled:
            return tr("Last sync: %1, cancelled").arg(when);
        case TSyncOutcome::TooManyRemovals:
            return tr("Last sync: %1, stopped: the server's address book would remove %2 of "
                      "your %3 contacts")
                .arg(when)
                .arg(m_lastResult.wouldRemove)
                .arg(m_lastResult.contacts);
        case TSyncOutcome::Failed:
            return tr("Last sync: %1, failed: %2").arg(when, m_lastResult.message);
        }
    }
    if (link.lastSync.isValid())
        return tr("Last sync: %1").arg(timeText(link.lastSync));
    return tr("Not synced yet");
}
