#include "profiles/inivalue.h"

#include "platform/inidocument.h"

#include <limits>

namespace {

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

int digitValue(QChar c, int base)
{
    int digit = -1;
    if (c >= u'0' && c <= u'9')
        digit = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'z')
        digit = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'Z')
        digit = c.unicode() - u'A' + 10;
    return digit < base ? digit : -1;
}

// Magnitudes up to 2^31 are accepted so that the most negative int can be written.
std::optional<qint64> parseDecimalMagnitude(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 result = 0;
    for (QChar c : digits) {
        const int digit = digitValue(c, 10);
        if (digit < 0)
            return std::nullopt;
        result = result * 10 + digit;
        if (result > limit)
            return std::nullopt;
    }
    return result;
}

bool needsQuotes(QStringView value)
{
    const bool blankAtEnd =
        !value.isEmpty() && (IsIniBlank(value.front()) || IsIniBlank(value.back()));
    const bool quotedAlready =
        value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
    return blankAtEnd || quotedAlready;
}

} // namespace

bool IsIniValueAsIs(QStringView value)
{
    return !needsQuotes(value);
}

QString QuoteIniValue(QStringView value)
{
    if (needsQuotes(value))
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    return value.toString();
}

QString QuoteIniValue(const QString &value)
{
    return needsQuotes(value) ? QuoteIniValue(QStringView(value)) : value;
}

QString SingleLineIniValue(QStringView value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n')
            continue; // the LF that follows makes the blank
        result += (c == u'\r' || c == u'\n') ? QChar(u' ') : c;
    }
    return result;
}

std::optional<int> ParseIniInteger(QStringView text)
{
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        // Hexadecimal is read as the 32-bit pattern it stands for: 0xFFFFFFFF is -1.
        const QStringView digits = text.sliced(2);
        quint64 result = 0;
        for (QChar c : digits) {
            const int digit = digitValue(c, 16);
            if (digit < 0)
                return std::nullopt;
            result = result * 16 + quint64(digit);
            if (result > std::numeric_limits<quint32>::max())
                return std::nullopt;
        }
        return int(quint32(result));
    }
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        text = text.sliced(1);
    }
    const std::optional<qint64> magnitude = parseDecimalMagnitude(text);
    if (!magnitude)
        return std::nullopt;
    const qint64 result = negative ? -*magnitude : *magnitude;
    if (result > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(result);
}

QString IniKeyFromText(QStringView text)
{
    QString key;
    key.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool atEnd = i == 0 || i + 1 == text.size();
        if (c == u'%' || c == u'=' || c == u';' || c == u'[' || c == u']' || c < u' ' ||
            (atEnd && IsIniBlank(c)))
            key += u'%' + QStringLiteral("%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            key += c;
    }
    return key;
}

QString TextFromIniKey(QStringView key)
{
    QString text;
    text.reserve(key.size());
    for (qsizetype i = 0; i < key.size(); ++i) {
        const int high = i + 2 < key.size() ? digitValue(key[i + 1], 16) : -1;
        const int low = high >= 0 ? digitValue(key[i + 2], 16) : -1;
        if (key[i] == u'%' && low >= 0) {
            text += QChar(char16_t(high * 16 + low));
            i += 2;
        } else {
            text += key[i];
        }
    }
    return text;
}
