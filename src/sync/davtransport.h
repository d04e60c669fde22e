#pragma once

#include "sync/davoperation.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <memory>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;
class QSslError;

/// One HTTP request of an operation.
struct TDavRequest
{
    QByteArray verb;
    QUrl url;
    QByteArray body;
    /// "application/xml; charset=utf-8" for WebDAV bodies, the vCard type for cards.
    QByteArray contentType;
    /// WebDAV's Depth header; empty: none.
    QByteArray depth;
    QByteArray ifMatch;
    QByteArray ifNoneMatch;
    /// How many redirects (301, 302, 307, 308) to follow, with the same verb and body.
    int redirects = 0;
    /// The operation the request serves: once it has ended, the request is not sent, and its
    /// answer is dropped.
    std::shared_ptr<TDavOperation> owner;
};

/// The HTTP side of the client: a few requests in flight to the server, the rest queued; each
/// with a time-out and a cap on its answer's size; the password offered once per request; TLS
/// errors ignored only for the certificate the account trusts; the machine-wide proxy.
class TDavTransport : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const TDavReply &)>;

    static constexpr int MaxInFlight = 4;
    static constexpr int DefaultTimeoutMs = 30000;

    explicit TDavTransport(const TDavAccount &account, QObject *parent = nullptr);
    ~TDavTransport() override;

    /// Sends request once a slot is free; handler gets its answer from the event loop.
    void Send(TDavRequest request, Handler handler);
    /// Drops every queued request and aborts those in flight; their handlers are never called.
    void AbortAll();

    const TDavAccount &Account() const { return m_account; }
    void SetTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    void SetMaxResponseSize(qsizetype bytes) { m_maxResponseSize = bytes; }
    qsizetype MaxResponseSize() const { return m_maxResponseSize; }

    /// Why the proxy setting could not be read; empty when it could.
    const QString &SetupError() const { return m_setupError; }

private:
    struct Queued
    {
        TDavRequest request;
        Handler handler;
    };
    struct InFlight
    {
        Queued queued;
        QByteArray body;
        bool tooLarge = false;
        bool passwordOffered = false;
        QByteArray untrustedSha256;
    };

    TDavAccount m_account;
    QNetworkAccessManager *m_manager;
    QList<Queued> m_queue;
    QHash<QNetworkReply *, InFlight> m_inFlight;
    int m_timeoutMs = DefaultTimeoutMs;
    qsizetype m_maxResponseSize = DavMaxResponseSize;
    QString m_setupError;

    void pump();
    void start(Queued queued);
    void read(QNetworkReply *reply);
    void finished(QNetworkReply *reply);
    void authenticate(QNetworkReply *reply, QAuthenticator *authenticator);
    void checkCertificate(QNetworkReply *reply, const QList<QSslError> &errors);
    TDavReply replyOf(QNetworkReply *reply, const InFlight &state) const;
};
