// Figures for the CSV import at 10,000 and 100,000 rows of an Outlook-style export: reading
// the file and showing it in the importer's grid, importing it into an empty profile, and
// importing it a second time over itself (one "overwrite, all remaining" answer); beside the
// import, abook converting the same CSV file, as a ratio. Peak memory of a whole import is
// measured in a child process.
//
//   calbrey_bench_csvimport [--runs N] [--sizes 10000,100000] [data-folder]

#include "benchdata.h"

#include "app/untcommon.h"
#include "import/frmcsvimporter.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

namespace {

QTextStream out(stdout);

// Every message box is answered with OK; the clash dialog with "overwrite, all remaining".
void answerEverything()
{
    SetMessageBoxHandler([](const QString &, const QString &, int) { return 1; });
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != QLatin1String("TContactExists"))
            return;
        modal->findChild<QRadioButton *>(QStringLiteral("cbOverwrite"))->setChecked(true);
        modal->findChild<QCheckBox *>(QStringLiteral("cbAllRemaining"))->setChecked(true);
        modal->findChild<QAbstractButton *>(QStringLiteral("Button1"))->click();
    });
    timer->start(1);
}

double loadAndShow(const QString &csv)
{
    return Seconds([&] {
        TCSVImporter importer;
        importer.LoadFile(csv);
        importer.show();
        QCoreApplication::processEvents();
        importer.repaint();
    });
}

// Seconds of OK on a loaded importer (the file's reading is not counted).
double import(const QString &csv)
{
    TCSVImporter importer;
    importer.LoadFile(csv);
    return Seconds([&] { importer.Button1Click(); });
}

double abookConversion(const QString &csv, const QString &folder)
{
    if (QStandardPaths::findExecutable(QStringLiteral("abook")).isEmpty())
        return 0;
    const QString output = folder + QStringLiteral("/abook.out");
    QFile::remove(output); // abook will not write over a file
    return Seconds([&] {
        QProcess::execute(QStringLiteral("abook"),
                          {QStringLiteral("--convert"), QStringLiteral("--informat"),
                           QStringLiteral("csv"), QStringLiteral("--infile"), csv,
                           QStringLiteral("--outformat"), QStringLiteral("abook"),
                           QStringLiteral("--outfile"), output});
    });
}

// /proc/self/status: the current (VmRSS) or peak (VmHWM) resident size in kilobytes.
long residentKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// In a child: the empty program with its profile, then one whole import of the file.
int memoryChild(const QString &csv)
{
    EmptyProfile profile;
    answerEverything();
    {
        TCSVImporter warmUp; // the window's first showing loads fonts and styles
        warmUp.show();
        QCoreApplication::processEvents();
    }
    const long before = residentKilobytes("VmRSS:");
    {
        TCSVImporter importer;
        importer.LoadFile(csv);
        importer.show();
        QCoreApplication::processEvents();
        importer.Button1Click();
    }
    // Not getrusage(): after exec it still counts the parent's pages.
    out << before << ' ' << residentKilobytes("VmHWM:") << Qt::endl;
    return 0;
}

struct Figures
{
    int rows;
    double fileMb;
    double show;
    double importEmpty;
    double importOver;
    double abook;
    double memoryMb;
};

Figures measure(int rows, const QString &csv, int runs, const QString &folder)
{
    Figures figures{rows, double(QFileInfo(csv).size()) / (1024 * 1024), 0, 0, 0, 0, 0};
    figures.show = MedianOf(runs, [&] { loadAndShow(csv); });
    QList<double> empty;
    QList<double> over;
    for (int run = 0; run < runs; ++run) {
        EmptyProfile profile;
        empty.append(import(csv));
        over.append(import(csv));
    }
    figures.importEmpty = Median(empty);
    figures.importOver = Median(over);
    figures.abook = MedianOf(runs, [&] { abookConversion(csv, folder); });

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), csv});
    child.waitForFinished(-1);
    const QList<QByteArray> peaks = child.readAllStandardOutput().simplified().split(' ');
    figures.memoryMb = double(peaks.value(1).toLong() - peaks.value(0).toLong()) / 1024;
    return figures;
}

QString verdict(double value, double target)
{
    return value < target ? QStringLiteral("yes") : QStringLiteral("NO");
}

void print(const Figures &f)
{
    const auto line = [](const QString &what, double time, const QString &target,
                         const QString &met) {
        out << "  " << qSetFieldWidth(44) << Qt::left << what << qSetFieldWidth(10)
            << FormatTime(time) << qSetFieldWidth(12) << target << qSetFieldWidth(0) << met
            << Qt::endl;
    };
    out << f.rows << " rows, " << QString::number(f.fileMb, 'f', 1) << " MB:" << Qt::endl;
    line(QStringLiteral("read and show in the grid"), f.show, QStringLiteral("< 1 s"),
         verdict(f.show, 1.0));
    line(QStringLiteral("import into an empty profile"), f.importEmpty, QStringLiteral("< 1.5 s"),
         verdict(f.importEmpty, 1.5));
    line(QStringLiteral("import over itself, overwrite all remaining"), f.importOver,
         QStringLiteral("< 2 s"), verdict(f.importOver, 2.0));
    if (f.abook > 0)
        line(QStringLiteral("abook --convert, the same CSV file"), f.abook,
             QStringLiteral("ours/abook"),
             QString::number(f.importEmpty / f.abook, 'f', 2) + QLatin1Char('x'));
    out << "  peak memory of one import over the empty program: "
        << QString::number(f.memoryMb, 'f', 1)
        << " MB = " << QString::number(f.memoryMb / f.fileMb, 'f', 2)
        << "x the file; target < 3x: " << verdict(f.memoryMb, 3 * f.fileMb) << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--memory"))
        return memoryChild(arguments.value(1));

    const BenchOptions options = ParseBenchOptions(arguments, 3);
    const int runs = options.runs;
    QString dataFolder = options.dataFolder;
    QTemporaryDir generated;
    if (dataFolder.isEmpty())
        dataFolder = generated.path();

    answerEverything();
    try {
        for (const int rows : options.sizes) {
            out << "preparing " << rows << " rows..." << Qt::endl;
            const QString csv = EnsureGeneratedFile(dataFolder, QStringLiteral("csv"), rows,
                                                    QStringLiteral("contacts-%1.csv").arg(rows));
            print(measure(rows, csv, runs, generated.path()));
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_csvimport: %s\n", error.what());
        return 1;
    }
    out << "median of " << runs << " runs" << Qt::endl;
    return 0;
}
