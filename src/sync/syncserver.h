#pragma once

#include "sync/carddavclient.h"

#include <QObject>
#include <memory>

/// The server side of a sync, as the session drives it: one address book. Every operation
/// calls its done function once, later, from the event loop. The real one is a CardDAV client
/// (TCardDavServer); tests put an address book in memory in its place.
class TSyncServer
{
public:
    template <class T> using Done = TCardDavClient::Done<T>;

    virtual ~TSyncServer() = default;
    virtual void List(const QString &syncToken, Done<TDavListing> done) = 0;
    virtual void Fetch(const QStringList &hrefs, Done<QList<TDavCard>> done) = 0;
    virtual void Create(const QString &name, const QByteArray &vcard, Done<TDavCardRef> done) = 0;
    virtual void Update(const TDavCardRef &card, const QByteArray &vcard,
                        Done<TDavCardRef> done) = 0;
    virtual void Remove(const TDavCardRef &card, Done<TDavNothing> done) = 0;
    virtual void Cancel() = 0;
};

/// One address book of a CardDAV server.
class TCardDavServer : public TSyncServer
{
public:
    TCardDavServer(TDavAccount account, QUrl book);
    ~TCardDavServer() override;

    void List(const QString &syncToken, Done<TDavListing> done) override;
    void Fetch(const QStringList &hrefs, Done<QList<TDavCard>> done) override;
    void Create(const QString &name, const QByteArray &vcard, Done<TDavCardRef> done) override;
    void Update(const TDavCardRef &card, const QByteArray &vcard, Done<TDavCardRef> done) override;
    void Remove(const TDavCardRef &card, Done<TDavNothing> done) override;
    void Cancel() override;

private:
    std::unique_ptr<TCardDavClient> m_client;
    QUrl m_book;
};
