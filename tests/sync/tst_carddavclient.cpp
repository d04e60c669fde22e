#include "net/unit_proxy.h"
#include "sync/carddavclient.h"
#include "sync/davmultistatus.h"

#include "davserver.h"
#include "localhttpserver.h"
#include "tempprogramfolder.h"

#include <QTest>
#include <memory>

using Kind = DavServer::Kind;
Q_DECLARE_METATYPE(DavServer::Kind)

namespace {
// Long enough for a server on a busy machine, short enough that a hang fails the suite soon.
constexpr int Wait = 20000;

// The outcome of one operation: what its done function got, and how often it was called.
template <class T> struct Outcome
{
    int calls = 0;
    TDavResult<T> result;
    TCardDavClient::Done<T> done()
    {
        return [this](const TDavResult<T> &got) {
            ++calls;
            result = got;
        };
    }
};

// Every operation answers from the event loop, exactly once.
#define AWAIT(outcome)                                                                             \
    do {                                                                                           \
        QCOMPARE((outcome).calls, 0);                                                              \
        QTRY_COMPARE_WITH_TIMEOUT((outcome).calls, 1, Wait);                                       \
    } while (false)

QByteArray card(const QString &uid, const QString &name)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:%2\r\nN:%2;;;;\r\n"
                          "END:VCARD\r\n")
        .arg(uid, name)
        .toUtf8();
}

TDavAccount accountOf(const DavServer &server, const QUrl &address)
{
    TDavAccount account;
    account.server = address;
    account.user = server.user();
    account.password = server.password();
    return account;
}
} // namespace

class TestCardDavClient : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    // One server of each kind for the whole suite: a start costs a second or two.
    std::unique_ptr<DavServer> m_servers[2];

    // The running server of kind, started the first time; nullptr when the test is skipped
    // (the program is not installed) or failed (it does not start).
    DavServer *server(Kind kind)
    {
        if (!DavServer::Installed(kind)) {
            QTest::qSkip("the server's program is not installed", __FILE__, __LINE__);
            return nullptr;
        }
        std::unique_ptr<DavServer> &slot = m_servers[kind == Kind::Radicale ? 0 : 1];
        if (!slot) {
            slot = std::make_unique<DavServer>(kind);
            slot->start();
        }
        if (!slot->running()) {
            QTest::qFail(qPrintable(slot->error()), __FILE__, __LINE__);
            return nullptr;
        }
        return slot.get();
    }

    static void addServerRows()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("Radicale") << Kind::Radicale;
        QTest::newRow("Xandikos") << Kind::Xandikos;
    }

