#include "reports/frmcreatereport.h"
#include "reports/frmsummaryreport.h"

#include "guitest.h"
#include "scriptedmessagebox.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QToolButton>
#include <QtTest>

namespace {
// Not in alphabetical order: the list keeps the book's order.
const QStringList Book = {"Cid", "Ann", "Bob", "Dan", "Eve"};
const QString FontQuestion = "Have have not specified a font.  Would you like to continue?\n\n"
                             "Press Yes to continue, press No to use the default font (Tahoma) or "
                             "press Cancel to choose a font.";
} // namespace

class TestCreateReport : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<TCreateReport> m_dialog;

    QListView *list(const char *name) const { return child<QListView>(*m_dialog, name); }
    QComboBox *fonts() const { return child<QComboBox>(*m_dialog, "cbFontList"); }
    void click(const char *button) { child<QAbstractButton>(*m_dialog, button)->click(); }
    static QString reportFile() { return GetProgramPath(ppReportHtml); }
    static int selectedRow(QListView *view)
    {
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    // Presses Create; the viewer, when it comes, is closed and its caption returned.
    QString create()
    {
        QString caption;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &poll, [&] {
            if (auto *viewer = qobject_cast<TSummaryReport *>(QApplication::activeModalWidget())) {
                poll.stop();
                caption = viewer->windowTitle();
                viewer->reject();
            }
        });
        poll.start(5);
        click("Button5");
        return caption;
    }
    static QStringList reportLines()
    {
        return QString::fromUtf8(ReadFileBytes(reportFile()).mid(3)).split("\r\n");
    }

