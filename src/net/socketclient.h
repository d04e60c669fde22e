#pragma once

#include "platform/calbreyerror.h"

#include <QByteArray>
#include <QString>
#include <memory>

/// A host lookup, a connection or the socket itself failed.
class ESocketError : public CalbreyError
{
public:
    using CalbreyError::CalbreyError;
};

/// Disconnect() ended a wait of a running transaction.
class EFetchAborted : public CalbreyError
{
public:
    using CalbreyError::CalbreyError;
};

/// One TCP connection at a time, made and used on the user-interface thread. Every wait (host
/// lookup, connect, receive) runs a local event loop until the awaited event, so windows
/// repaint and their buttons work meanwhile, and no wait burns the processor. A handler that
/// runs during a wait may call Disconnect(); the wait then ends with EFetchAborted. The client
/// must not be destroyed while one of its waits runs.
class TSocketClient
{
public:
    TSocketClient();
    virtual ~TSocketClient();
    TSocketClient(const TSocketClient &) = delete;
    TSocketClient &operator=(const TSocketClient &) = delete;

    /// The server: a host name or dotted address, and its port.
    QString Host;
    int Port = 0;
    /// The proxy to connect to instead (empty: connect to Host) and its port.
    QString Proxy;
    int ProxyPort = 0;
    /// Milliseconds each wait may last before it fails; 0 waits without end.
    int TimeOut = 0;

    bool Connected() const;
    /// Connects to Proxy on ProxyPort, or without a proxy to Host on Port. Throws ESocketError
    /// ("Already connected", "Null Remote Address", "Host Lookup Failed", "Host Lookup Timed
    /// Out", "Connection Failed", "Connection Timed out") or EFetchAborted ("Host Lookup
    /// Canceled", "Connection Canceled").
    void Connect();
    /// Closes the connection at once; a running wait ends with EFetchAborted, and the client
    /// is ready for the next transaction.
    void Disconnect();

protected:
    /// Starts a transaction: a Disconnect() of an earlier one no longer counts.
    void BeginTransaction();
    void SendBytes(const QByteArray &data);
    /// The next bytes received (at most maxSize), waiting for them; empty when the server has
    /// closed the connection. Throws ESocketError on a socket error and EFetchAborted.
    QByteArray Receive(qsizetype maxSize);
    /// Closes the connection when an exchange is over (not a cancellation).
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
