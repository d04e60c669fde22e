#include "sync/davlisting.h"

#include "sync/davrequests.h"

namespace {
const QByteArray XmlType = QByteArrayLiteral("application/xml; charset=utf-8");
// A server that keeps truncating its sync-collection answer (507) is asked this often.
constexpr int MaxTruncatedRounds = 1000;

QString withoutSlash(QString path)
{
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

TDavRequest xmlRequest(const QByteArray &verb, const QUrl &url, const QByteArray &depth,
                       QByteArray body, std::shared_ptr<TDavOperation> owner)
{
    TDavRequest request;
    request.verb = verb;
    request.url = url;
    request.depth = depth;
    request.contentType = XmlType;
    request.body = std::move(body);
    request.owner = std::move(owner);
    return request;
}

// Any answer to sync-collection but changes (or a refused password) leads to the full
// listing: the server has no sync-collection, or refuses the token (403 valid-sync-token, 400
// from older servers, 500 from some). A full listing is right whatever the token was; a
// server that cannot give one either says why then.
bool refusesSyncCollection(const TDavReply &reply)
{
    return reply.status == TDavStatus::Ok && reply.httpStatus != 207 && reply.httpStatus != 401;
}

class Listing : public std::enable_shared_from_this<Listing>
{
public:
    Listing(TDavTransport &transport, const QUrl &book,
            std::shared_ptr<TDavPending<TDavListing>> operation)
        : m_transport(transport), m_book(book),
          m_bookPath(withoutSlash(DavHref(book.toString(), book))),
          m_operation(std::move(operation))
    {}

    void start(const QString &token)
    {
        // Without a token, the server's first answer holds every card.
        m_listing.full = token.isEmpty();
        syncCollection(token);
    }

private:
    TDavTransport &m_transport;
    QUrl m_book;
    QString m_bookPath;
    std::shared_ptr<TDavPending<TDavListing>> m_operation;
    TDavListing m_listing;
    int m_rounds = 0;
    // The cards are asked for with the changes until an answer with them is too large.
    bool m_withCards = true;
    QString m_token;

    void syncCollection(const QString &token)
    {
        m_token = token;
        m_transport.Send(
            xmlRequest("REPORT", m_book, "0", DavSyncCollectionBody(token, m_withCards),
                       m_operation),
            [self = shared_from_this()](const TDavReply &reply) { self->changesRead(reply); });
    }

    void changesRead(const TDavReply &reply)
    {
        if (refusesSyncCollection(reply)) {
            everyCard();
            return;
        }
        if (reply.status == TDavStatus::TooLarge && m_withCards) {
            m_withCards = false;
            syncCollection(m_token);
            return;
        }
        const std::optional<TDavMultistatus> multistatus =
            DavMultistatusOf(reply, *m_operation, m_transport.MaxResponseSize());
        if (!multistatus)
            return;
        bool truncated = false;
        for (const TDavResponse &response : multistatus->responses) {
            if (withoutSlash(response.href) == m_bookPath) {
                truncated = response.status == 507;
                continue;
            }
            if (response.status == 404 || response.status == 410)
                m_listing.removedHrefs.append(response.href);
            else if (!response.isCollection && !response.etag.isEmpty()) {
                m_listing.present.append({response.href, response.etag});
                if (response.hasAddressData)
                    m_listing.cards.append({{response.href, response.etag}, response.addressData});
            }
        }
        m_listing.syncToken = multistatus->syncToken;
        if (truncated && !multistatus->syncToken.isEmpty() && ++m_rounds < MaxTruncatedRounds) {
            syncCollection(multistatus->syncToken);
            return;
        }
        m_operation->Succeed(std::move(m_listing));
    }

    void everyCard()
    {
        m_listing = {};
        m_listing.full = true;
        m_transport.Send(
            xmlRequest("PROPFIND", m_book, "1",
                       DavPropfindBody({TDavProperty::ResourceType, TDavProperty::ETag,
                                        TDavProperty::SyncToken}),
                       m_operation),
            [self = shared_from_this()](const TDavReply &reply) { self->cardsRead(reply); });
    }

    void cardsRead(const TDavReply &reply)
    {
        const std::optional<TDavMultistatus> multistatus =
            DavMultistatusOf(reply, *m_operation, m_transport.MaxResponseSize());
        if (!multistatus)
            return;
        for (const TDavResponse &response : multistatus->responses) {
            if (withoutSlash(response.href) == m_bookPath)
                m_listing.syncToken = response.syncToken;
            else if (!response.isCollection && !response.etag.isEmpty() &&
                     (response.status == 0 || response.status == 200))
                m_listing.present.append({response.href, response.etag});
        }
        m_operation->Succeed(std::move(m_listing));
    }
};

class Fetching : public std::enable_shared_from_this<Fetching>
{
public:
    Fetching(TDavTransport &transport, std::shared_ptr<TDavPending<QList<TDavCard>>> operation)
        : m_transport(transport), m_operation(std::move(operation))
    {}

    void start(const QUrl &book, const QStringList &hrefs, qsizetype batchSize)
    {
        if (hrefs.isEmpty()) {
            m_operation->Succeed({});
            return;
        }
        // The batches run side by side, as many as the transport keeps in flight.
        for (qsizetype at = 0; at < hrefs.size(); at += batchSize) {
            const qsizetype index = m_batches.size();
            m_batches.append(QList<TDavCard>());
            m_transport.Send(xmlRequest("REPORT", book, "1",
                                        DavMultigetBody(hrefs.mid(at, batchSize)), m_operation),
                             [self = shared_from_this(), index](const TDavReply &reply) {
                                 self->batchRead(index, reply);
                             });
        }
        m_left = m_batches.size();
    }

private:
    TDavTransport &m_transport;
    std::shared_ptr<TDavPending<QList<TDavCard>>> m_operation;
    QList<QList<TDavCard>> m_batches;
    qsizetype m_left = 0;

    void batchRead(qsizetype index, const TDavReply &reply)
    {
        const std::optional<TDavMultistatus> multistatus =
            DavMultistatusOf(reply, *m_operation, m_transport.MaxResponseSize());
        if (!multistatus)
            return;
        // A card gone since the listing is answered with 404, and left out.
        for (const TDavResponse &response : multistatus->responses)
            if (response.hasAddressData && (response.status == 0 || response.status == 200))
                m_batches[index].append({{response.href, response.etag}, response.addressData});
        if (--m_left > 0)
            return;
        QList<TDavCard> cards;
        for (const QList<TDavCard> &batch : std::as_const(m_batches))
            cards += batch;
        m_operation->Succeed(std::move(cards));
    }
};
} // namespace

void DavList(TDavTransport &transport, const QUrl &book, const QString &syncToken,
             std::shared_ptr<TDavPending<TDavListing>> operation)
{
    std::make_shared<Listing>(transport, book, std::move(operation))->start(syncToken);
}

void DavFetch(TDavTransport &transport, const QUrl &book, const QStringList &hrefs,
              qsizetype batchSize, std::shared_ptr<TDavPending<QList<TDavCard>>> operation)
{
    std::make_shared<Fetching>(transport, std::move(operation))
        ->start(book, hrefs, qMax<qsizetype>(1, batchSize));
}
