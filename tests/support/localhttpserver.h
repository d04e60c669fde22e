#pragma once

// A web server for one test, on 127.0.0.1 only, with a port the system picks.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>

class LocalHttpServer : public QObject
{
public:
    enum class Ending
    {
        Close,       ///< answer once the request is in, then close
        KeepOpen,    ///< answer once the request is in and leave the connection open
        CloseAtOnce, ///< close as soon as the client connects, answering nothing
        Never,       ///< take the request and never answer
    };

    LocalHttpServer()
    {
        if (!m_server.listen(QHostAddress::LocalHost, 0))
            qFatal("no local port to listen on");
        connect(&m_server, &QTcpServer::newConnection, this, &LocalHttpServer::accept);
    }

    quint16 port() const { return m_server.serverPort(); }
    /// "http://127.0.0.1:<port>" followed by path.
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:") + QString::number(port()) + path;
    }
    /// The next connection's answer. A connection without one is never answered.
    void answer(const QByteArray &bytes, Ending ending = Ending::Close)
    {
        m_answers.append({bytes, ending});
    }

    /// Every request received, in order (up to and with its empty line).
    QList<QByteArray> requests;
    int connections = 0;

private:
    struct Answer
    {
        QByteArray bytes;
        Ending ending;
    };

    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++connections;
            const Answer answer =
                m_answers.isEmpty() ? Answer{{}, Ending::Never} : m_answers.takeFirst();
            if (answer.ending == Ending::CloseAtOnce) {
                socket->disconnectFromHost();
                continue;
            }
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request, answer] {
                request->append(socket->readAll());
                const qsizetype end = request->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                requests.append(request->left(end + 4));
                request->clear();
                if (answer.ending == Ending::Never)
                    return;
                socket->write(answer.bytes);
                if (answer.ending == Ending::Close)
                    socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    QTcpServer m_server;
    QList<Answer> m_answers;
};
