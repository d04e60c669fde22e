// Figures for backing up and restoring a profile of 10,000 and 100,000 contacts, and for
// switching to it in the profile manager until the main window's list is filled.
//
//   calbrey_bench_backup [--runs N] [--sizes 10000,100000] [data-folder]
//
// The data folder keeps the generated book-N.db files between runs.

#include "benchdata.h"

#include "app/untactive.h"
#include "app/untcommon.h"
#include "forms/common/filedialogs.h"
#include "forms/dialogs/frmchangeprofile.h"
#include "forms/main/frmmainform.h"
#include "profiles/untprofiles.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

QTextStream out(stdout);
int runs = 5;

// The median time of the runs, in seconds; prepare runs before each, untimed.
double timed(const std::function<void()> &work, const std::function<void()> &prepare = nullptr)
{
    QList<double> times;
    for (int run = 0; run < runs; ++run) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(double(timer.nsecsElapsed()) / 1e9);
    }
    return Median(times);
}

void report(int contacts, const QString &operation, double seconds, double target)
{
    out << qSetFieldWidth(9) << Qt::left << contacts << qSetFieldWidth(44) << operation
        << qSetFieldWidth(12) << QString::number(seconds * 1e3, 'f', 1) + QStringLiteral(" ms")
        << qSetFieldWidth(12) << QString::number(target * 1e3, 'f', 0) + QStringLiteral(" ms")
        << qSetFieldWidth(0) << (seconds < target ? "yes" : "NO") << Qt::endl;
}

void require(bool condition, const char *what)
{
    if (!condition)
        throw std::runtime_error(what);
}

void measure(int contacts, const QString &book)
{
    QTemporaryDir root;
    BenchProgramFolder program(root.path(), book);
    const QString bench = BenchProgramFolder::profileName();
    const QString start = QStringLiteral("start");
    require(CreateProfile(start) && ActivateProfile(start), "cannot open the start profile");

    // The manager's OK on the big profile, until the window lists its contacts; the way back
    // to the small profile is not timed.
    TMainForm form;
    form.show();
    const double switching = timed(
        [&] {
            TChangeProfile manager(&form);
            auto *list = manager.findChild<QListWidget *>(QStringLiteral("lbProfileList"));
            list->setCurrentItem(list->findItems(bench, Qt::MatchExactly).value(0));
            manager.Button3Click();
            form.ApplyProfileToWindow();
            QCoreApplication::processEvents();
            require(form.ListedContacts().size() == contacts, "the list is not filled");
        },
        [&] {
            require(ActivateProfile(start), "cannot switch back");
            form.ApplyProfileToWindow();
        });
    report(contacts, QStringLiteral("switch to it in the manager, list filled"), switching, 0.3);

    require(ActivateProfile(bench), "cannot open the profile");
    const QString backup = root.path() + QStringLiteral("/saved.qcbak");
    const double backingUp =
        timed([&] { require(ActiveProfile->Backup(backup), "the backup failed"); });
    report(contacts, QStringLiteral("TProfile::Backup"), backingUp, 0.4);

    const double restoring =
        timed([&] { require(ActiveProfile->Restore(backup), "the restore failed"); });
    report(contacts, QStringLiteral("TProfile::Restore"), restoring, 1.0);

    // The command as the user gives it: file dialog, question, restore, list filled again.
    QAction *restore = form.findChild<QAction *>(QStringLiteral("actRestoreProfile"));
    const double command = timed([&] {
        FileDialogs::SetNextFileName(backup);
        restore->trigger();
        QCoreApplication::processEvents();
        require(form.ListedContacts().size() == contacts, "the list is not filled");
    });
    report(contacts, QStringLiteral("restore command, list filled again"), command, 1.0);
    delete ActiveProfile;
    ActiveProfile = nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A failure shows as a wrong figure, its message on standard error.
    AnswerEveryQuestionYes();
    const BenchOptions options = ParseBenchOptions(app.arguments().mid(1), 5);
    runs = options.runs;
    QTemporaryDir generated;
    const QString dataFolder = options.dataFolder.isEmpty() ? generated.path() : options.dataFolder;
    try {
        out << "median of " << runs << " runs" << Qt::endl;
        out << qSetFieldWidth(9) << Qt::left << "contacts" << qSetFieldWidth(44) << "operation"
            << qSetFieldWidth(12) << "time" << qSetFieldWidth(12) << "target" << qSetFieldWidth(0)
            << "met" << Qt::endl;
        for (int contacts : options.sizes)
            measure(contacts, EnsureGeneratedBook(dataFolder, contacts));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_backup: %s\n", error.what());
        return 1;
    }
    return 0;
}
