#include "vcard/vcardreader.h"

#include "platform/textcodec.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && isBlank(bytes.front()))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && isBlank(bytes.back()))
        bytes.chop(1);
    return bytes;
}

bool isLine(QByteArrayView line, QByteArrayView expected)
{
    const QByteArrayView content = trimmed(line);
    return content.size() == expected.size() && content.compare(expected, Qt::CaseInsensitive) == 0;
}

bool isControlByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

// Bytes no text holds: a card with them is binary data, not a card. Eight bytes at a time,
// a closer look only at those with a byte below 0x20 or a DEL.
bool hasControlBytes(QByteArrayView line)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 highs = 0x8080808080808080ULL;
    const char *p = line.data();
    const char *const end = p + line.size();
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        const quint64 del = word ^ (ones * 0x7F);
        const bool suspect = (((word - ones * 0x20) & ~word) | ((del - ones) & ~del)) & highs;
        if (suspect && std::any_of(p, p + 8, isControlByte))
            return true;
    }
    return std::any_of(p, end, isControlByte);
}

// The size of the line end that starts at a CR or LF: CR CR LF and CR LF are one line end each.
qsizetype lineEndSize(QByteArrayView bytes, qsizetype at)
{
    if (bytes[at] == '\n')
        return 1;
    const QByteArrayView rest = bytes.sliced(at);
    return rest.startsWith("\r\r\n") ? 3 : rest.startsWith("\r\n") ? 2 : 1;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(QByteArrayView encoded)
{
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '=' && i + 2 < encoded.size() && hexDigit(encoded[i + 1]) >= 0 &&
            hexDigit(encoded[i + 2]) >= 0) {
            bytes.append(char(hexDigit(encoded[i + 1]) * 16 + hexDigit(encoded[i + 2])));
            i += 2;
        } else {
            bytes.append(encoded[i]);
        }
    }
    return bytes;
}

// UTF-8 as it stands, each byte that cannot be read as U+FFFD. A U+FEFF that begins a value is
// one of its characters (the file's byte order mark is gone by now): QString::fromUtf8 would
// drop it, and a name that begins with one would not read back as it was written.
QString decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// A value without a CHARSET: UTF-8, else Windows-1252.
QString decodeText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF") && IsValidUtf8(bytes))
        return decodeUtf8(bytes);
    return DecodeTextLine(bytes);
}

QString decodeCharset(QByteArrayView bytes, const QString &charset)
{
    if (charset.isEmpty())
        return decodeText(bytes);
    const QString name = charset.toUpper();
    // The card says UTF-8: a stray byte is a fault in that text, not another code page.
    if (name == QLatin1String("UTF-8") || name == QLatin1String("UTF8"))
        return decodeUtf8(bytes);
    if (name == QLatin1String("WINDOWS-1252") || name == QLatin1String("CP1252"))
        return DecodeWindows1252(bytes);
    if (name == QLatin1String("ISO-8859-1") || name == QLatin1String("LATIN1"))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(name.toLatin1().constData());
    if (decoder.isValid()) {
        QString text = decoder(bytes);
        if (!decoder.hasError())
            return text;
    }
    return decodeText(bytes);
}

// Takes the parameter out of the property, returning its first value (empty when missing).
QString takeParameter(TVCardProperty &property, QLatin1String name)
{
    for (qsizetype i = 0; i < property.parameters.size(); ++i) {
        if (property.parameters[i].name == name) {
            const QStringList values = property.parameters.takeAt(i).values;
            return values.isEmpty() ? QString() : values.first();
        }
    }
    return QString();
}

// Line breaks that quoted-printable carried, as the escape later versions use.
QString escapeLineBreaks(const QString &text)
{
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString escaped = text;
    escaped.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    escaped.replace(u'\r', QLatin1String("\\n"));
    escaped.replace(u'\n', QLatin1String("\\n"));
    return escaped;
}

