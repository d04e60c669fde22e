#include "davserver.h"

#include "sync/davmultistatus.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>

namespace {
const QString RadicaleProgram = QStringLiteral("/usr/bin/radicale");
const QString XandikosProgram = QStringLiteral("/usr/bin/xandikos");
// How long a server may take to answer after its start (Python programs start slowly on a
// busy machine).
constexpr int StartMs = 20000;
constexpr int StopMs = 5000;

const QByteArray BookBody =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<d:mkcol xmlns:d=\"DAV:\" xmlns:card=\"urn:ietf:params:xml:ns:carddav\"><d:set><d:prop>"
    "<d:resourcetype><d:collection/><card:addressbook/></d:resourcetype>"
    "<d:displayname>Contacts</d:displayname></d:prop></d:set></d:mkcol>";

const QByteArray CardsBody = "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
                             "<d:getetag/></d:prop></d:propfind>";

quint16 freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}
} // namespace

DavServer::DavServer(Kind kind, bool tls) : m_kind(kind), m_tls(tls)
{
    m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("server.log")));
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("server.log")), QIODevice::Append);
}

DavServer::~DavServer()
{
    stop();
}

bool DavServer::Installed(Kind kind)
{
    return QFileInfo(kind == Kind::Radicale ? RadicaleProgram : XandikosProgram).isExecutable();
}

QString DavServer::Name(Kind kind)
{
    return kind == Kind::Radicale ? QStringLiteral("Radicale") : QStringLiteral("Xandikos");
}

QUrl DavServer::root() const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2/")
                    .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(m_port));
}

QUrl DavServer::book() const
{
    return root().resolved(QUrl(m_kind == Kind::Radicale
                                    ? QStringLiteral("/alice/contacts/")
                                    : QStringLiteral("/user/contacts/addressbook/")));
}

QStringList DavServer::arguments() const
{
    const QString port = QString::number(m_port);
    if (m_kind == Kind::Xandikos)
        return {QStringLiteral("-d"),
                m_dir.filePath(QStringLiteral("data")),
                QStringLiteral("--defaults"),
                QStringLiteral("-l"),
                QStringLiteral("127.0.0.1"),
                QStringLiteral("-p"),
                port};
    QStringList args = {QStringLiteral("--config"),
                        QString(),
                        QStringLiteral("--server-hosts"),
                        QStringLiteral("127.0.0.1:") + port,
                        QStringLiteral("--auth-type"),
                        QStringLiteral("htpasswd"),
                        QStringLiteral("--auth-htpasswd-filename"),
                        m_dir.filePath(QStringLiteral("users")),
                        QStringLiteral("--auth-htpasswd-encryption"),
                        QStringLiteral("plain"),
                        QStringLiteral("--storage-filesystem-folder"),
                        m_dir.filePath(QStringLiteral("data")),
                        QStringLiteral("--rights-type"),
                        QStringLiteral("owner_only")};
    if (m_tls)
        args += {QStringLiteral("--ssl"), QStringLiteral("--certificate"),
                 m_dir.filePath(QStringLiteral("cert.pem")), QStringLiteral("--key"),
                 m_dir.filePath(QStringLiteral("key.pem"))};
    return args;
}

bool DavServer::makeCertificate()
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   m_dir.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
                   m_dir.filePath(QStringLiteral("cert.pem")), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        m_error = QStringLiteral("openssl made no certificate: ") +
                  QString::fromLocal8Bit(openssl.readAllStandardError());
        return false;
    }
    QFile file(m_dir.filePath(QStringLiteral("cert.pem")));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(file.readAll());
    if (certificates.isEmpty())
        return false;
    m_certificateSha256 = certificates.first().digest(QCryptographicHash::Sha256);
    return true;
}

bool DavServer::start()
{
    if (running())
        return true;
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    if (m_port == 0) {
        m_port = freePort();
        QFile users(m_dir.filePath(QStringLiteral("users")));
        if (!users.open(QIODevice::WriteOnly) ||
            users.write((user() + QLatin1Char(':') + password() + QLatin1Char('\n')).toUtf8()) < 0)
            return false;
        users.close();
        if (m_tls && !makeCertificate())
            return false;
    }
    m_process.start(m_kind == Kind::Radicale ? RadicaleProgram : XandikosProgram, arguments());
    if (!m_process.waitForStarted(StartMs)) {
        m_error = m_process.errorString();
        return false;
    }
    if (!waitUntilAnswering())
        return false;
    if (m_kind == Kind::Radicale && !m_bookMade) {
        const int status = request("MKCOL", book().path(), BookBody,
                                   {{"Content-Type", "application/xml; charset=utf-8"}});
        if (status != 201) {
            m_error = QStringLiteral("the address book was not made (%1)").arg(status);
            return false;
        }
    }
    m_bookMade = true;
    return true;
}

