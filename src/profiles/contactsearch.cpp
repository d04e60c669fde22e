#include "profiles/contactsearch.h"

namespace {
constexpr char16_t lowerAtoZ(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

void lowerInto(QStringView text, QString &buffer)
{
    // One buffer for every name of a search: no allocation per name.
    buffer.resize(text.size());
    char16_t *out = reinterpret_cast<char16_t *>(buffer.data());
    for (const QChar c : text)
        *out++ = lowerAtoZ(c.unicode());
}

bool equalLowered(QStringView name, QStringView loweredNeedle)
{
    if (name.size() != loweredNeedle.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (lowerAtoZ(name[i].unicode()) != loweredNeedle[i].unicode())
            return false;
    }
    return true;
}
} // namespace

QString LowerAtoZ(QStringView text)
{
    QString lowered;
    lowerInto(text, lowered);
    return lowered;
}

QStringList SearchContactNames(const QStringList &source, const QString &findText,
                               ContactNameSearch how)
{
    QStringList found;
    if (how.matchCase) {
        for (const QString &name : source) {
            if (how.exactMatch ? name == findText : name.contains(findText))
                found.append(name);
        }
        return found;
    }
    const QString needle = LowerAtoZ(findText);
    QString hay;
    for (const QString &name : source) {
        bool matches = false;
        if (how.exactMatch) {
            matches = equalLowered(name, needle);
        } else if (name.size() >= needle.size()) {
            lowerInto(name, hay);
            matches = hay.contains(needle);
        }
        if (matches)
            found.append(name);
    }
    return found;
}
