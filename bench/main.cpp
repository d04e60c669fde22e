// Figures for the profile store at 10,000 and 100,000 contacts, each beside the same operation
// done the naive way: re-reading and re-parsing book.db on every call, which is what one
// private-profile call per value costs. Where the naive way would take hours, a sample of its
// calls is timed and scaled up (marked "~").
//
//   calbrey_bench [--runs N] [--sizes 10000,100000] [--no-naive] [data-folder]
//
// The data folder keeps the generated book-N.db files between runs; without one they are
// generated into a temporary folder.

#include "benchdata.h"

#include "platform/inifile.h"
#include "profiles/untprofiles.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

QTextStream out(stdout);

struct Row
{
    int contacts;
    QString operation;
    double ours;      // seconds
    double naive;     // seconds; 0 when not measured
    bool naiveScaled; // from a sample
    double target;    // seconds; 0 when none
};

// One naive call: a fresh file object reads and parses the whole file.
std::optional<QString> naiveValue(const QString &path, const QString &section, const QString &key)
{
    return IniFile(path).value(section, key);
}

// A list that needs one value per contact, the naive way: the names, then one fresh read per
// name, of which a sample is timed.
double naiveListEstimate(const QString &path, const QString &key)
{
    QStringList names;
    const double listing = Seconds([&] { names = IniFile(path).sectionNames(); });
    const int sample = int(qMin<qsizetype>(names.size(), 10));
    if (sample == 0)
        return listing;
    const double sampled = Seconds([&] {
        for (int i = 0; i < sample; ++i)
            naiveValue(path, names[i * (names.size() / sample)], key);
    });
    return listing + sampled / sample * double(names.size());
}

bool withNaive = true;

QList<Row> measure(int contacts, const QString &book, int runs)
{
    QList<Row> rows;
    QTemporaryDir root;
    BenchProgramFolder program(root.path(), book);
    const QString path = program.bookPath();
    const QString category = QStringLiteral("Friend");

    QStringList names;
    QStringList categories;
    const double open = MedianOf(runs, [&] {
        TProfile profile(BenchProgramFolder::profileName());
        profile.GetContactNames(names);
        profile.GetCategories(categories);
    });
    const double naiveOpen = withNaive ? naiveListEstimate(path, QStringLiteral("aContactCat")) : 0;
    rows.append({contacts, QStringLiteral("open + GetContactNames + GetCategories"), open,
                 naiveOpen, true, 0.4});

    TProfile profile(BenchProgramFolder::profileName());
    profile.GetContactNames(names);

    // Reads spread over the file, so no lookup is helped by the one before.
    const int reads = 200000;
    const QStringList keys{QStringLiteral("pEmailAddress"), QStringLiteral("aNotes"),
                           QStringLiteral("hCitg"), QStringLiteral("wCompany")};
    const double read = MedianOf(runs, [&] {
        for (int i = 0; i < reads; ++i)
            profile.ReadField(names[(qsizetype(i) * 7919) % names.size()], keys[i % keys.size()]);
    });
    const double naiveRead = !withNaive ? 0 : MedianOf(qMin(runs, 3), [&] {
        naiveValue(path, names[names.size() / 2], QStringLiteral("pEmailAddress"));
    });
    rows.append({contacts, QStringLiteral("ReadField, profile open and unchanged"), read / reads,
                 naiveRead, false, 1.5e-6});

    const QString saved = names[names.size() / 2];
    int round = 0;
    const double save = MedianOf(runs, [&] {
        TProfile::ContactBatch batch(profile);
        WriteWholeContact(profile, saved, ++round);
        batch.commit();
    });
    const double naiveSave = !withNaive ? 0 : MedianOf(qMin(runs, 3), [&] {
        ++round;
        for (int i = 0; i < 34; ++i)
            IniFile(path).writeString(saved, QStringLiteral("k%1").arg(i),
                                      QStringLiteral("v%1").arg(round));
    });
    rows.append({contacts, QStringLiteral("save one contact (34 writes, one batch)"), save,
                 naiveSave, false, 0.25});

    QStringList inCategory;
    const double filter =
        MedianOf(runs, [&] { profile.GetContactsInCategory(inCategory, category); });
    const double naiveFilter =
        withNaive ? naiveListEstimate(path, QStringLiteral("aContactCat")) : 0;
    rows.append(
        {contacts, QStringLiteral("GetContactsInCategory"), filter, naiveFilter, true, 0.05});
    return rows;
}

