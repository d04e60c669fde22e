#include "sync/davrequests.h"

#include <QXmlStreamWriter>

namespace {
const QString Dav = QStringLiteral("DAV:");
const QString CardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

// A document with both namespaces declared on its root.
class Body
{
public:
    Body(const QString &ns, const QString &root) : m_xml(&m_bytes)
    {
        m_xml.writeStartDocument();
        m_xml.writeNamespace(Dav, QStringLiteral("d"));
        m_xml.writeNamespace(CardDav, QStringLiteral("card"));
        m_xml.writeStartElement(ns, root);
    }
    QXmlStreamWriter &xml() { return m_xml; }
    QByteArray finish()
    {
        m_xml.writeEndDocument();
        return m_bytes;
    }

    void writeProp(const QList<TDavProperty> &properties)
    {
        m_xml.writeStartElement(Dav, QStringLiteral("prop"));
        for (const TDavProperty property : properties)
            writeProperty(property);
        m_xml.writeEndElement();
    }

private:
    QByteArray m_bytes;
    QXmlStreamWriter m_xml;

    void writeProperty(TDavProperty property)
    {
        switch (property) {
        case TDavProperty::ResourceType:
            m_xml.writeEmptyElement(Dav, QStringLiteral("resourcetype"));
            break;
        case TDavProperty::DisplayName:
            m_xml.writeEmptyElement(Dav, QStringLiteral("displayname"));
            break;
        case TDavProperty::CurrentUserPrincipal:
            m_xml.writeEmptyElement(Dav, QStringLiteral("current-user-principal"));
            break;
        case TDavProperty::AddressBookHomeSet:
            m_xml.writeEmptyElement(CardDav, QStringLiteral("addressbook-home-set"));
            break;
        case TDavProperty::ETag:
            m_xml.writeEmptyElement(Dav, QStringLiteral("getetag"));
            break;
        case TDavProperty::SyncToken:
            m_xml.writeEmptyElement(Dav, QStringLiteral("sync-token"));
            break;
        case TDavProperty::AddressData:
            m_xml.writeEmptyElement(CardDav, QStringLiteral("address-data"));
            break;
        }
    }
};
} // namespace

QByteArray DavPropfindBody(const QList<TDavProperty> &properties)
{
    Body body(Dav, QStringLiteral("propfind"));
    body.writeProp(properties);
    return body.finish();
}

QByteArray DavSyncCollectionBody(const QString &token, bool withCards)
{
    Body body(Dav, QStringLiteral("sync-collection"));
    body.xml().writeTextElement(Dav, QStringLiteral("sync-token"), token);
    body.xml().writeTextElement(Dav, QStringLiteral("sync-level"), QStringLiteral("1"));
    if (withCards)
        body.writeProp({TDavProperty::ETag, TDavProperty::AddressData});
    else
        body.writeProp({TDavProperty::ETag});
    return body.finish();
}

QByteArray DavMultigetBody(const QStringList &hrefs)
{
    Body body(CardDav, QStringLiteral("addressbook-multiget"));
    body.writeProp({TDavProperty::ETag, TDavProperty::AddressData});
    for (const QString &href : hrefs)
        body.xml().writeTextElement(Dav, QStringLiteral("href"), href);
    return body.finish();
}
