#include "app/untactive.h"
#include "forms/common/programend.h"
#include "forms/main/calbreyapplication.h"
#include "forms/main/frmmainform.h"
#include "guitest.h"
#include "platform/calbreyerror.h"
#include "platform/singleinstance.h"
#include "platform/username.h"
#include "profiles/untprofiles.h"
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"
#include "testfiles.h"
#include "traydesktop.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString secondCaption = QStringLiteral("Cannot start two Quenlark Address Book's.");
const QString secondText = QStringLiteral("Quenlark Calbrey has already been started.  Please use "
                                          "the one you have already opened.");
const QString failedCaption = QStringLiteral("Cannot start program.");
const QString failedText = QStringLiteral("Cannot start program for some reason.  Please make "
                                          "sure it is fully installed and try again.!");
/// The main window as on a desktop with a notification area.
const MainFormMaker trayDesktop = [] {
    return new TrayDesktopMainForm;
};

// An object whose handler fails the way a user action can fail.
class FailingObject : public QObject
{
public:
    enum Kind
    {
        Calbrey,
        Standard
    };
    explicit FailingObject(Kind kind, QString message) : m_kind(kind), m_message(std::move(message))
    {}
    int handled = 0;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++handled;
        if (m_kind == Calbrey)
            throw CalbreyError(m_message);
        throw std::runtime_error(m_message.toStdString());
    }

