#include "forms/sync/synccommands.h"

#include "app/untcommon.h"
#include "forms/common/backgroundwork.h"
#include "forms/common/programend.h"
#include "forms/main/actionbar.h"
#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "forms/sync/frmserversync.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"
#include "sync/syncpassword.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>

namespace {
constexpr int kMinuteMs = 60 * 1000;
const QString kCaption = QStringLiteral("Server Sync");
} // namespace

TSyncCommands::TSyncCommands(TMainWindowHost &window, TMainCommands &commands, TActionBar &bar,
                             Notifier notify)
    : QObject(&window.Window()), m_window(window), m_syncNow(commands.actSyncNow),
      m_runner(new TSyncRunner(this)), m_notify(std::move(notify))
{
    setObjectName(QStringLiteral("SyncCommands"));
    commands.Bind(commands.actServerSync, [this] { actServerSyncExecute(); });
    commands.Bind(commands.actSyncNow, [this] { actSyncNowExecute(); });
    connect(commands.BackupTools1, &QMenu::aboutToShow, this, &TSyncCommands::updateSyncNow);

    m_status = new QWidget(&bar);
    m_status->setObjectName(QStringLiteral("pnlSyncProgress"));
    auto *row = new QHBoxLayout(m_status);
    row->setContentsMargins(8, 0, 8, 0);
    m_statusText = new QLabel(m_status);
    m_statusText->setObjectName(QStringLiteral("lblSyncProgress"));
    m_statusBar = new QProgressBar(m_status);
    m_statusBar->setObjectName(QStringLiteral("pbSyncProgress"));
    m_statusBar->setTextVisible(false);
    m_statusBar->setMaximumWidth(120);
    m_statusBar->setMaximumHeight(12);
    row->addWidget(m_statusText);
    row->addWidget(m_statusBar);
    m_status->hide();
    bar.AddStatus(m_status);

    connect(m_runner, &TSyncRunner::Started, this, [this] {
        updateSyncNow();
        progress(tr("Syncing"), 0, 0);
        m_status->show();
    });
    connect(m_runner, &TSyncRunner::Progress, this, &TSyncCommands::progress);
    // Queued: the list is read again from the event loop, never inside the sync's own step.
    connect(
        m_runner, &TSyncRunner::ContactsChanged, this, [this] { m_window.ReloadContactList(true); },
        Qt::QueuedConnection);
    connect(m_runner, &TSyncRunner::Finished, this, &TSyncCommands::finished);
    connect(&TBackgroundWork::Instance(), &TBackgroundWork::stopRequested, m_runner,
            &TSyncRunner::Stop);
    connect(&TProgramEnd::Instance(), &TProgramEnd::begun, m_runner, &TSyncRunner::Stop);

    connect(&m_minutes, &QTimer::timeout, this, &TSyncCommands::minutePassed);
    m_minutes.start(kMinuteMs);
    updateSyncNow();
    QTimer::singleShot(0, this, [this] {
        if (ActiveProfile && ReadSyncLink(*ActiveProfile).syncOnStart)
            SyncAutomatically();
    });
}

TSyncCommands::~TSyncCommands()
{
    // The window's controls may be gone already: the end is not shown.
    disconnect(m_runner, nullptr, this, nullptr);
    m_runner->Stop();
}

void TSyncCommands::SetMinuteLength(int milliseconds)
{
    m_minutes.start(milliseconds);
}

void TSyncCommands::updateSyncNow()
{
    const bool linked = ActiveProfile && ReadSyncLink(*ActiveProfile).IsLinked();
    m_syncNow->setEnabled(linked && !m_runner->IsRunning());
}

void TSyncCommands::actServerSyncExecute()
{
    if (!ActiveProfile)
        return;
    const std::unique_ptr<TServerSync> dialog = MakeDialog();
    dialog->exec();
}

std::unique_ptr<TServerSync> TSyncCommands::MakeDialog()
{
    auto dialog = std::make_unique<TServerSync>(&m_window.Window(), *m_runner,
                                                [this] { actSyncNowExecute(); });
    connect(dialog.get(), &TServerSync::LinkChanged, this, &TSyncCommands::updateSyncNow);
    return dialog;
}

