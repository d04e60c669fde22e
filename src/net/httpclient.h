#pragma once

#include "net/socketclient.h"

#include <QByteArray>
#include <QString>

class THttpResponse;

/// One HTTP/1.0 GET, directly or through a proxy, on the user-interface thread (see
/// TSocketClient for the waits and Disconnect()).
class THttpClient : public TSocketClient
{
public:
    /// Passes of one Get: the first request and the redirects or repeats after it.
    static constexpr int MaxPasses = 5;
    static constexpr qsizetype ChunkSize = qsizetype(64) * 1024;

    /// Fetches url, following redirects (300 to 302, with the cookie a redirect sets) and
    /// repeating on 299 and 303 to 399, for at most MaxPasses passes. Afterwards Header and
    /// Body hold the last response's header lines and body. A response with an error status
    /// (400 and above) ends it normally. Throws CalbreyError for a URL it cannot fetch
    /// ("Empty URL", "HTTP Secure Socket is not supported", a port that is not a number) and
    /// for a response it cannot use (no status, too long, a redirect without a target, too
    /// many passes), ESocketError and EFetchAborted as Connect() and the waits do.
    void Get(const QString &url);

    /// The status code of the last response.
    int StatusCode() const { return m_status; }

    QByteArray Header;
    QByteArray Body;

private:
    void parseUrl();
    QByteArray requestHeader(const QByteArray &cookie) const;
    void runPass(const QByteArray &request, THttpResponse &response);
    QString redirectTarget(const QByteArray &location) const;

    QString m_url;
    QString m_path;
    int m_status = 0;
};
