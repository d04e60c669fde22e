// The window's server sync against a real Radicale started by the test, with the keychain in
// memory: linking, syncing both ways, by the timer, the guard's question, a wrong password,
// cancelling and exiting in the middle of a sync.
#include "forms/sync/frmserversync.h"
#include "forms/sync/synccommands.h"
#include "profiles/synclink.h"
#include "profiles/trash.h"
#include "sync/syncpassword.h"

#include "davserver.h"
#include "localhttpserver.h"
#include "mainwindowfixture.h"
#include "memorypasswordstore.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>

using namespace Qt::StringLiterals;

namespace {
constexpr int Wait = 30000;

QList<TestContact> contacts(int count)
{
    QList<TestContact> list;
    for (int i = 1; i <= count; ++i) {
        const QString name = u"Contact %1"_s.arg(i, 3, 10, QLatin1Char('0'));
        list.append({name, {{u"aContactName"_s, name}, {u"aIcon"_s, u"0"_s}}});
    }
    return list;
}

QByteArray card(const QString &uid, const QString &name)
{
    return (u"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:"_s + uid + u"\r\nFN:"_s + name + u"\r\nN:"_s +
            name + u";;;;\r\nEND:VCARD\r\n"_s)
        .toUtf8();
}

QStringList names()
{
    QStringList list;
    ActiveProfile->GetContactNames(list);
    list.sort();
    return list;
}
} // namespace

class TestServerSync : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DavServer> m_dav;
    std::unique_ptr<MemoryPasswordStore> m_keychain;
    MainWindowFixture m_window;

    TSyncCommands &commands() const
    {
        return *child<TSyncCommands>(*m_window.form, "SyncCommands");
    }

    // The profile linked to the test's address book, the password in the keychain.
    void link(int intervalMinutes = 0, const QString &password = QString())
    {
        TSyncLink link;
        link.server = m_dav->root().toString();
        link.user = m_dav->user();
        link.bookUrl = m_dav->book().toString();
        link.intervalMinutes = intervalMinutes;
        WriteSyncLink(*ActiveProfile, link);
        TSyncPasswords::Instance().Keep(link, password.isNull() ? m_dav->password() : password);
        TSyncPasswords::Instance().ForgetTyped();
    }

    // A sync by hand to its end; the last sync's text.
    QString syncNow()
    {
        trigger(*m_window.form, "actSyncNow");
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(!commands().Runner().IsRunning(), Wait);
        }();
        return commands().Runner().LastSyncText(ReadSyncLink(*ActiveProfile));
    }

    std::unique_ptr<TServerSync> dialog()
    {
        std::unique_ptr<TServerSync> shown = commands().MakeDialog();
        shown->show();
        return shown;
    }

    // A linked window of 40 contacts, its Sync Now pressed: its progress once it is sending them.
    QLabel *sendingFromTheWindow()
    {
        m_window.profile->fill(contacts(40));
        link();
        m_window.open();
        auto *progress = child<QLabel>(*m_window.form, "lblSyncProgress");
        trigger(*m_window.form, "actSyncNow");
        if (!QTest::qWaitFor([&] { return progress->text().startsWith(u"Sending"_s); }, Wait))
            return nullptr;
        return progress;
    }

