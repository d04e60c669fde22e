#include "sync/syncserver.h"

TCardDavServer::TCardDavServer(TDavAccount account, QUrl book)
    : m_client(std::make_unique<TCardDavClient>(std::move(account))), m_book(std::move(book))
{}

TCardDavServer::~TCardDavServer() = default;

void TCardDavServer::List(const QString &syncToken, Done<TDavListing> done)
{
    m_client->List(m_book, syncToken, std::move(done));
}

void TCardDavServer::Fetch(const QStringList &hrefs, Done<QList<TDavCard>> done)
{
    m_client->Fetch(m_book, hrefs, std::move(done));
}

void TCardDavServer::Create(const QString &name, const QByteArray &vcard, Done<TDavCardRef> done)
{
    m_client->Create(m_book, name, vcard, std::move(done));
}

void TCardDavServer::Update(const TDavCardRef &card, const QByteArray &vcard,
                            Done<TDavCardRef> done)
{
    m_client->Update(m_book, card, vcard, std::move(done));
}

void TCardDavServer::Remove(const TDavCardRef &card, Done<TDavNothing> done)
{
    m_client->Remove(m_book, card, std::move(done));
}

void TCardDavServer::Cancel()
{
    m_client->Cancel();
}
