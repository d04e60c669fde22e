#include "app/untactive.h"
#include "forms/common/programend.h"
#include "forms/main/calbreyapplication.h"
#include "forms/main/frmmainform.h"
#include "forms/main/trayhiding.h"
#include "forms/main/trayicon.h"
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
// the mouse and the keys go through the X server to the icon, its menu and the window.

namespace {
/// Runs xdotool, which sends input as the devices would, with the blank-separated arguments;
/// its output, trimmed.
QString xdo(const QString &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments.split(QLatin1Char(' ')));
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        qWarning("xdotool %s gave no answer", qPrintable(arguments));
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QSystemTrayIcon &trayIconOf(const TMainForm &form)
{
    return *form.findChild<QSystemTrayIcon *>(QStringLiteral("TrayIcon"));
}

QMenu &trayMenuOf(const TMainForm &form)
{
    return *form.findChild<QMenu *>(QStringLiteral("popupTray"));
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
           trayIconOf(form).geometry().left() >
               QGuiApplication::primaryScreen()->size().width() / 2;
}

/// action ("click 1", "mousedown 3") over the icon, dx pixels right of its centre, where the X
/// server has the icon's window now.
void onIcon(const char *action, int dx = 0)
{
    const QWidget *icon = iconWindow();
    QVERIFY(icon);
    xdo(QStringLiteral("mousemove --window %1 %2 %3 ")
            .arg(icon->winId())
            .arg(icon->width() / 2 + dx)
            .arg(icon->height() / 2) +
        QLatin1String(action));
}

void clickItem(QMenu &menu, const char *name)
{
    auto *item = menu.findChild<QAction *>(QLatin1String(name));
    QVERIFY(item);
    const QPoint at = menu.mapToGlobal(menu.actionGeometry(item).center());
    xdo(QStringLiteral("mousemove %1 %2 click 1").arg(at.x()).arg(at.y()));
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
    std::unique_ptr<StartedProgram> m_program;

    /// Starts as the command line would; true once the icon is in the panel.
    bool start(const QStringList &parameters)
    {
        m_program = std::make_unique<StartedProgram>(StartCalbrey(parameters));
        return m_program->mainForm &&
               QTest::qWaitFor([this] { return docked(*m_program->mainForm); });
    }
    void openMenu()
    {
        QSignalSpy pressed(&m_program->mainForm->TrayHiding().TrayIcon(), &TTrayIcon::MouseDown);
        onIcon("mousedown 3");
        QTRY_COMPARE(pressed.count(), 1);
        QMenu &menu = trayMenuOf(*m_program->mainForm);
        QVERIFY2(!menu.isVisible(), "the menu waits for the button's release");
        xdo(QStringLiteral("mouseup 3"));
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
        m_program.reset();
        TProgramEnd::ResetForTests();
        delete ActiveProfile;
        ActiveProfile = nullptr;
        QCOMPARE(m_boxes->count(), 0);
        m_boxes.reset();
        OverrideLoginUserName(std::nullopt);
        SetSingleInstanceFolder(QString());
        m_folder.reset();
    }

    void closeAndMinimiseHideALeftClickShowsAndCloseEnds()
    {
        QVERIFY(start({}));
        TMainForm &form = *m_program->mainForm;
        QVERIFY(!form.close());
        QVERIFY(!form.isVisible());
        QVERIFY(m_program->mainForm);

        onIcon("click 1", -6);
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.showMinimized();
        QTRY_VERIFY(!form.isVisible());
        // Away from the first click, so that this is no double click (which shows nothing).
        onIcon("click 1", 6);
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(!form.isMinimized());

        const QRect icon = trayIconOf(form).geometry();
        shot(QStringLiteral("tray-icon"), icon.adjusted(-60, -icon.top(), 4, 4));

        // The menu's Close ends the program with the tray on (Ctrl+Q: see the real program).
        QSignalSpy closed(&form, &TMainForm::Closed);
        openMenu();
        clickItem(trayMenuOf(form), "CloseQuenlarkAddressBook1");
        QTRY_COMPARE(closed.count(), 1);
        QVERIFY(!form.isVisible());
    }

    void rightButtonOpensTheMenuAndDisableRemovesTheIcon()
    {
        QVERIFY(start({}));
        TMainForm &form = *m_program->mainForm;
        QVERIFY(!form.close());
        openMenu();
        QMenu &menu = trayMenuOf(form);
        QStringList captions;
        for (const QAction *item : menu.actions())
            captions.append(item->text());
        QCOMPARE(captions, (QStringList{QStringLiteral("&Show Quenlark Address Book"), QString(),
                                        QStringLiteral("&Disable Quenlark Address Book Tray"),
                                        QStringLiteral("&Close Quenlark Address Book")}));
        shot(QStringLiteral("tray-menu"),
             trayIconOf(form).geometry().united(menu.geometry()).adjusted(-40, 0, 4, 4));

        clickItem(menu, "Disabletray1");
        QTRY_VERIFY(form.isVisible());
        QVERIFY(!ActiveProfile->LoadOnStartup);
        QTRY_VERIFY(!iconWindow());
        QVERIFY(form.close());
    }

    // The real program: a "-tray" start shows nothing but its icon; a left click on the icon
    // shows the window, and Ctrl+Q ends the process.
    void realProgramStartsWithOnlyItsIcon()
    {
        const QString program = m_folder->copyBuiltProgram();
        if (program.isEmpty())
            QSKIP("CALBREY_TEST_PROGRAM does not name the built program");
        OverrideLoginUserName(std::nullopt);
        const QString profile = m_folder->profiles() + LoginUserName();
        QVERIFY(QDir().mkpath(profile));
        QFile config(profile + QStringLiteral("/config.ini"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("[Config]\r\nLoad on startup=1\r\n");
        config.close();

        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QProcess running;
        running.setProcessEnvironment(env);
        running.start(program, {QStringLiteral("-tray")});
        QVERIFY(running.waitForStarted(30000));

        const QString mainWindow = QStringLiteral("--onlyvisible --name ^Quenlark.Calbrey,.as.");
        const QString icon = xdo(QStringLiteral("search --sync --onlyvisible --classname "
                                                "^quenlark-calbrey$"));
        QVERIFY2(!icon.isEmpty(), "the icon never appeared in the panel");
        QVERIFY2(!icon.contains(QLatin1Char('\n')), "only the icon shows");
        QCOMPARE(xdo(QStringLiteral("search ") + mainWindow), QString());

        xdo(QStringLiteral("mousemove --window %1 8 8 click 1").arg(icon));
        const QString window = xdo(QStringLiteral("search --sync ") + mainWindow);
        QVERIFY2(!window.isEmpty(), "a left click on the icon did not show the window");
        xdo(QStringLiteral("windowfocus --sync ") + window);
        xdo(QStringLiteral("key ctrl+q"));
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
