#include "app/untactive.h"
#include "forms/main/calbreyapplication.h"
#include "forms/main/frmmainform.h"
#include "platform/singleinstance.h"
#include "platform/username.h"
#include "profiles/untprofiles.h"
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"

#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QtTest>

// The icon in a real notification area (trayer on a virtual X display, set up by trayhost.sh):
// the user's mouse and keys go through the X server to the icon, its menu and the window.

namespace {
/// Runs xdotool, which sends input as if from the devices; its output, trimmed.
QString xdo(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        qWarning("xdotool %s gave no answer", qPrintable(arguments.join(QLatin1Char(' '))));
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void press(QPoint at, const char *action, int button)
{
    xdo({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
         QLatin1String(action), QString::number(button)});
}

QSystemTrayIcon *trayIconOf(const TMainForm &form)
{
    return form.findChild<QSystemTrayIcon *>(QStringLiteral("TrayIcon"));
}

/// The icon's own window, while it has one.
QWidget *iconWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto found = std::find_if(windows.begin(), windows.end(), [](const QWidget *window) {
        return window->objectName() == QLatin1String("QSystemTrayIconSys");
    });
    return found == windows.end() ? nullptr : *found;
}

/// The icon shows in the panel, which trayhost.sh puts at the top right of the screen (until
/// the panel takes the icon in, it stands at the top left).
bool docked(const TMainForm &form)
{
    const QWidget *window = iconWindow();
    return window && window->windowHandle()->isExposed() &&
           trayIconOf(form)->geometry().left() >
               QGuiApplication::primaryScreen()->size().width() / 2;
}

/// action ("click", "mousedown") with button over the icon, dx pixels right of its centre; the
/// pointer goes where the X server has the icon's window now.
void onIcon(const char *action, int button, int dx = 0)
{
    const QWidget *icon = iconWindow();
    QVERIFY(icon);
    xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(icon->winId()),
         QString::number(icon->width() / 2 + dx), QString::number(icon->height() / 2),
         QLatin1String(action), QString::number(button)});
}

QPoint itemCentre(QMenu &menu, const char *name)
{
    auto *item = menu.findChild<QAction *>(QLatin1String(name));
    return item ? menu.mapToGlobal(menu.actionGeometry(item).center()) : QPoint();
}

/// With CALBREY_TRAY_SHOTS naming a folder: that part of the screen saved there as name.png.
void shot(const QString &name, const QRect &area)
{
    const QString folder = qEnvironmentVariable("CALBREY_TRAY_SHOTS");
    if (!folder.isEmpty())
        QGuiApplication::primaryScreen()
            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}
} // namespace

