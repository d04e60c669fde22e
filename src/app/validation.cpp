#include "app/untcommon.h"

#include "platform/messagebox.h"

namespace {
QString quotedText(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool askToKeep(const QString &text, const QString &caption)
{
    return ShowMessageBox(text, caption, MessageBoxFlag::Question) == MessageBoxResult::Yes;
}

// Only A to Z are folded, so that no other letter can turn into part of a scheme.
QString asciiLower(const QString &text)
{
    QString lower = text;
    for (QChar &c : lower) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return lower;
}
} // namespace

bool PassesEmailCheck(const QString &address)
{
    bool seenAt = false;
    bool seenStopAfterAt = false;
    for (const QChar c : address) {
        if (c == QLatin1Char('@'))
            seenAt = true;
        else if (c == QLatin1Char('.') && seenAt)
            seenStopAfterAt = true;
    }
    return address.isEmpty() || (seenAt && seenStopAfterAt);
}

bool PassesUrlCheck(const QString &url)
{
    const QString lower = asciiLower(url);
    return url.isEmpty() || lower.contains(QLatin1String("http://")) ||
           lower.contains(QLatin1String("https://"));
}

bool ValidateEmail(const QString &address, bool validateEmails)
{
    if (!validateEmails || PassesEmailCheck(address))
        return true;
    return askToKeep(QStringLiteral("It seems an e-mail address you specified ") +
                         quotedText(address) +
                         QStringLiteral(" is not valid.  Are you sure you want to use this "
                                        "e-mail address?"),
                     QStringLiteral("Use e-mail address?"));
}

bool ValidateUrl(const QString &url, bool validateUrls)
{
    if (!validateUrls || PassesUrlCheck(url))
        return true;
    return askToKeep(QStringLiteral("It seems that the url you specified ") + quotedText(url) +
                         QStringLiteral(" is not valid.  Are you sure you want to use it?"),
                     QStringLiteral("Use given URL?"));
}
