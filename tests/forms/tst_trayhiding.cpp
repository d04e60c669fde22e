#include "forms/common/programend.h"
#include "forms/main/trayhiding.h"
#include "forms/main/trayicon.h"

#include "guitest.h"
#include "profiles/untprofiles.h"
#include "scriptedmessagebox.h"
#include "testprofile.h"
#include "traydesktop.h"

#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>

namespace {
const QString CreateError = QStringLiteral("Cannot Create System Shell Notification Icon.");
} // namespace

// The notification area as the test platform cannot have it: the window's tray rules with a
// notification area that comes and goes.
class TestTrayHiding : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<TrayDesktopMainForm> m_form;

    QMenu *trayMenu() const { return child<QMenu>(*m_form, "popupTray"); }
    QSystemTrayIcon *icon() const { return child<QSystemTrayIcon>(*m_form, "TrayIcon"); }
    bool hideOffered() const
    {
        emit child<QMenu>(*m_form, "Contact1")->aboutToShow();
        return child<QAction>(*m_form, "mnHide")->isVisible();
    }
    void startShown(bool trayOn, bool trayAvailable)
    {
        ActiveProfile->LoadOnStartup = trayOn;
        m_form = std::make_unique<TrayDesktopMainForm>();
        m_form->trayAvailable = trayAvailable;
        m_form->show();
    }
    /// Hidden, not closed: the program goes on.
    void hideToTray()
    {
        QSignalSpy closed(m_form.get(), &TMainForm::Closed);
        QVERIFY(!m_form->close());
        QVERIFY(!m_form->isVisible());
        QCOMPARE(closed.count(), 0);
    }
    QString savedSettings() const
    {
        QFile file(m_profile->settingsPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void initTestCase()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
    }
    void cleanupTestCase() { m_profile.reset(); }
    void init()
    {
        m_boxes = std::make_unique<ScriptedMessageBox>();
        ActiveProfile->DisplaySearchBar = false;
    }
    void cleanup()
    {
        TProgramEnd::ResetForTests();
        m_form.reset();
        m_boxes.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void withoutANotificationAreaTheWindowNeverHides()
    {
        // The profile keeps an icon, but the desktop has nowhere to show it: starting says
        // nothing, as a panel may still be on its way.
        startShown(true, false);
        QVERIFY(m_form->TrayHiding().TrayIcon().Visible());
        QCOMPARE(m_boxes->count(), 0);
        QVERIFY(!hideOffered());
        m_form->TrayHiding().mnHideClick();
        QVERIFY(m_form->isVisible());
        m_form->showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(m_form->isVisible());
        QVERIFY(m_form->isMinimized());
        QVERIFY(m_form->close());
    }

    void switchingTheIconOnWithoutAnAreaIsReportedOnce()
    {
        startShown(false, false);
        ActiveProfile->LoadOnStartup = true;
        ActiveProfile->DisplaySearchBar = true;
        m_form->ApplyProfileToWindow();
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().text, CreateError);
        QCOMPARE(m_boxes->last().flags, 16);
        // The rest of the window followed the profile all the same.
        QVERIFY(child<QWidget>(*m_form, "panelSearch")->isVisible());
        m_form->ApplyProfileToWindow();
        QCOMPARE(m_boxes->count(), 1);

        // The area appears later (a panel that starts): the icon is there and hiding works.
        m_form->trayAvailable = true;
        QVERIFY(hideOffered());
        hideToTray();
    }

    void hiddenWindowComesBackWhenTheAreaGoes()
    {
        startShown(true, true);
        hideToTray();
        m_form->trayAvailable = false;
        QTRY_VERIFY(m_form->isVisible());
        QVERIFY(m_form->close());
    }

    void menuHoldsItsFourItemsWithShowAsDefault()
    {
        startShown(true, true);
        QStringList items;
        for (const QAction *item : trayMenu()->actions())
            items.append(item->objectName());
        QCOMPARE(items, (QStringList{QStringLiteral("mnShowHide"), QStringLiteral("N8"),
                                     QStringLiteral("Disabletray1"),
                                     QStringLiteral("CloseQuenlarkAddressBook1")}));
        QVERIFY(trayMenu()->actions().at(1)->isSeparator());
        QCOMPARE(trayMenu()->defaultAction()->objectName(), QStringLiteral("mnShowHide"));
        QCOMPARE(icon()->toolTip(), QStringLiteral("Quenlark Calbrey"));
        QVERIFY(!icon()->icon().isNull());

        // The desktop is given the menu to show for itself (over D-Bus, or on Windows at the
        // button's release); its menu gesture is only reported as the right button.
        QCOMPARE(icon()->contextMenu(), trayMenu());
        QSignalSpy pressed(&m_form->TrayHiding().TrayIcon(), &TTrayIcon::MouseDown);
        emit icon()->activated(QSystemTrayIcon::Context);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.first().first().value<Qt::MouseButton>(), Qt::RightButton);
        QVERIFY(!trayMenu()->isVisible());
    }

    void menuItemsShowDisableAndClose()
    {
        startShown(true, true);
        hideToTray();
        trigger(*m_form, "mnShowHide");
        QVERIFY(m_form->isVisible());

        hideToTray();
        trigger(*m_form, "Disabletray1");
        QVERIFY(m_form->isVisible());
        QVERIFY(!ActiveProfile->LoadOnStartup);
        QVERIFY(savedSettings().contains(QStringLiteral("Load on startup=0")));
        QVERIFY(!icon()->isVisible());
        QVERIFY(!hideOffered());
        QCOMPARE(m_boxes->count(), 0);

        startShown(true, true);
        hideToTray();
        QSignalSpy closed(m_form.get(), &TMainForm::Closed);
        trigger(*m_form, "CloseQuenlarkAddressBook1");
        QVERIFY(m_form->ExitRequested);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(closed.count(), 1);
    }

    void hintRule_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("taken");
        QTest::newRow("empty: no tooltip") << 0 << true;
        QTest::newRow("63 characters") << 63 << true;
        QTest::newRow("64 characters") << 64 << false;
    }
    void hintRule()
    {
        QFETCH(int, length);
        QFETCH(bool, taken);
        TTrayIcon trayIcon([] { return false; }, nullptr);
        QVERIFY(trayIcon.SetHint(QStringLiteral("old")));
        const QString hint(length, QLatin1Char('h'));
        QCOMPARE(trayIcon.SetHint(hint), taken);
        QCOMPARE(trayIcon.Hint(), taken ? hint : QStringLiteral("old"));
    }
};

QTEST_MAIN(TestTrayHiding)
#include "tst_trayhiding.moc"
