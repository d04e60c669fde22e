#include "app/untexecute.h"
#ifndef Q_OS_WIN
#include "fakeprograms.h"
#endif
#include "profiles/untprofiles.h"
#include "recordinglauncher.h"
#include "scriptedmessagebox.h"
#include "testprofile.h"

#include <QtTest>

namespace {
const QString mailFailureText =
    QStringLiteral("There may have been a problem sending an e-mail to \"%1\" because your "
                   "default e-mail client did not seem to start.  Please make sure you have a "
                   "default e-mail client installed (such as Eudora, The Bat or Netscape Mail) "
                   "and try again.");
const QString webFailureText =
    QStringLiteral("There may have been a problem opening the web site \"%1\" because your "
                   "default web browser did not seem to start.  Please make sure you have a "
                   "default web browser installed (such as Avant Brpwser, Mozilla or Opera) and "
                   "try again.");
} // namespace

class TestUntExecute : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>(QStringLiteral("Launch"));
        QVERIFY(m_profile->activated());
        m_launcher = std::make_unique<RecordingLauncher>();
    }
    void cleanup()
    {
        m_launcher.reset();
        m_profile.reset();
    }

    void shellTargets()
    {
        ScriptedMessageBox boxes;
        SendEmail(QStringLiteral("ann@example.org"));
        SendEmail(QString());
        OpenWebPage(QStringLiteral("www.example.org"));
        QCOMPARE(m_launcher->documents,
                 QStringList({QStringLiteral("mailto:ann@example.org"), QStringLiteral("mailto:"),
                              QStringLiteral("www.example.org")}));
        QVERIFY(m_launcher->starts.isEmpty());
        QCOMPARE(boxes.count(), 0);
    }

    void customTemplates_data()
    {
        QTest::addColumn<QString>("commandTemplate");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");

        QTest::newRow("quoted program, quoted argument")
            << QStringLiteral("\"C:\\x.exe\" \"/mailurl:*\"") << QStringLiteral("a@b.c")
            << QStringLiteral("C:\\x.exe") << QStringList{QStringLiteral("/mailurl:mailto:a@b.c")};
        QTest::newRow("two stars")
            << QStringLiteral("mailer -to * --cc=*") << QStringLiteral("a@b.c")
            << QStringLiteral("mailer")
            << QStringList{QStringLiteral("-to"), QStringLiteral("mailto:a@b.c"),
                           QStringLiteral("--cc=mailto:a@b.c")};
        QTest::newRow("no star") << QStringLiteral("\"/opt/my mail/mailer\" --compose")
                                 << QStringLiteral("a@b.c") << QStringLiteral("/opt/my mail/mailer")
                                 << QStringList{QStringLiteral("--compose")};
        QTest::newRow("quotes and blanks stay one argument")
            << QStringLiteral("mailer *") << QStringLiteral("x\" --exec rm \"y@z.org")
            << QStringLiteral("mailer")
            << QStringList{QStringLiteral("mailto:x\" --exec rm \"y@z.org")};
        QTest::newRow("command separators are plain text")
            << QStringLiteral("mailer \"*\"") << QStringLiteral("a@b.c; touch /tmp/x")
            << QStringLiteral("mailer")
            << QStringList{QStringLiteral("mailto:a@b.c; touch /tmp/x")};
    }
    void customTemplates()
    {
        QFETCH(QString, commandTemplate);
        QFETCH(QString, address);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);

        ActiveProfile->UseCustomEmailClient = true;
        ActiveProfile->CustomEmailClient = commandTemplate;
        ScriptedMessageBox boxes;
        SendEmail(address);
        QCOMPARE(boxes.count(), 0);
        QVERIFY(m_launcher->documents.isEmpty());
        QCOMPARE(m_launcher->starts.size(), 1);
        QCOMPARE(m_launcher->starts.first().program, program);
        QCOMPARE(m_launcher->starts.first().arguments, arguments);
    }

    void customBrowserGetsBareAddress()
    {
        ActiveProfile->UseCustomWebBrowser = true;
        ActiveProfile->CustomWebBrowser = QStringLiteral("\"/usr/bin/web browser\" *");
        OpenWebPage(QStringLiteral("example.org/a b"));
        QCOMPARE(m_launcher->starts.size(), 1);
        QCOMPARE(m_launcher->starts.first().program, QStringLiteral("/usr/bin/web browser"));
        QCOMPARE(m_launcher->starts.first().arguments,
                 QStringList{QStringLiteral("example.org/a b")});
        QVERIFY(m_launcher->documents.isEmpty());
    }

    void settingsReadAtEachCall()
    {
        OpenWebPage(QStringLiteral("http://a.org"));
        ActiveProfile->UseCustomWebBrowser = true;
        ActiveProfile->CustomWebBrowser = QStringLiteral("browser *");
        OpenWebPage(QStringLiteral("http://b.org"));
        ActiveProfile->CustomWebBrowser = QStringLiteral("other *");
        OpenWebPage(QStringLiteral("http://c.org"));
        ActiveProfile->UseCustomWebBrowser = false;
        OpenWebPage(QStringLiteral("http://d.org"));

        QCOMPARE(m_launcher->documents,
                 QStringList({QStringLiteral("http://a.org"), QStringLiteral("http://d.org")}));
        QCOMPARE(m_launcher->starts.size(), 2);
        QCOMPARE(m_launcher->starts.at(0).program, QStringLiteral("browser"));
        QCOMPARE(m_launcher->starts.at(1).program, QStringLiteral("other"));
    }

    void failureMessages_data()
    {
        QTest::addColumn<bool>("custom");
        QTest::newRow("shell") << false;
        QTest::newRow("custom program") << true;
    }
    void failureMessages()
    {
        QFETCH(bool, custom);
        ActiveProfile->UseCustomEmailClient = custom;
        ActiveProfile->UseCustomWebBrowser = custom;
        ActiveProfile->CustomEmailClient = QStringLiteral("missing-mailer *");
        ActiveProfile->CustomWebBrowser = QStringLiteral("missing-browser *");
        m_launcher->succeed = false;

        ScriptedMessageBox boxes;
        SendEmail(QStringLiteral("bob@example.org"));
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().caption, QStringLiteral("Errors sending e-mail."));
        QCOMPARE(boxes.last().text, mailFailureText.arg(QStringLiteral("bob@example.org")));
        QCOMPARE(boxes.last().flags, MessageBoxFlag::Error);

        OpenWebPage(QStringLiteral("example.org"));
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(boxes.last().caption, QStringLiteral("Errors opening web page."));
        QCOMPARE(boxes.last().text, webFailureText.arg(QStringLiteral("example.org")));
        QCOMPARE(boxes.last().flags, MessageBoxFlag::Error);
    }

