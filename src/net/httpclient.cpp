#include "net/httpclient.h"

#include "net/httpresponse.h"

#include <algorithm>

namespace {
constexpr qsizetype MaxPathLength = 256;
constexpr int HighestPort = 65535;

// The position of the nth "/" of text (from 1), or -1.
qsizetype nthSlash(const QString &text, int n)
{
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = text.indexOf(QLatin1Char('/'), at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

// A control character would end a request line early and let the rest pose as more lines.
bool holdsControlCharacters(QByteArrayView text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7f;
    });
}

[[noreturn]] void invalidResponse()
{
    throw CalbreyError(QStringLiteral("Invalid Response"));
}
} // namespace

void THttpClient::parseUrl()
{
    if (m_url.isEmpty())
        throw CalbreyError(QStringLiteral("Empty URL"));
    if (holdsControlCharacters(m_url.toLatin1()))
        throw CalbreyError(QStringLiteral("Invalid URL"));
    if (Port == 0)
        Port = 80;

    const bool hasAuthority = m_url.contains(QLatin1String("//"));
    const qsizetype firstSlash = m_url.indexOf(QLatin1Char('/'));
    const qsizetype pathStart = hasAuthority ? nthSlash(m_url, 3) : firstSlash;
    m_path = pathStart >= 0 ? m_url.mid(pathStart, MaxPathLength) : QString();

    if (const qsizetype colon = m_url.indexOf(QLatin1Char(':')); colon >= 0) {
        const QString scheme = m_url.left(colon).toLower();
        if (scheme == QLatin1String("https"))
            throw CalbreyError(QStringLiteral("HTTP Secure Socket is not supported"));
        Port = scheme == QLatin1String("gopher") ? 70 : scheme == QLatin1String("ftp") ? 21 : 80;
    }

    QString host;
    if (hasAuthority) {
        const qsizetype second = nthSlash(m_url, 2);
        host = m_url.mid(second + 1, pathStart < 0 ? -1 : pathStart - second - 1);
    } else if (!m_url.startsWith(QLatin1Char('/'))) {
        host = m_url.left(firstSlash);
    }
    if (const qsizetype colon = host.indexOf(QLatin1Char(':')); colon >= 0) {
        const QString portText = host.mid(colon + 1);
        bool ok = !portText.isEmpty() && std::all_of(portText.cbegin(), portText.cend(),
                                                     [](QChar c) { return c.isDigit(); });
        const int port = ok ? portText.toInt(&ok) : 0;
        if (!ok || port > HighestPort)
            throw CalbreyError(QStringLiteral("Invalid port number: ") + portText);
        Port = port;
        host.truncate(colon);
    }
    if (!host.isEmpty())
        Host = host;

    if (m_path.isEmpty()) {
        m_path = QStringLiteral("/");
        m_url += QLatin1Char('/');
    }
}

QByteArray THttpClient::requestHeader(const QByteArray &cookie) const
{
    const bool viaProxy = !Proxy.isEmpty();
    QByteArray header = "GET " + (viaProxy ? m_url : m_path).toLatin1() + " HTTP/1.0\r\n";
    if (viaProxy)
        header += "Proxy-Connection: Keep-Alive\r\n";
    header += "Host: " + Host.toLatin1() + "\r\n";
    header += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
    if (!cookie.isEmpty())
        header += "Cookie: " + cookie + "\r\n";
    header += "Content-type: application/x-www-form-urlencoded\r\n"
              "\r\n";
    return header;
}

void THttpClient::runPass(const QByteArray &request, THttpResponse &response)
{
    try {
        Connect();
        SendBytes(request);
        while (!response.Complete()) {
            const QByteArray chunk = Receive(ChunkSize);
            if (chunk.isEmpty())
                response.Finish();
            else
                response.Feed(chunk);
        }
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

QString THttpClient::redirectTarget(const QByteArray &location) const
{
    if (location.isEmpty())
        throw CalbreyError(QStringLiteral("Redirect Without Location"));
    QString target = QString::fromLatin1(location);
    // A target on the same server keeps the port the server was reached on.
    const QString server = QStringLiteral("http://") + Host +
                           (Port == 80 ? QString() : QLatin1Char(':') + QString::number(Port));
    if (!target.contains(QLatin1Char('/')))
        return server + QLatin1Char('/') + target;
    if (target.startsWith(QLatin1Char('/')) && !target.startsWith(QLatin1String("//")))
        return server + target;
    return target;
}

void THttpClient::Get(const QString &url)
{
    BeginTransaction();
    Header.clear();
    Body.clear();
    m_status = 0;
    m_url = url;
    QByteArray cookie;
    for (int pass = 1;; ++pass) {
        parseUrl();
        THttpResponse response;
        runPass(requestHeader(cookie), response);
        Header = response.Header;
        Body = response.Body;
        m_status = response.StatusCode;
        if (m_status < 100 || m_status > 999)
            invalidResponse();
        if (m_status < 299 || m_status >= 400)
            return;
        if (pass == MaxPasses)
            throw CalbreyError(QStringLiteral("Too Many Passes"));
        cookie = m_status >= 300 && m_status <= 398 ? response.Cookie : QByteArray();
        if (holdsControlCharacters(cookie))
            invalidResponse();
        if (m_status >= 300 && m_status <= 302)
            m_url = redirectTarget(response.Location);
    }
}
