#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

/// Where and as whom a profile syncs.
struct TDavAccount
{
    /// What the user typed: a server address (discovery) or an address book's URL.
    QUrl server;
    QString user;
    QString password;
    /// The SHA-256 of a certificate the user chose to trust for this link (raw bytes); empty: none.
    QByteArray trustedCertificateSha256;
};

/// An address book found by discovery.
struct TDavAddressBook
{
    QUrl url;
    QString displayName;
};

/// A card on the server: its path there (as the server writes it in a multistatus, in one
/// spelling whatever the server's escaping: see DavHref) and ETag.
struct TDavCardRef
{
    QString href;
    QString etag;
};

/// A card and its vCard text.
struct TDavCard
{
    TDavCardRef ref;
    QByteArray data;
};

/// What changed in an address book since a sync token, or, when full is set, every card in it
/// (the server had no token, or refused ours: the caller compares ETags itself).
struct TDavListing
{
    QList<TDavCardRef> present;
    /// The vCards of present cards that came with the listing (a server may send them with
    /// the changes); the others are fetched.
    QList<TDavCard> cards;
    QStringList removedHrefs;
    QString syncToken;
    bool full = false;
};

enum class TDavStatus
{
    Ok,
    Conflict, // 412: the card changed on the server since its ETag
    NotFound,
    Unauthorized, // 401 after the password was offered
    UntrustedCertificate,
    Timeout,
    TooLarge,
    NetworkError,
    ServerError,
    Cancelled,
};

/// The outcome of one operation. message is for the user ("The server refused the user name or
/// password.", "The server's certificate is not trusted (SHA-256 AB:CD:...)."); on
/// UntrustedCertificate, certificateSha256 holds the peer certificate's digest.
template <class T> struct TDavResult
{
    TDavStatus status = TDavStatus::Ok;
    QString message;
    QByteArray certificateSha256;
    T value{};

    bool Ok() const { return status == TDavStatus::Ok; }
};

struct TDavNothing
{
};

/// A CardDAV client on the event loop: every operation returns at once and calls its done
/// function exactly once, later, from the event loop (never from inside the call). Several
/// operations may run at a time; the client keeps a few requests in flight to the server, each
/// with a time-out and a cap on the response's size. The machine-wide proxy applies.
/// Destroying the client drops the done functions of the operations still running.
class TCardDavClient : public QObject
{
    Q_OBJECT

public:
    template <class T> using Done = std::function<void(const TDavResult<T> &)>;

    explicit TCardDavClient(TDavAccount account, QObject *parent = nullptr);
    ~TCardDavClient() override;

    /// The address books the account's server offers: /.well-known/carddav (redirects
    /// followed), current-user-principal, addressbook-home-set, PROPFIND Depth 1. An account
    /// whose server is itself an address book gives that one.
    void Discover(Done<QList<TDavAddressBook>> done);

    /// Changes since syncToken (empty: none yet) with sync-collection, asking for the changed
    /// cards' vCards too, so that a server that sends them spares a fetch (one whose answer
    /// would be too large is asked again without them); a server without sync-collection, or
    /// one that refuses the token, gives a full listing (PROPFIND Depth 1, getetag).
    void List(const QUrl &book, const QString &syncToken, Done<TDavListing> done);

    /// The cards at hrefs, with addressbook-multiget in batches. A card gone meanwhile is
    /// missing from the result (no error).
    void Fetch(const QUrl &book, const QStringList &hrefs, Done<QList<TDavCard>> done);

    /// A new card at <book>/<name>.vcf with If-None-Match: *. The result holds its href and
    /// ETag (empty when the server sends none: the caller fetches it on the next listing).
    void Create(const QUrl &book, const QString &name, const QByteArray &vcard,
                Done<TDavCardRef> done);

    /// Replaces the card with If-Match: its ETag. Conflict when the server's card changed.
    void Update(const QUrl &book, const TDavCardRef &card, const QByteArray &vcard,
                Done<TDavCardRef> done);

    /// Deletes the card with If-Match: its ETag. Conflict when it changed; NotFound is Ok.
    void Remove(const QUrl &book, const TDavCardRef &card, Done<TDavNothing> done);

    /// Ends every operation in flight with Cancelled.
    void Cancel();

    /// How long a request may go without the server sending anything (30 s unless set).
    void SetTimeout(int milliseconds);
    /// The largest answer read; a larger one ends its operation with TooLarge (64 MB unless
    /// set).
    void SetMaxResponseSize(qsizetype bytes);
    /// How many cards one addressbook-multiget asks for (100 unless set).
    void SetFetchBatchSize(int cards);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