// A 2.1 value escaped as 3.0 has it: 2.1 escapes only the semicolon, so another backslash and
// a comma are plain characters there (except between categories, which 2.1 writers separate
// with commas).
QString escapeAs30(const QString &value, const QString &name)
{
    const bool commaSeparated = name == QLatin1String("CATEGORIES");
    QString escaped;
    escaped.reserve(value.size() + 4);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\') {
            const bool escapesNext =
                i + 1 < value.size() && (value[i + 1] == u';' || value[i + 1] == u'n' ||
                                         value[i + 1] == u'N' || value[i + 1] == u',');
            escaped += escapesNext ? QStringView(value).sliced(i++, 2) : QStringView(u"\\\\");
        } else if (c == u',' && !commaSeparated) {
            escaped += QLatin1String("\\,");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// Control characters that quoted-printable carried (a raw one makes the card damaged).
QString withoutControlCharacters(QString text)
{
    text.removeIf([](QChar c) { return (c < u'\x20' && c != u'\t') || c == u'\x7F'; });
    return text;
}

// One property from its unfolded line: false when the line is not one.
bool readProperty(QByteArrayView line, TVCardProperty &property)
{
    QByteArrayView valueBytes;
    if (!ParseVCardContentLine(line, property, valueBytes))
        return false;
    const QString encoding = takeParameter(property, QLatin1String("ENCODING")).toUpper();
    const QString charset = takeParameter(property, QLatin1String("CHARSET"));
    if (encoding == QLatin1String("BASE64") || encoding == QLatin1String("B")) {
        property.parameters.append({QStringLiteral("ENCODING"), {QStringLiteral("b")}});
        property.value = QString::fromLatin1(valueBytes);
        property.value.remove(u' ');
        property.value.remove(u'\t');
    } else if (encoding == QLatin1String("QUOTED-PRINTABLE")) {
        property.value = withoutControlCharacters(
            escapeLineBreaks(decodeCharset(decodeQuotedPrintable(valueBytes), charset)));
    } else {
        property.value = decodeCharset(valueBytes, charset);
    }
    return true;
}

// The name and parameters of a content line: what comes before its first colon.
QByteArrayView head(QByteArrayView line)
{
    const qsizetype colon = line.indexOf(':');
    return colon < 0 ? line : line.first(colon);
}

enum class TLineEncoding
{
    Plain,
    QuotedPrintable,
    Base64,
};

// What the parameters of a line say of how its value is encoded: QUOTED-PRINTABLE anywhere
// before its value, else BASE64 or ENCODING=B. One look at each byte.
TLineEncoding lineEncoding(QByteArrayView line)
{
    const QByteArrayView h = head(line);
    if (!h.contains(';'))
        return TLineEncoding::Plain;
    const auto at = [&h](qsizetype i, QByteArrayView word) {
        return h.size() - i >= word.size() &&
               h.sliced(i, word.size()).compare(word, Qt::CaseInsensitive) == 0;
    };
    bool base64 = false;
    for (qsizetype i = 0; i < h.size(); ++i) {
        switch (h[i] | 0x20) { // the letter in lower case
        case 'q':
            if (at(i, "QUOTED-PRINTABLE"))
                return TLineEncoding::QuotedPrintable;
            break;
        case 'b':
            base64 = base64 || at(i, "BASE64");
            break;
        case 'e':
            base64 = base64 || at(i, "ENCODING=B");
            break;
        default:
            break;
        }
    }
    return base64 ? TLineEncoding::Base64 : TLineEncoding::Plain;
}

// Physical lines joined into content lines: folding (a line that starts with a blank
// continues the one before), quoted-printable soft line breaks (a line ending in "=") and
// 2.1 base64 data running on over lines without a colon.
class TLogicalLines
{
public:
    explicit TLogicalLines(QByteArrayView bytes) : m_bytes(bytes)
    {
        if (m_bytes.startsWith("\xEF\xBB\xBF"))
            m_bytes = m_bytes.sliced(3);
    }

    /// The next content line, or false at the end; tooLong is set when it was cut short.
    bool next(QByteArray &line, bool &tooLong)
    {
        tooLong = false;
        QByteArrayView physical;
        if (!m_pending && !readPhysical(physical))
            return false;
        line.resize(0); // keeps the buffer of the line before
        line.append(m_pending ? m_pendingLine : physical);
        m_pending = false;
        const TLineEncoding encoding = lineEncoding(line);
        const bool quotedPrintable = encoding == TLineEncoding::QuotedPrintable;
        const bool base64 = encoding == TLineEncoding::Base64;
        while (readPhysical(physical)) {
            if (quotedPrintable && line.endsWith('=') && !isLine(physical, "END:VCARD")) {
                line.chop(1);
                append(line, physical, tooLong);
            } else if (!physical.isEmpty() && isBlank(physical.front())) {
                append(line, physical.sliced(1), tooLong);
            } else if (base64 && !physical.isEmpty() && !physical.contains(':')) {
                append(line, physical, tooLong);
            } else {
                m_pendingLine = physical;
                m_pending = true;
                break;
            }
        }
        return true;
    }

private:
    // A line ends at CR, LF, CR LF or CR CR LF (a CR LF file that went through one more
    // conversion), in any mix. The next CR and the next LF are each looked for once, so a
    // file with one kind only is not searched to its end for the other at every line.
    bool readPhysical(QByteArrayView &line)
    {
        if (m_position >= m_bytes.size())
            return false;
        const qsizetype lf = nextOf('\n', m_nextLf);
        const qsizetype cr = nextOf('\r', m_nextCr);
        const qsizetype end = qMin(lf, cr);
        line = m_bytes.sliced(m_position, end - m_position);
        m_position = end < m_bytes.size() ? end + lineEndSize(m_bytes, end) : end;
        return true;
    }

    // The position of the next c at or after the current one (the size when there is none),
    // found again only once the reading has passed the one found before.
    qsizetype nextOf(char c, qsizetype &found) const
    {
        if (found < m_position) {
            found = m_bytes.indexOf(c, m_position);
            if (found < 0)
                found = m_bytes.size();
        }
        return found;
    }

    static void append(QByteArray &line, QByteArrayView more, bool &tooLong)
    {
        if (line.size() + more.size() > kMaxVCardLineBytes)
            tooLong = true;
        else
            line.append(more);
    }

    QByteArrayView m_bytes;
    qsizetype m_position = 0;
    qsizetype m_nextLf = -1;
    qsizetype m_nextCr = -1;
    QByteArrayView m_pendingLine; // read ahead, not yet handed out
    bool m_pending = false;
};

// A card's text once its version is known: a 2.1 value is escaped the 3.0 way.
void finishCard(TVCard &card)
{
    if (card.version != QLatin1String("2.1"))
        return;
    for (TVCardProperty &property : card.properties)
        if (!property.isBase64())
            property.value = escapeAs30(property.value, property.name);
}

// An empty card that keeps the room of the one before (unless take moved it away): a card
// is read in a buffer of that size, not one grown anew for each of a hundred thousand.
void startCard(TVCard &card)
{
    constexpr qsizetype kUsualProperties = 24; // a card with most fields filled
    card.version.clear();
    card.properties.clear();
    card.properties.reserve(kUsualProperties);
}

} // namespace

