#include "sync/davtransport.h"

#include "net/unit_proxy.h"
#include "platform/calbreyerror.h"
#include "sync/syncaddress.h"

#include <QAuthenticator>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>

namespace {
const QByteArray UserAgent = QByteArrayLiteral("Quenlark Calbrey");

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 307 || status == 308;
}
} // namespace

TDavTransport::TDavTransport(TDavAccount account, QObject *parent)
    : QObject(parent), m_account(std::move(account)), m_manager(new QNetworkAccessManager(this))
{
    // The same proxy as the update check's, read once for the client's life.
    QString server;
    int port = 0;
    try {
        ReadProxySettings(server, port);
    } catch (const CalbreyError &error) {
        m_setupError = error.message();
    }
    if (server.isEmpty())
        m_manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    else
        m_manager->setProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, server, static_cast<quint16>(port)));
    m_manager->setAutoDeleteReplies(false);
    connect(m_manager, &QNetworkAccessManager::authenticationRequired, this,
            &TDavTransport::authenticate);
    connect(m_manager, &QNetworkAccessManager::sslErrors, this, &TDavTransport::checkCertificate);
}

TDavTransport::~TDavTransport()
{
    AbortAll();
}

void TDavTransport::Send(TDavRequest request, Handler handler)
{
    m_queue.append({std::move(request), std::move(handler)});
    // Started from the event loop, so that no handler ever runs inside the call that sent it.
    QMetaObject::invokeMethod(this, &TDavTransport::pump, Qt::QueuedConnection);
}

void TDavTransport::AbortAll()
{
    m_queue.clear();
    const QList<QNetworkReply *> replies = m_inFlight.keys();
    m_inFlight.clear();
    for (QNetworkReply *reply : replies) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

void TDavTransport::pump()
{
    while (m_inFlight.size() < MaxInFlight && !m_queue.isEmpty()) {
        Queued next = m_queue.takeFirst();
        if (next.request.owner && next.request.owner->Finished())
            continue;
        start(std::move(next));
    }
}

void TDavTransport::start(Queued queued)
{
    const TDavRequest &request = queued.request;
    QNetworkRequest http(request.url);
    http.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    http.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                      QNetworkRequest::ManualRedirectPolicy);
    http.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    http.setTransferTimeout(m_timeoutMs);
    http.setRawHeader("User-Agent", UserAgent);
    if (!request.contentType.isEmpty())
        http.setRawHeader("Content-Type", request.contentType);
    if (!request.depth.isEmpty())
        http.setRawHeader("Depth", request.depth);
    if (!request.ifMatch.isEmpty())
        http.setRawHeader("If-Match", request.ifMatch);
    if (!request.ifNoneMatch.isEmpty())
        http.setRawHeader("If-None-Match", request.ifNoneMatch);
    QNetworkReply *reply = m_manager->sendCustomRequest(http, request.verb, request.body);
    m_inFlight.insert(reply, InFlight{std::move(queued), {}, false, false, {}});
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        const auto found = m_inFlight.find(reply);
        if (found != m_inFlight.end() && length.isValid() &&
            length.toLongLong() > m_maxResponseSize) {
            found->tooLarge = true;
            // Not from inside the reply's own signal: it would end the reply twice.
            QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { read(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
}

void TDavTransport::read(QNetworkReply *reply)
{
    const auto found = m_inFlight.find(reply);
    if (found == m_inFlight.end() || found->tooLarge || !reply->isOpen())
        return;
    if (found->body.size() + reply->bytesAvailable() > m_maxResponseSize) {
        found->tooLarge = true;
        reply->abort(); // finishes the reply at once: found is not used after this
        return;
    }
    found->body += reply->readAll();
}

void TDavTransport::finished(QNetworkReply *reply)
{
    read(reply);
    const auto found = m_inFlight.find(reply);
    if (found == m_inFlight.end())
        return;
    InFlight state = std::move(*found);
    m_inFlight.erase(found);
    reply->deleteLater();
    TDavReply answer = replyOf(reply, state);
    Queued &queued = state.queued;
    const QUrl location = reply->url().resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
    // Never from an encrypted connection to a plain one: the password would follow.
    const bool downgrade = reply->url().scheme() == QLatin1String("https") &&
                           location.scheme() != QLatin1String("https");
    if (answer.status == TDavStatus::Ok && isRedirect(answer.httpStatus) &&
        queued.request.redirects > 0 && location.isValid() && !downgrade &&
        location != reply->url()) {
        queued.request.url = location;
        --queued.request.redirects;
        m_queue.prepend(std::move(queued));
    } else if (!queued.request.owner || !queued.request.owner->Finished()) {
        queued.handler(answer);
    }
    pump();
}

TDavReply TDavTransport::replyOf(QNetworkReply *reply, const InFlight &state) const
{
    TDavReply answer;
    answer.url = reply->url();
    if (state.tooLarge) {
        answer.status = TDavStatus::TooLarge;
        answer.message = DavTooLargeMessage(m_maxResponseSize);
        return answer;
    }
    if (!state.untrustedSha256.isNull() && reply->error() != QNetworkReply::NoError) {
        answer.status = TDavStatus::UntrustedCertificate;
        answer.certificateSha256 = state.untrustedSha256;
        answer.message =
            state.untrustedSha256.isEmpty()
                ? QStringLiteral("The server's certificate is not trusted.")
                : QStringLiteral("The server's certificate is not trusted (SHA-256 %1).")
                      .arg(CertificateFingerprint(state.untrustedSha256));
        return answer;
    }
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
        answer.status = TDavStatus::Timeout;
        answer.message = QStringLiteral("The server did not answer within %1 seconds.")
                             .arg(qMax(1, m_timeoutMs / 1000));
        return answer;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() <= 0) {
        answer.status = TDavStatus::NetworkError;
        answer.message =
            QStringLiteral("The server at %1 cannot be reached: %2.")
                .arg(reply->url().toDisplayString(QUrl::RemoveUserInfo | QUrl::RemovePath),
                     reply->errorString());
        return answer;
    }
    answer.httpStatus = status.toInt();
    answer.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    answer.body = state.body;
    answer.etag = QString::fromLatin1(reply->rawHeader("ETag"));
    return answer;
}

void TDavTransport::authenticate(QNetworkReply *reply, QAuthenticator *authenticator)
{
    // Offered once: a second challenge means the server refused them, and the request ends
    // with its 401.
    const auto found = m_inFlight.find(reply);
    if (found == m_inFlight.end() || found->passwordOffered)
        return;
    found->passwordOffered = true;
    authenticator->setUser(m_account.user);
    authenticator->setPassword(m_account.password);
}

void TDavTransport::checkCertificate(QNetworkReply *reply, const QList<QSslError> &errors)
{
    const auto found = m_inFlight.find(reply);
    if (found == m_inFlight.end())
        return;
    QSslCertificate certificate = reply->sslConfiguration().peerCertificate();
    for (const QSslError &error : errors)
        if (certificate.isNull())
            certificate = error.certificate();
    const QByteArray sha256 =
        certificate.isNull() ? QByteArray("") : certificate.digest(QCryptographicHash::Sha256);
    if (!sha256.isEmpty() && sha256 == m_account.trustedCertificateSha256)
        reply->ignoreSslErrors(errors);
    else
        found->untrustedSha256 = sha256;
}
