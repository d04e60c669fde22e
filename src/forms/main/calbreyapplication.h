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
    /// Deletes itself when it is closed for good (not when it hides to the tray).
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

/// The program: the application object, the message boxes, StartCalbrey and the message loop
/// until the main window has closed. Returns 0 on every path.
int RunCalbrey(int argc, char **argv);
