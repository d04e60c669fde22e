#pragma once

#include "sync/davtransport.h"

/// What changed in book since syncToken, or every card in it (see TCardDavClient::List).
void DavList(TDavTransport &transport, const QUrl &book, const QString &syncToken,
             std::shared_ptr<TDavPending<TDavListing>> operation);

/// The cards at hrefs in book, in batches (see TCardDavClient::Fetch).
void DavFetch(TDavTransport &transport, const QUrl &book, const QStringList &hrefs,
              std::shared_ptr<TDavPending<QList<TDavCard>>> operation);