#ifndef Q_OS_WIN
    void systemHandlerFailuresAreReported_data()
    {
        QTest::addColumn<QByteArray>("xdgOpen"); // its stand-in's script; empty: no xdg-open
        QTest::newRow("xdg-open finds no handler") << QByteArray("exit 3");
        QTest::newRow("neither xdg-open nor gio") << QByteArray();
    }
    // The system's own launcher: the user is told in the caller's words when the address
    // cannot be handed over, and when the handler that took it ends with a failure.
    void systemHandlerFailuresAreReported()
    {
        QFETCH(QByteArray, xdgOpen);
        m_launcher.reset();
        const FakePrograms fakes(!xdgOpen.isEmpty()); // first on PATH, or PATH without gio
        if (!xdgOpen.isEmpty())
            fakes.add(QStringLiteral("xdg-open"), xdgOpen);

        ScriptedMessageBox boxes;
        SendEmail(QStringLiteral("bob@example.org"));
        QCOMPARE(boxes.count(), xdgOpen.isEmpty() ? 1 : 0); // a handler is not waited for
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().caption, QStringLiteral("Errors sending e-mail."));
        QCOMPARE(boxes.last().text, mailFailureText.arg(QStringLiteral("bob@example.org")));

        OpenWebPage(QStringLiteral("example.org"));
        QTRY_COMPARE(boxes.count(), 2);
        QCOMPARE(boxes.last().caption, QStringLiteral("Errors opening web page."));
        QCOMPARE(boxes.last().text, webFailureText.arg(QStringLiteral("example.org")));
    }
#endif

    void emptyTemplateFailsWithoutStarting()
    {
        ActiveProfile->UseCustomEmailClient = true;
        ActiveProfile->CustomEmailClient = QStringLiteral("   ");
        ScriptedMessageBox boxes;
        SendEmail(QStringLiteral("a@b.c"));
        QVERIFY(m_launcher->starts.isEmpty());
        QVERIFY(m_launcher->documents.isEmpty());
        QCOMPARE(boxes.captions(), QStringList{QStringLiteral("Errors sending e-mail.")});
    }

    void runCommandReportsLauncherResult()
    {
        QVERIFY(RunCommand(true, QStringLiteral("file.html")));
        QVERIFY(RunCommand(false, QStringLiteral("\"/opt/a b/prog\" -x \"y z\"")));
        QCOMPARE(m_launcher->starts.last().program, QStringLiteral("/opt/a b/prog"));
        QCOMPARE(m_launcher->starts.last().arguments,
                 QStringList({QStringLiteral("-x"), QStringLiteral("y z")}));
        m_launcher->succeed = false;
        QVERIFY(!RunCommand(true, QStringLiteral("file.html")));
        QVERIFY(!RunCommand(false, QStringLiteral("prog")));
        QVERIFY(!RunCommand(false, QString()));
    }

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<RecordingLauncher> m_launcher;
};

QTEST_GUILESS_MAIN(TestUntExecute)
#include "tst_untexecute.moc"
