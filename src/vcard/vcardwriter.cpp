#include "vcard/vcardwriter.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr qsizetype kFoldOctets = 75;
constexpr std::array<char, 2> kLineEnd = {'\r', '\n'};
constexpr std::array<char, 3> kFold = {'\r', '\n', ' '}; // a line end and the blank after it

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

TVCardLineWriter::TVCardLineWriter(QByteArray &out) : m_out(out), m_size(out.size()) {}

TVCardLineWriter::~TVCardLineWriter()
{
    m_out.truncate(m_size);
}

void TVCardLineWriter::grow(qsizetype size)
{
    // A card's worth of room at a time, so that most cards ask for more once.
    constexpr qsizetype kRoomAhead = 4096;
    m_out.resize(m_size + size + kRoomAhead);
}

TVCardLineWriter &TVCardLineWriter::Begin(QLatin1String nameAndParameters)
{
    m_lineStart = m_size;
    return Ascii(nameAndParameters);
}

TVCardLineWriter &TVCardLineWriter::Begin(QStringView nameAndParameters)
{
    m_lineStart = m_size;
    appendUtf8(nameAndParameters, false);
    return *this;
}

TVCardLineWriter &TVCardLineWriter::Ascii(QLatin1String text)
{
    if (text.isEmpty())
        return *this; // its data may be null
    std::memcpy(room(text.size()), text.data(), std::size_t(text.size()));
    m_size += text.size();
    return *this;
}

TVCardLineWriter &TVCardLineWriter::Text(QStringView text)
{
    appendUtf8(text, true);
    return *this;
}

TVCardLineWriter &TVCardLineWriter::Raw(QStringView text)
{
    appendUtf8(text, false);
    return *this;
}

void TVCardLineWriter::appendUtf8(QStringView text, bool escape)
{
    const qsizetype size = text.size();
    // Room for the worst case, three octets a unit: no check of the buffer per octet.
    char *const start = room(3 * size);
    char *out = start;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            if (escape) {
                if (c == u'\\' || c == u',' || c == u';') {
                    *out++ = '\\';
                } else if (c == u'\r' || c == u'\n') {
                    if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
                        ++i;
                    *out++ = '\\';
                    *out++ = 'n';
                    continue;
                }
            }
            // Control characters would make the card binary data to a reader (ours too).
            if ((c < 0x20 && c != u'\t') || c == 0x7F)
                continue;
            *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, text[++i].unicode());
            *out++ = char(0xF0 | (code >> 18));
            *out++ = char(0x80 | ((code >> 12) & 0x3F));
            *out++ = char(0x80 | ((code >> 6) & 0x3F));
            *out++ = char(0x80 | (code & 0x3F));
        } else {
            const char16_t unit = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
            *out++ = char(0xE0 | (unit >> 12));
            *out++ = char(0x80 | ((unit >> 6) & 0x3F));
            *out++ = char(0x80 | (unit & 0x3F));
        }
    }
    m_size += out - start;
}

void TVCardLineWriter::End()
{
    const qsizetype lineSize = m_size - m_lineStart;
    if (lineSize > kFoldOctets) {
        // Folded from a copy of the line: each fold puts CR LF and a blank in.
        const QByteArray line(m_out.constData() + m_lineStart, lineSize);
        m_size = m_lineStart;
        qsizetype position = 0;
        qsizetype fold = kFoldOctets;
        while (lineSize - position > fold) {
            qsizetype cut = position + fold;
            while (cut > position + 1 && isContinuationByte(line[cut]))
                --cut;
            char *out = room(cut - position + qsizetype(kFold.size()));
            std::memcpy(out, line.constData() + position, std::size_t(cut - position));
            std::copy(kFold.begin(), kFold.end(), out + (cut - position));
            m_size += cut - position + qsizetype(kFold.size());
            position = cut;
            fold = kFoldOctets - 1; // the blank that starts a continuation counts
        }
        std::memcpy(room(lineSize - position), line.constData() + position,
                    std::size_t(lineSize - position));
        m_size += lineSize - position;
    }
    std::copy(kLineEnd.begin(), kLineEnd.end(), room(qsizetype(kLineEnd.size())));
    m_size += qsizetype(kLineEnd.size());
}
