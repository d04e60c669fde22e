#include "sync/davdiscovery.h"

#include "sync/davrequests.h"

namespace {
const QByteArray XmlType = QByteArrayLiteral("application/xml; charset=utf-8");
constexpr int MaxRedirects = 5;

using Operation = TDavPending<QList<TDavAddressBook>>;

// The walk from what the user typed to the address books: the address itself, then
// /.well-known/carddav, a principal, its address book homes, and the books in them.
class Discovery : public std::enable_shared_from_this<Discovery>
{
public:
    Discovery(TDavTransport &transport, const QUrl &server, std::shared_ptr<Operation> operation)
        : m_transport(transport), m_server(DavCollectionUrl(server)),
          m_operation(std::move(operation))
    {}

    void start()
    {
        // A bare host names no address book: ask its well-known address first (RFC 6764).
        const bool bareHost = m_server.path() == QLatin1String("/");
        probe(bareHost ? wellKnown() : m_server, bareHost ? Next::Server : Next::WellKnown);
    }

private:
    enum class Next
    {
        WellKnown,
        Server,
        Nothing,
    };

    TDavTransport &m_transport;
    QUrl m_server;
    std::shared_ptr<Operation> m_operation;
    QList<TDavAddressBook> m_books;
    int m_homesLeft = 0;

    QUrl wellKnown() const
    {
        return m_server.resolved(QUrl(QStringLiteral("/.well-known/carddav")));
    }

    void send(const QUrl &url, const QByteArray &depth, const QList<TDavProperty> &properties,
              TDavTransport::Handler handler)
    {
        TDavRequest request;
        request.verb = "PROPFIND";
        request.url = url;
        request.depth = depth;
        request.contentType = XmlType;
        request.body = DavPropfindBody(properties);
        request.redirects = MaxRedirects;
        request.owner = m_operation;
        m_transport.Send(std::move(request), std::move(handler));
    }

    // What url is: an address book (done), or the way to a principal or its homes. When it
    // says nothing of use, next is tried.
    void probe(const QUrl &url, Next next)
    {
        send(url, "0",
             {TDavProperty::ResourceType, TDavProperty::DisplayName,
              TDavProperty::CurrentUserPrincipal, TDavProperty::AddressBookHomeSet},
             [self = shared_from_this(), next](const TDavReply &reply) {
                 self->probed(reply, next);
             });
    }

    // The response about the probed resource itself: the one with its path, or the only one.
    static std::optional<TDavResponse> itself(const TDavReply &reply, qsizetype maxSize)
    {
        if (reply.httpStatus != 207)
            return std::nullopt;
        const TDavMultistatusRead read = ReadDavMultistatus(reply.body, reply.url, maxSize);
        if (!read.Ok() || read.value.responses.isEmpty())
            return std::nullopt;
        const QString path = withoutSlash(DavHref(reply.url.toString(), reply.url));
        for (const TDavResponse &response : read.value.responses)
            if (withoutSlash(response.href) == path)
                return response;
        if (read.value.responses.size() == 1)
            return read.value.responses.first();
        return std::nullopt;
    }

    static QString withoutSlash(QString path)
    {
        while (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        return path;
    }

    void probed(const TDavReply &reply, Next next)
    {
        const bool refused = reply.status != TDavStatus::Ok || reply.httpStatus == 401;
        // A body that cannot be read is no CardDAV answer; the next address may give one.
        const std::optional<TDavResponse> found =
            refused ? std::nullopt : itself(reply, m_transport.MaxResponseSize());
        if (refused) {
            // No password, no certificate, no network: no other address would do better.
            m_operation->FailWith(reply);
            return;
        }
        if (found && found->isAddressBook) {
            m_operation->Succeed({{DavCollectionUrl(reply.url), found->displayName}});
            return;
        }
        if (found && !found->homeSetHrefs.isEmpty()) {
            listHomes(reply.url, found->homeSetHrefs);
            return;
        }
        if (found && !found->principalHref.isEmpty() &&
            withoutSlash(found->principalHref) !=
                withoutSlash(DavHref(reply.url.toString(), reply.url))) {
            const QUrl principal =
                reply.url.resolved(QUrl::fromEncoded(found->principalHref.toLatin1()));
            probe(principal, Next::Nothing);
            return;
        }
        switch (next) {
        case Next::WellKnown:
            probe(wellKnown(), Next::Nothing);
            return;
        case Next::Server:
            probe(m_server, Next::Nothing);
            return;
        case Next::Nothing:
            break;
        }
        m_operation->Fail(TDavStatus::NotFound,
                          QStringLiteral("No CardDAV address book was found at %1.")
                              .arg(m_server.toDisplayString(QUrl::RemoveUserInfo)));
    }

    void listHomes(const QUrl &base, const QStringList &homes)
    {
        m_homesLeft = static_cast<int>(homes.size());
        for (const QString &home : homes)
            send(base.resolved(QUrl::fromEncoded(home.toLatin1())), "1",
                 {TDavProperty::ResourceType, TDavProperty::DisplayName},
                 [self = shared_from_this()](const TDavReply &reply) { self->listed(reply); });
    }

    void listed(const TDavReply &reply)
    {
        const std::optional<TDavMultistatus> multistatus =
            DavMultistatusOf(reply, *m_operation, m_transport.MaxResponseSize());
        if (!multistatus)
            return;
        for (const TDavResponse &response : multistatus->responses)
            if (response.isAddressBook)
                m_books.append({DavCollectionUrl(reply.url.resolved(
                                    QUrl::fromEncoded(response.href.toLatin1()))),
                                response.displayName});
        if (--m_homesLeft == 0)
            m_operation->Succeed(m_books);
    }
};
} // namespace

void DavDiscover(TDavTransport &transport, const QUrl &server,
                 std::shared_ptr<TDavPending<QList<TDavAddressBook>>> operation)
{
    std::make_shared<Discovery>(transport, server, std::move(operation))->start();
}

QUrl DavCollectionUrl(QUrl url)
{
    const QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        url.setPath(path + QLatin1Char('/'));
    return url;
}
