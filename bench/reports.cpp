// Figures for reports at 10,000 and 100,000 contacts: the report of every contact (all
// sections, blank fields shown) written to report.html, beside abook's HTML export of the same
// people in the same run; and the viewer showing a 1,000-contact report, from ShowReport until
// its page is painted.
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

// ShowReport until the page has been painted once.
double showInViewer()
{
    TSummaryReport viewer;
    viewer.resize(720, 560);
    viewer.show();
    QCoreApplication::processEvents();
    QWidget *page = viewer.findChild<TReportView *>(QStringLiteral("wbDisplay"))->viewport();
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
    return Seconds([&] {
        viewer.ShowReport(QStringLiteral("Report"));
        page->installEventFilter(&watch);
        page->update();
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    });
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
                writeWholeReport(names.mid(0, 1000));
                rows.append({1000, QStringLiteral("viewer: ShowReport to painted"),
                             MedianOf(runs, showInViewer), 0, 1.5});
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
