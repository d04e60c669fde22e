#include "cli/mailsender.h"

#include "platform/textcodec.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// The value of the first From: header, its folded lines joined, as raw bytes.
std::optional<QByteArray> fromHeader(QByteArrayView message)
{
    std::optional<QByteArray> from;
    bool first = true;
    bool inFrom = false;
    for (QByteArrayView rest = message; !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break; // the headers end
        if (first && line.startsWith("From ")) {
            first = false;
            continue; // an mbox envelope line
        }
        first = false;
        if (line.front() == ' ' || line.front() == '\t') {
            if (inFrom)
                *from += ' ' + line.trimmed().toByteArray();
            continue;
        }
        inFrom = false;
        if (!from && line.size() > 5 && line.first(5).compare("from:", Qt::CaseInsensitive) == 0) {
            from = line.sliced(5).trimmed().toByteArray();
            inFrom = true;
        }
    }
    return from;
}

QString decodeCharset(const QByteArray &charset, const QByteArray &bytes)
{
    QStringDecoder decoder(charset.constData());
    if (decoder.isValid()) {
        QString text = decoder.decode(bytes);
        if (!decoder.hasError())
            return text;
    }
    return DecodeTextLine(bytes);
}

QByteArray decodeQ(QByteArrayView text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '_') {
            out += ' ';
        } else if (text[i] == '=' && i + 2 < text.size()) {
            bool ok = false;
            const char byte = char(text.sliced(i + 1, 2).toByteArray().toInt(&ok, 16));
            if (ok) {
                out += byte;
                i += 2;
            } else {
                out += '=';
            }
        } else {
            out += text[i];
        }
    }
    return out;
}

// The header's text: encoded words decoded (blanks between two of them dropped), the rest
// read as UTF-8, or Windows-1252 where it is not.
QString decodeHeader(const QByteArray &raw)
{
    static const QRegularExpression encodedWord(
        QStringLiteral(R"(=\?([^?\s]+)\?([bBqQ])\?([^?\s]*)\?=)"));
    const QString text = DecodeTextLine(raw);
    QString out;
    qsizetype at = 0;
    bool lastWasEncoded = false;
    for (auto it = encodedWord.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch word = it.next();
        const QString between = text.mid(at, word.capturedStart() - at);
        if (!(lastWasEncoded && between.trimmed().isEmpty()))
            out += between;
        QByteArray charset = word.captured(1).toLatin1();
        charset.truncate(charset.indexOf('*') < 0 ? charset.size() : charset.indexOf('*'));
        const QByteArray payload = word.captured(3).toLatin1();
        const QByteArray bytes =
            word.captured(2).compare(QLatin1String("b"), Qt::CaseInsensitive) == 0
                ? QByteArray::fromBase64(payload)
                : decodeQ(payload);
        out += decodeCharset(charset, bytes);
        at = word.capturedEnd();
        lastWasEncoded = true;
    }
    return out + text.mid(at);
}

QString unquoted(QString name)
{
    name = name.trimmed();
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"'))) {
        name = name.mid(1, name.size() - 2);
        static const QRegularExpression escaped(QStringLiteral(R"(\\(.))"));
        name.replace(escaped, QStringLiteral("\\1"));
    }
    return name.simplified();
}

// The first mailbox of the list: up to a comma outside quotes and angle brackets.
QString firstMailbox(const QString &list)
{
    bool quoted = false;
    int angle = 0;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QChar c = list[i];
        if (c == u'\\' && quoted)
            ++i;
        else if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'<')
            ++angle;
        else if (!quoted && c == u'>')
            --angle;
        else if (!quoted && angle == 0 && c == u',')
            return list.first(i);
    }
    return list;
}

} // namespace

std::optional<TMailSender> ReadMailSender(QByteArrayView message)
{
    const std::optional<QByteArray> raw = fromHeader(message);
    if (!raw)
        return std::nullopt;
    const QString mailbox = firstMailbox(decodeHeader(*raw)).trimmed();
    TMailSender sender;
    const qsizetype open = mailbox.lastIndexOf(QLatin1Char('<'));
    const qsizetype close = mailbox.lastIndexOf(QLatin1Char('>'));
    if (open >= 0 && close > open) {
        // Name <address>
        sender.address = mailbox.mid(open + 1, close - open - 1).trimmed();
        sender.name = unquoted(mailbox.left(open));
    } else {
        // address (Name), or the address alone
        const qsizetype comment = mailbox.indexOf(QLatin1Char('('));
        sender.address = (comment >= 0 ? mailbox.left(comment) : mailbox).trimmed();
        if (comment >= 0) {
            const qsizetype end = mailbox.lastIndexOf(QLatin1Char(')'));
            sender.name = unquoted(
                mailbox.mid(comment + 1, (end > comment ? end : mailbox.size()) - comment - 1));
        }
    }
    if (sender.address.isEmpty() || !sender.address.contains(QLatin1Char('@')) ||
        sender.address.contains(QLatin1Char(' ')))
        return std::nullopt;
    return sender;
}