private:
    Kind m_kind;
    QString m_message;
};
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    QTemporaryDir m_lockFolder;

    QString profileFolder(const QString &name) const { return m_folder->profiles() + name + '/'; }

    // The start-up profile as an earlier run left it.
    void prepareProfile(bool saveLoadOnStartup, bool loadOnStartup)
    {
        ScriptedMessageBox welcome;
        QVERIFY(ActivateProfile(QStringLiteral("tester")));
        if (saveLoadOnStartup) {
            ActiveProfile->LoadOnStartup = loadOnStartup;
            ActiveProfile->SaveSettings();
        }
        delete ActiveProfile;
        ActiveProfile = nullptr;
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempProgramFolder>();
        SetSingleInstanceFolder(m_lockFolder.path());
        OverrideLoginUserName(QStringLiteral("tester"));
    }
    void cleanup()
    {
        TProgramEnd::ResetForTests();
        delete ActiveProfile;
        ActiveProfile = nullptr;
        OverrideLoginUserName(std::nullopt);
        SetSingleInstanceFolder(QString());
        m_folder.reset();
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void firstStartCreatesProfile()
    {
        ScriptedMessageBox boxes;
        {
            StartedProgram program = StartCalbrey({});
            QCOMPARE(program.outcome, StartOutcome::StartedShown);
            QVERIFY(program.mainForm);
            QVERIFY(program.mainForm->isVisible());
            QVERIFY(program.mainForm->windowTitle().contains(QStringLiteral("tester")));
            QCOMPARE(boxes.count(), 1);
            QCOMPARE(boxes.last().caption, QStringLiteral("Welcome to Quenlark Address Book."));
            QVERIFY(boxes.last().text.contains(QStringLiteral("\"tester\"")));
            QCOMPARE(ReadFileBytes(profileFolder("tester") + "book.db"),
                     QByteArray("; Quenlark Calbrey Database Holder.\r\n"));
            QCOMPARE(ReadFileBytes(profileFolder("tester") + "config.ini"),
                     QByteArray("; Quenlark Calbrey Config Holder."));
            QVERIFY(program.mainForm->ListedContacts().isEmpty());
            QCOMPARE(ActiveProfile->GetProfileInfo(2), QStringLiteral("tester"));
        }
        delete ActiveProfile;
        ActiveProfile = nullptr;

        // The next start finds the profile: no welcome again.
        boxes.clear();
        StartedProgram again = StartCalbrey({});
        QCOMPARE(again.outcome, StartOutcome::StartedShown);
        QCOMPARE(boxes.count(), 0);
    }

    // The book is read on a worker while the window shows: the list says so and fills once
    // the book is in. A search begun before that looks at the whole book.
    void windowShowsWhileTheBookIsRead_data()
    {
        QTest::addColumn<bool>("searchAtOnce");
        QTest::newRow("waiting") << false;
        QTest::newRow("search before the list is filled") << true;
    }
    void windowShowsWhileTheBookIsRead()
    {
        QFETCH(bool, searchAtOnce);
        prepareProfile(false, false);
        QByteArray book = "; Quenlark Calbrey Database Holder.\r\n";
        for (int i = 0; i < 3000; ++i)
            book += "[Contact " + QByteArray::number(i).rightJustified(4, '0') +
                    "]\r\naContactCat=" + (i % 3 == 0 ? "Work" : "Family") + "\r\n";
        ReplaceFileBytes(profileFolder("tester") + "book.db", book);

        StartedProgram program = StartCalbrey({});
        QCOMPARE(program.outcome, StartOutcome::StartedShown);
        const auto *list = program.mainForm->findChild<QAbstractItemView *>("lbContactList");
        QVERIFY(list);
        QCOMPARE(list->model()->rowCount(), 0);
        if (searchAtOnce) {
            program.mainForm->findChild<QLineEdit *>("ebFindWhat")->setText("Contact 299");
            trigger(*program.mainForm, "actSearchNow");
            QCOMPARE(program.mainForm->ListedContacts(),
                     (QStringList{"Contact 2990", "Contact 2991", "Contact 2992", "Contact 2993",
                                  "Contact 2994", "Contact 2995", "Contact 2996", "Contact 2997",
                                  "Contact 2998", "Contact 2999"}));
            return;
        }
        QTRY_COMPARE(list->model()->rowCount(), 3000);
        QCOMPARE(list->model()->index(2999, 0).data().toString(), QStringLiteral("Contact 2999"));
        const auto *categories = program.mainForm->findChild<QComboBox *>("cbCategory");
        QCOMPARE(categories->count(), 3);
        QVERIFY(categories->isEnabled());
    }

    void unknownUserGetsDefaultProfile()
    {
        OverrideLoginUserName(QString());
        ScriptedMessageBox boxes;
        StartedProgram program = StartCalbrey({});
        QCOMPARE(program.outcome, StartOutcome::StartedShown);
        QCOMPARE(ActiveProfile->GetProfileInfo(2), QStringLiteral("(Default)"));
        QVERIFY(QFileInfo::exists(profileFolder("(Default)") + "book.db"));
    }

    void secondInstanceRefused()
    {
        SingleInstanceLock other;
        QVERIFY(other.acquired());
        ScriptedMessageBox boxes;
        StartedProgram program = StartCalbrey({});
        QCOMPARE(program.outcome, StartOutcome::AlreadyRunning);
        QVERIFY(!program.mainForm);
        QVERIFY(!ActiveProfile);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().caption, secondCaption);
        QCOMPARE(boxes.last().text, secondText);
        QCOMPARE(boxes.last().flags, 64);
        // Nothing of the profile was touched.
        QVERIFY(!QFileInfo::exists(profileFolder("tester")));
    }

    void secondStartLeavesHiddenFirstAlone()
    {
        prepareProfile(true, true);
        ScriptedMessageBox boxes;
        StartedProgram first = StartCalbrey({QStringLiteral("-tray")}, trayDesktop);
        QCOMPARE(first.outcome, StartOutcome::StartedHidden);
        TProfile *const profile = ActiveProfile;
        StartedProgram second = StartCalbrey({});
        QCOMPARE(second.outcome, StartOutcome::AlreadyRunning);
        QCOMPARE(boxes.captions(), QStringList{secondCaption});
        QVERIFY(first.mainForm);
        QVERIFY(!first.mainForm->isVisible());
        QCOMPARE(ActiveProfile, profile);
    }

    void traySwitch_data()
    {
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<int>("loadOnStartup"); // -1: never saved, so the default
        QTest::addColumn<bool>("trayAvailable");
        QTest::addColumn<StartOutcome>("outcome");

        const StartOutcome hidden = StartOutcome::StartedHidden;
        const StartOutcome shown = StartOutcome::StartedShown;
        const StartOutcome silent = StartOutcome::EndedSilently;
        QTest::newRow("tray, loads on start-up") << QStringList{"-tray"} << 1 << true << hidden;
        QTest::newRow("tray, further parameter")
            << QStringList{"-tray", "x"} << 1 << true << hidden;
        QTest::newRow("tray, not on start-up") << QStringList{"-tray"} << 0 << true << silent;
        QTest::newRow("tray, setting absent") << QStringList{"-tray"} << -1 << true << silent;
        QTest::newRow("capital letters") << QStringList{"-TRAY"} << 1 << true << shown;
        QTest::newRow("slash") << QStringList{"/tray"} << 1 << true << shown;
        QTest::newRow("second parameter") << QStringList{"x", "-tray"} << 1 << true << shown;
        QTest::newRow("no parameters") << QStringList{} << 0 << true << shown;
        QTest::newRow("no tray on this desktop") << QStringList{"-tray"} << 1 << false << shown;
    }
    void traySwitch()
    {
        QFETCH(QStringList, parameters);
        QFETCH(int, loadOnStartup);
        QFETCH(bool, trayAvailable);
        QFETCH(StartOutcome, outcome);

        prepareProfile(loadOnStartup >= 0, loadOnStartup == 1);
        ScriptedMessageBox boxes;
        StartedProgram program =
            StartCalbrey(parameters, trayAvailable ? trayDesktop : MainFormMaker());
        QCOMPARE(program.outcome, outcome);
        QCOMPARE(boxes.count(), 0);
        switch (outcome) {
        case StartOutcome::EndedSilently:
            QVERIFY(!program.mainForm);
            break;
        case StartOutcome::StartedHidden:
            QVERIFY(program.mainForm);
            QVERIFY(!program.mainForm->isVisible());
            break;
        default:
            QVERIFY(program.mainForm);
            QVERIFY(program.mainForm->isVisible());
        }
    }

    void profileFailureEndsStart()
    {
        QVERIFY(QDir(m_folder->profiles()).removeRecursively());
        ScriptedMessageBox boxes;
        StartedProgram program = StartCalbrey({});
        QCOMPARE(program.outcome, StartOutcome::NoProfile);
        QVERIFY(!program.mainForm);
        QVERIFY(!ActiveProfile);
        QVERIFY(boxes.count() >= 2);
        QVERIFY(boxes.captions().contains(QStringLiteral("Cannot create profile.")));
        QCOMPARE(boxes.last().caption, failedCaption);
        QCOMPARE(boxes.last().text, failedText);
        QCOMPARE(boxes.last().flags, 16);
    }

    // With the tray on, closing the window hides it and the program goes on; an exit command
    // closes it for good, which ends the message loop, and only then is it destroyed.
    void closingMainWindowEndsProgram()
    {
        ScriptedMessageBox boxes;
        prepareProfile(true, true);
        StartedProgram program = StartCalbrey({}, trayDesktop);
        QVERIFY(program.mainForm);
        TMainForm &form = *program.mainForm;
        QSignalSpy closed(&form, &TMainForm::Closed);
        QVERIFY(!form.close());
        QVERIFY(form.isHidden());
        QCOMPARE(closed.count(), 0);
        QVERIFY(!TProgramEnd::Begun());

        QTimer::singleShot(0, &form, [&form] { trigger(form, "actExit"); });
        QCOMPARE(RunUntilClosed(program), 0);
        QCOMPARE(closed.count(), 1);
        QVERIFY(TProgramEnd::Begun());
        QVERIFY(program.mainForm);
    }

    void generalErrorText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Unable to write to /x"
                                << "Unable to write to /x.";
        QTest::newRow("full stop") << "Done."
                                   << "Done.";
        QTest::newRow("question mark sorts after") << "Really?"
                                                   << "Really?.";
        QTest::newRow("slash sorts after") << "folder/"
                                           << "folder/.";
        QTest::newRow("digit") << "Error 5"
                               << "Error 5.";
        QTest::newRow("exclamation sorts before") << "Oops!"
                                                  << "Oops!";
        QTest::newRow("comma sorts before") << "a,"
                                            << "a,";
        QTest::newRow("hyphen sorts before") << "a -"
                                             << "a -";
        QTest::newRow("closing bracket sorts before") << "(x)"
                                                      << "(x)";
        QTest::newRow("non-ASCII letter")
            << QStringLiteral("Caf\u00e9") << QStringLiteral("Caf\u00e9.");
        QTest::newRow("empty") << QString() << QString();
    }
    void generalErrorText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(GeneralErrorText(message), shown);
    }

    void errorsInHandlersAreShownAndProgramGoesOn()
    {
        ScriptedMessageBox boxes;
        FailingObject calbrey(FailingObject::Calbrey, QStringLiteral("Unable to write to /a"));
        FailingObject standard(FailingObject::Standard, QStringLiteral("bad thing"));

        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&calbrey, &event);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().caption, QStringLiteral("Quenlark Calbrey Beta 5"));
        QCOMPARE(boxes.last().text, QStringLiteral("Unable to write to /a."));
        QCOMPARE(boxes.last().flags, 16);

        // Through the event loop as well, and the loop keeps running afterwards.
        QCoreApplication::postEvent(&standard, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&calbrey, new QEvent(QEvent::User));
        QTRY_COMPARE(boxes.count(), 3);
        QCOMPARE(boxes.shown.at(1).text, QStringLiteral("bad thing."));
        QCOMPARE(boxes.shown.at(1).caption, QStringLiteral("Quenlark Calbrey Beta 5"));
        QCOMPARE(calbrey.handled, 2);
        QCOMPARE(standard.handled, 1);
    }

    // The real program: a "-tray" start that should not load ends at once and frees the lock;
    // a plain start holds the lock for as long as it runs, and a killed one frees it.
    void realProgramHoldsLockWhileRunning()
    {
        const QString program = m_folder->copyBuiltProgram();
        if (program.isEmpty())
            QSKIP("CALBREY_TEST_PROGRAM does not name the built program");
        OverrideLoginUserName(std::nullopt);
        const QString user = LoginUserName();
        QVERIFY(QDir().mkpath(profileFolder(user)));
        QFile database(profileFolder(user) + "book.db");
        QVERIFY(database.open(QIODevice::WriteOnly));
        database.write("; Quenlark Calbrey Database Holder.\r\n");
        database.close();

        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        SetSingleInstanceFolder(runtime.path());

        QProcess silent;
        silent.setProcessEnvironment(env);
        silent.start(program, {QStringLiteral("-tray")});
        QVERIFY(silent.waitForFinished(60000));
        QCOMPARE(silent.exitStatus(), QProcess::NormalExit);
        QCOMPARE(silent.exitCode(), 0);
        QVERIFY(SingleInstanceLock().acquired());

        QProcess running;
        running.setProcessEnvironment(env);
        running.start(program, {});
        QVERIFY(running.waitForStarted(60000));
        QTRY_VERIFY_WITH_TIMEOUT(!SingleInstanceLock().acquired(), 60000);
        {
            ScriptedMessageBox boxes;
            StartedProgram second = StartCalbrey({});
            QCOMPARE(second.outcome, StartOutcome::AlreadyRunning);
            QCOMPARE(boxes.captions(), QStringList{secondCaption});
        }
        QCOMPARE(running.state(), QProcess::Running);
        running.kill();
        QVERIFY(running.waitForFinished(30000));
        QVERIFY(SingleInstanceLock().acquired());
    }
};

int main(int argc, char **argv)
{
    TCalbreyApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
