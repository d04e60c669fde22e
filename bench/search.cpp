// Figures for the search bar at 10,000 and 100,000 contacts, through the main window as the
// user drives it: from the search command to the filled list, and to the painted list.
//
//   calbrey_bench_search [--runs N] [--sizes 10000,100000] [data-folder]
//
// The data folder keeps the generated book-N.db files between runs; without one they are
// generated into a temporary folder.

#include "benchdata.h"

#include "forms/main/frmmainform.h"
#include "forms/main/searchbar.h"
#include "platform/messagebox.h"
#include "profiles/contactsearch.h"
#include "profiles/normalform.h"
#include "profiles/untprofiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

QTextStream out(stdout);

struct Row
{
    int contacts;
    QString operation;
    qsizetype results;
    double filled;                // seconds: the command returned, the list holds the results
    double painted;               // seconds: and the window has painted them
    double target;                // seconds, for filled
    bool targetIsPainted = false; // the target is for painted instead
    double processor = 0;         // seconds of processor time to painted; 0 when not measured
};

/// The window with its search bar, on a profile of a generated book.
class SearchBench
{
public:
    explicit SearchBench(const QString &book) : m_program(m_root.path(), book)
    {
        ActiveProfile = new TProfile(BenchProgramFolder::profileName());
        ActiveProfile->DisplaySearchBar = true;
        m_form = std::make_unique<TMainForm>();
        m_form->resize(800, 600);
        m_form->show();
        QApplication::processEvents();
        m_find = m_form->findChild<QLineEdit *>(QStringLiteral("ebFindWhat"));
        m_entire = m_form->findChild<QCheckBox *>(QStringLiteral("cbEntire"));
        m_search = m_form->findChild<QAction *>(QStringLiteral("actSearchNow"));
    }
    ~SearchBench()
    {
        m_form.reset();
        delete ActiveProfile;
        ActiveProfile = nullptr;
    }
    SearchBench(const SearchBench &) = delete;
    SearchBench &operator=(const SearchBench &) = delete;

    /// Median times of runs searches for find, each after prepare (not timed).
    Row measure(int contacts, const QString &operation, const QString &find, bool entire,
                const std::function<void()> &prepare, int runs, double target)
    {
        QList<double> filled;
        QList<double> painted;
        qsizetype results = 0;
        for (int run = 0; run < runs; ++run) {
            prepare();
            QApplication::processEvents();
            m_entire->setChecked(entire);
            m_find->setText(find);
            QElapsedTimer timer;
            timer.start();
            m_search->trigger();
            filled.append(double(timer.nsecsElapsed()) / 1e9);
            m_form->repaint();
            QApplication::processEvents();
            painted.append(double(timer.nsecsElapsed()) / 1e9);
            results = m_form->ListedContacts().size();
        }
        return {contacts, operation, results, Median(filled), Median(painted), target};
    }

    /// Median times of runs pauses in typing with Any field checked, each after prepare: from
    /// the pause to the list filled and painted. Typed is the find box after the pause; the
    /// pause before it showed typed less its last character (typed alone: a find text that
    /// has nothing in common with it), as when one key is typed. The first keystroke after
    /// book.db changed builds the index: measured apart (afterKey false).
    Row measureTyping(int contacts, const QString &operation, const QString &typed,
                      const std::function<void()> &prepare, int runs, bool afterKey = true)
    {
        auto *bar = m_form->findChild<TSearchBar *>();
        auto *anyField = m_form->findChild<QCheckBox *>(QStringLiteral("cbFindAnyField"));
        anyField->setChecked(true);
        QList<double> filled;
        QList<double> painted;
        QList<double> processor;
        qsizetype results = 0;
        for (int run = 0; run < runs; ++run) {
            prepare();
            QApplication::processEvents();
            m_entire->setChecked(false);
            if (afterKey) {
                const QString before = typed.chopped(1);
                m_find->setText(before.isEmpty() ? QStringLiteral("qqqq") : before);
                bar->FollowTyping();
                m_form->repaint();
                QApplication::processEvents();
            }
            m_find->setText(typed);
            QElapsedTimer timer;
            timer.start();
            const std::clock_t used = std::clock();
            bar->FollowTyping();
            filled.append(double(timer.nsecsElapsed()) / 1e9);
            m_form->repaint();
            QApplication::processEvents();
            painted.append(double(timer.nsecsElapsed()) / 1e9);
            processor.append(double(std::clock() - used) / CLOCKS_PER_SEC);
            results = m_form->ListedContacts().size();
        }
        anyField->setChecked(false);
        return {contacts,        operation, results, Median(filled),
                Median(painted), 0.050,     true,    Median(processor)};
    }

    void reload() { m_form->ReloadContactList(false); }
    void searchEverything(const QString &find)
    {
        reload();
        m_entire->setChecked(true);
        m_find->setText(find);
        m_search->trigger();
    }

private:
    QTemporaryDir m_root;
    BenchProgramFolder m_program;
    std::unique_ptr<TMainForm> m_form;
    QLineEdit *m_find = nullptr;
    QCheckBox *m_entire = nullptr;
    QAction *m_search = nullptr;
};