private slots:
    void initTestCase()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        QList<TestContact> book;
        for (const QString &name : Book)
            book.append({name, {{"pRealName", name + " Real"}}});
        m_profile->fill(book);
    }
    void cleanupTestCase() { m_profile.reset(); }
    void init()
    {
        m_boxes = std::make_unique<ScriptedMessageBox>();
        QFile::remove(reportFile());
        m_dialog = std::make_unique<TCreateReport>();
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    void cleanup()
    {
        m_dialog.reset();
        m_boxes.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void startsWithTheBookAndTahoma()
    {
        auto *contacts = qobject_cast<QStringListModel *>(list("lbContactList")->model());
        QCOMPARE(contacts->stringList(), Book);
        QCOMPARE(list("lbContactList")->sizeHintForRow(0), 16);
        QCOMPARE(fonts()->currentText(), QStringLiteral("Tahoma"));
        QStringList entries;
        for (int i = 0; i < fonts()->count(); ++i)
            entries.append(fonts()->itemText(i));
        QVERIFY(entries.contains("Default") && entries.size() > 1);
        QVERIFY(
            std::is_sorted(entries.begin(), entries.end(), [](const QString &a, const QString &b) {
                return a.compare(b, Qt::CaseInsensitive) < 0;
            }));
    }

    // Each step: "c<row>"/"i<row>" selects in the contact/include list ("-": nothing),
    // "C<row>"/"I<row>" double-clicks a row; any other step is a button's name.
    void listRules_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("included");
        QTest::addColumn<int>("selected"); // in the include list afterwards

        QTest::newRow("add without a selection") << QStringList{"Button1"} << QStringList{} << -1;
        QTest::newRow("add appends, once")
            << QStringList{"c2", "Button1", "c0", "Button1", "Button1"} << QStringList{"Bob", "Cid"}
            << -1;
        QTest::newRow("add all keeps the hand-picked on top")
            << QStringList{"c3", "Button1", "c1", "Button1", "Button2"}
            << QStringList{"Dan", "Ann", "Cid", "Bob", "Eve"} << -1;
        QTest::newRow("remove without a selection")
            << QStringList{"Button2", "i-", "Button3"} << Book << -1;
        QTest::newRow("remove the selected") << QStringList{"Button2", "i1", "Button3"}
                                             << QStringList{"Cid", "Bob", "Dan", "Eve"} << -1;
        QTest::newRow("remove all") << QStringList{"Button2", "Button4"} << QStringList{} << -1;
        QTest::newRow("up swaps with the row above")
            << QStringList{"Button2", "i2", "SpeedButton1"}
            << QStringList{"Cid", "Bob", "Ann", "Dan", "Eve"} << 1;
        QTest::newRow("up on the first does nothing")
            << QStringList{"Button2", "i0", "SpeedButton1"} << Book << 0;
        QTest::newRow("down swaps with the row below")
            << QStringList{"Button2", "i3", "SpeedButton2"}
            << QStringList{"Cid", "Ann", "Bob", "Eve", "Dan"} << 4;
        QTest::newRow("down on the last does nothing")
            << QStringList{"Button2", "i4", "SpeedButton2"} << Book << 4;
        QTest::newRow("up and down without a selection")
            << QStringList{"Button2", "i-", "SpeedButton1", "SpeedButton2"} << Book << -1;
        QTest::newRow("double-clicks add and remove")
            << QStringList{"C4", "C1", "C4", "I0"} << QStringList{"Ann"} << -1;
    }
    void listRules()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, included);
        QFETCH(int, selected);
        for (const QString &step : steps) {
            const char kind = step.front().toLatin1();
            QListView *view = list(QChar(kind).toLower() == 'c' ? "lbContactList" : "lbInclude");
            const QModelIndex row = view->model()->index(step.mid(1).toInt(), 0);
            if (kind == 'c' || kind == 'i') {
                if (step.mid(1) == "-")
                    view->selectionModel()->clearSelection();
                else
                    view->setCurrentIndex(row);
            } else if (kind == 'C' || kind == 'I') {
                // The first click selects the row, as a user's does.
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                                  view->visualRect(row).center());
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                                   view->visualRect(row).center());
            } else {
                click(qPrintable(step));
            }
        }
        QCOMPARE(m_dialog->IncludedContacts(), included);
        QCOMPARE(selectedRow(list("lbInclude")), selected);
    }

    // An included name is drawn in the button-shadow colour on the window colour, also while
    // selected; removed, it is drawn normally again.
    void greyMarksFollowTheIncludeList()
    {
        QListView *contacts = list("lbContactList");
        const QPalette palette = contacts->palette();
        const int shadow = qGray(palette.color(QPalette::Dark).rgb());
        struct Drawn
        {
            int darkest = 255; // the text's darkest grey
            bool highlighted = false;
        };
        const auto drawn = [&](int row) {
            contacts->viewport()->repaint();
            const QImage image = contacts->viewport()->grab().toImage();
            const QRect rect = contacts->visualRect(contacts->model()->index(row, 0));
            Drawn seen;
            for (int y = rect.top() + 2; y < rect.bottom() - 1; ++y) {
                for (int x = rect.left() + 2; x < rect.right() - 1; ++x) {
                    const QRgb pixel = image.pixel(x, y);
                    seen.highlighted |= pixel == palette.color(QPalette::Highlight).rgb();
                    seen.darkest = qMin(seen.darkest, qGray(pixel));
                }
            }
            return seen;
        };

        contacts->setCurrentIndex(contacts->model()->index(2, 0));
        QVERIFY(drawn(2).highlighted);
        click("Button1");
        QVERIFY(!drawn(2).highlighted);
        QVERIFY(drawn(2).darkest >= shadow - 4 && drawn(2).darkest < 0xF0);
        QVERIFY(drawn(1).darkest < shadow - 40);
        list("lbInclude")->setCurrentIndex(list("lbInclude")->model()->index(0, 0));
        click("Button3");
        QVERIFY(drawn(2).highlighted);
    }

    // The report holds the included contacts in their order with the chosen sections and
    // font as typed; the dialog closes after showing it.
    void createsShowsAndCloses()
    {
        QCOMPARE(create(), QString());
        QCOMPARE(m_boxes->captions(), QStringList{"No contacts included."});
        QCOMPARE(m_boxes->last().text,
                 "Please add some contacts to include in the report and try again!");
        QCOMPARE(m_boxes->last().flags, 64);
        QVERIFY(m_dialog->isVisible());
        QVERIFY(!QFileInfo::exists(reportFile()));

        for (int row : {3, 1}) {
            list("lbContactList")->setCurrentIndex(list("lbContactList")->model()->index(row, 0));
            click("Button1");
        }
        child<QCheckBox>(*m_dialog, "cbNotes")->setChecked(false);
        child<QCheckBox>(*m_dialog, "cbBlank")->setChecked(true);
        fonts()->setCurrentText("Not A Font");
        QCOMPARE(create(), QStringLiteral("Report"));
        QVERIFY(!m_dialog->isVisible());
        const QStringList lines = reportLines();
        QCOMPARE(lines.at(5), "   BODY, BLOCKQUOTE {font-size: 8pt;  font-family:Not A Font;}");
        QCOMPARE(lines.filter("<FONT SIZE=\"6\">"),
                 (QStringList{"<B><FONT SIZE=\"6\">Dan</FONT></B>",
                              "<B><FONT SIZE=\"6\">Ann</FONT></B>"}));
        QCOMPARE(lines.filter("Home details").size(), 2);
        QCOMPARE(lines.filter("Work details").size() + lines.filter("Notes").size(), 0);
        QVERIFY(lines.contains("<B>Nick name</B>: &nbsp;<BR>"));
        QCOMPARE(m_boxes->count(), 1);
    }

    void emptyFontQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("created");
        QTest::addColumn<QString>("fontAfter");
        QTest::newRow("yes: a report with no font") << int(MessageBoxResult::Yes) << true << "";
        QTest::newRow("no: Tahoma, no report") << int(MessageBoxResult::No) << false << "Tahoma";
        QTest::newRow("cancel: back to the dialog") << int(MessageBoxResult::Cancel) << false << "";
    }
    void emptyFontQuestion()
    {
        QFETCH(int, answer);
        QFETCH(bool, created);
        QFETCH(QString, fontAfter);
        click("Button2");
        fonts()->setCurrentText(QString());
        m_boxes->answer(answer);
        QCOMPARE(create().isEmpty(), !created);
        QCOMPARE(m_boxes->captions(), QStringList{"No font selected"});
        QCOMPARE(m_boxes->last().text, FontQuestion);
        QCOMPARE(m_boxes->last().flags, 35);
        QCOMPARE(m_dialog->isVisible(), !created);
        QCOMPARE(QFileInfo::exists(reportFile()), created);
        if (created)
            QCOMPARE(reportLines().at(5), "   BODY, BLOCKQUOTE {font-size: 8pt;  font-family:;}");
        else
            QCOMPARE(fonts()->currentText(), fontAfter);
    }

    // A report that cannot be saved: the generator's message, no viewer, and the dialog closes.
    void failedSaveClosesWithoutViewer()
    {
        QVERIFY(QDir().mkpath(reportFile()));
        click("Button2");
        QCOMPARE(create(), QString());
        QCOMPARE(m_boxes->captions(), QStringList{"Failed to save file."});
        QVERIFY(!m_dialog->isVisible());
        QVERIFY(QDir().rmdir(reportFile()));
    }
};

QTEST_MAIN(TestCreateReport)
#include "tst_createreport.moc"
