// Feeds arbitrary bytes to the WebDAV multistatus reader and checks that it keeps its cap, that
// every href it gives is in its one spelling, and that what it read, written out again as a
// multistatus, reads back the same.
#include "sync/davmultistatus.h"

#include <QXmlStreamWriter>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QUrl Base(QStringLiteral("http://dav.example.com/u/book/"));
const QString Dav = QStringLiteral("DAV:");
const QString CardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_davmultistatus: %s\n", what);
        std::abort();
    }
}

// Text XML can carry: no control characters but blanks, nothing outside Unicode.
bool writable(const QString &text)
{
    for (const QChar c : text)
        if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') ||
            c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            return false;
    return true;
}

bool writable(const TDavMultistatus &multistatus)
{
    bool ok = writable(multistatus.syncToken);
    for (const TDavResponse &r : multistatus.responses)
        ok = ok && writable(r.etag) && writable(r.displayName) && writable(r.syncToken) &&
             writable(QString::fromUtf8(r.addressData)) &&
             QString::fromUtf8(r.addressData).toUtf8() == r.addressData;
    return ok;
}

// A text element whose carriage returns survive: the writer leaves them bare, and a reader
// turns a bare one into a line feed.
void writeText(QXmlStreamWriter &xml, const QString &ns, const QString &name, const QString &text)
{
    xml.writeStartElement(ns, name);
    const QStringList pieces = text.split(QLatin1Char('\r'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            xml.writeEntityReference(QStringLiteral("#13"));
        xml.writeCharacters(pieces[i]);
    }
    xml.writeEndElement();
}

void writeProperties(QXmlStreamWriter &xml, const TDavResponse &r)
{
    if (!r.etag.isEmpty())
        writeText(xml, Dav, QStringLiteral("getetag"), r.etag);
    if (!r.displayName.isEmpty())
        writeText(xml, Dav, QStringLiteral("displayname"), r.displayName);
    if (!r.syncToken.isEmpty())
        writeText(xml, Dav, QStringLiteral("sync-token"), r.syncToken);
    xml.writeStartElement(Dav, QStringLiteral("resourcetype"));
    if (r.isCollection)
        xml.writeEmptyElement(Dav, QStringLiteral("collection"));
    if (r.isAddressBook)
        xml.writeEmptyElement(CardDav, QStringLiteral("addressbook"));
    xml.writeEndElement();
    if (r.hasAddressData)
        writeText(xml, CardDav, QStringLiteral("address-data"), QString::fromUtf8(r.addressData));
    if (!r.principalHref.isEmpty()) {
        xml.writeStartElement(Dav, QStringLiteral("current-user-principal"));
        writeText(xml, Dav, QStringLiteral("href"), r.principalHref);
        xml.writeEndElement();
    }
    if (!r.homeSetHrefs.isEmpty()) {
        xml.writeStartElement(CardDav, QStringLiteral("addressbook-home-set"));
        for (const QString &home : r.homeSetHrefs)
            writeText(xml, Dav, QStringLiteral("href"), home);
        xml.writeEndElement();
    }
}

QByteArray written(const TDavMultistatus &multistatus)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(Dav, QStringLiteral("d"));
    xml.writeNamespace(CardDav, QStringLiteral("c"));
    xml.writeStartElement(Dav, QStringLiteral("multistatus"));
    for (const TDavResponse &r : multistatus.responses) {
        xml.writeStartElement(Dav, QStringLiteral("response"));
        writeText(xml, Dav, QStringLiteral("href"), r.href);
        if (r.status != 0)
            writeText(xml, Dav, QStringLiteral("status"),
                      QStringLiteral("HTTP/1.1 %1 X").arg(r.status));
        xml.writeStartElement(Dav, QStringLiteral("propstat"));
        xml.writeStartElement(Dav, QStringLiteral("prop"));
        writeProperties(xml, r);
        xml.writeEndElement();
        writeText(xml, Dav, QStringLiteral("status"), QStringLiteral("HTTP/1.1 200 OK"));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    if (!multistatus.syncToken.isEmpty())
        writeText(xml, Dav, QStringLiteral("sync-token"), multistatus.syncToken);
    xml.writeEndDocument();
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const TDavMultistatusRead read = ReadDavMultistatus(bytes, Base);
    check(read.outcome != TDavMultistatusRead::Outcome::TooLarge, "a small body too large");
    if (!bytes.isEmpty()) {
        const TDavMultistatusRead capped = ReadDavMultistatus(bytes, Base, bytes.size() - 1);
        check(capped.outcome == TDavMultistatusRead::Outcome::TooLarge, "the cap not kept");
        const TDavMultistatusRead atCap = ReadDavMultistatus(bytes, Base, bytes.size());
        check(atCap.outcome == read.outcome && atCap.value == read.value,
              "a body at the cap read differently");
    }
    if (!read.Ok()) {
        check(!read.error.isEmpty(), "a malformed body without a reason");
        check(read.value == TDavMultistatus(), "a malformed body gave responses");
        return 0;
    }
    for (const TDavResponse &r : read.value.responses) {
        check(r.href.startsWith(QLatin1Char('/')), "an href that is no path");
        check(DavHref(r.href, Base) == r.href, "an href not in its one spelling");
        check(r.principalHref.isEmpty() || DavHref(r.principalHref, Base) == r.principalHref,
              "a principal not in its one spelling");
    }
    if (!writable(read.value))
        return 0;
    const TDavMultistatusRead again = ReadDavMultistatus(written(read.value), Base);
    check(again.Ok(), "what was read, written out, does not read");
    check(again.value == read.value, "what was read, written out, reads differently");
    return 0;
}
