#include "vcard/vcardproperty.h"

#include <algorithm>
#include <array>

namespace {

bool isNameByte(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

// The names and type values nearly every card uses, shared instead of made anew per line.
const QStringList &commonWords()
{
    static const QStringList words = {
        QStringLiteral("FN"),
        QStringLiteral("N"),
        QStringLiteral("TEL"),
        QStringLiteral("EMAIL"),
        QStringLiteral("ADR"),
        QStringLiteral("ORG"),
        QStringLiteral("URL"),
        QStringLiteral("NOTE"),
        QStringLiteral("CATEGORIES"),
        QStringLiteral("NICKNAME"),
        QStringLiteral("VERSION"),
        QStringLiteral("PRODID"),
        QStringLiteral("TYPE"),
        QStringLiteral("PREF"),
        QStringLiteral("ENCODING"),
        QStringLiteral("CHARSET"),
        QStringLiteral("VALUE"),
        QStringLiteral("INTERNET"),
        QStringLiteral("HOME"),
        QStringLiteral("WORK"),
        QStringLiteral("VOICE"),
        QStringLiteral("FAX"),
        QStringLiteral("CELL"),
        QStringLiteral("PAGER"),
        QStringLiteral("X-ICQ"),
        QStringLiteral("IMPP"),
        QStringLiteral("X-QUENLARK-NAME"),
        QStringLiteral("X-QUENLARK-ICON"),
        QStringLiteral("BEGIN"),
        QStringLiteral("END"),
        QStringLiteral("home"),
        QStringLiteral("work"),
        QStringLiteral("voice"),
        QStringLiteral("fax"),
        QStringLiteral("cell"),
        QStringLiteral("pager"),
        QStringLiteral("uri"),
        QStringLiteral("text"),
    };
    return words;
}

// The common words by their length and first letter (in either case), so that a word is
// compared with one or two of them only.
constexpr std::size_t kLongestCommonWord = 15;

std::size_t commonWordBucket(qsizetype size, char16_t first)
{
    return std::size_t(size) * 32 + (first & 31);
}

const std::array<QList<QString>, (kLongestCommonWord + 1) * 32> &commonWordBuckets()
{
    static const auto buckets = [] {
        std::array<QList<QString>, (kLongestCommonWord + 1) * 32> words;
        for (const QString &word : commonWords()) {
            Q_ASSERT(std::size_t(word.size()) <= kLongestCommonWord);
            words[commonWordBucket(word.size(), word.front().unicode())].append(word);
        }
        return words;
    }();
    return buckets;
}

// bytes as text, shared when it is a common word (exactly so, or in any case when folding).
QString word(QByteArrayView bytes, bool toUpper)
{
    const bool mayBeCommon = !bytes.isEmpty() && std::size_t(bytes.size()) <= kLongestCommonWord;
    const QList<QString> none;
    const QList<QString> &candidates =
        mayBeCommon ? commonWordBuckets()[commonWordBucket(bytes.size(), char16_t(bytes.front()))]
                    : none;
    for (const QString &common : candidates) {
        bool same = true;
        for (qsizetype i = 0; same && i < bytes.size(); ++i) {
            const char c =
                toUpper && bytes[i] >= 'a' && bytes[i] <= 'z' ? char(bytes[i] - 32) : bytes[i];
            same = common[i] == QLatin1Char(c);
        }
        if (same)
            return common;
    }
    QString text = QString::fromUtf8(bytes);
    return toUpper ? std::move(text).toUpper() : text;
}

QString upper(QByteArrayView bytes)
{
    return word(bytes, true);
}

// bytes split at each separator outside double quotes, the quotes dropped.
QStringList splitOutsideQuotes(QByteArrayView bytes, char separator)
{
    QStringList parts;
    if (!bytes.contains('"')) {
        for (qsizetype start = 0;;) {
            const qsizetype end = bytes.indexOf(separator, start);
            parts.append(word(bytes.sliced(start, (end < 0 ? bytes.size() : end) - start), false));
            if (end < 0)
                return parts;
            start = end + 1;
        }
    }
    QByteArray part;
    bool quoted = false;
    for (char c : bytes) {
        if (c == '"')
            quoted = !quoted;
        else if (c == separator && !quoted)
            parts.append(QString::fromUtf8(std::exchange(part, QByteArray())));
        else
            part.append(c);
    }
    parts.append(QString::fromUtf8(part));
    return parts;
}

void addParameter(TVCardProperty &property, const QString &name, QStringList values)
{
    for (TVCardParameter &parameter : property.parameters) {
        if (parameter.name == name) {
            parameter.values += values;
            return;
        }
    }
    property.parameters.append({name, std::move(values)});
}

// 2.1 writes a bare encoding (TEL;QUOTED-PRINTABLE) where later versions write ENCODING=.
bool isBareEncoding(const QString &token)
{
    return token == QLatin1String("QUOTED-PRINTABLE") || token == QLatin1String("BASE64") ||
           token == QLatin1String("8BIT") || token == QLatin1String("7BIT");
}

void parseParameter(QByteArrayView token, TVCardProperty &property)
{
    const qsizetype equals = token.indexOf('=');
    if (equals < 0) {
        const QString bare = upper(token).trimmed();
        if (!bare.isEmpty())
            addParameter(property,
                         isBareEncoding(bare) ? QStringLiteral("ENCODING") : QStringLiteral("TYPE"),
                         QStringList{bare});
        return;
    }
    const QString name = upper(token.first(equals)).trimmed();
    QStringList values = splitOutsideQuotes(token.sliced(equals + 1), ',');
    const auto isOneType = [](const QString &value) {
        return !value.isEmpty() && !value.contains(u',');
    };
    if (name == QLatin1String("TYPE") && !std::all_of(values.cbegin(), values.cend(), isOneType)) {
        // 4.0 quotes a list of types: TYPE="work,voice".
        QStringList types;
        for (const QString &value : values) {
            if (value.contains(u','))
                types += value.split(u',', Qt::SkipEmptyParts);
            else if (!value.isEmpty())
                types.append(value);
        }
        values = types;
    }
    addParameter(property, name, std::move(values));
}

// A parameter value that must be quoted to stay one value.
bool needsQuotes(const QString &value)
{
    return value.contains(u':') || value.contains(u';') || value.contains(u',');
}

} // namespace

bool ParseVCardContentLine(QByteArrayView line, TVCardProperty &property, QByteArrayView &value)
{
    qsizetype i = 0;
    const qsizetype size = line.size();
    while (i < size && line[i] != ';' && line[i] != ':')
        ++i;
    if (i == size || i == 0)
        return false;
    const QByteArrayView fullName = line.first(i);
    for (char c : fullName)
        if (!isNameByte(c))
            return false;
    qsizetype dot = fullName.size() - 1; // names are short: a plain look back
    while (dot >= 0 && fullName[dot] != '.')
        --dot;
    property.group = QString::fromLatin1(fullName.first(qMax<qsizetype>(dot, 0)));
    property.name = upper(fullName.sliced(dot + 1));
    if (property.name.isEmpty())
        return false;
    property.parameters.clear();
    while (line[i] == ';') {
        const qsizetype start = ++i;
        bool quoted = false;
        while (i < size && (quoted || (line[i] != ';' && line[i] != ':'))) {
            if (line[i] == '"')
                quoted = !quoted;
            ++i;
        }
        if (i == size)
            return false;
        parseParameter(line.sliced(start, i - start), property);
    }
    value = line.sliced(i + 1);
    return true;
}

const TVCardParameter *TVCardProperty::parameter(QLatin1String parameterName) const
{
    for (const TVCardParameter &p : parameters)
        if (IsVCardWord(p.name, parameterName))
            return &p;
    return nullptr;
}

bool TVCardProperty::hasType(QStringView type) const
{
    if (type == u"pref" && parameter(QLatin1String("PREF")))
        return true;
    const TVCardParameter *types = parameter(QLatin1String("TYPE"));
    if (!types)
        return false;
    for (const QString &value : types->values)
        if (value.size() == type.size() && value.compare(type, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool TVCardProperty::isBase64() const
{
    const TVCardParameter *encoding = parameter(QLatin1String("ENCODING"));
    return encoding && !encoding->values.isEmpty() &&
           (encoding->values.first().compare(QLatin1String("b"), Qt::CaseInsensitive) == 0 ||
            encoding->values.first().compare(QLatin1String("BASE64"), Qt::CaseInsensitive) == 0);
}

QString TVCardProperty::contentLine() const
{
    QString line;
    if (!group.isEmpty())
        line += group + u'.';
    line += name;
    for (const TVCardParameter &p : parameters) {
        line += u';' + p.name + u'=';
        for (qsizetype i = 0; i < p.values.size(); ++i) {
            if (i > 0)
                line += u',';
            line += needsQuotes(p.values[i]) ? u'"' + p.values[i] + u'"' : p.values[i];
        }
    }
    return line + u':' + value;
}

bool TVCardProperty::FromContentLine(QStringView text, TVCardProperty &property)
{
    const QByteArray bytes = text.toUtf8();
    QByteArrayView value;
    if (!ParseVCardContentLine(bytes, property, value))
        return false;
    property.value = QString::fromUtf8(value);
    return true;
}

QString UnescapeVCardText(QStringView escaped)
{
    // Never longer than the escaped text: written through a pointer, then cut to size.
    QString text(escaped.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const QChar c = escaped[i];
        if (c != u'\\' || i + 1 == escaped.size()) {
            *out++ = c;
            continue;
        }
        const QChar next = escaped[++i];
        *out++ = next == u'n' || next == u'N' ? QChar(u'\n') : next;
    }
    text.truncate(out - text.constData());
    return text;
}

QString UnescapeVCardText(const QString &escaped)
{
    return escaped.contains(u'\\') ? UnescapeVCardText(QStringView(escaped)) : escaped;
}

QString EscapeVCardText(QStringView text)
{
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' || c == u',' || c == u';') {
            escaped += u'\\';
            escaped += c;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            escaped += QLatin1String("\\n");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QStringList SplitVCardValue(QStringView escaped, QChar separator)
{
    QStringList parts;
    parts.reserve(escaped.count(separator) + 1);
    qsizetype start = 0;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == u'\\') {
            ++i;
        } else if (escaped[i] == separator) {
            parts.append(UnescapeVCardText(escaped.sliced(start, i - start)));
            start = i + 1;
        }
    }
    parts.append(UnescapeVCardText(escaped.sliced(qMin(start, escaped.size()))));
    return parts;
}

QString JoinVCardValue(const QStringList &parts, QChar separator)
{
    QString joined;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            joined += separator;
        joined += EscapeVCardText(parts[i]);
    }
    return joined;
}
