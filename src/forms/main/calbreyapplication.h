#pragma once

#include <QApplication>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class SingleInstanceLock;
class TMainForm;

/// The application object. An error that escapes an event handler ends only that user action:
/// it is shown in the general error box and the program goes on.
class TCalbreyApplication : public QApplication
{
    Q_OBJECT

public:
    TCalbreyApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

/// What a start ended with.
enum class StartOutcome
{
    AlreadyRunning, ///< another copy holds the single-instance lock; the user was told
    NoProfile,      ///< the start-up profile could not be opened; the user was told
    EndedSilently,  ///< "-tray" while the profile does not load on start-up
    StartedHidden,  ///< "-tray": only the tray icon shows
    StartedShown,   ///< the main window shows
};

/// A started (or refused) program: the lock and the main window live as long as this does.
struct StartedProgram
{
    StartedProgram();
    ~StartedProgram();
    StartedProgram(StartedProgram &&) noexcept;
    StartedProgram &operator=(StartedProgram &&) noexcept;

    StartOutcome outcome = StartOutcome::NoProfile;
    std::unique_ptr<SingleInstanceLock> lock;
    /// Owned: destroyed with this, after the message loop has ended.
    QPointer<TMainForm> mainForm;
};

/// Makes the main window (tests: one that sees a desktop of their choosing).
using MainFormMaker = std::function<TMainForm *()>;

/// The start-up up to the message loop: the single-instance lock, the start-up profile, the
/// main window (from makeMainForm, a plain TMainForm without it) and the "-tray" switch
/// (parameters are the command line without the program). A "-tray" start shows the window
/// unless its tray icon is in a notification area, as a hidden program could not be reached.
/// Needs the application object and the message-box handler in place.
StartedProgram StartCalbrey(const QStringList &parameters, const MainFormMaker &makeMainForm = {});

/// The message loop of a started program, until its main window has closed for good. The
/// window may close from inside a nested loop (a dialog's, a message box's, long work's): every
/// loop then ends and unwinds before the window is destroyed. Returns the loop's status: 0
/// when the window closed.
int RunUntilClosed(StartedProgram &program);

/// The program: the application object, the message boxes, StartCalbrey and RunUntilClosed.
/// Returns 0 on every path.
int RunCalbrey(int argc, char **argv);
