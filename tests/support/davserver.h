#pragma once

// A real CardDAV server for one test (Radicale or Xandikos), on 127.0.0.1, on a port of its
// own, with its data in a temporary folder. It can be stopped and started again on the same
// port and data, and it can change cards behind a client's back.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

class DavServer
{
public:
    enum class Kind
    {
        Radicale,
        Xandikos,
    };

    /// tls: HTTPS with a self-signed certificate made for the server (Radicale only).
    explicit DavServer(Kind kind, bool tls = false);
    ~DavServer();
    DavServer(const DavServer &) = delete;
    DavServer &operator=(const DavServer &) = delete;

    /// Whether the server's program is installed (a test skips when it is not).
    static bool Installed(Kind kind);
    static QString Name(Kind kind);

    /// Starts the server (the first time: with an empty address book) and waits until it
    /// answers. False, with error() saying why, when it does not.
    bool start();
    /// Stops it by its process id: asked first, killed when it does not end.
    void stop();
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    QString error() const { return m_error; }
    Kind kind() const { return m_kind; }
    /// "http://127.0.0.1:<port>/" (https with tls).
    QUrl root() const;
    /// The address book's URL, ending in '/'.
    QUrl book() const;
    /// Who the server knows (Xandikos has no accounts: anything is accepted).
    QString user() const { return QStringLiteral("alice"); }
    QString password() const { return QStringLiteral("s3cret pass"); }
    /// The SHA-256 of the server's certificate (tls only).
    QByteArray certificateSha256() const { return m_certificateSha256; }

    /// A request as another client would make it, with the account's password; path is
    /// relative to the root or absolute. Gives the HTTP status (0: no answer); etag and body
    /// receive the answer's. The server may stay silent for up to silentMs.
    int request(const QByteArray &verb, const QString &path, const QByteArray &body = {},
                const QList<std::pair<QByteArray, QByteArray>> &headers = {},
                QString *etag = nullptr, QByteArray *answer = nullptr, int silentMs = 15000) const;
    /// Writes the card at href (no conditions); gives its new ETag, empty on failure.
    QString put(const QString &href, const QByteArray &vcard) const;
    /// Deletes the card at href; true when the server did.
    bool remove(const QString &href) const;
    /// The card at href, empty when there is none.
    QByteArray get(const QString &href) const;
    /// The hrefs of every card in the book.
    QStringList cards() const;
    /// Deletes every card of the book (a suite's next test starts from an empty book); true
    /// when the server deleted them all.
    bool removeAllCards() const;

    /// Puts cards (file name, vCard) into the address book the way a large book is set up
    /// quickly: written into Radicale's storage folder of the book while the server is stopped,
    /// since uploading each card takes Radicale a write of its own. Started again, every card
    /// is read once, so that Radicale's cache of each card is made, as an upload makes it.
    /// Radicale only, after start(); false, with error() saying why, when it cannot.
    bool seed(const QList<std::pair<QString, QByteArray>> &cards);

private:
    Kind m_kind;
    bool m_tls;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_bookMade = false;
    QString m_error;
    QByteArray m_certificateSha256;

    QStringList arguments() const;
    bool makeCertificate();
    bool waitUntilAnswering();
};
