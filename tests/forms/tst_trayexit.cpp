#include "app/untactive.h"
#include "forms/common/messageboxhandler.h"
#include "forms/common/programend.h"
#include "forms/dialogs/frmchangeprofile.h"
#include "forms/dialogs/frmcheckforupdate.h"
#include "forms/main/calbreyapplication.h"
#include "forms/main/contactlistview.h"
#include "forms/main/frmmainform.h"
#include "guitest.h"
#include "import/importreport.h"
#include "localhttpserver.h"
#include "net/unit_proxy.h"
#include "platform/messagebox.h"
#include "platform/singleinstance.h"
#include "platform/username.h"
#include "profiles/untprofiles.h"
#include "realprogram.h"
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"

#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QThread>
#include <QtTest>
#include <functional>

// "&Close Quenlark Address Book" chosen in the tray menu while a dialog, a message box or long
// work is open. On a desktop whose notification area speaks D-Bus (snihost.sh makes one) the
// menu stays usable then, because the desktop shows it, not the program.

namespace {
const QString closeItem = QStringLiteral("Close Quenlark Address Book");
const QString contactName = QStringLiteral("Ann Lee");

/// Runs sni.py (snihost.sh names it) with arguments and waits; its standard output.
QString sni(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("/usr/bin/python3"),
               QStringList{qEnvironmentVariable("CALBREY_SNI_TOOL")} + arguments);
    // Our own event loop runs meanwhile: the tool asks this process for the icon's menu.
    if (!QTest::qWaitFor([&tool] { return tool.state() == QProcess::NotRunning; }, 60000))
        tool.kill();
    if (tool.exitCode() != 0)
        qWarning("sni.py %s: %s", qPrintable(arguments.join(QLatin1Char(' '))),
                 tool.readAllStandardError().constData());
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/// The import every import command runs, of count contacts that come slowly, with a name that
/// clashes first when clashFirst.
void runSlowImport(QWidget &window, qsizetype count, bool clashFirst)
{
    ImportWithReport(
        &window, count,
        [clashFirst](qsizetype i) {
            QThread::usleep(200);
            TImportedContact contact;
            contact.name =
                i == 0 && clashFirst ? contactName : QStringLiteral("Imported %1").arg(i);
            contact.fields = {{QStringLiteral("aContactName"), contact.name}};
            return contact;
        },
        QStringLiteral("row"));
}

void selectContact(TMainForm &form)
{
    auto *list = form.findChild<TContactListView *>(QStringLiteral("lbContactList"));
    // The list fills once the book read at start-up is in.
    QTRY_VERIFY(list->model()->rowCount() > 0);
    list->setCurrentIndex(list->model()->index(0, 0));
}

void triggerLater(TMainForm &form, const char *action)
{
    QAction *command = form.findChild<QAction *>(QLatin1String(action));
    QVERIFY2(command && command->isEnabled(), action);
    QTimer::singleShot(0, command, &QAction::trigger);
}

struct OpenState
{
    /// Starts the work (from the message loop, where it may block in its dialog).
    std::function<void(TMainForm &, LocalHttpServer &)> open;
    /// The modal window that shows the state is there.
    const char *modalClass;
    /// The state is reached once the window is there and this holds.
    std::function<bool(const LocalHttpServer &)> reached = [](const LocalHttpServer &) {
        return true;
    };
};

const QMap<QString, OpenState> &openStates()
{
    static const QMap<QString, OpenState> states{
        {QStringLiteral("options dialog"),
         {[](TMainForm &form, LocalHttpServer &) { triggerLater(form, "actOptions"); },
          "TOptions"}},
        {QStringLiteral("contact editor with a new name typed"),
         {[](TMainForm &form, LocalHttpServer &) {
              triggerLater(form, "actNewContact");
              whenModalOf("TAddModifyUser", [](QWidget &editor) {
                  editor.findChild<QLineEdit *>(QStringLiteral("aContactName"))
                      ->setText(QStringLiteral("Never Saved"));
              });
          },
          "TAddModifyUser"}},
        {QStringLiteral("profile manager"),
         {[](TMainForm &form, LocalHttpServer &) { triggerLater(form, "actChangeProfile"); },
          "TChangeProfile"}},
        {QStringLiteral("new profile name, over the profile manager"),
         {[](TMainForm &form, LocalHttpServer &) {
              triggerLater(form, "actChangeProfile");
              whenModalOf("TChangeProfile", [](QWidget &manager) {
                  QTimer::singleShot(0, &manager, [&manager] {
                      static_cast<TChangeProfile &>(manager).Button1Click();
                  });
              });
          },
          "TCreateNewProfile"}},
        {QStringLiteral("report dialog"),
         {[](TMainForm &form, LocalHttpServer &) { triggerLater(form, "actPrint"); },
          "TCreateReport"}},
        {QStringLiteral("report viewer"),
         {[](TMainForm &form, LocalHttpServer &) {
              selectContact(form);
              auto *list = form.findChild<TContactListView *>(QStringLiteral("lbContactList"));
              const QPoint row = list->visualRect(list->model()->index(0, 0)).center();
              QTimer::singleShot(0, list, [list, row] {
                  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
              });
          },
          "TSummaryReport"}},
        {QStringLiteral("update fetch under way"),
         {[](TMainForm &form, LocalHttpServer &server) {
              WriteProxySettings(QStringLiteral("127.0.0.1"), server.port());
              triggerLater(form, "actCheckForUpdate");
              whenModalOf("TCheckForUpdates", [](QWidget &check) {
                  QTimer::singleShot(0, &check, [&check] {
                      static_cast<TCheckForUpdates &>(check).Button1Click();
                  });
              });
          },
          "TCheckForUpdates",
          // The fetch has reached the server: it is under way when Close comes.
          [](const LocalHttpServer &server) {
              return server.requests.size() == 1;
          }}},
        {QStringLiteral("about box"),
         {[](TMainForm &form, LocalHttpServer &) { triggerLater(form, "actAboutBox"); },
          "TAboutBox"}},
        {QStringLiteral("question before a delete"),
         {[](TMainForm &form, LocalHttpServer &) {
              selectContact(form);
              triggerLater(form, "actDeleteContact");
          },
          "QMessageBox"}},
        {QStringLiteral("file dialog of a restore"),
         {[](TMainForm &form, LocalHttpServer &) { triggerLater(form, "actRestoreProfile"); },
          "QFileDialog"}},
        {QStringLiteral("import progress"),
         {[](TMainForm &form, LocalHttpServer &) {
              QTimer::singleShot(0, &form, [&form] { runSlowImport(form, 200000, false); });
          },
          "QProgressDialog"}},
        {QStringLiteral("import clash question"),
         {[](TMainForm &form, LocalHttpServer &) {
              QTimer::singleShot(0, &form, [&form] { runSlowImport(form, 10, true); });
          },
          "TContactExists"}},
    };
    return states;
}
} // namespace

