// Figures for the program's start at 10,000 and 100,000 contacts beside an empty profile's start
// in the same run: a fresh process, from its start until the main window has painted its list,
// as the user waits for it.
//
//   calbrey_bench_startup [--runs N] [--sizes 10000,100000] [data-folder]
//
// Each start is a child process (this program with --start FOLDER) that runs the program's own
// start-up on FOLDER and ends as soon as the list is painted.

#include "benchdata.h"

#include "app/untcommon.h"
#include "forms/main/calbreyapplication.h"
#include "forms/main/frmmainform.h"
#include "platform/singleinstance.h"
#include "platform/username.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace {

QTextStream out(stdout);

// The child: the program's start-up, then an end at the list's first paint.
int startOnce(int argc, char *argv[], const QString &folder)
{
    TCalbreyApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    SetProgramFolder(folder);
    SetSingleInstanceFolder(folder); // not kept from starting by a copy running elsewhere
    StartedProgram program = StartCalbrey({});
    if (!program.mainForm)
        return 2;
    QWidget *list =
        program.mainForm->findChild<QAbstractItemView *>(QStringLiteral("lbContactList"))
            ->viewport();
    struct FirstPaint : QObject
    {
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint) {
                std::fflush(stdout);
                ::_exit(0); // the start is what is measured, not the end
            }
            return false;
        }
    } firstPaint;
    list->installEventFilter(&firstPaint);
    list->update();
    return QCoreApplication::exec();
}

// A program folder whose user's own profile (the one the program opens) holds book, or
// nothing when book is empty.
void prepareFolder(const QString &folder, const QString &book)
{
    const QString profile = folder + QStringLiteral("/Profiles/") + LoginUserName() + u'/';
    QDir().mkpath(profile);
    QFile::remove(profile + QStringLiteral("book.db"));
    QFile::remove(profile + QStringLiteral("config.ini"));
    if (!book.isEmpty() && !QFile::copy(book, profile + QStringLiteral("book.db")))
        throw std::runtime_error("cannot copy " + book.toStdString());
    QFile::setPermissions(profile + QStringLiteral("book.db"),
                          QFile::ReadOwner | QFile::WriteOwner);
}

double startSeconds(const QString &folder)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double seconds = Seconds([&] {
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--start"), folder});
        if (!child.waitForFinished(120000) || child.exitCode() != 0)
            throw std::runtime_error("the program did not start");
    });
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && QByteArrayView(argv[1]) == "--start")
        return startOnce(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(app.arguments().mid(1), 5);
    QTemporaryDir generated;
    const QString dataFolder = options.dataFolder.isEmpty() ? generated.path() : options.dataFolder;
    try {
        QTemporaryDir emptyRoot;
        prepareFolder(emptyRoot.path(), QString());
        startSeconds(emptyRoot.path()); // makes the empty profile and warms the caches
        const QList<int> sizes = options.sizes;
        std::vector<std::unique_ptr<QTemporaryDir>> folders;
        for (int contacts : sizes) {
            folders.push_back(std::make_unique<QTemporaryDir>());
            prepareFolder(folders.back()->path(), EnsureGeneratedBook(dataFolder, contacts));
        }
        // A book.db changed in the last two seconds is read twice by design: users' are older.
        QThread::msleep(2200);
        for (const auto &folder : folders)
            startSeconds(folder->path()); // warms the caches for this size

        out << "median of " << options.runs << " starts" << Qt::endl;
        out << qSetFieldWidth(10) << Qt::left << "contacts" << qSetFieldWidth(14) << "start"
            << qSetFieldWidth(14) << "empty start" << qSetFieldWidth(10) << "ratio"
            << qSetFieldWidth(10) << "target" << qSetFieldWidth(0) << "met" << Qt::endl;
        for (std::size_t i = 0; i < folders.size(); ++i) {
            // Taken in turns, so that a busy moment of the machine falls on both alike.
            QList<double> full, empty;
            for (int run = 0; run < options.runs; ++run) {
                empty.append(startSeconds(emptyRoot.path()));
                full.append(startSeconds(folders[i]->path()));
            }
            const double ratio = Median(full) / Median(empty);
            out << qSetFieldWidth(10) << Qt::left << sizes[qsizetype(i)] << qSetFieldWidth(14)
                << FormatTime(Median(full)) << qSetFieldWidth(14) << FormatTime(Median(empty))
                << qSetFieldWidth(10) << QString::number(ratio, 'f', 2) + u'x' << qSetFieldWidth(10)
                << QStringLiteral("<= 1.3x") << qSetFieldWidth(0) << (ratio <= 1.3 ? "yes" : "NO")
                << Qt::endl;
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_startup: %s\n", error.what());
        return 1;
    }
    return 0;
}
