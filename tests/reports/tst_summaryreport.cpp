#include "forms/common/filedialogs.h"
#include "forms/main/frmmainform.h"
#include "reports/frmsummaryreport.h"
#include "reports/reportpage.h"
#include "reports/reportview.h"
#include "reports/untreportgen.h"

#include "guitest.h"
#include "recordinglauncher.h"
#include "scriptedmessagebox.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QDir>
#include <QFileInfo>
#include <QListView>
#include <QPrinter>
#include <QProgressBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolButton>
#include <QtTest>

namespace {
const QString Chloe = QStringLiteral("Chloé Müller");

// The separator the build draws, beside the built program.
QByteArray builtSeparator()
{
    const QString program = qEnvironmentVariable("CALBREY_TEST_PROGRAM");
    return ReadFileBytes(QFileInfo(program).absolutePath() + "/quenlark_line.jpg");
}

TReportView *page(const QWidget &viewer)
{
    return child<TReportView>(viewer, "wbDisplay");
}

// The left indent of the block holding the first occurrence of text.
qreal indent(TReportView *view, const QString &text)
{
    const QTextCursor found = view->document()->find(text, 0, QTextDocument::FindCaseSensitively);
    return found.block().blockFormat().leftMargin();
}

// What a reader sees of a page: its text, each block's indent, and each run's size, weight
// and link.
QStringList appearance(const QTextDocument &document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line = QString::number(block.blockFormat().leftMargin()) + ' ';
        for (auto run = block.begin(); !run.atEnd(); ++run) {
            const QTextCharFormat format = run.fragment().charFormat();
            line += QString("[%1/%2/%3]")
                        .arg(format.font().pointSizeF())
                        .arg(format.fontWeight())
                        .arg(format.anchorHref()) +
                    run.fragment().text();
        }
        lines.append(line);
    }
    return lines;
}

void clickText(TReportView *view, const QString &text)
{
    QTextCursor inside(view->document());
    inside.setPosition(view->document()->find(text).selectionStart() + 1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(inside).center());
}
} // namespace

class TestSummaryReport : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    QTemporaryDir m_elsewhere;

