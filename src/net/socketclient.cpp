#include "net/socketclient.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTcpSocket>
#include <QTimer>
#include <optional>

namespace {
constexpr int HighestPort = 65535;
} // namespace

struct TSocketClient::Impl
{
    QTcpSocket socket;
    QEventLoop *waiting = nullptr;
    bool aborted = false;
    std::optional<QAbstractSocket::SocketError> error;
    int lookupId = -1;
    std::optional<QHostInfo> lookup;

    Impl()
    {
        // The program's own proxy setting decides where a connection goes, never the
        // environment's.
        socket.setProxy(QNetworkProxy::NoProxy);
        const auto wake = [this] {
            if (waiting)
                waiting->quit();
        };
        QObject::connect(&socket, &QTcpSocket::connected, &socket, wake);
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, wake);
        QObject::connect(&socket, &QTcpSocket::disconnected, &socket, wake);
        QObject::connect(&socket, &QTcpSocket::errorOccurred, &socket,
                         [this, wake](QAbstractSocket::SocketError socketError) {
                             error = socketError;
                             wake();
                         });
    }

    // Runs the event loop until something happens on the socket, the lookup ends, the time-out
    // passes or Disconnect() is called.
    void wait(int timeOut, const QString &cancelled, const QString &timedOut)
    {
        if (aborted)
            throw EFetchAborted(cancelled);
        QEventLoop loop;
        const QScopedValueRollback current(waiting, &loop);
        bool expired = false;
        QTimer timer;
        if (timeOut > 0) {
            timer.setSingleShot(true);
            QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
                expired = true;
                loop.quit();
            });
            timer.start(timeOut);
        }
        loop.exec();
        if (aborted)
            throw EFetchAborted(cancelled);
        if (expired)
            throw ESocketError(timedOut);
    }

    QHostAddress resolve(const QString &name, int timeOut)
    {
        if (name.isEmpty())
            throw ESocketError(QStringLiteral("Null Remote Address"));
        QHostAddress literal;
        if (literal.setAddress(name) && literal.protocol() == QAbstractSocket::IPv4Protocol)
            return literal;

        lookup.reset();
        lookupId = QHostInfo::lookupHost(name, &socket, [this](const QHostInfo &info) {
            if (info.lookupId() != lookupId)
                return;
            lookup = info;
            if (waiting)
                waiting->quit();
        });
        const auto forget = qScopeGuard([this] {
            if (!lookup)
                QHostInfo::abortHostLookup(lookupId);
            lookupId = -1;
        });
        while (!lookup)
            wait(timeOut, QStringLiteral("Host Lookup Canceled"),
                 QStringLiteral("Host Lookup Timed Out"));
        const QList<QHostAddress> addresses = lookup->addresses();
        if (lookup->error() != QHostInfo::NoError || addresses.isEmpty())
            throw ESocketError(QStringLiteral("Host Lookup Failed"));
        for (const QHostAddress &address : addresses) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                return address;
        }
        return addresses.constFirst();
    }
};

TSocketClient::TSocketClient() : d(std::make_unique<Impl>()) {}

TSocketClient::~TSocketClient() = default;

bool TSocketClient::Connected() const
{
    return d->socket.state() == QAbstractSocket::ConnectedState;
}

void TSocketClient::Connect()
{
    if (d->socket.state() != QAbstractSocket::UnconnectedState)
        throw ESocketError(QStringLiteral("Already connected"));
    const bool viaProxy = !Proxy.isEmpty();
    const QHostAddress address = d->resolve(viaProxy ? Proxy : Host, TimeOut);
    const int port = viaProxy ? ProxyPort : Port;
    // No TCP port is 0 or beyond 65535: such a port is a connection that cannot be made, not
    // one to be made to whatever port its lower bits name.
    if (port < 1 || port > HighestPort)
        throw ESocketError(QStringLiteral("Connection Failed"));
    d->error.reset();
    d->socket.connectToHost(address, static_cast<quint16>(port));
    while (d->socket.state() != QAbstractSocket::ConnectedState) {
        if (d->error || d->socket.state() == QAbstractSocket::UnconnectedState) {
            d->socket.abort();
            throw ESocketError(QStringLiteral("Connection Failed"));
        }
        d->wait(TimeOut, QStringLiteral("Connection Canceled"),
                QStringLiteral("Connection Timed out"));
    }
}

void TSocketClient::Disconnect()
{
    d->aborted = true;
    if (d->lookupId >= 0 && !d->lookup)
        QHostInfo::abortHostLookup(d->lookupId);
    d->socket.abort();
    if (d->waiting)
        d->waiting->quit();
}

void TSocketClient::BeginTransaction()
{
    d->aborted = false;
}

void TSocketClient::SendBytes(const QByteArray &data)
{
    if (d->socket.write(data) != data.size())
        throw ESocketError(d->socket.errorString());
}

QByteArray TSocketClient::Receive(qsizetype maxSize)
{
    const QString cancelled = QStringLiteral("Receive Canceled");
    for (;;) {
        if (d->aborted)
            throw EFetchAborted(cancelled);
        if (d->socket.bytesAvailable() > 0)
            return d->socket.read(maxSize);
        if (d->socket.state() != QAbstractSocket::ConnectedState) {
            // The server's close ends the response; any other trouble fails it.
            if (d->error && *d->error != QAbstractSocket::RemoteHostClosedError)
                throw ESocketError(d->socket.errorString());
            return QByteArray();
        }
        d->wait(TimeOut, cancelled, QStringLiteral("Receive Timed Out"));
    }
}

void TSocketClient::Close()
{
    d->socket.abort();
}
