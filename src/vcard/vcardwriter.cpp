#include "vcard/vcardwriter.h"

namespace {

constexpr qsizetype kFoldOctets = 75;

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

TVCardLineWriter &TVCardLineWriter::Begin(QLatin1String nameAndParameters)
{
    m_lineStart = m_out.size();
    m_out.append(nameAndParameters.data(), nameAndParameters.size());
    return *this;
}

TVCardLineWriter &TVCardLineWriter::Begin(QStringView nameAndParameters)
{
    m_lineStart = m_out.size();
    appendUtf8(nameAndParameters, false);
    return *this;
}

TVCardLineWriter &TVCardLineWriter::Ascii(QLatin1String text)
{
    m_out.append(text.data(), text.size());
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
    // Room for the worst case (three octets a unit), written through a pointer: a card is
    // mostly short ASCII values, and a check of the buffer per octet would cost more.
    const qsizetype start = m_out.size();
    m_out.resize(start + 3 * size);
    char *out = m_out.data() + start;
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
    m_out.truncate(out - m_out.constData());
}

void TVCardLineWriter::End()
{
    if (m_out.size() - m_lineStart > kFoldOctets) {
        const QByteArray line = m_out.sliced(m_lineStart);
        m_out.truncate(m_lineStart);
        qsizetype position = 0;
        qsizetype room = kFoldOctets;
        while (line.size() - position > room) {
            qsizetype cut = position + room;
            while (cut > position + 1 && isContinuationByte(line[cut]))
                --cut;
            m_out.append(line.constData() + position, cut - position);
            m_out.append("\r\n ", 3);
            position = cut;
            room = kFoldOctets - 1; // the blank that starts a continuation counts
        }
        m_out.append(line.constData() + position, line.size() - position);
    }
    m_out.append("\r\n", 2);
}