void TSyncCommands::actSyncNowExecute()
{
    start(TSyncTrigger::User, false);
}

void TSyncCommands::SyncAutomatically()
{
    // Another window (an editor, the profile manager) has the user's attention; the next
    // minute tries again. The sync's own dialog is fine.
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && !qobject_cast<TServerSync *>(modal))
        return;
    start(TSyncTrigger::Automatic, false);
}

void TSyncCommands::minutePassed()
{
    updateSyncNow();
    if (!ActiveProfile || m_runner->IsRunning())
        return;
    const int every = ReadSyncLink(*ActiveProfile).intervalMinutes;
    if (every <= 0 || ++m_minutesSinceSync < every)
        return;
    SyncAutomatically();
}

std::optional<QString> TSyncCommands::passwordFor(const TSyncLink &link, TSyncTrigger trigger)
{
    if (std::optional<QString> known = TSyncPasswords::Instance().Find(link))
        return known;
    if (trigger == TSyncTrigger::Automatic)
        return std::nullopt;
    bool ok = false;
    const QString typed = QInputDialog::getText(
        &m_window.Window(), kCaption,
        tr("Password of %1 on %2 (kept until the program ends):").arg(link.user, link.server),
        QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    TSyncPasswords::Instance().Remember(link, typed);
    return typed;
}

void TSyncCommands::start(TSyncTrigger trigger, bool force)
{
    if (!ActiveProfile || m_runner->IsRunning())
        return;
    const TSyncLink link = ReadSyncLink(*ActiveProfile);
    if (!link.IsLinked()) {
        if (trigger == TSyncTrigger::User)
            ShowMessageBox(tr("This profile is not linked to a server yet. Link it with "
                              "Backup Tools, Server Sync..."),
                           kCaption, MessageBoxFlag::Information);
        updateSyncNow();
        return;
    }
    const std::optional<QString> password = passwordFor(link, trigger);
    if (!password) {
        if (trigger == TSyncTrigger::Automatic) {
            m_minutesSinceSync = 0;
            m_runner->NoteFailure(link, tr("the password is needed: use Sync Now"));
            automaticFailed(tr("The password of the server is needed. Use Sync Now."));
        }
        return;
    }
    if (!ActiveProfile) // a dialog's nested loop may have ended the program
        return;
    m_runner->Start(*ActiveProfile, link, *password, trigger, force);
}

void TSyncCommands::progress(const QString &step, qsizetype done, qsizetype total)
{
    m_statusText->setText(total > 0 ? tr("%1: %2 of %3").arg(step).arg(done).arg(total) : step);
    m_statusBar->setRange(0, int(total));
    m_statusBar->setValue(int(done));
}

void TSyncCommands::finished(const TSyncResult &result, TSyncTrigger trigger)
{
    m_status->hide();
    m_minutesSinceSync = 0;
    updateSyncNow();
    if (TProgramEnd::Begun())
        return;
    switch (result.outcome) {
    case TSyncOutcome::Done:
        m_failureNotified = false;
        break;
    case TSyncOutcome::Cancelled:
        break;
    case TSyncOutcome::Failed:
        if (trigger == TSyncTrigger::User)
            ShowMessageBox(tr("The sync failed: %1").arg(result.message), kCaption,
                           MessageBoxFlag::Error);
        else
            automaticFailed(tr("The sync failed: %1").arg(result.message));
        break;
    case TSyncOutcome::TooManyRemovals: {
        const QString question = tr("The server's address book would remove %1 of your %2 "
                                    "contacts. Sync anyway?")
                                     .arg(result.wouldRemove)
                                     .arg(result.contacts);
        if (trigger == TSyncTrigger::Automatic) {
            automaticFailed(question.section(u'.', 0, 0) + tr(". Use Sync Now to decide."));
            break;
        }
        const int answer = ShowMessageBox(
            question, kCaption, MessageBoxFlag::Question | MessageBoxFlag::DefaultButton2);
        if (answer == MessageBoxResult::Yes)
            start(TSyncTrigger::User, true);
        break;
    }
    }
}

void TSyncCommands::automaticFailed(const QString &text)
{
    if (m_failureNotified)
        return;
    if (m_notify && m_notify(tr("Quenlark Calbrey could not sync"), text))
        m_failureNotified = true;
}
