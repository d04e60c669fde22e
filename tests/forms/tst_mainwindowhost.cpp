#include "app/untcommon.h"
#include "forms/common/filedialogs.h"
#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "forms/main/profilecommands.h"
#include "guitest.h"
#include "platform/messagebox.h"
#include "reports/reportcommands.h"
#include "reports/untreportgen.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QListView>
#include <QMainWindow>
#include <QtTest>

// The main window's features tried against a stand-in of the window: what each asks of it.

namespace {
class StandInWindow : public TMainWindowHost
{
public:
    QMainWindow window;
    std::optional<QString> selected;
    /// What the feature asked of the window, in order.
    QStringList asked;

    QWidget &Window() override { return window; }
    std::optional<QString> SelectedContact() const override { return selected; }
    void ReloadContactList(bool keepSelection) override
    {
        asked.append(keepSelection ? QStringLiteral("reload, keeping the selection")
                                   : QStringLiteral("reload"));
    }
    void ApplyProfileToWindow() override { asked.append(QStringLiteral("apply the profile")); }
    void ClearContactList() override { asked.append(QStringLiteral("clear the list")); }
};

const QString annLee = QStringLiteral("Ann Lee");
} // namespace

class TestMainWindowHost : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<StandInWindow> m_host;
    std::unique_ptr<TMainCommands> m_commands;

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        m_profile->fill({{annLee,
                          {{"aContactName", annLee},
                           {"pEmailAddress", "ann@example.org"},
                           {"pMobile", ""},
                           {"hCitg", "Lisbon"},
                           {"hPager", ""},
                           {"wCompany", "Acme"},
                           {"wFax", ""},
                           {"aNotes", "met at|the fair"}}}});
        m_boxes = std::make_unique<ScriptedMessageBox>();
        m_host = std::make_unique<StandInWindow>();
        m_commands = std::make_unique<TMainCommands>(&m_host->window);
    }
    void cleanup()
    {
        m_commands.reset();
        m_host.reset();
        m_boxes.reset();
        m_profile.reset();
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // The summary of the selected contact is the report of it with every section, no blank
    // field and the font Tahoma.
    void summaryShowsEverySectionWithoutBlankFieldsInTahoma()
    {
        QListView list(&m_host->window);
        TReportCommands reports(*m_host, *m_commands, list);
        const QString reportFile = GetProgramPath(ppReportHtml);

        reports.lbContactListDblClick();
        QVERIFY2(!QFile::exists(reportFile), "nothing selected, nothing shown");

        m_host->selected = annLee;
        QString caption;
        whenModalOf("TSummaryReport", [&caption](QWidget &viewer) {
            caption = viewer.windowTitle();
            static_cast<QDialog &>(viewer).reject();
        });
        reports.lbContactListDblClick();
        QCOMPARE(caption, QStringLiteral("Contact summary"));
        const QByteArray summary = ReadFileBytes(reportFile);

        TReportGenerator expected;
        expected.IncludeHome = true;
        expected.IncludeWork = true;
        expected.IncludeNotes = true;
        expected.ShowBlankFields = false;
        expected.FontName = QStringLiteral("Tahoma");
        expected.WriteHeader();
        expected.WriteContacts({annLee});
        expected.WriteFooter();
        const QString expectedFile = m_profile->folder().path() + QStringLiteral("expected.html");
        QVERIFY(expected.SaveReport(expectedFile));
        QCOMPARE(summary, ReadFileBytes(expectedFile));
        QVERIFY(summary.contains("Acme"));
        QVERIFY(summary.contains("font-family:Tahoma"));
        QVERIFY(m_host->asked.isEmpty());
    }

    // The profile commands leave the window in line with the profile however they end.
    void profileCommandsBringTheWindowIntoLine_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("fileName"); // "" cancels the file dialog; "backup" is one
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("asked");
        const QStringList notRestored{"clear the list", "reload"};
        QTest::newRow("restore, file dialog cancelled") << "actRestoreProfile"
                                                        << "" << 0 << notRestored;
        QTest::newRow("restore, question answered No")
            << "actRestoreProfile"
            << "backup" << MessageBoxResult::No << notRestored;
        QTest::newRow("restore done") << "actRestoreProfile"
                                      << "backup" << MessageBoxResult::Yes
                                      << QStringList{"clear the list", "apply the profile"};
        QTest::newRow("profile manager closed") << "actChangeProfile"
                                                << "" << 0 << QStringList{"apply the profile"};
        QTest::newRow("backup") << "actBacupProfile"
                                << "backup" << 0 << QStringList();
    }
    void profileCommandsBringTheWindowIntoLine()
    {
        QFETCH(QString, command);
        QFETCH(QString, fileName);
        QFETCH(int, answer);
        QFETCH(QStringList, asked);
        const QString backup = m_profile->folder().path() + QStringLiteral("tester.qcbak");
        if (command != QLatin1String("actBacupProfile"))
            QVERIFY(ActiveProfile->Backup(backup));
        TProfileCommands commands(*m_host, *m_commands);
        FileDialogs::SetNextFileName(fileName.isEmpty() ? QString() : backup);
        if (answer != 0)
            m_boxes->answer(answer);
        if (command == QLatin1String("actChangeProfile"))
            answerModal(QDialog::Rejected);
        trigger(m_host->window, qPrintable(command));
        QCOMPARE(m_host->asked, asked);
        QVERIFY(QFile::exists(backup));
    }
};

QTEST_MAIN(TestMainWindowHost)
#include "tst_mainwindowhost.moc"