/// A piece of a name (two or three letters) whose search finds closest to share of the names,
/// counted on a sample of them.
QString needleFindingShare(const QStringList &names, double share)
{
    QStringList sample;
    for (qsizetype i = 0; i < names.size(); i += qMax<qsizetype>(1, names.size() / 5000))
        sample.append(names[i]);
    QString best;
    double bestDistance = 2;
    for (qsizetype i = 0; i < qMin<qsizetype>(sample.size(), 40); ++i) {
        const QString &name = sample[i];
        for (qsizetype start = 0; start + 2 <= name.size(); ++start) {
            for (qsizetype length : {2, 3}) {
                const QString piece = name.mid(start, length);
                const double found =
                    double(SearchContactNames(sample, piece, {}).size()) / sample.size();
                if (qAbs(found - share) < bestDistance) {
                    bestDistance = qAbs(found - share);
                    best = piece;
                }
            }
        }
    }
    return best;
}

QList<Row> measure(int contacts, const QString &book, int runs)
{
    SearchBench bench(book);
    QStringList names;
    ActiveProfile->GetContactNames(names);
    const QString broad = needleFindingShare(names, 16000.0 / 100000.0);
    const QString rare = names[names.size() / 2];
    const auto reload = [&bench] {
        bench.reload();
    };
    const auto broadResults = [&bench, &broad] {
        bench.searchEverything(broad);
    };

    QList<Row> rows;
    rows.append(bench.measure(contacts, QStringLiteral("Entire database, one name"), rare, true,
                              reload, runs, 0.030));
    rows.append(bench.measure(contacts, QStringLiteral("Entire database, \"%1\" (~16%)").arg(broad),
                              broad, true, reload, runs, 0.030));
    rows.append(bench.measure(contacts, QStringLiteral("within those results, \"1\""),
                              QStringLiteral("1"), false, broadResults, runs, 0.010));
    rows.append(bench.measure(contacts, QStringLiteral("Entire database, nothing found + reload"),
                              QStringLiteral("no such name"), true, reload, runs, 0));

    // Any field: the index is built by the first keystroke after book.db changed; each later
    // one searches it.
    int touches = 0;
    const auto touchBook = [&bench, &names, &touches] {
        bench.reload();
        ActiveProfile->WriteField(names.first(), QStringLiteral("hZipCode"),
                                  QString::number(++touches));
        QThread::msleep(150); // past the moment in which the file's times cannot be trusted
    };
    Row index = bench.measureTyping(contacts, QStringLiteral("Any field, first key: index built"),
                                    QStringLiteral("o"), touchBook, qMin(runs, 3), false);
    index.target = 0;
    rows.append(index);
    const QString accentless = NormalForm::Text(names[names.size() / 3]);
    rows.append(bench.measureTyping(contacts, QStringLiteral("Any field, first key, \"o\" (broad)"),
                                    QStringLiteral("o"), reload, runs));
    rows.append(bench.measureTyping(contacts, QStringLiteral("Any field, first key, \"7\""),
                                    QStringLiteral("7"), reload, runs));
    rows.append(bench.measureTyping(contacts, QStringLiteral("Any field, \"osl\" + \"o\""),
                                    QStringLiteral("oslo"), reload, runs));
    rows.append(bench.measureTyping(contacts,
                                    QStringLiteral("Any field, last key of a name sans accents"),
                                    accentless, reload, runs));
    rows.append(bench.measureTyping(contacts, QStringLiteral("Any field, \"225\" + \"9\""),
                                    QStringLiteral("2259"), reload, runs));
    return rows;
}

void printTable(const QList<Row> &rows)
{
    out << Qt::left << qSetFieldWidth(9) << "contacts" << qSetFieldWidth(44) << "search"
        << qSetFieldWidth(9) << "results" << qSetFieldWidth(12) << "filled" << qSetFieldWidth(12)
        << "painted" << qSetFieldWidth(11) << "target" << qSetFieldWidth(6) << "met"
        << qSetFieldWidth(0) << "processor" << Qt::endl;
    for (const Row &row : rows) {
        out << qSetFieldWidth(9) << row.contacts << qSetFieldWidth(44) << row.operation
            << qSetFieldWidth(9) << row.results << qSetFieldWidth(12) << FormatTime(row.filled)
            << qSetFieldWidth(12) << FormatTime(row.painted) << qSetFieldWidth(11)
            << (row.target > 0 ? QStringLiteral("< ") + FormatTime(row.target) : QString())
            << qSetFieldWidth(6)
            << (row.target <= 0                                                 ? ""
                : (row.targetIsPainted ? row.painted : row.filled) < row.target ? "yes"
                                                                                : "NO")
            << qSetFieldWidth(0) << (row.processor > 0 ? FormatTime(row.processor) : QString())
            << Qt::endl;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // "Nothing found." is answered at once.
    SetMessageBoxHandler([](const QString &, const QString &, int) { return 1; });
    const BenchOptions options = ParseBenchOptions(app.arguments().mid(1), 7);
    const int runs = options.runs;
    QString dataFolder = options.dataFolder;
    QTemporaryDir generated;
    if (dataFolder.isEmpty())
        dataFolder = generated.path();

    QList<Row> rows;
    try {
        for (int contacts : options.sizes) {
            out << "preparing " << contacts << " contacts..." << Qt::endl;
            rows += measure(contacts, EnsureGeneratedBook(dataFolder, contacts), runs);
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_search: %s\n", error.what());
        return 1;
    }
    out << Qt::endl
        << "median of " << runs << " runs; filled = the command has returned with the "
        << "results in the list; painted = and the window has drawn them (the target of the "
        << "Any field rows)" << Qt::endl;
    printTable(rows);
    return 0;
}