class TestTrayExit : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    QTemporaryDir m_lockFolder;
    QString m_profile;

    /// The user's profile with its tray icon on and one contact.
    void prepareProfile()
    {
        const ScriptedMessageBox welcome;
        QVERIFY(ActivateProfile(QStringLiteral("tester")));
        ActiveProfile->LoadOnStartup = true;
        ActiveProfile->SaveSettings();
        ActiveProfile->WriteField(contactName, QStringLiteral("aContactName"), contactName);
        delete ActiveProfile;
        ActiveProfile = nullptr;
        m_profile = m_folder->profiles() + QStringLiteral("tester/");
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb") ||
            qEnvironmentVariableIsEmpty("CALBREY_SNI_TOOL"))
            QSKIP("needs a D-Bus notification area: run by tests/forms/snihost.sh");
        InstallQtMessageBoxHandler();
    }
    void init()
    {
        m_folder = std::make_unique<TempProgramFolder>();
        SetSingleInstanceFolder(m_lockFolder.path());
        OverrideLoginUserName(QStringLiteral("tester"));
        prepareProfile();
    }
    void cleanup()
    {
        delete ActiveProfile;
        ActiveProfile = nullptr;
        TProgramEnd::ResetForTests();
        OverrideLoginUserName(std::nullopt);
        SetSingleInstanceFolder(QString());
        m_folder.reset();
    }

    void theIconOffersItsMenuOverTheBus()
    {
        StartedProgram program = StartCalbrey({});
        QVERIFY(program.mainForm);
        const QStringList items =
            sni({QStringLiteral("menu")}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList labels;
        for (const QString &item : items)
            labels.append(item.section(QLatin1Char('\t'), 1));
        QCOMPARE(labels,
                 (QStringList{QStringLiteral("_Show Quenlark Address Book"), QStringLiteral("-"),
                              QStringLiteral("_Disable Quenlark Address Book Tray"),
                              QStringLiteral("_Close Quenlark Address Book")}));
    }

    void closeEndsTheProgramFromEveryState_data()
    {
        QTest::addColumn<QString>("state");
        for (const QString &state : openStates().keys())
            QTest::newRow(qPrintable(state)) << state;
    }
    void closeEndsTheProgramFromEveryState()
    {
        QFETCH(QString, state);
        const OpenState &opening = openStates()[state];
        const QByteArray database = fileBytes(m_profile + QStringLiteral("book.db"));
        const QByteArray settings = fileBytes(m_profile + QStringLiteral("config.ini"));
        LocalHttpServer neverAnswers; // takes the update request and says nothing

        StartedProgram program = StartCalbrey({});
        QVERIFY(program.mainForm);
        TMainForm &form = *program.mainForm;
        QSignalSpy closed(&form, &TMainForm::Closed);
        bool reached = false;
        whenModalOf(
            opening.modalClass,
            [&](QWidget &) {
                reached = true;
                sni({QStringLiteral("choose"), closeItem});
            },
            [&] { return opening.reached(neverAnswers); });
        opening.open(form, neverAnswers);
        // Should the program not end, the loop does not wait for ever.
        QTimer stuck;
        stuck.setSingleShot(true);
        connect(&stuck, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        stuck.start(90000);

        QCOMPARE(RunUntilClosed(program), 0);
        QVERIFY2(stuck.isActive(), "the program did not end");
        QVERIFY2(reached, opening.modalClass);
        QCOMPARE(closed.count(), 1);
        QVERIFY(program.mainForm);
        QVERIFY(!program.mainForm->isVisible());
        QVERIFY2(!QApplication::activeModalWidget(), "every dialog was closed");
        // Nothing saved, nothing half-written.
        QCOMPARE(fileBytes(m_profile + QStringLiteral("book.db")), database);
        QCOMPARE(fileBytes(m_profile + QStringLiteral("config.ini")), settings);
        QCOMPARE(QDir(m_profile).entryList(QDir::Files),
                 (QStringList{QStringLiteral("book.db"), QStringLiteral("book.db.lock"),
                              QStringLiteral("config.ini"), QStringLiteral("config.ini.lock")}));
    }

    // The real program, as the desktop starts it: a dialog open, Close in the icon's menu, and
    // the process ends normally with status 0.
    void realProgramEndsWithStatusZero_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("options dialog") << QStringLiteral("F11");
        QTest::newRow("contact editor") << QStringLiteral("ctrl+n");
        QTest::newRow("message box") << QStringLiteral("ctrl+m");
    }
    void realProgramEndsWithStatusZero()
    {
        QFETCH(QString, key);
        const QString copy = m_folder->copyBuiltProgram();
        if (copy.isEmpty())
            QSKIP("CALBREY_TEST_PROGRAM does not name the built program");
        RealProgram real;
        QVERIFY(real.start(*m_folder, copy, {}));
        QProcess &running = real.process;
        const auto windows = [&running] {
            QProcess xdotool;
            xdotool.start(QStringLiteral("xdotool"),
                          {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                           QStringLiteral("--pid"), QString::number(running.processId()),
                           QStringLiteral("--name"), QStringLiteral(".")});
            xdotool.waitForFinished(20000);
            return QString::fromUtf8(xdotool.readAllStandardOutput())
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };
        QTRY_COMPARE_WITH_TIMEOUT(windows().size(), 1, 30000);
        const QString mainWindow = windows().constFirst();
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("windowfocus"), QStringLiteral("--sync"), mainWindow});
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
        QTRY_COMPARE_WITH_TIMEOUT(windows().size(), 2, 30000);

        sni({QStringLiteral("choose"), closeItem});
        // The process may well have ended while the tool ran.
        QTRY_COMPARE_WITH_TIMEOUT(running.state(), QProcess::NotRunning, 30000);
        const QByteArray errors = running.readAllStandardError();
        QVERIFY2(running.exitStatus() == QProcess::NormalExit, errors.constData());
        QCOMPARE(running.exitCode(), 0);
    }
};

int main(int argc, char **argv)
{
    TCalbreyApplication app(argc, argv);
    TestTrayExit test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trayexit.moc"
