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
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            if (escape) {
                if (c == u'\\' || c == u',' || c == u';') {
                    m_out.append('\\');
                } else if (c == u'\r' || c == u'\n') {
                    if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
                        ++i;
                    m_out.append("\\n", 2);
                    continue;
                }
            }
            m_out.append(char(c));
        } else if (c < 0x800) {
            m_out.append(char(0xC0 | (c >> 6)));
            m_out.append(char(0x80 | (c & 0x3F)));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, text[++i].unicode());
            m_out.append(char(0xF0 | (code >> 18)));
            m_out.append(char(0x80 | ((code >> 12) & 0x3F)));
            m_out.append(char(0x80 | ((code >> 6) & 0x3F)));
            m_out.append(char(0x80 | (code & 0x3F)));
        } else {
            const char16_t unit = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
            m_out.append(char(0xE0 | (unit >> 12)));
            m_out.append(char(0x80 | ((unit >> 6) & 0x3F)));
            m_out.append(char(0x80 | (unit & 0x3F)));
        }
    }
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
