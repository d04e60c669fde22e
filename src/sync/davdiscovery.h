#pragma once

#include "sync/davtransport.h"

/// Finds the address books an account's server offers (see TCardDavClient::Discover).
void DavDiscover(TDavTransport &transport, const QUrl &server,
                 std::shared_ptr<TDavPending<QList<TDavAddressBook>>> operation);

/// url with a closing '/' on its path: how collections are addressed.
QUrl DavCollectionUrl(QUrl url);
