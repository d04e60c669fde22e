#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

/// One HTTP response as its bytes arrive: the header lines up to the first empty line, then
/// the body. A server can send anything, so both parts are bounded and a response that breaks
/// a bound fails instead of growing without end.
class THttpResponse
{
public:
    static constexpr qsizetype MaxHeaderSize = qsizetype(64) * 1024;
    static constexpr qsizetype MaxBodySize = qsizetype(1024) * 1024;

    /// Takes the next bytes received. Throws CalbreyError when the header or the body grows
    /// past its bound.
    void Feed(QByteArrayView data);
    /// The server has closed the connection: what arrived is the whole response (a last
    /// header line without its line end counts as read).
    void Finish();

    bool HeaderComplete() const { return m_headerComplete; }
    /// The body is whole: the server closed, or the length it gave has arrived.
    bool Complete() const;

    /// The second blank-separated word of the first line as a number; 0 when it is none.
    int StatusCode = 0;
    /// Every header line read, line ends included, from the status line to the empty line.
    QByteArray Header;
    QByteArray Body;
    /// The values of the last "Set-Cookie:", "Location:" and "Content-Length:" lines (names
    /// compared without regard to case, blanks around the value removed).
    QByteArray Cookie;
    QByteArray Location;
    std::optional<qint64> ContentLength;

private:
    void headerLine(const QByteArray &line);
    void appendBody(QByteArrayView data);

    QByteArray m_pending; // received bytes of a header line not yet ended
    bool m_headerComplete = false;
    bool m_firstLine = true;
    bool m_finished = false;
};
