#include "sync/davmultistatus.h"

#include <QXmlStreamReader>

namespace {
const QString Dav = QStringLiteral("DAV:");
const QString CardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

// Thrown inside the reader for a body that is XML but no multistatus.
struct NotMultistatus
{
    QString why;
};

bool is(const QXmlStreamReader &xml, const QString &ns, QLatin1StringView name)
{
    return xml.namespaceUri() == ns && xml.name() == name;
}

// "HTTP/1.1 404 Not Found" -> 404; 0 for anything else.
int statusCode(const QString &line)
{
    const QStringList parts = line.simplified().split(QLatin1Char(' '));
    return parts.size() >= 2 ? parts[1].toInt() : 0;
}

// An absolute path without "." and ".." segments (also those that were escaped, and so
// survived the URL's own resolution), starting with a single '/'.
QString withoutDotSegments(const QString &path)
{
    const QStringList segments =
        (path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path)
            .split(QLatin1Char('/'));
    QStringList kept = {QString()};
    for (qsizetype i = 1; i < segments.size(); ++i) {
        const QString &segment = segments[i];
        const bool dots = segment == QLatin1String(".") || segment == QLatin1String("..");
        if (!dots)
            kept.append(segment);
        else if (segment == QLatin1String("..") && kept.size() > 1)
            kept.removeLast();
        if (dots && i == segments.size() - 1)
            kept.append(QString()); // "/a/b/.." is the folder "/a/"
    }
    QString clean = kept.size() == 1 ? QStringLiteral("/") : kept.join(QLatin1Char('/'));
    // "//x" would read as the host x when the path is used as a URL again.
    while (clean.startsWith(QLatin1String("//")))
        clean.remove(0, 1);
    return clean;
}

bool success(int status)
{
    return status == 0 || (status >= 200 && status < 300);
}

class Reader
{
public:
    Reader(QByteArrayView body, const QUrl &base) : m_xml(body.toByteArray()), m_base(base) {}

    TDavMultistatus read()
    {
        if (!m_xml.readNextStartElement() && !m_xml.hasError())
            throw NotMultistatus{QStringLiteral("the answer is empty")};
        if (!m_xml.hasError() && !is(m_xml, Dav, QLatin1StringView("multistatus")))
            throw NotMultistatus{QStringLiteral("the answer is no multistatus")};
        TDavMultistatus result;
        while (m_xml.readNextStartElement()) {
            if (is(m_xml, Dav, QLatin1StringView("response")))
                readResponse(result.responses);
            else if (is(m_xml, Dav, QLatin1StringView("sync-token")))
                result.syncToken = text();
            else
                m_xml.skipCurrentElement();
        }
        // Nothing may follow the root element but comments and blanks.
        while (!m_xml.atEnd() && !m_xml.hasError())
            m_xml.readNext();
        return result;
    }

    bool failed() const { return m_xml.hasError(); }
    QString error() const
    {
        return m_xml.errorString() + QStringLiteral(" (line ") +
               QString::number(m_xml.lineNumber()) + QLatin1Char(')');
    }

private:
    QXmlStreamReader m_xml;
    QUrl m_base;

    QString text() { return m_xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed(); }

    // An element holding one or more <href>s.
    QStringList hrefs()
    {
        QStringList found;
        while (m_xml.readNextStartElement()) {
            if (is(m_xml, Dav, QLatin1StringView("href")))
                found.append(DavHref(text(), m_base));
            else
                m_xml.skipCurrentElement();
        }
        return found;
    }

    void readResponse(QList<TDavResponse> &into)
    {
        QStringList names;
        TDavResponse response;
        while (m_xml.readNextStartElement()) {
            if (is(m_xml, Dav, QLatin1StringView("href")))
                names.append(DavHref(text(), m_base));
            else if (is(m_xml, Dav, QLatin1StringView("status")))
                response.status = statusCode(text());
            else if (is(m_xml, Dav, QLatin1StringView("propstat")))
                readPropstat(response);
            else
                m_xml.skipCurrentElement();
        }
        // A response with a status alone may name several resources.
        for (const QString &name : std::as_const(names)) {
            response.href = name;
            into.append(response);
        }
    }