private slots:
    void initTestCase()
    {
        if (!DavServer::Installed(DavServer::Kind::Radicale))
            QSKIP("Radicale is not installed");
        m_dav = std::make_unique<DavServer>(DavServer::Kind::Radicale);
        QVERIFY2(m_dav->start(), qPrintable(m_dav->error()));
    }
    void cleanupTestCase() { m_dav.reset(); }
    void init()
    {
        QVERIFY(m_dav->removeAllCards());
        m_keychain = std::make_unique<MemoryPasswordStore>();
        TSyncPasswords::Instance().ForgetTyped();
        m_window.profile = std::make_unique<TestProfile>();
        QVERIFY(m_window.profile->activated());
    }
    void cleanup()
    {
        m_window.close();
        m_window.profile.reset();
        m_keychain.reset();
    }

    void theMenuOpensTheDialogAndSyncNowWaitsForALink()
    {
        m_window.open();
        QVERIFY(!child<QAction>(*m_window.form, "actSyncNow")->isEnabled());
        bool opened = false;
        whenModalOf("TServerSync", [&opened](QWidget &dialog) {
            opened = true;
            static_cast<QDialog &>(dialog).reject();
        });
        trigger(*m_window.form, "actServerSync");
        QVERIFY(opened);
    }

    void linkFindsTheBooksAndSyncsBothWays()
    {
        m_window.profile->fill(contacts(2));
        QVERIFY(!m_dav
                     ->put(m_dav->book().path() + u"phone.vcf"_s,
                           card(u"phone-1"_s, u"From The Phone"_s))
                     .isEmpty());
        m_window.open();
        auto shown = dialog();
        child<QLineEdit>(*shown, "edServer")->setText(m_dav->root().toString());
        child<QLineEdit>(*shown, "edUser")->setText(m_dav->user());
        child<QLineEdit>(*shown, "edPassword")->setText(m_dav->password());
        QVERIFY(child<QCheckBox>(*shown, "cbRememberPassword")->isChecked());
        QTest::mouseClick(child<QPushButton>(*shown, "btnFindBooks"), Qt::LeftButton);
        auto *books = child<QListWidget>(*shown, "lstBooks");
        QTRY_COMPARE_WITH_TIMEOUT(books->count(), 1, Wait);
        QVERIFY(m_window.boxes->shown.isEmpty());
        QCOMPARE(books->currentItem()->data(Qt::UserRole).toString(), m_dav->book().toString());

        QTest::mouseClick(child<QPushButton>(*shown, "btnLink"), Qt::LeftButton);
        const TSyncLink link = ReadSyncLink(*ActiveProfile);
        QCOMPARE(link.bookUrl, m_dav->book().toString());
        QCOMPARE(
            m_keychain->passwords.value({TSyncPasswords::Service(), TSyncPasswords::Account(link)}),
            m_dav->password());
        QVERIFY(child<QLabel>(*shown, "lblLinkState")->text().startsWith(u"Linked to"_s));

        m_window.clickRow(u"Contact 002"_s);
        QTest::mouseClick(child<QPushButton>(*shown, "btnSyncNow"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!commands().Runner().IsRunning(), Wait);
        QTRY_VERIFY(child<QLabel>(*shown, "lblLastSync")
                        ->text()
                        .contains(u"uploaded 2, downloaded 1, deleted here 0"_s));
        QCOMPARE(m_dav->cards().size(), 3);
        QTRY_COMPARE(m_window.form->ListedContacts().size(), 3);
        QVERIFY(m_window.form->ListedContacts().contains(u"From The Phone"_s));
        QCOMPARE(m_window.selected(), u"Contact 002"_s);
        QVERIFY(m_window.boxes->shown.isEmpty());
        shown->reject();
        QVERIFY(child<QAction>(*m_window.form, "actSyncNow")->isEnabled());
    }

    void discoveryFailuresSayWhatIsWrong_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("caption");
        QTest::newRow("wrong password") << "radicale"
                                        << "not the password"
                                        << "Wrong password";
        QTest::newRow("no server there") << "closed port"
                                         << ""
                                         << "No server";
        QTest::newRow("not a CardDAV server") << "web server"
                                              << ""
                                              << "Not a CardDAV server";
    }
    void discoveryFailuresSayWhatIsWrong()
    {
        QFETCH(QString, server);
        QFETCH(QString, password);
        QFETCH(QString, caption);
        LocalHttpServer web;
        for (int i = 0; i < 10; ++i)
            web.answer("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        QString address = m_dav->root().toString();
        if (server == u"closed port"_s) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            address = u"http://127.0.0.1:%1/"_s.arg(closed.serverPort());
        } else if (server == u"web server"_s) {
            address = web.url(u"/"_s);
        }
        m_window.open();
        auto shown = dialog();
        child<QLineEdit>(*shown, "edServer")->setText(address);
        child<QLineEdit>(*shown, "edUser")->setText(m_dav->user());
        child<QLineEdit>(*shown, "edPassword")->setText(password);
        QTest::mouseClick(child<QPushButton>(*shown, "btnFindBooks"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_window.boxes->count(), 1, Wait);
        QCOMPARE(m_window.boxes->last().caption, caption);
        QCOMPARE(child<QListWidget>(*shown, "lstBooks")->count(), 0);
        QVERIFY(child<QPushButton>(*shown, "btnFindBooks")->isEnabled());
        QVERIFY(!ReadSyncLink(*ActiveProfile).IsLinked());
    }

    void anUntrustedCertificateIsTrustedForTheLinkOnYes()
    {
        DavServer tls(DavServer::Kind::Radicale, true);
        QVERIFY2(tls.start(), qPrintable(tls.error()));
        m_window.open();
        auto shown = dialog();
        child<QLineEdit>(*shown, "edServer")->setText(tls.root().toString());
        child<QLineEdit>(*shown, "edUser")->setText(tls.user());
        child<QLineEdit>(*shown, "edPassword")->setText(tls.password());
        m_window.boxes->answer(MessageBoxResult::Yes);
        QTest::mouseClick(child<QPushButton>(*shown, "btnFindBooks"), Qt::LeftButton);
        auto *books = child<QListWidget>(*shown, "lstBooks");
        QTRY_COMPARE_WITH_TIMEOUT(books->count(), 1, Wait);
        QCOMPARE(m_window.boxes->count(), 1);
        const QString question = m_window.boxes->last().text;
        QVERIFY(question.contains(u"127.0.0.1"_s));
        QVERIFY2(
            question.contains(QString::fromLatin1(tls.certificateSha256().toHex(':').toUpper())),
            qPrintable(question));
        QTest::mouseClick(child<QPushButton>(*shown, "btnLink"), Qt::LeftButton);
        QCOMPARE(ReadSyncLink(*ActiveProfile).trustedCertificate,
                 QString::fromLatin1(tls.certificateSha256().toHex()));
    }

    void withoutAKeychainThePasswordIsAskedOncePerRun()
    {
        m_keychain->keychainRunning = false;
        m_window.profile->fill(contacts(1));
        m_window.open();
        auto shown = dialog();
        child<QLineEdit>(*shown, "edServer")->setText(m_dav->root().toString());
        child<QLineEdit>(*shown, "edUser")->setText(m_dav->user());
        child<QLineEdit>(*shown, "edPassword")->setText(m_dav->password());
        QTest::mouseClick(child<QPushButton>(*shown, "btnFindBooks"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(child<QListWidget>(*shown, "lstBooks")->count(), 1, Wait);
        QTest::mouseClick(child<QPushButton>(*shown, "btnLink"), Qt::LeftButton);
        QCOMPARE(m_window.boxes->count(), 1);
        QVERIFY(m_window.boxes->last().text.contains(u"No keychain"_s));
        QVERIFY(child<QLabel>(*shown, "lblKeychain")->isVisible());
        shown->reject();
        // This run: the password typed in the dialog.
        QVERIFY(syncNow().contains(u"uploaded 1"_s));

        // The next run asks, once.
        TSyncPasswords::Instance().ForgetTyped();
        int asked = 0;
        const auto answer = [&asked, this](QWidget &input) {
            ++asked;
            input.findChild<QLineEdit *>()->setText(m_dav->password());
            static_cast<QDialog &>(input).accept();
        };
        whenModalOf("QInputDialog", answer);
        QVERIFY(syncNow().contains(u"uploaded 0"_s));
        QVERIFY(syncNow().contains(u"uploaded 0"_s));
        QCOMPARE(asked, 1);
        QCOMPARE(m_window.boxes->count(), 1);
    }

    void plainHttpToAnotherMachineWarnsFirst()
    {
        m_window.open();
        auto shown = dialog();
        child<QLineEdit>(*shown, "edServer")->setText(u"http://192.0.2.7/dav/"_s);
        child<QLineEdit>(*shown, "edUser")->setText(u"ann"_s);
        QTest::mouseClick(child<QPushButton>(*shown, "btnFindBooks"), Qt::LeftButton);
        QCOMPARE(m_window.boxes->count(), 1);
        QVERIFY(m_window.boxes->last().text.contains(u"unencrypted"_s));
        QVERIFY(m_window.boxes->last().flags & MessageBoxFlag::DefaultButton2);
        // No: nothing was sent.
        QVERIFY(child<QPushButton>(*shown, "btnFindBooks")->isEnabled());
    }

    void aWrongPasswordKeptFailsTheSyncByHandInABox()
    {
        m_window.profile->fill(contacts(2));
        link(0, u"wrong"_s);
        m_window.open();
        QVERIFY(syncNow().contains(u"failed"_s));
        QCOMPARE(m_window.boxes->count(), 1);
        QVERIFY(m_window.boxes->last().text.contains(u"user name or password"_s));
        QCOMPARE(m_dav->cards().size(), 0);
        QCOMPARE(names().size(), 2);
    }

    void theTimerSyncsAndItsFailuresStayQuiet()
    {
        link(1);
        m_window.open();
        QStringList balloons;
        commands().SetNotifier([&balloons](const QString &, const QString &text) {
            balloons.append(text);
            return true;
        });
        commands().SetMinuteLength(50);
        QVERIFY(!m_dav->put(m_dav->book().path() + u"a.vcf"_s, card(u"a-1"_s, u"Ann Timer"_s))
                     .isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(m_window.form->ListedContacts().contains(u"Ann Timer"_s), Wait);

        // The server now refuses the password: several ticks, one balloon, no box.
        TSyncLink linked = ReadSyncLink(*ActiveProfile);
        TSyncPasswords::Instance().Remember(linked, u"wrong"_s);
        QTRY_VERIFY_WITH_TIMEOUT(commands().Runner().LastSyncText(linked).contains(u"failed"_s),
                                 Wait);
        const QString failed = commands().Runner().LastSyncText(linked);
        QTRY_VERIFY_WITH_TIMEOUT(commands().Runner().LastSyncText(linked) != failed, Wait);
        QCOMPARE(balloons.size(), 1);
        QVERIFY(m_window.boxes->shown.isEmpty());
    }

    void theGuardAsksAndNoKeepsTheContacts()
    {
        m_window.profile->fill(contacts(4));
        link();
        m_window.open();
        QVERIFY(syncNow().contains(u"uploaded 4"_s));
        const QStringList cards = m_dav->cards();
        for (int i = 0; i < 3; ++i)
            QVERIFY(m_dav->remove(cards.at(i)));

        syncNow();
        QCOMPARE(m_window.boxes->count(), 1);
        QCOMPARE(m_window.boxes->last().text,
                 u"The server's address book would remove 3 of your 4 contacts. Sync anyway?"_s);
        QVERIFY(m_window.boxes->last().flags & MessageBoxFlag::DefaultButton2);
        QCOMPARE(names().size(), 4);

        m_window.boxes->answer(MessageBoxResult::Yes);
        syncNow();
        QTRY_VERIFY_WITH_TIMEOUT(!commands().Runner().IsRunning(), Wait);
        QCOMPARE(names().size(), 1);
        QCOMPARE(ActiveProfile->Trash().Entries().size(), 3);
    }

    void cancelStopsMidSyncAndTheNextSyncFinishes()
    {
        m_window.profile->fill(contacts(40));
        link();
        m_window.open();
        auto shown = dialog();
        auto *progress = child<QLabel>(*m_window.form, "lblSyncProgress");
        QTest::mouseClick(child<QPushButton>(*shown, "btnSyncNow"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(progress->text().startsWith(u"Sending"_s), Wait);
        QVERIFY(progress->isVisible());
        QTest::mouseClick(child<QPushButton>(*shown, "btnCancelSync"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!commands().Runner().IsRunning(), Wait);
        QVERIFY(child<QLabel>(*shown, "lblLastSync")->text().contains(u"cancelled"_s));
        QVERIFY(m_dav->cards().size() < 40);
        QVERIFY(m_window.boxes->shown.isEmpty());

        QTest::mouseClick(child<QPushButton>(*shown, "btnSyncNow"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!commands().Runner().IsRunning(), Wait);
        QCOMPARE(m_dav->cards().size(), 40);
        QCOMPARE(names().size(), 40);
    }

    void switchingProfilesStopsTheSyncFirst()
    {
        QLabel *progress = sendingFromTheWindow();
        QVERIFY(progress);
        bool runningInManager = true;
        whenModalOf("TChangeProfile", [&](QWidget &manager) {
            runningInManager = commands().Runner().IsRunning();
            static_cast<QDialog &>(manager).reject();
        });
        trigger(*m_window.form, "actChangeProfile");
        QVERIFY(!runningInManager);
        QVERIFY(!progress->isVisible());
        QCOMPARE(names().size(), 40);
    }

    void exitMidSyncLosesNothing()
    {
        QLabel *progress = sendingFromTheWindow();
        QVERIFY(progress);
        trigger(*m_window.form, "actExit");
        QVERIFY(TProgramEnd::Begun());
        QVERIFY(!commands().Runner().IsRunning());
        m_window.close();

        // Whole files: every contact here, and the next sync completes the server's copy.
        QCOMPARE(names().size(), 40);
        m_window.open();
        QVERIFY(syncNow().contains(u"downloaded 0"_s));
        QCOMPARE(m_dav->cards().size(), 40);
        QCOMPARE(names().size(), 40);
    }
};

QTEST_MAIN(TestServerSync)
#include "tst_serversync.moc"
