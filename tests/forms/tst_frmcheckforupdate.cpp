#include "app/untcommon.h"
#include "forms/dialogs/frmcheckforupdate.h"
#include "forms/main/frmmainform.h"
#include "net/unit_proxy.h"
#include "net/updatecheck.h"

#include "guitest.h"
#include "localhttpserver.h"
#include "recordinglauncher.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QPushButton>
#include <QTimer>

namespace {
using Ending = LocalHttpServer::Ending;

QPushButton *button(const QWidget &dialog, const char *name)
{
    return child<QPushButton>(dialog, name);
}
} // namespace

class TestCheckForUpdates : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<TCheckForUpdates> m_dialog;

    void check()
    {
        m_dialog->show();
        QCOMPARE(m_dialog->CurrentPage(), QStringLiteral("0"));
        QVERIFY(button(*m_dialog, "Button1")->isDefault());
        button(*m_dialog, "Button1")->click();
    }

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        m_boxes = std::make_unique<ScriptedMessageBox>();
        m_server = std::make_unique<LocalHttpServer>();
        m_dialog = std::make_unique<TCheckForUpdates>();
        m_dialog->VersionAddress = m_server->url(QStringLiteral("/calbrey/version.txt"));
        m_dialog->Http.TimeOut = 10000;
    }
    void cleanup()
    {
        m_dialog.reset();
        m_server.reset();
        m_boxes.reset();
        m_profile.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void pageForTheAnswer_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<int>("ending");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("defaultButton");
        const auto ok = [](const QByteArray &body) {
            return "HTTP/1.0 200 OK\r\n\r\n" + body;
        };
        const int close = int(Ending::Close);
        QTest::newRow("41") << ok("41") << close << "2"
                            << "Button4";
        QTest::newRow("40") << ok("40") << close << "3"
                            << "Button6";
        QTest::newRow("blank and 39") << ok(" 39") << close << "3"
                                      << "Button6";
        QTest::newRow("41 and a line break") << ok("41\r\n") << close << "4"
                                             << "btnGoUpdate";
        QTest::newRow("$29") << ok("$29") << close << "2"
                             << "Button4";
        QTest::newRow("abc") << ok("abc") << close << "4"
                             << "btnGoUpdate";
        QTest::newRow("404 with a page")
            << QByteArray("HTTP/1.0 404 Not Found\r\n\r\n<html>40</html>") << close << "4"
            << "btnGoUpdate";
    }
    void pageForTheAnswer()
    {
        QFETCH(QByteArray, response);
        QFETCH(int, ending);
        QFETCH(QString, page);
        QFETCH(QString, defaultButton);
        m_server->answer(response, Ending(ending));
        check();
        QCOMPARE(m_dialog->CurrentPage(), page);
        QVERIFY(button(*m_dialog, qPrintable(defaultButton))->isDefault());
        QCOMPARE(m_server->connections, 1);
        for (const QByteArray &request : std::as_const(m_server->requests))
            QVERIFY(request.startsWith("GET /calbrey/version.txt HTTP/1.0\r\n"));
        QCOMPARE(m_boxes->count(), 0);
    }

    void noServerIsAFailedCheck()
    {
        const quint16 port = m_server->port();
        m_server.reset();
        m_dialog->VersionAddress = QStringLiteral("http://127.0.0.1:%1/v.txt").arg(port);
        check();
        QCOMPARE(m_dialog->CurrentPage(), QStringLiteral("4"));
    }

    void fetchGoesThroughTheStoredProxy()
    {
        WriteProxySettings(QStringLiteral("127.0.0.1"), m_server->port());
        m_server->answer("HTTP/1.0 200 OK\r\n\r\n41");
        // Nothing listens at the address itself: only the proxy can answer.
        m_dialog->VersionAddress = QStringLiteral("http://127.0.0.1:1/v.txt");
        check();
        QCOMPARE(m_dialog->CurrentPage(), QStringLiteral("2"));
        QVERIFY(
            m_server->requests.value(0).startsWith("GET http://127.0.0.1:1/v.txt HTTP/1.0\r\n"));
    }

    // A server that never answers: the window keeps working (a timer fires) and Cancel ends
    // the fetch and closes the dialog.
    void cancelDuringTheFetch()
    {
        m_server->answer(QByteArray(), Ending::Never);
        int ticks = 0;
        QTimer timer;
        timer.setInterval(5);
        connect(&timer, &QTimer::timeout, this, [&] {
            QCOMPARE(m_dialog->CurrentPage(), QStringLiteral("1"));
            if (++ticks == 5)
                button(*m_dialog, "btnCancel")->click();
        });
        timer.start();
        check();
        QCOMPARE(ticks, 5);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    }

    void proxyThatCannotBeReadStopsOnThePageOfTheFetch()
    {
        ReplaceFileBytes(MachineSettingsFile(), "[Software\\Quenlark\\Common\\Proxy Settings]\r\n"
                                                "Proxy Server=dword:00000001\r\n");
        m_server->answer("HTTP/1.0 200 OK\r\n\r\n41");
        check();
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().text, GeneralErrorText("Invalid data type for 'Proxy Server'"));
        QCOMPARE(m_dialog->CurrentPage(), QStringLiteral("1"));
        QCOMPARE(m_server->connections, 0);
        button(*m_dialog, "btnCancel")->click();
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    }

    // "&Yes" opens the maker's page in the system's browser, never the profile's own.
    void yesOpensTheMakersPage_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("yes");
        QTest::newRow("newer version") << QByteArray("41") << "Button4";
        QTest::newRow("failed check") << QByteArray("abc") << "btnGoUpdate";
    }
    void yesOpensTheMakersPage()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, yes);
        ActiveProfile->UseCustomWebBrowser = true;
        ActiveProfile->CustomWebBrowser = QStringLiteral("/usr/bin/browser *");
        RecordingLauncher launcher;
        m_server->answer("HTTP/1.0 200 OK\r\n\r\n" + body);
        check();
        button(*m_dialog, qPrintable(yes))->click();
        QCOMPARE(launcher.documents, QStringList{QLatin1String(MakerWebPageAddress)});
        QVERIFY(launcher.starts.isEmpty());
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    }

    void mainWindowOpensTheCheck()
    {
        TMainForm form;
        QString page;
        whenModal([&](QWidget *dialog) {
            page = qobject_cast<TCheckForUpdates *>(dialog)->CurrentPage();
            button(*dialog, "Button2")->click();
        });
        trigger(form, "actCheckForUpdate");
        QCOMPARE(page, QStringLiteral("0"));
    }
};

QTEST_MAIN(TestCheckForUpdates)
#include "tst_frmcheckforupdate.moc"
