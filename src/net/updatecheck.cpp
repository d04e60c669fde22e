#include "net/updatecheck.h"

#include <limits>

namespace {
int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = static_cast<char>(c | 0x20);
    if (lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}
} // namespace

std::optional<int> ParseBuildNumber(QByteArrayView body)
{
    qsizetype at = 0;
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < body.size() && (body[at] == '+' || body[at] == '-'))
        negative = body[at++] == '-';
    int base = 10;
    if (at < body.size() && body[at] == '$') {
        base = 16;
        ++at;
    }
    if (at == body.size())
        return std::nullopt;
    // One past the largest int, so that the smallest one still fits with its sign.
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (; at < body.size(); ++at) {
        const int digit = digitValue(body[at]);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}
