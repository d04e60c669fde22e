#include "sync/syncaddress.h"

#include <QHostAddress>
#include <QRegularExpression>

std::optional<QUrl> SyncServerUrl(const QString &typed)
{
    QString text = typed.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("https://"));
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QStringLiteral("https") && scheme != QStringLiteral("http")))
        return std::nullopt;
    return url;
}

bool SyncPasswordTravelsUnencrypted(const QUrl &url)
{
    if (url.scheme().compare(QStringLiteral("http"), Qt::CaseInsensitive) != 0)
        return false;
    const QString host = url.host();
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return false;
    const QHostAddress address(host);
    return address.isNull() || !address.isLoopback();
}

QString CertificateFingerprint(const QByteArray &sha256)
{
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

std::optional<QByteArray> ParseCertificateFingerprint(const QString &typed)
{
    static const QRegularExpression separators(QStringLiteral("[:\\s]"));
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{64}$"));
    const QString digits = QString(typed).remove(separators);
    if (!hex.match(digits).hasMatch())
        return std::nullopt;
    return QByteArray::fromHex(digits.toLatin1());
}
