#include "platform/textcodec.h"

#include <array>
#include <cstring>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. The five bytes Windows leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as
// MultiByteToWideChar does, so no byte is ever lost.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString result(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(result.data());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
    }
    return result;
}

bool IsAsciiText(QByteArrayView bytes)
{
    // Thirty-two octets, then eight, at a time: a whole contact file is asked this value by
    // value, and contact by contact.
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    for (; end - p >= 32; p += 32) {
        quint64 words[4];
        std::memcpy(words, p, sizeof words);
        if ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ULL)
            return false;
    }
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    }
    return true;
}

bool IsValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        // Runs of ASCII, most of any file, eight octets at a time.
        for (quint64 word; end - p >= 8; p += 8) {
            std::memcpy(&word, p, sizeof word);
            if (word & 0x8080808080808080ULL)
                break;
        }
        if (p == end)
            break;
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int extra;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            if (b == 0xE0)
                low = 0xA0; // overlong
            else if (b == 0xED)
                high = 0x9F; // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            if (b == 0xF0)
                low = 0x90; // overlong
            else if (b == 0xF4)
                high = 0x8F; // beyond U+10FFFF
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        if (p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= extra; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF)
                return false;
        }
        p += extra + 1;
    }
    return true;
}

QString DecodeTextLine(QByteArrayView bytes)
{
    if (IsAsciiText(bytes))
        return QString::fromLatin1(bytes);
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return DecodeWindows1252(bytes);
}

QString DecodeText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    if (IsAsciiText(bytes))
        return QString::fromLatin1(bytes);
    QString result;
    result.reserve(bytes.size());
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && !isLineBreak(bytes[end]))
            ++end;
        result += DecodeTextLine(bytes.sliced(pos, end - pos));
        // Line breaks are ASCII and copied as they are.
        while (end < bytes.size() && isLineBreak(bytes[end]))
            result += QLatin1Char(bytes[end++]);
        pos = end;
    }
    return result;
}
