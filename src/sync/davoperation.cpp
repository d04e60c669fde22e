#include "sync/davoperation.h"

void TDavOperation::FailWith(const TDavReply &reply)
{
    if (reply.status != TDavStatus::Ok) {
        Fail(reply.status, reply.message, reply.certificateSha256);
        return;
    }
    switch (reply.httpStatus) {
    case 401:
        Fail(TDavStatus::Unauthorized,
             QStringLiteral("The server refused the user name or password."));
        return;
    case 404:
    case 410:
        Fail(TDavStatus::NotFound, QStringLiteral("The server has nothing at ") +
                                       reply.url.toDisplayString(QUrl::RemoveUserInfo) +
                                       QLatin1Char('.'));
        return;
    case 412:
        Fail(TDavStatus::Conflict,
             QStringLiteral("The card was changed on the server meanwhile (") +
                 reply.url.toDisplayString(QUrl::RemoveUserInfo) + QStringLiteral(")."));
        return;
    default:
        Fail(TDavStatus::ServerError, DavHttpStatusMessage(reply));
    }
}

std::optional<TDavMultistatus> DavMultistatusOf(const TDavReply &reply, TDavOperation &operation,
                                                qsizetype maxSize)
{
    if (reply.status != TDavStatus::Ok || reply.httpStatus != 207) {
        operation.FailWith(reply);
        return std::nullopt;
    }
    TDavMultistatusRead read = ReadDavMultistatus(reply.body, reply.url, maxSize);
    switch (read.outcome) {
    case TDavMultistatusRead::Outcome::Ok:
        return std::move(read.value);
    case TDavMultistatusRead::Outcome::TooLarge:
        operation.Fail(TDavStatus::TooLarge,
                       QStringLiteral("The server's answer is larger than %1 MB.")
                           .arg(maxSize / (1024 * 1024)));
        return std::nullopt;
    case TDavMultistatusRead::Outcome::Malformed:
        break;
    }
    operation.Fail(TDavStatus::ServerError,
                   QStringLiteral("The server's answer from %1 cannot be read: %2.")
                       .arg(reply.url.toDisplayString(QUrl::RemoveUserInfo), read.error));
    return std::nullopt;
}

QString DavHttpStatusMessage(const TDavReply &reply)
{
    QString text = QStringLiteral("The server answered ") + QString::number(reply.httpStatus);
    if (!reply.reason.isEmpty())
        text += QLatin1Char(' ') + reply.reason;
    return text + QStringLiteral(" for ") + reply.url.toDisplayString(QUrl::RemoveUserInfo) +
           QLatin1Char('.');
}
