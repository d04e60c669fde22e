// Figures for calbrey at 10,000 and 100,000 contacts, each run as a mail client or a script
// runs it, process start included: the mail client's query beside abook's --mutt-query for the
// same people in the same run, the list of names, and the vCard 3.0 export beside the window's
// export of the same contacts (in the window's process, its profile open).
//
//   calbrey_bench_cli [--runs N] [--sizes 10000,100000] [data-folder]

#include "benchdata.h"

#include "profiles/untprofiles.h"
#include "vcard/vcardfile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <stdexcept>

namespace {

QTextStream out(stdout);

struct Row
{
    int contacts;
    QString operation;
    double ours;  // seconds
    double other; // seconds; 0 when not measured
    QString otherName;
    double target;   // seconds; 0 when none
    double ratioCap; // ours / other at most; 0 when none
};

// The seconds a program takes from its start to its end; its output is read and dropped.
double runProgram(const QString &program, const QStringList &arguments,
                  const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    return Seconds([&] {
        process.start(program, arguments);
        if (!process.waitForFinished(10 * 60 * 1000))
            throw std::runtime_error("a program did not end: " + program.toStdString());
    });
}

double medianRun(int runs, const QString &program, const QStringList &arguments,
                 const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QList<double> times;
    for (int i = 0; i < runs; ++i)
        times.append(runProgram(program, arguments, environment));
    return Median(times);
}

bool abookInstalled()
{
    QProcess probe;
    probe.start(QStringLiteral("abook"), {QStringLiteral("--help")});
    return probe.waitForStarted() && probe.waitForFinished();
}

QList<Row> measure(int contacts, const QString &dataFolder, int runs)
{
    const QString book = EnsureGeneratedBook(dataFolder, contacts);
    const QString abookFile = EnsureGeneratedFile(dataFolder, QStringLiteral("abook"), contacts,
                                                  QStringLiteral("abook-%1").arg(contacts));
    QTemporaryDir root;
    BenchProgramFolder program(root.path(), book);
    const QString calbrey = QStringLiteral(CALBREY_CLI);
    const QStringList onBench{QStringLiteral("--program-folder"), root.path(),
                              QStringLiteral("--profile"), BenchProgramFolder::profileName()};

    QStringList names;
    {
        TProfile profile(BenchProgramFolder::profileName());
        profile.GetContactNames(names);
    }
    QTemporaryDir home; // abook keeps its settings in the home folder
    QProcessEnvironment abookEnvironment = QProcessEnvironment::systemEnvironment();
    abookEnvironment.insert(QStringLiteral("HOME"), home.path());
    const bool abook = abookInstalled();

    // The targets are set for 100,000 contacts; smaller books are shown for comparison.
    const bool atTargetSize = contacts == 100000;
    QList<Row> rows;
    // One person, a common name (about one contact in sixteen), and nobody.
    const QString one = names[names.size() / 2];
    for (const QString &query : {one, QStringLiteral("Müller"), QStringLiteral("no such person")}) {
        const double ours = medianRun(
            runs, calbrey,
            onBench + QStringList{QStringLiteral("email"), QStringLiteral("--parsable"), query});
        const double theirs = abook ? medianRun(runs, QStringLiteral("abook"),
                                                {QStringLiteral("--datafile"), abookFile,
                                                 QStringLiteral("--mutt-query"), query},
                                                abookEnvironment)
                                    : 0;
        rows.append({contacts, QStringLiteral("email --parsable \"%1\"").arg(query), ours, theirs,
                     QStringLiteral("abook"), atTargetSize ? 0.2 : 0, atTargetSize ? 0.5 : 0});
    }
    rows.append({contacts, QStringLiteral("list"),
                 medianRun(runs, calbrey, onBench + QStringList{QStringLiteral("list")}), 0,
                 QString(), atTargetSize ? 0.3 : 0, 0});

    const QString ourFile = root.path() + QStringLiteral("/calbrey.vcf");
    const QString windowFile = root.path() + QStringLiteral("/window.vcf");
    const double ours =
        medianRun(runs, calbrey,
                  onBench + QStringList{QStringLiteral("export"), QStringLiteral("--format"),
                                        QStringLiteral("vcard3"), QStringLiteral("-o"), ourFile});
    TProfile profile(BenchProgramFolder::profileName());
    profile.GetContactNames(names);
    const double window = MedianOf(runs, [&] {
        QStringList all;
        profile.GetContactNames(all);
        ExportVCardFile(profile, all, TVCardVersion::V30, windowFile);
    });
    if (QFileInfo(ourFile).size() != QFileInfo(windowFile).size())
        throw std::runtime_error("calbrey's export differs from the window's");
    rows.append({contacts, QStringLiteral("export --format vcard3 -o FILE"), ours, window,
                 QStringLiteral("window"), 0, atTargetSize ? 1.2 : 0});
    return rows;
}

void printTable(const QList<Row> &rows, int runs)
{
    out << Qt::endl << "median of " << runs << " runs, process start included" << Qt::endl;
    out << Qt::left << qSetFieldWidth(9) << "contacts" << qSetFieldWidth(46) << "calbrey"
        << qSetFieldWidth(11) << "ours" << qSetFieldWidth(18) << "other" << qSetFieldWidth(8)
        << "ratio" << qSetFieldWidth(22) << "target" << qSetFieldWidth(0) << "met" << Qt::endl;
    for (const Row &row : rows) {
        const bool compared = row.other > 0;
        const double ratio = compared ? row.ours / row.other : 0;
        QStringList targets;
        bool met = true;
        if (row.target > 0) {
            targets << QStringLiteral("< ") + FormatTime(row.target);
            met = met && row.ours < row.target;
        }
        if (row.ratioCap > 0) {
            targets << QStringLiteral("<= %1x").arg(row.ratioCap);
            met = met && (!compared || ratio <= row.ratioCap);
        }
        out << qSetFieldWidth(9) << row.contacts << qSetFieldWidth(46) << row.operation
            << qSetFieldWidth(11) << FormatTime(row.ours) << qSetFieldWidth(18)
            << (compared ? FormatTime(row.other) + QStringLiteral(" ") + row.otherName
                         : QStringLiteral("-"))
            << qSetFieldWidth(8)
            << (compared ? QString::number(ratio, 'f', 2) + u'x' : QStringLiteral("-"))
            << qSetFieldWidth(22) << targets.join(QStringLiteral(", ")) << qSetFieldWidth(0)
            << (met ? "yes" : "NO") << Qt::endl;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(app.arguments().mid(1), 7);
    QTemporaryDir generated;
    const QString dataFolder = options.dataFolder.isEmpty() ? generated.path() : options.dataFolder;
    QList<Row> rows;
    try {
        for (int contacts : options.sizes) {
            out << "preparing " << contacts << " contacts..." << Qt::endl;
            rows += measure(contacts, dataFolder, options.runs);
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_cli: %s\n", error.what());
        return 1;
    }
    printTable(rows, options.runs);
    return 0;
}
