#pragma once

#include <QByteArrayView>
#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

/// One parameter of a property: TYPE=home,voice is {"TYPE", {"home", "voice"}}. A vCard 2.1
/// bare type (TEL;CELL) reads as a TYPE, a bare QUOTED-PRINTABLE or BASE64 as an ENCODING.
struct TVCardParameter
{
    QString name; // upper case
    QStringList values;
};

/// One property of a card, in the form a vCard 3.0 content line holds it.
struct TVCardProperty
{
    QString group; // "item1" of item1.EMAIL, as written
    QString name;  // upper case
    QList<TVCardParameter> parameters;
    /// The value as text with its escapes (\n \, \; \\) in place: quoted-printable and the
    /// character set are undone, and a 2.1 value is escaped as 3.0 writes it. Base64 data stays
    /// as it is.
    QString value;

    const TVCardParameter *parameter(QLatin1String parameterName) const;
    /// A TYPE value, without regard to case; a 4.0 PREF parameter counts as the type "pref".
    bool hasType(QStringView type) const;
    bool isBase64() const;

    /// The property as one unfolded 3.0 content line.
    QString contentLine() const;
    /// A content line back (as contentLine() writes it); false when text is not one.
    static bool FromContentLine(QStringView text, TVCardProperty &property);
};

/// text is word, letter for letter (or, with Qt::CaseInsensitive, without regard to the case
/// of ASCII letters). Inline: a card is read by comparing a dozen names per line.
inline bool IsVCardWord(QStringView text, QLatin1String word,
                        Qt::CaseSensitivity cs = Qt::CaseSensitive)
{
    if (text.size() != word.size())
        return false;
    const auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t a = text[i].unicode();
        const char16_t b = word[i].unicode();
        if (a != b && (cs == Qt::CaseSensitive || lower(a) != lower(b)))
            return false;
    }
    return true;
}

/// The escaped text of a value back to plain text: \n (or \N) is a line break; a backslash
/// before a comma, a semicolon or another backslash stands for that character.
QString UnescapeVCardText(QStringView escaped);
/// The same, sharing the text when it has no escapes.
QString UnescapeVCardText(const QString &escaped);
/// Plain text escaped for a value: backslash, comma, semicolon and line breaks.
QString EscapeVCardText(QStringView text);
/// The parts of a structured (N, ADR, ORG) or list (CATEGORIES, NICKNAME) value, split at each
/// separator that is not escaped, each unescaped.
QStringList SplitVCardValue(QStringView escaped, QChar separator);
/// The opposite: each part escaped, joined by separator.
QString JoinVCardValue(const QStringList &parts, QChar separator);

/// Splits one unfolded content line into its group, name and parameters (merged by name, bare
/// 2.1 types and encodings named) and the bytes of its value, not yet decoded. False when the
/// line is not a property: no colon, or a name that is not one.
bool ParseVCardContentLine(QByteArrayView line, TVCardProperty &property, QByteArrayView &value);