private slots:
    void initTestCase()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        QVERIFY(!builtSeparator().startsWith("<missing>"));
    }
    void cleanupTestCase() { m_profile.reset(); }
    void init()
    {
        m_boxes = std::make_unique<ScriptedMessageBox>();
        writeReport("chloe@example.org");
    }
    void writeReport(const QString &email)
    {
        m_profile->fill({{Chloe,
                          {{"pEmailAddress", email},
                           {"pHomePage", "http://example.org/a b?x=1&y=2"},
                           {"hAddress", "1 Road|Town"},
                           {"hCitg", "Dole"},
                           {"aNotes", "noted"}}},
                         {"Bob", {}}});
        ReplaceFileBytes(GetProgramPath(ppProgramFolder) + "quenlark_line.jpg", builtSeparator());
        TReportGenerator report;
        report.IncludeHome = true;
        report.IncludeNotes = true;
        report.WriteHeader();
        report.WriteContacts({Chloe, "Bob"});
        report.WriteFooter();
        QVERIFY(report.SaveReport(QString()));
    }
    void cleanup()
    {
        m_boxes.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // The page from its file: accents decoded, the separator picture from the report's
    // folder, nothing from the network, indented as a browser indents it.
    void showsTheReportFile()
    {
        TSummaryReport viewer;
        viewer.ShowReport("Report");
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Report"));
        TReportView *view = page(viewer);
        QVERIFY(view->toPlainText().startsWith(Chloe));
        const QUrl separator("quenlark_line.jpg");
        QVERIFY(view->document()->resource(QTextDocument::ImageResource, separator).isValid());
        const QUrl remote("http://127.0.0.1:9/x.png");
        QVERIFY(!view->loadResource(QTextDocument::ImageResource, remote).isValid());
        QVERIFY(indent(view, "E-Mail address:") > 0);
        QVERIFY(indent(view, "Address:") > indent(view, "E-Mail address:"));
        QCOMPARE(indent(view, "City:"), indent(view, "Address:"));
        QCOMPARE(indent(view, "Notes"), indent(view, "E-Mail address:"));
        for (const char *name : {"ToolButton3", "ToolButton1", "ToolButton2"})
            QCOMPARE(child<QToolButton>(viewer, name)->width(), 91);
    }

    // A long report shows its first contacts at once, and the whole report when a worker has
    // read it: the same page as one read at once, the reader where they were, and saving and
    // printing only of the whole page.
    void longReportShowsItsStartThenTheWhole()
    {
        QStringList names;
        QList<TestContact> contacts;
        for (int i = 0; i < 800; ++i) {
            names.append(QString("Person %1").arg(i, 3, 10, QChar('0')));
            contacts.append({names.last(), {{"pEmailAddress", names.last() + "@example.org"}}});
        }
        m_profile->fill(contacts);
        TReportGenerator report;
        report.ShowBlankFields = true;
        report.IncludeHome = true;
        report.IncludeNotes = true;
        report.WriteHeader();
        report.WriteContacts(names);
        report.WriteFooter();
        QVERIFY(report.SaveReport(QString()));

        TSummaryReport viewer;
        viewer.resize(600, 400);
        viewer.show();
        viewer.ShowReport("Report");
        TReportView *view = page(viewer);
        QVERIFY(!view->IsComplete());
        QVERIFY(view->toPlainText().startsWith("Person 000"));
        QVERIFY(!view->toPlainText().contains("Person 799"));
        QVERIFY(child<QProgressBar>(viewer, "pbLayingOut")->isVisible());
        QVERIFY(!child<QToolButton>(viewer, "ToolButton1")->isEnabled());
        QVERIFY(!child<QToolButton>(viewer, "ToolButton3")->isEnabled());
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
        const int atTop = view->cursorForPosition(QPoint(0, 0)).block().position();

        QTRY_VERIFY_WITH_TIMEOUT(view->IsComplete(), 30000);
        QVERIFY(view->toPlainText().contains("Person 799"));
        QTRY_COMPARE(view->cursorForPosition(QPoint(0, 0)).block().position(), atTop);
        QVERIFY(!child<QProgressBar>(viewer, "pbLayingOut")->isVisible());
        QVERIFY(child<QToolButton>(viewer, "ToolButton1")->isEnabled());
        QVERIFY(child<QToolButton>(viewer, "ToolButton3")->isEnabled());

        QTextDocument whole;
        whole.setDefaultFont(view->document()->defaultFont());
        whole.setBaseUrl(view->document()->baseUrl());
        whole.setHtml(
            BrowserLayout(QString::fromUtf8(ReadFileBytes(GetProgramPath(ppReportHtml)))));
        QCOMPARE(appearance(*view->document()), appearance(whole));
        writeReport("chloe@example.org");
    }

    // A link never navigates inside the viewer: mail goes to the mail client, the rest to the
    // browser.
    void linksGoToTheirPrograms()
    {
        RecordingLauncher launcher;
        TSummaryReport viewer;
        viewer.ShowReport("Report");
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        const QString before = page(viewer)->toHtml();
        clickText(page(viewer), "chloe@example.org");
        clickText(page(viewer), "http://example.org");
        QCOMPARE(launcher.documents,
                 (QStringList{"mailto:chloe@example.org", "http://example.org/a%20b?x=1&y=2"}));
        QCOMPARE(page(viewer)->toHtml(), before);
    }

    void mailLinksGiveTheAddressAsStored_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("percent") << "100%sure@example.org";
        QTest::newRow("escape-like percent") << "a%zz%4@example.org";
        QTest::newRow("plus") << "chloe+reports@example.org";
        QTest::newRow("blanks") << "Chlo\u00E9 M\u00FCller <chloe@example.org>";
        QTest::newRow("non-ASCII") << "chlo\u00E9@m\u00FCller.example";
        QTest::newRow("question mark and hash") << "who?@example.org#1";
    }

    // Clicked in the page, a mail link gives the mail client the address as the contact holds
    // it, without a warning from the link's decoding.
    void mailLinksGiveTheAddressAsStored()
    {
        QFETCH(QString, address);
        writeReport(address);
        RecordingLauncher launcher;
        TSummaryReport viewer;
        viewer.ShowReport("Report");
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTest::failOnWarning(QRegularExpression(".*"));
        clickText(page(viewer), address);
        QCOMPARE(launcher.documents, QStringList{"mailto:" + address});
    }

    // The name's own suffix decides the type; a web page gets the separator beside it unless
    // one is there already; a failure is reported in the generator's words.
    void savesAWebPageOrAPdf()
    {
        TSummaryReport viewer;
        viewer.ShowReport("Report");
        const QString folder = m_elsewhere.path() + '/';
        const auto save = [&viewer](const QString &name, int type) {
            FileDialogs::SetNextSaveChoice(name, type);
            child<QToolButton>(viewer, "ToolButton3")->click();
        };
        save(folder + "copy", TSummaryReport::WebPageType);
        QCOMPARE(ReadFileBytes(folder + "copy.html"), ReadFileBytes(GetProgramPath(ppReportHtml)));
        QCOMPARE(ReadFileBytes(folder + "quenlark_line.jpg"), builtSeparator());
        ReplaceFileBytes(folder + "quenlark_line.jpg", "mine");
        save(folder + "second.htm", TSummaryReport::PdfType);
        QVERIFY(QFileInfo::exists(folder + "second.htm"));
        QCOMPARE(ReadFileBytes(folder + "quenlark_line.jpg"), QByteArray("mine"));
        save(folder + "report", TSummaryReport::PdfType);
        QVERIFY(ReadFileBytes(folder + "report.pdf").startsWith("%PDF-"));
        save(QString(), TSummaryReport::PdfType); // cancelled
        QCOMPARE(m_boxes->count(), 0);

        for (const int type : {TSummaryReport::WebPageType, TSummaryReport::PdfType}) {
            const QString target = folder + "missing/report.pdf";
            save(target, type);
            QCOMPARE(m_boxes->last().caption, "Cannot save report.");
            QCOMPARE(m_boxes->last().text, "Quenlark Calbrey cannot save the report to \"" +
                                               target +
                                               "\".  Please try another file name and try again!");
        }
        QCOMPARE(m_boxes->count(), 2);
        QVERIFY(!QFileInfo::exists(folder + "missing"));
    }

    void printsOnlyWhenAsked()
    {
        TSummaryReport viewer;
        viewer.ShowReport("Contact summary");
        const QString printed = m_elsewhere.path() + "/printed.pdf";
        FileDialogs::SetNextPrintAnswer([](QPrinter &) { return false; });
        viewer.ToolButton1Click();
        QVERIFY(!QFileInfo::exists(printed));
        QString document;
        FileDialogs::SetNextPrintAnswer([&](QPrinter &printer) {
            document = printer.docName();
            printer.setOutputFileName(printed);
            return true;
        });
        child<QToolButton>(viewer, "ToolButton1")->click();
        QVERIFY(ReadFileBytes(printed).startsWith("%PDF-"));
        QCOMPARE(document, QStringLiteral("Contact summary"));
        QCOMPARE(m_boxes->count(), 0);
    }

    // From the main window: a double click shows the selected contact's summary, written
    // anew each time; below the rows it uses the row already selected. Ctrl+P opens the
    // report dialog.
    void mainWindowShowsSummariesAndTheDialog()
    {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *list = child<QListView>(form, "lbContactList");
        QStringList shown;
        const auto doubleClick = [&](QPoint point) {
            whenModal([&shown](QWidget *viewer) {
                shown.append(viewer->windowTitle() + ": " +
                             page(*viewer)->toPlainText().section('\n', 0, 0).trimmed());
                child<QToolButton>(*viewer, "ToolButton2")->click();
            });
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
        };
        const QPoint bob = list->visualRect(list->model()->index(1, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, bob);
        doubleClick(bob);
        QTRY_COMPARE(shown.size(), 1);
        list->setCurrentIndex(list->model()->index(0, 0));
        doubleClick(QPoint(20, list->viewport()->height() - 5));
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(shown, (QStringList{"Contact summary: Bob", "Contact summary: " + Chloe}));

        QString opened;
        whenModal([&opened](QWidget *dialog) {
            opened = dialog->objectName();
            static_cast<QDialog *>(dialog)->reject();
        });
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(list, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(opened, QStringLiteral("TCreateReport"));
    }
};

QTEST_MAIN(TestSummaryReport)
#include "tst_summaryreport.moc"
