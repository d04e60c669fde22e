#include "net/httpclient.h"

#include "failuretext.h"
#include "localhttpserver.h"

#include <QTimer>

namespace {
using Ending = LocalHttpServer::Ending;

const QByteArray Accepts =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
const QByteArray ContentType = "Content-type: application/x-www-form-urlencoded\r\n\r\n";
const QByteArray Ok = "HTTP/1.0 200 OK\r\n\r\n";

// A port with nothing listening on it.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}
} // namespace

class TestHttpClient : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<THttpClient> m_http;

private slots:
    void init()
    {
        m_server = std::make_unique<LocalHttpServer>();
        m_http = std::make_unique<THttpClient>();
        // Nothing here may wait long: a fault shows as a failure, not as a hung test.
        m_http->TimeOut = 10000;
    }
    void cleanup()
    {
        m_http.reset();
        m_server.reset();
    }

    void requestBytes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("viaProxy");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("direct") << "/dir/file.txt" << false
                                << "GET /dir/file.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n" + Accepts +
                                       ContentType;
        QTest::newRow("port and no path")
            << "" << false << "GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n" + Accepts + ContentType;
        // Through the proxy the URL names a port where nothing listens: only the proxy is
        // reached.
        QTest::newRow("through a proxy")
            << "/dir/file.txt" << true
            << "GET http://127.0.0.1:1/dir/file.txt HTTP/1.0\r\nProxy-Connection: Keep-Alive\r\n"
               "Host: 127.0.0.1\r\n" +
                   Accepts + ContentType;
    }
    void requestBytes()
    {
        QFETCH(QString, path);
        QFETCH(bool, viaProxy);
        QFETCH(QByteArray, request);
        m_server->answer("HTTP/1.0 200 OK\r\nServer: test\r\n\r\nhello");
        if (viaProxy) {
            m_http->Proxy = QStringLiteral("127.0.0.1");
            m_http->ProxyPort = m_server->port();
        }
        m_http->Get(viaProxy ? QStringLiteral("http://127.0.0.1:1") + path : m_server->url(path));
        QCOMPARE(m_server->requests, QList<QByteArray>{request});
        QCOMPARE(m_http->StatusCode(), 200);
        QCOMPARE(m_http->Header, QByteArray("HTTP/1.0 200 OK\r\nServer: test\r\n\r\n"));
        QCOMPARE(m_http->Body, QByteArray("hello"));
    }

    void refusedBeforeAnyConnection_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("failure");
        QTest::newRow("empty") << ""
                               << "Empty URL";
        QTest::newRow("https") << "HTTPS://127.0.0.1:%1/v.txt"
                               << "HTTP Secure Socket is not supported";
        QTest::newRow("port of letters") << "http://127.0.0.1:8o/v.txt"
                                         << "Invalid port number: 8o";
        QTest::newRow("port beyond the ports") << "http://127.0.0.1:65536/"
                                               << "Invalid port number: 65536";
        QTest::newRow("no host at all") << "/v.txt"
                                        << "Null Remote Address";
        QTest::newRow("line break") << "http://127.0.0.1:%1/a\r\nX: y"
                                    << "Invalid URL";
    }
    void refusedBeforeAnyConnection()
    {
        QFETCH(QString, url);
        QFETCH(QString, failure);
        m_server->answer(Ok);
        url.replace(QStringLiteral("%1"), QString::number(m_server->port()));
        QCOMPARE(FailureOf([&] { m_http->Get(url); }), failure);
        QCOMPARE(m_server->connections, 0);
    }

    void errorStatusEndsNormallyWithThePage()
    {
        m_server->answer("HTTP/1.0 404 Not Found\r\n\r\n<html>gone</html>");
        m_http->Get(m_server->url(QStringLiteral("/v.txt")));
        QCOMPARE(m_http->StatusCode(), 404);
        QCOMPARE(m_http->Body, QByteArray("<html>gone</html>"));
    }

    void redirects_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QByteArray>("secondRequest");
        QTest::newRow("absolute, with its cookie")
            << QByteArray("http://127.0.0.1:%1/second.txt")
            << "GET /second.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n" + Accepts +
                   "Cookie: id=7; path=/\r\n" + ContentType;
        // A target without "/" stays on the server it came from, port included.
        QTest::newRow("bare name") << QByteArray("other.txt")
                                   << "GET /other.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n" + Accepts +
                                          "Cookie: id=7; path=/\r\n" + ContentType;
    }
    void redirects()
    {
        QFETCH(QByteArray, location);
        QFETCH(QByteArray, secondRequest);
        m_server->answer("HTTP/1.0 302 Found\r\nset-cookie: id=7; path=/\r\nLOCATION: " +
                         location.replace("%1", QByteArray::number(m_server->port())) +
                         "\r\n\r\nmoved");
        m_server->answer("HTTP/1.0 200 OK\r\n\r\n41");
        m_http->Get(m_server->url(QStringLiteral("/first.txt")));
        QCOMPARE(m_server->requests.size(), 2);
        QCOMPARE(m_server->requests.at(1), secondRequest);
        QCOMPARE(m_http->Body, QByteArray("41"));
    }

    void passesAreBounded_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::newRow("endless redirect")
            << QByteArray("HTTP/1.0 302 Found\r\nLocation: /v.txt\r\n\r\n");
        QTest::newRow("endless 303") << QByteArray("HTTP/1.0 303 See Other\r\n\r\n");
        QTest::newRow("endless 299") << QByteArray("HTTP/1.0 299 Odd\r\n\r\n");
    }
    void passesAreBounded()
    {
        QFETCH(QByteArray, response);
        for (int i = 0; i <= THttpClient::MaxPasses; ++i)
            m_server->answer(response);
        QCOMPARE(FailureOf([&] { m_http->Get(m_server->url(QStringLiteral("/v.txt"))); }),
                 QStringLiteral("Too Many Passes"));
        QCOMPARE(m_server->connections, THttpClient::MaxPasses);
    }

    void hostileResponsesFailCleanly_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("failure");
        QTest::newRow("no status line") << QByteArray("garbage\r\n\r\n41") << "Invalid Response";
        QTest::newRow("binary bytes")
            << QByteArray::fromHex("00ff1b5b324a000a0a") << "Invalid Response";
        QTest::newRow("closed at once") << QByteArray() << "Invalid Response";
        QTest::newRow("location without a value")
            << QByteArray("HTTP/1.0 301 Moved\r\nLocation:\r\n\r\n") << "Redirect Without Location";
        QTest::newRow("huge cookie")
            << "HTTP/1.0 302 Found\r\nSet-Cookie: " + QByteArray(100000, 'c') + "\r\n\r\n"
            << "Response header too long";
        QTest::newRow("endless header")
            << "HTTP/1.0 200 OK\r\n" + QByteArray("X: y\r\n").repeated(12000)
            << "Response header too long";
        QTest::newRow("2 MiB body")
            << Ok + QByteArray(qsizetype(2) * 1024 * 1024, 'x') << "Response body too long";
        QTest::newRow("line break smuggled in a cookie")
            << QByteArray("HTTP/1.0 302 Found\r\nLocation: /b\r\nSet-Cookie: a\rX-Evil: 1\r\n\r\n")
            << "Invalid Response";
    }
    void hostileResponsesFailCleanly()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, failure);
        m_server->answer(response, response.isEmpty() ? Ending::CloseAtOnce : Ending::Close);
        m_server->answer(Ok);
        QCOMPARE(FailureOf([&] { m_http->Get(m_server->url(QStringLiteral("/a"))); }), failure);
        QVERIFY(!m_http->Connected());
    }

    // Through a proxy the connection is asked to stay open, so the length given ends the body.
    void bodyOfGivenLengthEndsOnAnOpenConnection()
    {
        m_server->answer("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n41", Ending::KeepOpen);
        m_http->Proxy = QStringLiteral("127.0.0.1");
        m_http->ProxyPort = m_server->port();
        m_http->Get(QStringLiteral("http://127.0.0.1:1/v.txt"));
        QCOMPARE(m_http->Body, QByteArray("41"));
    }

    void noServerFailsToConnect()
    {
        const QString url = QStringLiteral("http://127.0.0.1:%1/v.txt").arg(closedPort());
        QCOMPARE(FailureOf([&] { m_http->Get(url); }), QStringLiteral("Connection Failed"));
        m_http->Proxy = QStringLiteral("127.0.0.1");
        m_http->ProxyPort = 0;
        QCOMPARE(FailureOf([&] { m_http->Get(m_server->url(QStringLiteral("/"))); }),
                 QStringLiteral("Connection Failed"));
        QCOMPARE(m_server->connections, 0);
    }

    // A server that never answers: the event loop keeps running (a timer fires), and
    // Disconnect() from inside it ends the fetch; the client works again afterwards.
    void disconnectEndsAWaitingGet()
    {
        m_server->answer(QByteArray(), Ending::Never);
        int ticks = 0;
        QTimer timer;
        timer.setInterval(5);
        connect(&timer, &QTimer::timeout, this, [&] {
            if (++ticks == 5)
                m_http->Disconnect();
        });
        timer.start();
        QVERIFY_THROWS_EXCEPTION(EFetchAborted,
                                 m_http->Get(m_server->url(QStringLiteral("/slow.txt"))));
        QCOMPARE(ticks, 5);
        QCOMPARE(m_server->requests.size(), 1);

        m_server->answer("HTTP/1.0 200 OK\r\n\r\nagain");
        m_http->Get(m_server->url(QStringLiteral("/v.txt")));
        QCOMPARE(m_http->Body, QByteArray("again"));
    }

    void timeOutEndsAWait()
    {
        m_server->answer(QByteArray(), Ending::Never);
        m_http->TimeOut = 20;
        QVERIFY_THROWS_EXCEPTION(ESocketError, m_http->Get(m_server->url(QStringLiteral("/"))));
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