bool DavServer::waitUntilAnswering()
{
    const QDeadlineTimer deadline(StartMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning)
            break;
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    QFile log(m_dir.filePath(QStringLiteral("server.log")));
    m_error = Name(m_kind) + QStringLiteral(" does not answer on port ") + QString::number(m_port) +
              QStringLiteral(": ") +
              (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll().right(2000))
                                             : QString());
    stop();
    return false;
}

void DavServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(StopMs)) {
        m_process.kill();
        m_process.waitForFinished(StopMs);
    }
}

int DavServer::request(const QByteArray &verb, const QString &path, const QByteArray &body,
                       const QList<std::pair<QByteArray, QByteArray>> &headers, QString *etag,
                       QByteArray *answer, int silentMs) const
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QNetworkRequest http(root().resolved(QUrl(path)));
    http.setTransferTimeout(silentMs);
    http.setRawHeader("Authorization",
                      "Basic " + (user() + QLatin1Char(':') + password()).toUtf8().toBase64());
    for (const auto &[name, value] : headers)
        http.setRawHeader(name, value);
    QNetworkReply *reply = manager.sendCustomRequest(http, verb, body);
    QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                     [reply](const QList<QSslError> &errors) { reply->ignoreSslErrors(errors); });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (etag)
        *etag = QString::fromLatin1(reply->rawHeader("ETag"));
    if (answer)
        *answer = reply->readAll();
    delete reply;
    return status;
}

QString DavServer::put(const QString &href, const QByteArray &vcard) const
{
    QString etag;
    const int status =
        request("PUT", href, vcard, {{"Content-Type", "text/vcard; charset=utf-8"}}, &etag);
    return status >= 200 && status < 300 ? etag : QString();
}

bool DavServer::remove(const QString &href) const
{
    const int status = request("DELETE", href);
    return status >= 200 && status < 300;
}

QByteArray DavServer::get(const QString &href) const
{
    QByteArray card;
    return request("GET", href, {}, {}, nullptr, &card) == 200 ? card : QByteArray();
}

QStringList DavServer::cards() const
{
    QByteArray answer;
    request("PROPFIND", book().path(), CardsBody,
            {{"Depth", "1"}, {"Content-Type", "application/xml"}}, nullptr, &answer);
    QStringList hrefs;
    for (const TDavResponse &response : ReadDavMultistatus(answer, book()).value.responses)
        if (!response.etag.isEmpty() && !response.href.endsWith(QLatin1Char('/')))
            hrefs.append(response.href);
    hrefs.sort();
    return hrefs;
}

bool DavServer::removeAllCards() const
{
    const QStringList hrefs = cards();
    return std::all_of(hrefs.begin(), hrefs.end(),
                       [this](const QString &href) { return remove(href); });
}

bool DavServer::seed(const QList<std::pair<QString, QByteArray>> &cards)
{
    if (m_kind != Kind::Radicale || !m_bookMade) {
        m_error = QStringLiteral("only a started Radicale's book can be seeded");
        return false;
    }
    stop();
    const QString folder =
        m_dir.filePath(QStringLiteral("data/collection-root") + book().path()) + u'/';
    for (const auto &[name, vcard] : cards) {
        QFile file(folder + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(vcard) != vcard.size()) {
            m_error = QStringLiteral("cannot write ") + file.fileName();
            return false;
        }
    }
    if (!start())
        return false;
    // Radicale reads each card into its cache first, saying nothing meanwhile.
    QByteArray answer;
    const int status = request("PROPFIND", book().path(), CardsBody,
                               {{"Depth", "1"}, {"Content-Type", "application/xml"}}, nullptr,
                               &answer, 30 * 60 * 1000);
    const qsizetype listed = ReadDavMultistatus(answer, book()).value.responses.size();
    if (status != 207 || listed <= cards.size()) { // the book itself is listed too
        m_error = QStringLiteral("the seeded book cannot be read (%1, %2 listed)")
                      .arg(status)
                      .arg(listed);
        return false;
    }
    return true;
}
