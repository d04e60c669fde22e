// Figures for reports at 10,000 and 100,000 contacts: the report of every contact (all
// sections, blank fields shown) written to report.html, beside abook's HTML export of the same
// people in the same run; and the viewer showing the report of the first size: from ShowReport
// until its first page is painted and until the whole page is in the view, and the longest the
// window could not answer meanwhile.
//
//   calbrey_bench_reports [--runs N] [--sizes 10000,100000] [data-folder]

#include "benchdata.h"

#include "app/untcommon.h"
#include "profiles/untprofiles.h"
#include "reports/frmsummaryreport.h"
#include "reports/reportview.h"
#include "reports/untreportgen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

QTextStream out(stdout);

// Every contact, every section, blank fields shown, saved as report.html.
void writeWholeReport(const QStringList &names)
{
    TReportGenerator report;
    report.IncludeHome = true;
    report.IncludeWork = true;
    report.IncludeNotes = true;
    report.ShowBlankFields = true;
    report.FontName = QStringLiteral("Tahoma");
    report.WriteHeader();
    report.WriteContacts(names);
    report.WriteFooter();
    if (!report.SaveReport(QString()))
        throw std::runtime_error("the report could not be saved");
}

struct ViewerTimes
{
    double firstPainted; // ShowReport until the first page has been painted
    double whole;        // ... until the whole page is in the view
    double longestStall; // the longest the window's event loop was kept from running meanwhile
};

ViewerTimes showInViewer()
{
    TSummaryReport viewer;
    viewer.resize(720, 560);
    viewer.show();
    QCoreApplication::processEvents();
    auto *view = viewer.findChild<TReportView *>(QStringLiteral("wbDisplay"));
    struct PaintWatch : QObject
    {
        bool painted = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                painted = true;
            return false;
        }
    } watch;
    // A timer that should tick every 10 ms: the longest gap between ticks is the longest stall.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = qMax(longestGap, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    ViewerTimes times{};
    QElapsedTimer clock;
    clock.start();
    viewer.ShowReport(QStringLiteral("Report"));
    view->viewport()->installEventFilter(&watch);
    view->viewport()->update();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    times.firstPainted = double(clock.nsecsElapsed()) / 1e9;
    sinceTick.start();
    ticker.start(10);
    while (!view->IsComplete())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    times.whole = double(clock.nsecsElapsed()) / 1e9;
    // Qt lays the rest of the page out in steps on the event loop.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    times.longestStall = double(longestGap) / 1e9;
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(app.arguments().mid(1), 3);
    const int runs = options.runs;
    QTemporaryDir generated;
    const QString dataFolder = options.dataFolder.isEmpty() ? generated.path() : options.dataFolder;

    QList<AbookComparison> rows;
    try {
        for (int contacts : options.sizes) {
            out << "preparing " << contacts << " contacts..." << Qt::endl;
            const QString book = EnsureGeneratedBook(dataFolder, contacts);
            QTemporaryDir root;
            BenchProgramFolder program(root.path(), book);
            TProfile profile(BenchProgramFolder::profileName());
            ActiveProfile = &profile;
            QStringList names;
            profile.GetContactNames(names);
            const double report = MedianOf(runs, [&] { writeWholeReport(names); });
            const double size = double(QFileInfo(GetProgramPath(ppReportHtml)).size());
            rows.append({contacts,
                         QStringLiteral("report, all sections and blank fields (%1 MB)")
                             .arg(size / (1024 * 1024), 0, 'f', 1),
                         report, AbookExport(dataFolder, contacts, runs, QStringLiteral("html")),
                         contacts <= 10000 ? 0.3 : 2.0});
            if (contacts == options.sizes.first()) {
                QList<double> first, whole, stall;
                for (int run = 0; run < runs; ++run) {
                    const ViewerTimes times = showInViewer();
                    first.append(times.firstPainted);
                    whole.append(times.whole);
                    stall.append(times.longestStall);
                }
                rows.append({contacts, QStringLiteral("viewer: ShowReport to first page painted"),
                             Median(first), 0, 1.5});
                rows.append({contacts, QStringLiteral("viewer: the whole page in the view"),
                             Median(whole), 0, 0});
                rows.append({contacts,
                             QStringLiteral("viewer: longest stall of the window meanwhile"),
                             Median(stall), 0, 0.3});
            }
            ActiveProfile = nullptr;
        }
    } catch (const std::exception &error) {
        ActiveProfile = nullptr;
        std::fprintf(stderr, "calbrey_bench_reports: %s\n", error.what());
        return 1;
    }

    PrintAbookComparison(rows, runs, QStringLiteral("abook html"));
    return 0;
}
