#include "forms/main/calbreyapplication.h"

#include "app/untactive.h"
#include "app/untcommon.h"
#include "forms/common/messageboxhandler.h"
#include "forms/main/frmmainform.h"
#include "forms/main/trayhiding.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "platform/singleinstance.h"
#include "profiles/untprofiles.h"

#include <QIcon>

namespace {
QIcon applicationIcon()
{
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage picture =
            RenderSvgPicture(QStringLiteral(":/bitmaps/appicon.svg"), QSize(side, side));
        if (!picture.isNull())
            icon.addPixmap(QPixmap::fromImage(picture));
    }
    return icon;
}
} // namespace

TCalbreyApplication::TCalbreyApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QLatin1String(ApplicationTitle));
    setDesktopFileName(QStringLiteral("quenlark-calbrey"));
    setWindowIcon(applicationIcon());
}

bool TCalbreyApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    } catch (const std::exception &error) {
        ShowGeneralError(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

StartedProgram::StartedProgram() = default;
StartedProgram::~StartedProgram()
{
    delete mainForm.data();
}
StartedProgram::StartedProgram(StartedProgram &&) noexcept = default;
StartedProgram &StartedProgram::operator=(StartedProgram &&) noexcept = default;

StartedProgram StartCalbrey(const QStringList &parameters, const MainFormMaker &makeMainForm)
{
    StartedProgram program;
    program.lock = std::make_unique<SingleInstanceLock>();
    if (!program.lock->acquired()) {
        program.lock.reset();
        program.outcome = StartOutcome::AlreadyRunning;
        ShowMessageBox(QStringLiteral("Quenlark Calbrey has already been started.  Please use "
                                      "the one you have already opened."),
                       QStringLiteral("Cannot start two Quenlark Address Book's."),
                       MessageBoxFlag::Information);
        return program;
    }

    if (!OpenStartupProfile()) {
        program.outcome = StartOutcome::NoProfile;
        ShowMessageBox(QStringLiteral("Cannot start program for some reason.  Please make sure "
                                      "it is fully installed and try again.!"),
                       QStringLiteral("Cannot start program."), MessageBoxFlag::Error);
        return program;
    }

    // The book is read on a worker while the window builds its controls.
    ActiveProfile->ReadContactsAhead();
    TMainForm *form = makeMainForm ? makeMainForm() : new TMainForm;
    program.mainForm = form;

    const bool traySwitch = !parameters.isEmpty() && parameters.first() == QLatin1String("-tray");
    if (traySwitch && !ActiveProfile->LoadOnStartup) {
        program.outcome = StartOutcome::EndedSilently;
        delete form;
        return program;
    }
    if (traySwitch && form->TrayHiding().CanHide()) {
        program.outcome = StartOutcome::StartedHidden;
        form->TrayHiding().mnHideClick();
        return program;
    }
    program.outcome = StartOutcome::StartedShown;
    form->show();
    return program;
}

int RunUntilClosed(StartedProgram &program)
{
    // exit() ends every running loop, the nested ones first, and a loop started after it
    // returns at once; the window is deleted only once all of them have returned. Deleting it
    // from inside one would take the dialog of that loop with it, from under the code that
    // owns the dialog. Closing a dialog while the window sits hidden in the tray ends nothing.
    const QMetaObject::Connection ending = QObject::connect(
        program.mainForm.data(), &TMainForm::Closed, qApp, [] { QCoreApplication::exit(0); });
    const int status = QCoreApplication::exec();
    QObject::disconnect(ending);
    return status;
}

int RunCalbrey(int argc, char **argv)
{
    // The switch is read from the command line as given, before Qt takes out its own options.
    QStringList parameters;
    for (int i = 1; i < argc; ++i)
        parameters.append(QString::fromLocal8Bit(argv[i]));

    TCalbreyApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    InstallQtMessageBoxHandler();
    try {
        StartedProgram program = StartCalbrey(parameters);
        if (program.mainForm)
            RunUntilClosed(program);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    } catch (const std::exception &error) {
        ShowGeneralError(QString::fromLocal8Bit(error.what()));
    }
    return 0;
}
