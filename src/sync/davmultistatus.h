#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

/// The largest WebDAV answer the client reads (a full listing of 100,000 cards, or a batch of
/// cards with their photos, fits well within it).
constexpr qsizetype DavMaxResponseSize = 64 * 1024 * 1024;

/// One <response> of a multistatus: what the server said about one resource. Only properties
/// reported with a 2xx status are kept; a property the server has not (404) reads as absent.
struct TDavResponse
{
    /// The resource's path, in one spelling whatever the server's escaping (see DavHref).
    QString href;
    /// The status of the response as a whole (a card removed since a sync token: 404); 0 when
    /// it reports properties instead.
    int status = 0;
    QString etag;
    QString displayName;
    QString syncToken;
    bool isCollection = false;
    bool isAddressBook = false;
    bool hasAddressData = false;
    QByteArray addressData;
    QString principalHref;
    QStringList homeSetHrefs;

    bool operator==(const TDavResponse &) const = default;
};

struct TDavMultistatus
{
    QList<TDavResponse> responses;
    /// The token a sync-collection report ends with.
    QString syncToken;

    bool operator==(const TDavMultistatus &) const = default;
};

/// The outcome of reading a multistatus body.
struct TDavMultistatusRead
{
    enum class Outcome
    {
        Ok,
        Malformed,
        TooLarge,
    };
    Outcome outcome = Outcome::Ok;
    /// Why a malformed body could not be read (for the user's error message).
    QString error;
    TDavMultistatus value;

    bool Ok() const { return outcome == Outcome::Ok; }
};

/// Reads a WebDAV multistatus (RFC 4918, with the CardDAV and sync-collection properties).
/// Relative hrefs are resolved against base; a body larger than maxSize is not read.
TDavMultistatusRead ReadDavMultistatus(QByteArrayView body, const QUrl &base,
                                       qsizetype maxSize = DavMaxResponseSize);

/// The path of href (absolute or relative to base) in one spelling: decoded, without "." and
/// ".." segments, then encoded again with only unreserved characters and '/' left as they are,
/// so that "/a%40b.vcf", "/a@b.vcf" and "http://host/a%40b.vcf" are the same card.
QString DavHref(const QString &href, const QUrl &base);