class TestTrayHost : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    QTemporaryDir m_lockFolder;
    std::unique_ptr<ScriptedMessageBox> m_boxes;

    QMenu &trayMenu(const TMainForm &form)
    {
        return *form.findChild<QMenu *>(QStringLiteral("popupTray"));
    }
    void openMenu(const TMainForm &form)
    {
        QMenu &menu = trayMenu(form);
        QSignalSpy pressed(trayIconOf(form), &QSystemTrayIcon::activated);
        onIcon("mousedown", 3);
        QTRY_COMPARE(pressed.count(), 1);
        QVERIFY2(!menu.isVisible(), "the menu waits for the button's release");
        xdo({QStringLiteral("mouseup"), QStringLiteral("3")});
        QTRY_VERIFY(menu.isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display with a notification area: run by tests/forms/trayhost.sh");
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 30000);
    }
    void init()
    {
        m_folder = std::make_unique<TempProgramFolder>();
        SetSingleInstanceFolder(m_lockFolder.path());
        OverrideLoginUserName(QStringLiteral("tester"));
        m_boxes = std::make_unique<ScriptedMessageBox>();
        QVERIFY(ActivateProfile(QStringLiteral("tester")));
        ActiveProfile->LoadOnStartup = true;
        ActiveProfile->SaveSettings();
        delete ActiveProfile;
        ActiveProfile = nullptr;
        m_boxes->clear();
    }
    void cleanup()
    {
        delete ActiveProfile;
        ActiveProfile = nullptr;
        QCOMPARE(m_boxes->count(), 0);
        m_boxes.reset();
        OverrideLoginUserName(std::nullopt);
        SetSingleInstanceFolder(QString());
        m_folder.reset();
    }

    void closeAndMinimiseHideAndALeftClickShows()
    {
        StartedProgram program = StartCalbrey({});
        QVERIFY(program.mainForm);
        TMainForm &form = *program.mainForm;
        QTRY_VERIFY(docked(form));
        QVERIFY(!form.close());
        QVERIFY(!form.isVisible());
        QVERIFY(program.mainForm);

        onIcon("click", 1, -6);
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.showMinimized();
        QTRY_VERIFY(!form.isVisible());
        // Away from the first click, so that this is no double click (which shows nothing).
        onIcon("click", 1, 6);
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!form.isMinimized());

        // Ctrl+Q ends the program even with the tray on. (There is no window manager here to
        // give the shown window the keyboard.)
        xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
             QString::number(form.winId())});
        QTRY_COMPARE(QApplication::activeWindow(), &form);
        xdo({QStringLiteral("key"), QStringLiteral("ctrl+q")});
        QTRY_VERIFY(!program.mainForm);
    }

    void rightButtonOpensTheMenuAndDisableRemovesTheIcon()
    {
        StartedProgram program = StartCalbrey({});
        QVERIFY(program.mainForm);
        TMainForm &form = *program.mainForm;
        QTRY_VERIFY(docked(form));
        QVERIFY(!form.close());
        openMenu(form);
        QMenu &menu = trayMenu(form);
        QStringList captions;
        for (const QAction *item : menu.actions())
            captions.append(item->isSeparator() ? QStringLiteral("-") : item->text());
        QCOMPARE(captions,
                 (QStringList{QStringLiteral("&Show Quenlark Address Book"), QStringLiteral("-"),
                              QStringLiteral("&Disable Quenlark Address Book Tray"),
                              QStringLiteral("&Close Quenlark Address Book")}));
        shot(QStringLiteral("tray-menu"),
             trayIconOf(form)->geometry().united(menu.geometry()).adjusted(-40, 0, 4, 4));

        press(itemCentre(menu, "Disabletray1"), "click", 1);
        QTRY_VERIFY(form.isVisible());
        QVERIFY(!ActiveProfile->LoadOnStartup);
        QTRY_VERIFY(!iconWindow());
        QVERIFY(form.close());
    }

    void trayStartShowsOnlyTheIconAndTheMenuClosesTheProgram()
    {
        StartedProgram program = StartCalbrey({QStringLiteral("-tray")});
        QCOMPARE(program.outcome, StartOutcome::StartedHidden);
        TMainForm &form = *program.mainForm;
        QTRY_VERIFY(docked(form));
        QVERIFY(!form.isVisible());
        const QRect icon = trayIconOf(form)->geometry();
        shot(QStringLiteral("tray-icon"), icon.adjusted(-60, -icon.top(), 4, 4));

        openMenu(form);
        press(itemCentre(trayMenu(form), "CloseQuenlarkAddressBook1"), "click", 1);
        QTRY_VERIFY(!program.mainForm);
    }

    // The real program: a "-tray" start shows nothing but its icon; a left click on the icon
    // shows the window and Ctrl+Q ends the process.
    void realProgramStartsWithOnlyItsIcon()
    {
        const QString path = m_folder->copyBuiltProgram();
        if (path.isEmpty())
            QSKIP("CALBREY_TEST_PROGRAM does not name the built program");
        OverrideLoginUserName(std::nullopt);
        const QString profile = m_folder->profiles() + LoginUserName() + QLatin1Char('/');
        QVERIFY(QDir().mkpath(profile));
        QFile config(profile + QStringLiteral("config.ini"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("[Config]\r\nLoad on startup=1\r\n");
        config.close();

        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QProcess running;
        running.setProcessEnvironment(env);
        running.start(path, {QStringLiteral("-tray")});
        QVERIFY(running.waitForStarted(30000));
        const auto shown = [](const char *how, const char *pattern, bool wait) {
            QStringList arguments{QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                  QLatin1String(how), QLatin1String(pattern)};
            if (wait)
                arguments.insert(1, QStringLiteral("--sync"));
            return xdo(arguments);
        };
        const char *const mainWindow = "^Quenlark Calbrey, as ";

        const QString icon = shown("--classname", "^quenlark-calbrey$", true);
        QVERIFY2(!icon.isEmpty(), "the icon never appeared in the panel");
        QVERIFY2(!icon.contains(QLatin1Char('\n')), "only the icon shows");
        QCOMPARE(shown("--name", mainWindow, false), QString());

        xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), icon, QStringLiteral("8"),
             QStringLiteral("8"), QStringLiteral("click"), QStringLiteral("1")});
        const QString window = shown("--name", mainWindow, true);
        QVERIFY2(!window.isEmpty(), "a left click on the icon did not show the window");
        xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        xdo({QStringLiteral("key"), QStringLiteral("ctrl+q")});
        QVERIFY2(running.waitForFinished(30000), "Ctrl+Q did not end the program");
        QCOMPARE(running.exitCode(), 0);
    }
};

int main(int argc, char **argv)
{
    TCalbreyApplication app(argc, argv);
    TestTrayHost test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trayhost.moc"
