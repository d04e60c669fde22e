#include "sync/carddavclient.h"

#include "sync/davdiscovery.h"
#include "sync/davlisting.h"
#include "sync/davtransport.h"

namespace {
const QByteArray VCardType = QByteArrayLiteral("text/vcard; charset=utf-8");

// The answer to a PUT: the card's href and the ETag the server gave it.
void written(const TDavReply &reply, const QString &href, TDavPending<TDavCardRef> &operation)
{
    if (reply.status == TDavStatus::Ok && reply.httpStatus >= 200 && reply.httpStatus < 300)
        operation.Succeed({href, reply.etag});
    else
        operation.FailWith(reply);
}
} // namespace

struct TCardDavClient::Private
{
    TCardDavClient *q;
    TDavTransport transport;
    // Every operation not yet ended, for Cancel.
    QList<std::shared_ptr<TDavOperation>> operations;

    Private(TCardDavClient *client, const TDavAccount &account)
        : q(client), transport(account, client)
    {}

    template <class T> std::shared_ptr<TDavPending<T>> begin(Done<T> done)
    {
        auto operation = std::make_shared<TDavPending<T>>(q, std::move(done));
        operations.removeIf(
            [](const std::shared_ptr<TDavOperation> &open) { return open->Finished(); });
        operations.append(operation);
        if (!transport.SetupError().isEmpty())
            operation->Fail(TDavStatus::NetworkError, transport.SetupError());
        return operation;
    }

    TDavRequest cardRequest(const QByteArray &verb, const QUrl &book, const QString &href,
                            std::shared_ptr<TDavOperation> owner) const
    {
        TDavRequest request;
        request.verb = verb;
        request.url = DavCollectionUrl(book).resolved(QUrl::fromEncoded(href.toLatin1()));
        request.owner = std::move(owner);
        return request;
    }
};

TCardDavClient::TCardDavClient(TDavAccount account, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>(this, account))
{}

TCardDavClient::~TCardDavClient() = default;

void TCardDavClient::SetTimeout(int milliseconds)
{
    d->transport.SetTimeout(milliseconds);
}

void TCardDavClient::SetMaxResponseSize(qsizetype bytes)
{
    d->transport.SetMaxResponseSize(bytes);
}

void TCardDavClient::Discover(Done<QList<TDavAddressBook>> done)
{
    auto operation = d->begin(std::move(done));
    if (!operation->Finished())
        DavDiscover(d->transport, d->transport.Account().server, operation);
}

void TCardDavClient::List(const QUrl &book, const QString &syncToken, Done<TDavListing> done)
{
    auto operation = d->begin(std::move(done));
    if (!operation->Finished())
        DavList(d->transport, DavCollectionUrl(book), syncToken, operation);
}

void TCardDavClient::Fetch(const QUrl &book, const QStringList &hrefs, Done<QList<TDavCard>> done)
{
    auto operation = d->begin(std::move(done));
    if (!operation->Finished())
        DavFetch(d->transport, DavCollectionUrl(book), hrefs, operation);
}

void TCardDavClient::Create(const QUrl &book, const QString &name, const QByteArray &vcard,
                            Done<TDavCardRef> done)
{
    auto operation = d->begin(std::move(done));
    if (operation->Finished())
        return;
    const QUrl collection = DavCollectionUrl(book);
    const QString href =
        DavHref(collection.path(QUrl::FullyEncoded) +
                    QString::fromLatin1(QUrl::toPercentEncoding(name)) + QStringLiteral(".vcf"),
                collection);
    TDavRequest request = d->cardRequest("PUT", collection, href, operation);
    request.contentType = VCardType;
    request.body = vcard;
    request.ifNoneMatch = "*";
    d->transport.Send(std::move(request), [operation, href](const TDavReply &reply) {
        written(reply, href, *operation);
    });
}

void TCardDavClient::Update(const QUrl &book, const TDavCardRef &card, const QByteArray &vcard,
                            Done<TDavCardRef> done)
{
    auto operation = d->begin(std::move(done));
    if (operation->Finished())
        return;
    TDavRequest request = d->cardRequest("PUT", book, card.href, operation);
    request.contentType = VCardType;
    request.body = vcard;
    request.ifMatch = card.etag.toLatin1();
    d->transport.Send(std::move(request), [operation, href = card.href](const TDavReply &reply) {
        written(reply, href, *operation);
    });
}

void TCardDavClient::Remove(const QUrl &book, const TDavCardRef &card, Done<TDavNothing> done)
{
    auto operation = d->begin(std::move(done));
    if (operation->Finished())
        return;
    TDavRequest request = d->cardRequest("DELETE", book, card.href, operation);
    request.ifMatch = card.etag.toLatin1();
    d->transport.Send(std::move(request), [operation](const TDavReply &reply) {
        // A card already gone is what was asked for.
        const bool gone = reply.status == TDavStatus::Ok &&
                          ((reply.httpStatus >= 200 && reply.httpStatus < 300) ||
                           reply.httpStatus == 404 || reply.httpStatus == 410);
        if (gone)
            operation->Succeed({});
        else
            operation->FailWith(reply);
    });
}

void TCardDavClient::Cancel()
{
    d->transport.AbortAll();
    const QList<std::shared_ptr<TDavOperation>> open = std::exchange(d->operations, {});
    for (const std::shared_ptr<TDavOperation> &operation : open)
        operation->Fail(TDavStatus::Cancelled, QStringLiteral("The sync was cancelled."));
}