// In a child: every operation above once; prints the peak resident size after the reads and
// again after the save.
int memoryChild(const QString &book)
{
    {
        QTemporaryDir root;
        BenchProgramFolder program(root.path(), book);
        TProfile profile(BenchProgramFolder::profileName());
        QStringList names;
        QStringList list;
        profile.GetContactNames(names);
        profile.GetCategories(list);
        profile.GetContactsInCategory(list, QStringLiteral("Friend"));
        for (int i = 0; i < 1000; ++i)
            profile.ReadField(names[(qsizetype(i) * 7919) % names.size()],
                              QStringLiteral("aNotes"));
        out << MaxResidentKilobytes() << ' ';
        TProfile::ContactBatch batch(profile);
        WriteWholeContact(profile, names[names.size() / 2], 1);
        batch.commit();
    }
    out << MaxResidentKilobytes() << Qt::endl;
    return 0;
}

QList<long> childPeaks(const QStringList &arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    QList<long> peaks;
    for (const QByteArray &peak : child.readAllStandardOutput().simplified().split(' '))
        peaks.append(peak.toLong());
    return peaks;
}

void printTable(const QList<Row> &rows)
{
    out << Qt::left << qSetFieldWidth(9) << "contacts" << qSetFieldWidth(42) << "operation"
        << qSetFieldWidth(12) << "ours" << qSetFieldWidth(14) << "naive" << qSetFieldWidth(10)
        << "ratio" << qSetFieldWidth(12) << "target" << qSetFieldWidth(0) << "met" << Qt::endl;
    for (const Row &row : rows) {
        const QString naive =
            (row.naiveScaled ? QStringLiteral("~") : QString()) + FormatTime(row.naive);
        const QString ratio = row.ours > 0 && row.naive > 0
                                  ? QString::number(row.naive / row.ours, 'f', 0) + u'x'
                                  : QStringLiteral("-");
        out << qSetFieldWidth(9) << row.contacts << qSetFieldWidth(42) << row.operation
            << qSetFieldWidth(12) << FormatTime(row.ours) << qSetFieldWidth(14) << naive
            << qSetFieldWidth(10) << ratio << qSetFieldWidth(12)
            << (row.target > 0 ? QStringLiteral("< ") + FormatTime(row.target) : QString())
            << qSetFieldWidth(0) << (row.ours < row.target ? "yes" : "NO") << Qt::endl;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--memory"))
        return memoryChild(arguments.value(1));
    if (arguments.value(0) == QLatin1String("--memory-baseline")) {
        out << MaxResidentKilobytes() << Qt::endl;
        return 0;
    }

    const BenchOptions options = ParseBenchOptions(arguments, 5);
    const int runs = options.runs;
    const QList<int> &sizes = options.sizes;
    QString dataFolder = options.dataFolder;
    withNaive = options.naive;
    QTemporaryDir generated;
    if (dataFolder.isEmpty())
        dataFolder = generated.path();

    QList<Row> rows;
    QStringList memory;
    const long baseline = childPeaks({QStringLiteral("--memory-baseline")}).value(0);
    try {
        // Memory first, each size in a child of its own: a child's ru_maxrss counts what it
        // shared with this process when it started, so this process must still be small.
        QStringList books;
        for (const int contacts : sizes) {
            out << "preparing " << contacts << " contacts..." << Qt::endl;
            const QString book = EnsureGeneratedBook(dataFolder, contacts);
            books.append(book);
            const double fileMb = double(QFileInfo(book).size()) / (1024 * 1024);
            const QList<long> peaks = childPeaks({QStringLiteral("--memory"), book});
            const auto overBaseline = [&](long peak) {
                return double(peak - baseline) / 1024;
            };
            const double addedMb = overBaseline(peaks.value(1));
            memory.append(
                QStringLiteral("%1 contacts: book.db %2 MB; over an empty process (%3 "
                               "MB) %4 MB after the reads, %5 MB after a save = %6x "
                               "the file; target < 3x: %7")
                    .arg(contacts)
                    .arg(fileMb, 0, 'f', 1)
                    .arg(double(baseline) / 1024, 0, 'f', 1)
                    .arg(overBaseline(peaks.value(0)), 0, 'f', 1)
                    .arg(addedMb, 0, 'f', 1)
                    .arg(addedMb / fileMb, 0, 'f', 2)
                    .arg(addedMb < 3 * fileMb ? QStringLiteral("yes") : QStringLiteral("NO")));
        }
        for (qsizetype i = 0; i < sizes.size(); ++i)
            rows += measure(sizes[i], books[i], runs);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench: %s\n", error.what());
        return 1;
    }
    out << Qt::endl
        << "median of " << runs << " runs; naive = re-read and re-parse the file on "
        << "every call (~ = scaled from a sample)" << Qt::endl;
    printTable(rows);
    out << Qt::endl << "peak memory (getrusage ru_maxrss):" << Qt::endl;
    for (const QString &line : memory)
        out << "  " << line << Qt::endl;
    return 0;
}
