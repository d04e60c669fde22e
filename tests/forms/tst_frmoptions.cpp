#include "app/untcommon.h"
#include "forms/common/filedialogs.h"
#include "forms/dialogs/frmoptions.h"
#include "forms/main/frmmainform.h"
#include "net/unit_proxy.h"
#include "platform/registry.h"

#include "guitest.h"
#include "scriptedmessagebox.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <array>

namespace {
// Each setting's control; of a radio pair the button that means true, with its partner.
struct BoolControl
{
    const char *control;
    const char *partner;
    bool TProfile::*setting;
};
const std::array<BoolControl, 8> BoolControls = {{
    {"mpoTips", nullptr, &TProfile::DisplayTips},
    {"mpoSearchBar", nullptr, &TProfile::DisplaySearchBar},
    {"mpoDetails", "mpoSimple", &TProfile::FullDisplay},
    {"mpoTray", nullptr, &TProfile::LoadOnStartup},
    {"ncValidUrls", nullptr, &TProfile::ValidateUrls},
    {"ncValidEmails", nullptr, &TProfile::ValidateEmails},
    {"pCEmail", "pEmail", &TProfile::UseCustomEmailClient},
    {"pCWebBrowser", "pWebBrowser", &TProfile::UseCustomWebBrowser},
}};

QAbstractButton *button(const QWidget &dialog, const char *name)
{
    return child<QAbstractButton>(dialog, name);
}
QLineEdit *edit(const QWidget &dialog, const char *name)
{
    return child<QLineEdit>(dialog, name);
}
} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;

    void expectGeneralError(const QString &message) const
    {
        QVERIFY(m_boxes->count() > 0);
        QCOMPARE(m_boxes->last().caption, QLatin1String(ApplicationTitle));
        QCOMPARE(m_boxes->last().text, GeneralErrorText(message));
        QCOMPARE(m_boxes->last().flags, MessageBoxFlag::Error);
    }

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        SetAutostartFolder(m_profile->folder().path() + QStringLiteral("autostart"));
        m_boxes = std::make_unique<ScriptedMessageBox>();
    }
    void cleanup()
    {
        m_boxes.reset();
        SetAutostartFolder(QString());
        m_profile.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void loadsAndSavesEveryControl_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("port");
        QTest::newRow("all on, then off") << true << "8080"
                                          << "proxy2" << 8080;
        QTest::newRow("all off, then on; a port beyond the ports") << false << "70000"
                                                                   << "" << 0;
    }
    void loadsAndSavesEveryControl()
    {
        QFETCH(bool, on);
        QFETCH(QString, portText);
        QFETCH(QString, server);
        QFETCH(int, port);
        TProfile &profile = m_profile->profile();
        for (const BoolControl &c : BoolControls)
            profile.*c.setting = on;
        profile.CustomEmailClient = QStringLiteral("mail *");
        profile.CustomWebBrowser = QStringLiteral("web *");
        profile.KeepDeletedDays = on ? 7 : 0;
        WriteProxySettings(QStringLiteral("cache.lan"), 3128);

        TOptions options;
        QCOMPARE(child<QTabWidget>(options, "Pages")->currentWidget()->objectName(), "tab0");
        QCOMPARE(child<QTabWidget>(options, "ProgramPages")->currentWidget()->objectName(),
                 "TabSheet4");
        QVERIFY(!button(options, "sbOpen1")->icon().isNull());
        for (const BoolControl &c : BoolControls) {
            QVERIFY2(button(options, c.control)->isChecked() == on, c.control);
            if (c.partner)
                QVERIFY2(button(options, c.partner)->isChecked() == !on, c.partner);
        }
        QCOMPARE(edit(options, "pEmailPath")->text(), QStringLiteral("mail *"));
        QCOMPARE(edit(options, "pWebBrowserPath")->text(), QStringLiteral("web *"));
        QCOMPARE(edit(options, "iServer")->text(), QStringLiteral("cache.lan"));
        QCOMPARE(edit(options, "iPort")->text(), QStringLiteral("3128"));
        auto *keepDays = child<QSpinBox>(options, "sbKeepDeletedDays");
        QCOMPARE(keepDays->value(), on ? 7 : 0);

        for (const BoolControl &c : BoolControls) {
            if (c.partner) // one of a pair changes by choosing the other
                button(options, on ? c.partner : c.control)->setChecked(true);
            else
                button(options, c.control)->setChecked(!on);
        }
        edit(options, "pEmailPath")->setText(QStringLiteral("mail2 *"));
        edit(options, "pWebBrowserPath")->setText(QStringLiteral("web2 *"));
        edit(options, "iServer")->setText(QStringLiteral("proxy2"));
        edit(options, "iPort")->setText(portText);
        keepDays->setValue(on ? 0 : 45);
        button(options, "Button1")->click();
        QCOMPARE(options.result(), int(QDialog::Accepted));

        // Saved: what the file holds reads back as the dialog's values.
        for (const BoolControl &c : BoolControls)
            profile.*c.setting = on;
        profile.LoadSettings();
        for (const BoolControl &c : BoolControls)
            QVERIFY2(profile.*c.setting == !on, c.control);
        QCOMPARE(profile.CustomEmailClient, QStringLiteral("mail2 *"));
        QCOMPARE(profile.CustomWebBrowser, QStringLiteral("web2 *"));
        QCOMPARE(profile.KeepDeletedDays, on ? 0 : 45);
        QString storedServer;
        int storedPort = -1;
        ReadProxySettings(storedServer, storedPort);
        QCOMPARE(storedServer, server);
        QCOMPARE(storedPort, port);
    }

    // The note under the tray setting shows exactly where the desktop has no notification area.
    void noTrayNoteFollowsTheDesktop_data()
    {
        QTest::addColumn<bool>("desktopHasTray");
        QTest::newRow("notification area") << true;
        QTest::newRow("none") << false;
    }
    void noTrayNoteFollowsTheDesktop()
    {
        QFETCH(bool, desktopHasTray);
        TOptions options(nullptr, desktopHasTray);
        QCOMPARE(child<QLabel>(options, "lblNoTray")->isVisibleTo(&options), !desktopHasTray);
    }
    void proxyThatCannotBeReadLeavesItsBoxesEmpty()
    {
        ReplaceFileBytes(MachineSettingsFile(),
                         "[Software\\Quenlark\\Common\\Proxy Settings]\r\n"
                         "Proxy Server=sz:\"a\"\r\nProxy Port=sz:\"80\"\r\n");
        TOptions options;
        expectGeneralError(QStringLiteral("Invalid data type for 'Proxy Port'"));
        QCOMPARE(edit(options, "iServer")->text(), QString());
        QCOMPARE(edit(options, "iPort")->text(), QString());
        QVERIFY(button(options, "ncValidUrls")->isChecked());
    }

    void failedWriteKeepsDialogOpenAndProfileAsItWas()
    {
        const QByteArray settingsBefore = ReadFileBytes(m_profile->settingsPath());
        TOptions options;
        options.show();
        QVERIFY(QFile::remove(MachineSettingsFile()));
        QVERIFY(QDir().mkpath(MachineSettingsFile()));
        button(options, "mpoSearchBar")->setChecked(true);
        child<QSpinBox>(options, "sbKeepDeletedDays")->setValue(3);
        button(options, "Button1")->click();
        expectGeneralError(QStringLiteral("Failed to set data for 'Proxy Server'"));
        QVERIFY(options.isVisible());
        QCOMPARE(options.result(), 0);
        QVERIFY(!ActiveProfile->DisplaySearchBar);
        QCOMPARE(ActiveProfile->KeepDeletedDays, 30);
        QCOMPARE(ReadFileBytes(m_profile->settingsPath()), settingsBefore);
    }

    void examplesShowSixLinesExactly()
    {
        TOptions options;
        QTest::mouseClick(child<QLabel>(options, "QuenlarkURL1"), Qt::LeftButton);
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().caption, QStringLiteral("Examples:"));
        QCOMPARE(m_boxes->last().flags, MessageBoxFlag::Information);
        const QStringList lines = {
            QStringLiteral("Examples of custom web browser/e-mail client:"),
            QStringLiteral("(Note: the quotes (\") are part of the example)"),
            QString(),
            QStringLiteral("\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\\\" \"*\""),
            QStringLiteral("\"C:\\Program Files\\Netscape\\Program\\Netscape.exe\" \"*\""),
            QStringLiteral("\"C:\\ProgramFiles\\Outlook Express\\msimn.exe\" \"/mailurl:*\""),
        };
        QCOMPARE(m_boxes->last().text.split(QLatin1Char('\n')), lines);
    }

    void programChoosers_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("defaultChoice");
        QTest::addColumn<QString>("appended");
        QTest::newRow("e-mail client") << "sbOpen1"
                                       << "pEmailPath"
                                       << "pEmail"
                                       << " mailto:*";
        QTest::newRow("web browser") << "sbOpen2"
                                     << "pWebBrowserPath"
                                     << "pWebBrowser"
                                     << " *";
    }
    void programChoosers()
    {
        QFETCH(QString, opener);
        QFETCH(QString, path);
        QFETCH(QString, defaultChoice);
        QFETCH(QString, appended);
        TOptions options;
        QLineEdit *pathEdit = edit(options, qPrintable(path));
        FileDialogs::SetNextFileName(QStringLiteral("/opt/My Tools/program"));
        button(options, qPrintable(opener))->click();
        // The path goes in unquoted, and the default program stays chosen.
        QCOMPARE(pathEdit->text(), QStringLiteral("/opt/My Tools/program") + appended);
        QVERIFY(button(options, qPrintable(defaultChoice))->isChecked());
        FileDialogs::SetNextFileName(QString());
        button(options, qPrintable(opener))->click();
        QCOMPARE(pathEdit->text(), QStringLiteral("/opt/My Tools/program") + appended);
    }

    // Whichever button closes the dialog, the window and the start-at-login entry follow the
    // settings.
    void mainWindowFollowsSettingsAfterClose_data()
    {
        QTest::addColumn<QString>("closer");
        QTest::addColumn<bool>("trayBefore");
        QTest::addColumn<bool>("trayTicked");
        QTest::newRow("OK, tray on") << "Button1" << false << true;
        QTest::newRow("OK, tray off") << "Button1" << true << false;
        QTest::newRow("Cancel, tray on") << "Button2" << true << false;
        QTest::newRow("Cancel, tray off") << "Button2" << false << true;
    }
    void mainWindowFollowsSettingsAfterClose()
    {
        QFETCH(QString, closer);
        QFETCH(bool, trayBefore);
        QFETCH(bool, trayTicked);
        const bool trayAfter = closer == QLatin1String("Button1") ? trayTicked : trayBefore;
        // The entry starts the opposite way, so that only the close can bring it into line.
        SetStartWithLogin(!trayAfter, QStringLiteral("/old/program"));
        ActiveProfile->LoadOnStartup = trayBefore;
        TMainForm form;
        QWidget *searchBar = child<QWidget>(form, "panelSearch");
        QVERIFY(!searchBar->isVisibleTo(&form));
        ActiveProfile->DisplaySearchBar = true;

        whenModal([&](QWidget *dialog) {
            button(*dialog, "mpoTray")->setChecked(trayTicked);
            button(*dialog, qPrintable(closer))->click();
        });
        trigger(form, "actOptions");
        QCOMPARE(ActiveProfile->LoadOnStartup, trayAfter);
        QCOMPARE(StartWithLoginExists(), trayAfter);
        QVERIFY(searchBar->isVisibleTo(&form));
    }
};

QTEST_MAIN(TestOptions)
#include "tst_frmoptions.moc"