private slots:
    void initTestCase()
    {
        // The client reads the machine-wide proxy: a test folder's own, with none set.
        m_folder = std::make_unique<TempProgramFolder>();
    }
    void cleanupTestCase()
    {
        for (std::unique_ptr<DavServer> &slot : m_servers)
            slot.reset();
        m_folder.reset();
    }

    void discovery_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("fromRoot");
        QTest::newRow("Radicale, server address") << Kind::Radicale << true;
        QTest::newRow("Radicale, book address") << Kind::Radicale << false;
        QTest::newRow("Xandikos, server address") << Kind::Xandikos << true;
        QTest::newRow("Xandikos, book address") << Kind::Xandikos << false;
    }
    void discovery()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, fromRoot);
        DavServer *const dav = server(kind);
        if (!dav)
            return;
        TCardDavClient client(accountOf(*dav, fromRoot ? dav->root() : dav->book()));
        Outcome<QList<TDavAddressBook>> found;
        client.Discover(found.done());
        AWAIT(found);
        QVERIFY2(found.result.Ok(), qPrintable(found.result.message));
        QList<QUrl> books;
        for (const TDavAddressBook &book : std::as_const(found.result.value))
            books.append(book.url);
        QVERIFY2(books.contains(dav->book()), qPrintable(QDebug::toString(books)));
    }

    // A card's whole life, with the server's guards against writing over another's change.
    void cardLifecycle_data() { addServerRows(); }
    void cardLifecycle()
    {
        QFETCH(Kind, kind);
        DavServer *const dav = server(kind);
        if (!dav)
            return;
        const QUrl book = dav->book();
        TCardDavClient client(accountOf(*dav, book));
        const QString name = QStringLiteral("life-") + QString::number(int(kind));

        Outcome<TDavListing> before;
        client.List(book, QString(), before.done());
        AWAIT(before);
        QVERIFY2(before.result.Ok(), qPrintable(before.result.message));
        QVERIFY(before.result.value.full);
        QVERIFY(!before.result.value.syncToken.isEmpty());

        Outcome<TDavCardRef> created;
        client.Create(book, name, card(name, QStringLiteral("First")), created.done());
        AWAIT(created);
        QVERIFY2(created.result.Ok(), qPrintable(created.result.message));
        const TDavCardRef first = created.result.value;
        QCOMPARE(first.href, book.path() + name + QStringLiteral(".vcf"));

        // The same name again is refused: If-None-Match keeps a card from being replaced.
        Outcome<TDavCardRef> again;
        client.Create(book, name, card(name, QStringLiteral("Other")), again.done());
        AWAIT(again);
        QCOMPARE(again.result.status, TDavStatus::Conflict);

        Outcome<TDavListing> changes;
        client.List(book, before.result.value.syncToken, changes.done());
        AWAIT(changes);
        QVERIFY2(changes.result.Ok(), qPrintable(changes.result.message));
        QVERIFY(!changes.result.value.full);
        QCOMPARE(changes.result.value.present.size(), 1);
        QCOMPARE(changes.result.value.present[0].href, first.href);
        if (!first.etag.isEmpty())
            QCOMPARE(changes.result.value.present[0].etag, first.etag);
        const TDavCardRef listed = changes.result.value.present[0];

        Outcome<QList<TDavCard>> fetched;
        client.Fetch(book, {listed.href, book.path() + QStringLiteral("gone.vcf")}, fetched.done());
        AWAIT(fetched);
        QVERIFY2(fetched.result.Ok(), qPrintable(fetched.result.message));
        QCOMPARE(fetched.result.value.size(), 1);
        QCOMPARE(fetched.result.value[0].ref.etag, listed.etag);
        QVERIFY(fetched.result.value[0].data.contains("FN:First"));

        Outcome<TDavCardRef> updated;
        client.Update(book, listed, card(name, QStringLiteral("Second")), updated.done());
        AWAIT(updated);
        QVERIFY2(updated.result.Ok(), qPrintable(updated.result.message));
        QVERIFY(dav->get(listed.href).contains("FN:Second"));

        // Another client's change since: both the update and the removal with the old ETag
        // are refused, and the card stays as the other client left it.
        QVERIFY(!dav->put(listed.href, card(name, QStringLiteral("Theirs"))).isEmpty());
        Outcome<TDavCardRef> stale;
        client.Update(book, listed, card(name, QStringLiteral("Mine")), stale.done());
        AWAIT(stale);
        QCOMPARE(stale.result.status, TDavStatus::Conflict);
        Outcome<TDavNothing> staleRemove;
        client.Remove(book, listed, staleRemove.done());
        AWAIT(staleRemove);
        QCOMPARE(staleRemove.result.status, TDavStatus::Conflict);
        QVERIFY(dav->get(listed.href).contains("FN:Theirs"));

        Outcome<TDavListing> current;
        client.List(book, changes.result.value.syncToken, current.done());
        AWAIT(current);
        QVERIFY2(current.result.Ok(), qPrintable(current.result.message));
        QCOMPARE(current.result.value.present.size(), 1);
        Outcome<TDavNothing> removed;
        client.Remove(book, current.result.value.present[0], removed.done());
        AWAIT(removed);
        QVERIFY2(removed.result.Ok(), qPrintable(removed.result.message));
        QVERIFY(dav->cards().isEmpty());

        // Gone already: what a removal asks for.
        Outcome<TDavNothing> twice;
        client.Remove(book, current.result.value.present[0], twice.done());
        AWAIT(twice);
        QVERIFY2(twice.result.Ok(), qPrintable(twice.result.message));

        Outcome<TDavListing> after;
        client.List(book, current.result.value.syncToken, after.done());
        AWAIT(after);
        QVERIFY2(after.result.Ok(), qPrintable(after.result.message));
        QVERIFY(after.result.value.present.isEmpty());
        QCOMPARE(after.result.value.removedHrefs, QStringList{listed.href});
    }

    // A token the server does not know gives every card instead, and a token to go on with.
    void refusedTokenListsEveryCard_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("token");
        QTest::newRow("Radicale, garbage") << Kind::Radicale << "not a token";
        QTest::newRow("Radicale, unknown")
            << Kind::Radicale << "http://radicale.org/ns/sync/0123456789abcdef";
        QTest::newRow("Xandikos, garbage") << Kind::Xandikos << "not a token";
        QTest::newRow("Xandikos, unknown") << Kind::Xandikos << "http://xandikos/ns/sync/1234";
    }
    void refusedTokenListsEveryCard()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, token);
        DavServer *const dav = server(kind);
        if (!dav)
            return;
        const QString href = dav->book().path() + QStringLiteral("token-card.vcf");
        const QString etag = dav->put(href, card(QStringLiteral("token-card"), "Token"));
        QVERIFY(!etag.isEmpty());
        const auto cleanup = qScopeGuard([&] { dav->remove(href); });

        TCardDavClient client(accountOf(*dav, dav->book()));
        Outcome<TDavListing> listed;
        client.List(dav->book(), token, listed.done());
        AWAIT(listed);
        QVERIFY2(listed.result.Ok(), qPrintable(listed.result.message));
        QVERIFY(listed.result.value.full);
        QVERIFY(listed.result.value.removedHrefs.isEmpty());
        QCOMPARE(listed.result.value.present.size(), 1);
        QCOMPARE(listed.result.value.present[0].href, href);
        QCOMPARE(listed.result.value.present[0].etag, etag);
        QVERIFY(!listed.result.value.syncToken.isEmpty());
    }

    // The listing asks for the changed cards' vCards too: a server that sends them spares
    // their fetch; one whose answer with them would be too large is asked again without them.
    void listingBringsCards_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<qsizetype>("maxSize");
        QTest::addColumn<bool>("withCards");
        QTest::newRow("Radicale sends them") << Kind::Radicale << DavMaxResponseSize << true;
        QTest::newRow("Xandikos does not") << Kind::Xandikos << DavMaxResponseSize << false;
        QTest::newRow("too large with them") << Kind::Radicale << qsizetype(12000) << false;
    }
    void listingBringsCards()
    {
        QFETCH(Kind, kind);
        QFETCH(qsizetype, maxSize);
        QFETCH(bool, withCards);
        DavServer *const dav = server(kind);
        if (!dav)
            return;
        QStringList hrefs;
        const QString notes =
            QStringLiteral("NOTE:") + QString(2000, u'x') + QStringLiteral("\r\n");
        for (int i = 0; i < 6; ++i) {
            const QString uid = QStringLiteral("listed-%1").arg(i);
            hrefs.append(dav->book().path() + uid + QStringLiteral(".vcf"));
            QByteArray vcard = card(uid, uid);
            vcard.insert(vcard.indexOf("END:VCARD"), notes.toUtf8());
            QVERIFY(!dav->put(hrefs.last(), vcard).isEmpty());
        }
        const auto cleanup = qScopeGuard([&] {
            for (const QString &href : std::as_const(hrefs))
                dav->remove(href);
        });
        TCardDavClient client(accountOf(*dav, dav->book()));
        client.SetMaxResponseSize(maxSize);
        Outcome<TDavListing> listed;
        client.List(dav->book(), QString(), listed.done());
        AWAIT(listed);
        QVERIFY2(listed.result.Ok(), qPrintable(listed.result.message));
        QStringList present;
        for (const TDavCardRef &ref : std::as_const(listed.result.value.present))
            present.append(ref.href);
        present.sort();
        QCOMPARE(present, hrefs);
        QCOMPARE(listed.result.value.cards.size(), withCards ? hrefs.size() : 0);
        for (const TDavCard &each : std::as_const(listed.result.value.cards)) {
            QVERIFY(hrefs.contains(each.ref.href));
            QVERIFY(
                each.data.contains("FN:" + each.ref.href.section(u'/', -1).chopped(4).toUtf8()));
            QVERIFY(each.data.contains("xxxxxxxx"));
        }
    }

    // Many cards come back in several batches, whole.
    void fetchInBatches_data() { addServerRows(); }
    void fetchInBatches()
    {
        QFETCH(Kind, kind);
        DavServer *const dav = server(kind);
        if (!dav)
            return;
        QStringList hrefs;
        for (int i = 0; i < 7; ++i) {
            const QString uid = QStringLiteral("batch-%1").arg(i, 3, 10, QLatin1Char('0'));
            hrefs.append(dav->book().path() + uid + QStringLiteral(".vcf"));
            QVERIFY(!dav->put(hrefs.last(), card(uid, uid)).isEmpty());
        }
        const auto cleanup = qScopeGuard([&] {
            for (const QString &href : std::as_const(hrefs))
                dav->remove(href);
        });
        TCardDavClient client(accountOf(*dav, dav->book()));
        client.SetFetchBatchSize(3); // three batches, the last one short
        Outcome<QList<TDavCard>> fetched;
        client.Fetch(dav->book(), hrefs, fetched.done());
        AWAIT(fetched);
        QVERIFY2(fetched.result.Ok(), qPrintable(fetched.result.message));
        QStringList got;
        for (const TDavCard &each : std::as_const(fetched.result.value)) {
            got.append(each.ref.href);
            QVERIFY(each.data.contains("FN:batch-"));
        }
        got.sort();
        QCOMPARE(got, hrefs);
    }

    // A server that stops answers nothing: the operation fails, and once the server is back on
    // the same port with the same data, the same client goes on.
    void serverStoppedAndStarted_data() { addServerRows(); }
    void serverStoppedAndStarted()
    {
        QFETCH(Kind, kind);
        DavServer *const dav = server(kind);
        if (!dav)
            return;
        const QString href = dav->book().path() + QStringLiteral("kept.vcf");
        QVERIFY(!dav->put(href, card(QStringLiteral("kept"), "Kept")).isEmpty());
        const auto cleanup = qScopeGuard([&] { dav->remove(href); });
        TCardDavClient client(accountOf(*dav, dav->book()));
        dav->stop();
        Outcome<TDavListing> down;
        client.List(dav->book(), QString(), down.done());
        AWAIT(down);
        QCOMPARE(down.result.status, TDavStatus::NetworkError);
        QVERIFY2(dav->start(), qPrintable(dav->error()));
        Outcome<TDavListing> up;
        client.List(dav->book(), QString(), up.done());
        AWAIT(up);
        QVERIFY2(up.result.Ok(), qPrintable(up.result.message));
        QCOMPARE(up.result.value.present.size(), 1);
        QCOMPARE(up.result.value.present[0].href, href);
    }

    // A refused password is said so, and nothing is written.
    void wrongPassword()
    {
        DavServer *const dav = server(Kind::Radicale);
        if (!dav)
            return;
        TDavAccount account = accountOf(*dav, dav->root());
        account.password = QStringLiteral("wrong");
        TCardDavClient client(account);
        Outcome<QList<TDavAddressBook>> found;
        client.Discover(found.done());
        AWAIT(found);
        QCOMPARE(found.result.status, TDavStatus::Unauthorized);
        QCOMPARE(found.result.message,
                 QStringLiteral("The server refused the user name or password."));
        Outcome<TDavCardRef> created;
        client.Create(dav->book(), QStringLiteral("refused"), card("refused", "Refused"),
                      created.done());
        AWAIT(created);
        QCOMPARE(created.result.status, TDavStatus::Unauthorized);
        QVERIFY(dav->cards().isEmpty());
    }

    // An untrusted certificate is refused, naming its fingerprint; once that fingerprint is
    // trusted, the same server is used.
    void selfSignedCertificate()
    {
        if (!DavServer::Installed(Kind::Radicale))
            QSKIP("the server's program is not installed");
        DavServer dav(Kind::Radicale, true);
        QVERIFY2(dav.start(), qPrintable(dav.error()));
        TDavAccount account = accountOf(dav, dav.book());
        {
            TCardDavClient client(account);
            Outcome<TDavListing> listed;
            client.List(dav.book(), QString(), listed.done());
            AWAIT(listed);
            QCOMPARE(listed.result.status, TDavStatus::UntrustedCertificate);
            QCOMPARE(listed.result.certificateSha256, dav.certificateSha256());
            const QString fingerprint =
                QString::fromLatin1(dav.certificateSha256().toHex(':').toUpper());
            QCOMPARE(listed.result.message,
                     QStringLiteral("The server's certificate is not trusted (SHA-256 %1).")
                         .arg(fingerprint));
        }
        account.trustedCertificateSha256 = dav.certificateSha256();
        TCardDavClient client(account);
        Outcome<TDavListing> listed;
        client.List(dav.book(), QString(), listed.done());
        AWAIT(listed);
        QVERIFY2(listed.result.Ok(), qPrintable(listed.result.message));
    }

    // What goes wrong between client and server ends the operation with its own status.
    void transportFailures_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<TDavStatus>("status");
        QTest::newRow("no answer in time") << QByteArray() << false << TDavStatus::Timeout;
        QTest::newRow("cancelled") << QByteArray() << true << TDavStatus::Cancelled;
        QTest::newRow("answer above the cap")
            << QByteArray("HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\n"
                          "\r\n<multistatus xmlns=\"DAV:\">" +
                          QByteArray(5000, ' ') + "</multistatus>")
            << false << TDavStatus::TooLarge;
        QTest::newRow("length above the cap")
            << QByteArray("HTTP/1.1 207 Multi-Status\r\nContent-Length: 100000\r\n\r\n<x") << false
            << TDavStatus::TooLarge;
        QTest::newRow("no multistatus")
            << QByteArray("HTTP/1.1 207 Multi-Status\r\nContent-Length: 9\r\n\r\n<a>b</a>\n")
            << false << TDavStatus::ServerError;
        QTest::newRow("server error")
            << QByteArray("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n")
            << false << TDavStatus::ServerError;
        QTest::newRow("missing book")
            << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n") << false
            << TDavStatus::NotFound;
    }
    void transportFailures()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, cancel);
        QFETCH(TDavStatus, status);
        LocalHttpServer http;
        if (!answer.isEmpty())
            http.answer(answer);
        TDavAccount account;
        account.server = QUrl(http.url(QStringLiteral("/book/")));
        TCardDavClient client(account);
        client.SetTimeout(cancel ? Wait : 300);
        client.SetMaxResponseSize(4096);
        Outcome<QList<TDavCard>> fetched;
        client.Fetch(account.server, {QStringLiteral("/book/a.vcf")}, fetched.done());
        if (cancel) {
            QTRY_COMPARE(http.requests.size(), 1);
            client.Cancel();
        }
        AWAIT(fetched);
        QCOMPARE(fetched.result.status, status);
        QVERIFY(!fetched.result.message.isEmpty());
        if (status == TDavStatus::TooLarge)
            QCOMPARE(fetched.result.message,
                     QStringLiteral("The server's answer is larger than 4 kB."));
        // Nothing more arrives later.
        QTest::qWait(50);
        QCOMPARE(fetched.calls, 1);
    }

    // Discovery follows the well-known address's redirects with the same request, up to a
    // limit, and each principal once; where that leads nowhere, the server's own address is
    // asked next.
    void discoveryWalk_data()
    {
        const QByteArray bookBody =
            "<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><response>"
            "<href>/b/</href><propstat><prop><resourcetype><collection/><C:addressbook/>"
            "</resourcetype></prop></propstat></response></multistatus>";
        const QByteArray book =
            "HTTP/1.1 207 Multi-Status\r\nContent-Length: " + QByteArray::number(bookBody.size()) +
            "\r\n\r\n" + bookBody;
        const auto redirect = [](const QByteArray &to) {
            return "HTTP/1.1 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\n\r\n";
        };
        const QByteArray missing = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<TDavStatus>("status");
        QTest::addColumn<int>("requests");
        QTest::newRow("followed") << QList<QByteArray>{redirect("/b/"), book} << TDavStatus::Ok
                                  << 2;
        QList<QByteArray> endless;
        for (int i = 1; i <= 6; ++i)
            endless.append(redirect("/r" + QByteArray::number(i) + '/'));
        QTest::newRow("past the limit") << (endless << missing) << TDavStatus::NotFound << 7;
        const auto principal = [](const QByteArray &path) {
            const QByteArray body = "<multistatus xmlns=\"DAV:\"><response><href>/x/</href>"
                                    "<propstat><prop><current-user-principal><href>" +
                                    path +
                                    "</href></current-user-principal></prop></propstat>"
                                    "</response></multistatus>";
            return "HTTP/1.1 207 Multi-Status\r\nContent-Length: " +
                   QByteArray::number(body.size()) + "\r\n\r\n" + body;
        };
        QTest::newRow("principals in a circle")
            << QList<QByteArray>{principal("/p1/"), principal("/p2/"), principal("/p1/"), missing}
            << TDavStatus::NotFound << 4;
        // Where a redirect leads back to itself, the server's address is asked next.
        QTest::newRow("to itself") << QList<QByteArray>{redirect("/.well-known/carddav"), missing}
                                   << TDavStatus::NotFound << 2;
    }

    void discoveryWalk()
    {
        QFETCH(QList<QByteArray>, answers);
        QFETCH(TDavStatus, status);
        QFETCH(int, requests);
        LocalHttpServer http;
        for (const QByteArray &answer : std::as_const(answers))
            http.answer(answer);
        TDavAccount account;
        account.server = QUrl(http.url(QStringLiteral("/")));
        TCardDavClient client(account);
        Outcome<QList<TDavAddressBook>> found;
        client.Discover(found.done());
        AWAIT(found);
        QCOMPARE(found.result.status, status);
        QCOMPARE(http.requests.size(), requests);
        QVERIFY(http.requests[0].startsWith("PROPFIND /.well-known/carddav HTTP/1.1\r\n"));
        if (status == TDavStatus::Ok) {
            QVERIFY(http.requests[1].startsWith("PROPFIND /b/ HTTP/1.1\r\n"));
            QCOMPARE(found.result.value.size(), 1);
            QCOMPARE(found.result.value[0].url, QUrl(http.url(QStringLiteral("/b/"))));
        }
    }

    // What each write sends, and what its answer means.
    void writes_data()
    {
        QTest::addColumn<QString>("write");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<TDavStatus>("status");
        QTest::addColumn<QString>("etag");
        QTest::addColumn<QByteArray>("request");
        const QByteArray created = "HTTP/1.1 201 Created\r\nContent-Length: 0\r\n";
        const QByteArray end = "\r\n";
        const QByteArray conflict = "HTTP/1.1 412 Precondition Failed\r\nContent-Length: 0\r\n\r\n";
        const QByteArray newCard =
            "PUT /b/J%C3%BCrgen%20M%40x.vcf HTTP/1.1\r\nIf-None-Match: *\r\n";
        const QByteArray changedCard = "PUT /b/a.vcf HTTP/1.1\r\nIf-Match: \"e1\"\r\n";
        QTest::newRow("create") << "create" << created + "ETag: \"e2\"\r\n" + end << TDavStatus::Ok
                                << "\"e2\"" << newCard;
        QTest::newRow("create, weak ETag")
            << "create" << created + "ETag: W/\"e2\"\r\n" + end << TDavStatus::Ok << "" << newCard;
        QTest::newRow("create, no ETag")
            << "create" << created + end << TDavStatus::Ok << "" << newCard;
        QTest::newRow("create, name taken")
            << "create" << conflict << TDavStatus::Conflict << "" << newCard;
        QTest::newRow("update") << "update"
                                << QByteArray("HTTP/1.1 204 No Content\r\nETag: \"e3\"\r\n\r\n")
                                << TDavStatus::Ok << "\"e3\"" << changedCard;
        QTest::newRow("update, changed meanwhile")
            << "update" << conflict << TDavStatus::Conflict << "" << changedCard;
        QTest::newRow("update, gone")
            << "update" << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")
            << TDavStatus::NotFound << "" << changedCard;
        QTest::newRow("update, refused")
            << "update" << QByteArray("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")
            << TDavStatus::ServerError << "" << changedCard;
    }
    void writes()
    {
        QFETCH(QString, write);
        QFETCH(QByteArray, answer);
        QFETCH(TDavStatus, status);
        QFETCH(QString, etag);
        QFETCH(QByteArray, request);
        LocalHttpServer http;
        http.answer(answer);
        TDavAccount account;
        account.server = QUrl(http.url(QStringLiteral("/b")));
        TCardDavClient client(account);
        Outcome<TDavCardRef> written;
        if (write == QLatin1String("create"))
            client.Create(account.server, QStringLiteral("Jürgen M@x"), card("j", "J"),
                          written.done());
        else
            client.Update(account.server, {QStringLiteral("/b/a.vcf"), QStringLiteral("\"e1\"")},
                          card("a", "A"), written.done());
        AWAIT(written);
        QCOMPARE(written.result.status, status);
        QCOMPARE(written.result.value.etag, etag);
        if (status == TDavStatus::Ok)
            QCOMPARE(written.result.value.href, write == QLatin1String("create")
                                                    ? QStringLiteral("/b/J%C3%BCrgen%20M%40x.vcf")
                                                    : QStringLiteral("/b/a.vcf"));
        QCOMPARE(http.requests.size(), 1);
        const QList<QByteArray> lines = http.requests[0].split('\n');
        for (const QByteArray &line : request.split('\n'))
            QVERIFY2(lines.contains(line), http.requests[0].constData());
        QVERIFY(http.requests[0].contains("\r\nContent-Type: text/vcard; charset=utf-8\r\n"));
    }

    // The machine-wide proxy carries the client's requests.
    void machineProxy()
    {
        LocalHttpServer proxy;
        proxy.answer("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        WriteProxySettings(QStringLiteral("127.0.0.1"), proxy.port());
        const auto noProxy = qScopeGuard([] { WriteProxySettings(QString(), 0); });
        TDavAccount account;
        account.server = QUrl(QStringLiteral("http://dav.example.invalid/book/"));
        TCardDavClient client(account);
        Outcome<TDavNothing> removed;
        client.Remove(account.server, {QStringLiteral("/book/a.vcf"), QStringLiteral("\"1\"")},
                      removed.done());
        AWAIT(removed);
        QVERIFY2(removed.result.Ok(), qPrintable(removed.result.message));
        QCOMPARE(proxy.requests.size(), 1);
        QVERIFY2(proxy.requests[0].startsWith(
                     "DELETE http://dav.example.invalid/book/a.vcf HTTP/1.1\r\n"),
                 proxy.requests[0].constData());
        QVERIFY(proxy.requests[0].contains("\r\nIf-Match: \"1\"\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestCardDavClient)
#include "tst_carddavclient.moc"
