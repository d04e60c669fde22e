// Figures for the program's start at 10,000 and 100,000 contacts beside an empty profile's start
// in the same run: a fresh process, from its start until the main window is painted (a large
// book is still being read then, and the list says so), and until the list has painted its
// contacts.
//
//   calbrey_bench_startup [--runs N] [--sizes 10000,100000] [data-folder]
//
// Each start is a child process (this program with --start FOLDER) that runs the program's own
// start-up on FOLDER, prints when the window was first painted and when the list first painted
// its contacts, and ends then.

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
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace {

QTextStream out(stdout);

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The child: the program's start-up, then an end at the first paint of the list with its
// contacts (of an empty profile: its first paint).
int startOnce(int argc, char *argv[], const QString &folder, bool empty)
{
    TCalbreyApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    SetProgramFolder(folder);
    SetSingleInstanceFolder(folder); // not kept from starting by a copy running elsewhere
    StartedProgram program = StartCalbrey({});
    if (!program.mainForm)
        return 2;
    auto *list = program.mainForm->findChild<QAbstractItemView *>(QStringLiteral("lbContactList"));
    struct Paints : QObject
    {
        QAbstractItemView *list = nullptr;
        bool empty = false;
        bool windowShown = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() != QEvent::Paint)
                return false;
            if (!windowShown) {
                windowShown = true;
                std::printf("window %lld\n", static_cast<long long>(steadyNs()));
            }
            if (empty || list->model()->rowCount() > 0) {
                std::printf("list %lld\n", static_cast<long long>(steadyNs()));
                std::fflush(stdout);
                ::_exit(0); // the start is what is measured, not the end
            }
            return false;
        }
    } paints;
    paints.list = list;
    paints.empty = empty;
    list->viewport()->installEventFilter(&paints);
    list->viewport()->update();
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

// Seconds from a start until the window was painted, and until the list showed its contacts.
struct StartTimes
{
    double window = 0;
    double list = 0;
};

StartTimes startOnce(const QString &folder, bool empty = false)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 started = steadyNs();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--start"), folder,
                 empty ? QStringLiteral("empty") : QStringLiteral("contacts")});
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        throw std::runtime_error("the program did not start");
    StartTimes times;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2)
            continue;
        const double seconds = double(words[1].toLongLong() - started) / 1e9;
        (words[0] == "window" ? times.window : times.list) = seconds;
    }
    if (times.window <= 0 || times.list <= 0)
        throw std::runtime_error("the program did not say when it was painted");
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 4 && QByteArrayView(argv[1]) == "--start")
        return startOnce(argc, argv, QString::fromLocal8Bit(argv[2]),
                         QByteArrayView(argv[3]) == "empty");

    QCoreApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(app.arguments().mid(1), 5);
    QTemporaryDir generated;
    const QString dataFolder = options.dataFolder.isEmpty() ? generated.path() : options.dataFolder;
    try {
        QTemporaryDir emptyRoot;
        prepareFolder(emptyRoot.path(), QString());
        startOnce(emptyRoot.path(), true); // makes the empty profile and warms the caches
        const QList<int> sizes = options.sizes;
        std::vector<std::unique_ptr<QTemporaryDir>> folders;
        for (int contacts : sizes) {
            folders.push_back(std::make_unique<QTemporaryDir>());
            prepareFolder(folders.back()->path(), EnsureGeneratedBook(dataFolder, contacts));
        }
        // A book.db changed in the last two seconds is read twice by design: users' are older.
        QThread::msleep(2200);
        for (const auto &folder : folders)
            startOnce(folder->path()); // warms the caches for this size

        out << "median of " << options.runs << " starts; the empty profile's start is "
            << "its window with its (empty) list painted" << Qt::endl;
        out << qSetFieldWidth(10) << Qt::left << "contacts" << qSetFieldWidth(16) << "window shown"
            << qSetFieldWidth(14) << "empty start" << qSetFieldWidth(10) << "ratio"
            << qSetFieldWidth(10) << "target" << qSetFieldWidth(6) << "met" << qSetFieldWidth(0)
            << "contacts listed" << Qt::endl;
        for (std::size_t i = 0; i < folders.size(); ++i) {
            // Taken in turns, so that a busy moment of the machine falls on both alike.
            QList<double> window, list, empty;
            for (int run = 0; run < options.runs; ++run) {
                empty.append(startOnce(emptyRoot.path(), true).list);
                const StartTimes full = startOnce(folders[i]->path());
                window.append(full.window);
                list.append(full.list);
            }
            const double ratio = Median(window) / Median(empty);
            out << qSetFieldWidth(10) << Qt::left << sizes[qsizetype(i)] << qSetFieldWidth(16)
                << FormatTime(Median(window)) << qSetFieldWidth(14) << FormatTime(Median(empty))
                << qSetFieldWidth(10) << QString::number(ratio, 'f', 2) + u'x' << qSetFieldWidth(10)
                << QStringLiteral("<= 1.3x") << qSetFieldWidth(6) << (ratio <= 1.3 ? "yes" : "NO")
                << qSetFieldWidth(0) << FormatTime(Median(list))
                << QStringLiteral(" (%1x)").arg(Median(list) / Median(empty), 0, 'f', 2)
                << Qt::endl;
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_startup: %s\n", error.what());
        return 1;
    }
    return 0;
}
