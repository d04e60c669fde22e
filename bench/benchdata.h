#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TProfile;

/// The path of a book.db with `contacts` generated contacts in dataFolder, made with the
/// contact generator when it is not there yet. Throws std::runtime_error when it cannot be made.
QString EnsureGeneratedBook(const QString &dataFolder, int contacts);

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

/// Writes all 34 keys of the contact, as the editor saves it; `round` changes the values.
void WriteWholeContact(TProfile &profile, const QString &name, int round);

/// Median of the values (which it sorts).
double Median(QList<double> values);

/// What every benchmark program is told: [--runs N] [--sizes 10000,100000] [data-folder].
struct BenchOptions
{
    int runs = 5;
    QList<int> sizes{10000, 100000};
    /// Keeps the generated book-N.db files between runs; empty: a temporary folder.
    QString dataFolder;
    /// The other flags ("--..."), in order, for the program's own use.
    QStringList flags;
};

BenchOptions ParseBenchOptions(QStringList arguments, int defaultRuns);