TVCardReadResult ReadVCards(QByteArrayView bytes)
{
    TVCardReadResult result;
    result.unreadable =
        ReadVCards(bytes, [&result](TVCard &&card) { result.cards.append(std::move(card)); });
    return result;
}

int ReadVCards(QByteArrayView bytes, const std::function<void(TVCard &&)> &take)
{
    struct
    {
        int unreadable = 0;
    } result;
    TLogicalLines lines(bytes);
    QByteArray line;
    bool tooLong = false;
    bool inCard = false;
    bool damaged = false;
    TVCard card;
    while (lines.next(line, tooLong)) {
        if (line.size() > kMaxVCardLineBytes)
            tooLong = true;
        if (isLine(line, "BEGIN:VCARD")) {
            if (inCard)
                ++result.unreadable; // the card before never ended
            inCard = true;
            damaged = false;
            startCard(card);
            continue;
        }
        if (!inCard)
            continue;
        if (isLine(line, "END:VCARD")) {
            inCard = false;
            if (damaged) {
                ++result.unreadable;
            } else {
                finishCard(card);
                take(std::move(card));
                startCard(card);
            }
            continue;
        }
        if (damaged)
            continue;
        if (tooLong || hasControlBytes(line)) {
            damaged = true;
            continue;
        }
        if (trimmed(line).isEmpty())
            continue;
        TVCardProperty property;
        if (readProperty(line, property)) {
            // A BEGIN or END that is not the card's own (item1.END:VCARD) is no data.
            if (property.name == QLatin1String("BEGIN") || property.name == QLatin1String("END"))
                continue;
            if (property.name == QLatin1String("VERSION"))
                card.version = property.value.trimmed();
            else
                card.properties.append(std::move(property));
        } else if (!card.properties.isEmpty()) {
            // A line break the writer forgot to fold or escape: the text goes on.
            card.properties.last().value += QLatin1String("\\n") + decodeText(line);
        }
    }
    if (inCard)
        ++result.unreadable;
    return result.unreadable;
}
