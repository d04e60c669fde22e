#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

class TProfile;

/// The path of a book.db with `contacts` generated contacts in dataFolder, made with the
/// contact generator when it is not there yet. Throws std::runtime_error when it cannot be made.
QString EnsureGeneratedBook(const QString &dataFolder, int contacts);
/// The same for any kind the generator makes ("csv", "abook"), in dataFolder/fileName.
QString EnsureGeneratedFile(const QString &dataFolder, const QString &kind, int contacts,
                            const QString &fileName);

/// A program folder holding one profile, "bench", whose book.db is a copy of book.
class BenchProgramFolder
{
public:
    BenchProgramFolder(const QString &root, const QString &book);
    ~BenchProgramFolder();
    BenchProgramFolder(const BenchProgramFolder &) = delete;
    BenchProgramFolder &operator=(const BenchProgramFolder &) = delete;

    static QString profileName() { return QStringLiteral("bench"); }
    QString bookPath() const { return m_bookPath; }

private:
    QString m_bookPath;
};

/// A program folder whose profile "bench" holds no contacts, made the active profile.
class EmptyProfile
{
public:
    EmptyProfile();
    ~EmptyProfile();
    EmptyProfile(const EmptyProfile &) = delete;
    EmptyProfile &operator=(const EmptyProfile &) = delete;

private:
    QTemporaryDir m_root;
};

/// abook converting its own file of the same contacts to format ("html", "vcard"): the
/// median seconds of runs, or 0 when abook is not installed.
double AbookExport(const QString &folder, int contacts, int runs, const QString &format);

/// One line of a table of our figure beside abook's for the same work.
struct AbookComparison
{
    int contacts;
    QString operation;
    double ours;   // seconds
    double abook;  // seconds; 0 when not measured
    double target; // seconds; 0 when none
};
/// The rows as a table on standard output: ours, abook's (under abookColumn), the ratio, the
/// target and whether it is met.
void PrintAbookComparison(const QList<AbookComparison> &rows, int runs, const QString &abookColumn);

/// Writes all 34 keys of the contact, as the editor saves it; `round` changes the values.
void WriteWholeContact(TProfile &profile, const QString &name, int round);

/// Median of the values (which it sorts).
double Median(QList<double> values);

/// The arguments every benchmark program takes: [--runs N] [--sizes 10000,100000]
/// [--no-naive] [data-folder].
struct BenchOptions
{
    int runs = 1;
    QList<int> sizes{10000, 100000};
    bool naive = true;
    QString dataFolder; // empty: generate into a temporary folder
    /// The other flags ("--..."), in order, for the program's own use.
    QStringList flags;
};
BenchOptions ParseBenchOptions(QStringList arguments, int defaultRuns);

/// Message boxes answered without being shown: every question Yes, every message OK and
/// printed on standard error, where a benchmark's failure shows.
void AnswerEveryQuestionYes();

/// The wall-clock seconds work takes, and the median of runs of it.
double Seconds(const std::function<void()> &work);
double MedianOf(int runs, const std::function<void()> &work);
/// "12.3 ms", "1.25 s"; "-" for nothing measured.
QString FormatTime(double seconds);
/// The process's peak resident size so far.
long MaxResidentKilobytes();
