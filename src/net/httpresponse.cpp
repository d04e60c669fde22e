#include "net/httpresponse.h"

#include "platform/calbreyerror.h"

#include <QList>
#include <algorithm>
#include <utility>

namespace {
// The value of the header line "name: value" when its name is name (given in lower case; the
// line's may be in any case).
std::optional<QByteArray> fieldValue(const QByteArray &line, QByteArrayView name)
{
    if (line.size() <= name.size() || line.at(name.size()) != ':' ||
        qstrnicmp(line.constData(), name.data(), size_t(name.size())) != 0)
        return std::nullopt;
    return line.mid(name.size() + 1).trimmed();
}

int statusOf(const QByteArray &line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.size() < 2)
        return 0;
    bool ok = false;
    const int code = words.at(1).toInt(&ok);
    return ok ? code : 0;
}
} // namespace

void THttpResponse::Feed(QByteArrayView data)
{
    if (m_headerComplete) {
        appendBody(data);
        return;
    }
    m_pending.append(data);
    qsizetype start = 0;
    while (!m_headerComplete) {
        const qsizetype end = m_pending.indexOf('\n', start);
        if (end < 0)
            break;
        headerLine(m_pending.sliced(start, end + 1 - start));
        start = end + 1;
    }
    const QByteArray rest = m_pending.sliced(start);
    m_pending.clear();
    if (m_headerComplete) {
        appendBody(rest);
        return;
    }
    if (Header.size() + rest.size() > MaxHeaderSize)
        throw CalbreyError(QStringLiteral("Response header too long"));
    m_pending = rest;
}

void THttpResponse::Finish()
{
    if (!m_headerComplete && !m_pending.isEmpty())
        headerLine(std::exchange(m_pending, QByteArray()));
    m_headerComplete = true;
    m_finished = true;
}

bool THttpResponse::Complete() const
{
    return m_finished || (m_headerComplete && ContentLength && Body.size() >= *ContentLength);
}

void THttpResponse::headerLine(const QByteArray &line)
{
    if (Header.size() + line.size() > MaxHeaderSize)
        throw CalbreyError(QStringLiteral("Response header too long"));
    Header.append(line);
    const QByteArray text = line.trimmed();
    if (m_firstLine) {
        m_firstLine = false;
        StatusCode = statusOf(text);
        return;
    }
    if (text.isEmpty()) {
        m_headerComplete = true;
        return;
    }
    if (std::optional<QByteArray> cookie = fieldValue(text, "set-cookie"))
        Cookie = *cookie;
    else if (std::optional<QByteArray> location = fieldValue(text, "location"))
        Location = *location;
    else if (std::optional<QByteArray> length = fieldValue(text, "content-length")) {
        bool ok = false;
        const qint64 number = length->toLongLong(&ok);
        ContentLength = ok && number >= 0 ? std::optional<qint64>(number) : std::nullopt;
    }
}

void THttpResponse::appendBody(QByteArrayView data)
{
    if (ContentLength)
        data = data.first(std::min<qsizetype>(data.size(), *ContentLength - Body.size()));
    if (Body.size() + data.size() > MaxBodySize)
        throw CalbreyError(QStringLiteral("Response body too long"));
    Body.append(data);
}
