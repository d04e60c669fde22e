#pragma once

#include "sync/carddavclient.h"
#include "sync/davmultistatus.h"

#include <QPointer>
#include <memory>
#include <optional>

/// What the server answered to one request, or why it did not: status is Ok whenever an HTTP
/// answer came, whatever its code.
struct TDavReply
{
    TDavStatus status = TDavStatus::Ok;
    QString message;
    QByteArray certificateSha256;
    int httpStatus = 0;
    QString reason;
    QByteArray body;
    QString etag;
    /// Where the answer came from (after redirects).
    QUrl url;
};

/// One operation of the client, ended exactly once: by its result, a failure, or Cancel.
class TDavOperation
{
public:
    virtual ~TDavOperation() = default;
    bool Finished() const { return m_finished; }
    /// Ends the operation with a failure (nothing happens when it has ended already).
    virtual void Fail(TDavStatus status, const QString &message,
                      const QByteArray &certificateSha256 = {}) = 0;
    /// Ends it with the failure an answer stands for: the transport's, or its HTTP status's.
    void FailWith(const TDavReply &reply);

protected:
    bool m_finished = false;
};

/// An operation whose result is a T, handed to its done function from the event loop.
template <class T> class TDavPending : public TDavOperation
{
public:
    TDavPending(QObject *context, TCardDavClient::Done<T> done)
        : m_context(context), m_done(std::move(done))
    {}

    void Succeed(T value)
    {
        TDavResult<T> result;
        result.value = std::move(value);
        deliver(std::move(result));
    }
    void Fail(TDavStatus status, const QString &message,
              const QByteArray &certificateSha256 = {}) override
    {
        TDavResult<T> result;
        result.status = status;
        result.message = message;
        result.certificateSha256 = certificateSha256;
        deliver(std::move(result));
    }

private:
    QPointer<QObject> m_context;
    TCardDavClient::Done<T> m_done;

    void deliver(TDavResult<T> result)
    {
        if (m_finished)
            return;
        m_finished = true;
        if (!m_context || !m_done)
            return;
        QMetaObject::invokeMethod(
            m_context, [done = std::move(m_done), result = std::move(result)] { done(result); },
            Qt::QueuedConnection);
    }
};

/// The multistatus of a 207 answer; any other answer, or one that cannot be read, ends the
/// operation with its failure and gives nullopt.
std::optional<TDavMultistatus> DavMultistatusOf(const TDavReply &reply, TDavOperation &operation,
                                                qsizetype maxSize);

/// The message for an HTTP status the client does not expect ("The server answered 500
/// Internal Server Error.").
QString DavHttpStatusMessage(const TDavReply &reply);