    // The properties of a propstat count only when its status is a success; the status may
    // come before or after them.
    void readPropstat(TDavResponse &response)
    {
        TDavResponse found;
        int status = 0;
        while (m_xml.readNextStartElement()) {
            if (is(m_xml, Dav, QLatin1StringView("prop")))
                readProp(found);
            else if (is(m_xml, Dav, QLatin1StringView("status")))
                status = statusCode(text());
            else
                m_xml.skipCurrentElement();
        }
        if (success(status))
            merge(response, found);
    }

    static void merge(TDavResponse &into, const TDavResponse &found)
    {
        if (!found.etag.isEmpty())
            into.etag = found.etag;
        if (!found.displayName.isEmpty())
            into.displayName = found.displayName;
        if (!found.syncToken.isEmpty())
            into.syncToken = found.syncToken;
        into.isCollection = into.isCollection || found.isCollection;
        into.isAddressBook = into.isAddressBook || found.isAddressBook;
        if (found.hasAddressData) {
            into.hasAddressData = true;
            into.addressData = found.addressData;
        }
        if (!found.principalHref.isEmpty())
            into.principalHref = found.principalHref;
        into.homeSetHrefs += found.homeSetHrefs;
    }

    void readProp(TDavResponse &found)
    {
        while (m_xml.readNextStartElement()) {
            if (is(m_xml, Dav, QLatin1StringView("getetag"))) {
                found.etag = text();
            } else if (is(m_xml, Dav, QLatin1StringView("displayname"))) {
                found.displayName = text();
            } else if (is(m_xml, Dav, QLatin1StringView("sync-token"))) {
                found.syncToken = text();
            } else if (is(m_xml, Dav, QLatin1StringView("resourcetype"))) {
                readResourceType(found);
            } else if (is(m_xml, CardDav, QLatin1StringView("address-data"))) {
                found.hasAddressData = true;
                found.addressData =
                    m_xml.readElementText(QXmlStreamReader::SkipChildElements).toUtf8();
            } else if (is(m_xml, Dav, QLatin1StringView("current-user-principal"))) {
                const QStringList principal = hrefs();
                if (!principal.isEmpty())
                    found.principalHref = principal.first();
            } else if (is(m_xml, CardDav, QLatin1StringView("addressbook-home-set"))) {
                found.homeSetHrefs = hrefs();
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    void readResourceType(TDavResponse &found)
    {
        while (m_xml.readNextStartElement()) {
            if (is(m_xml, Dav, QLatin1StringView("collection")))
                found.isCollection = true;
            else if (is(m_xml, CardDav, QLatin1StringView("addressbook")))
                found.isAddressBook = true;
            m_xml.skipCurrentElement();
        }
    }
};
} // namespace

TDavMultistatusRead ReadDavMultistatus(QByteArrayView body, const QUrl &base, qsizetype maxSize)
{
    TDavMultistatusRead result;
    if (body.size() > maxSize) {
        result.outcome = TDavMultistatusRead::Outcome::TooLarge;
        return result;
    }
    Reader reader(body, base);
    try {
        result.value = reader.read();
    } catch (const NotMultistatus &error) {
        result.outcome = TDavMultistatusRead::Outcome::Malformed;
        result.error = error.why;
        result.value = {};
        return result;
    }
    if (reader.failed()) {
        result.outcome = TDavMultistatusRead::Outcome::Malformed;
        result.error = reader.error();
        result.value = {};
    }
    return result;
}

QString DavHref(const QString &href, const QUrl &base)
{
    const QUrl url = base.resolved(QUrl(href.trimmed()));
    const QString path = withoutDotSegments(url.path(QUrl::FullyDecoded));
    return QString::fromLatin1(QUrl::toPercentEncoding(path, QByteArrayLiteral("/")));
}
