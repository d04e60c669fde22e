#include "profiles/contactsearch.h"

#include "profiles/contactsearchindex.h"

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

ContactNameMatcher::ContactNameMatcher(const QString &findText, ContactNameSearch how)
    : m_needle(how.matchCase ? findText : LowerAtoZ(findText)), m_how(how)
{}

bool ContactNameMatcher::operator()(const QString &name) const
{
    if (m_how.matchCase)
        return m_how.exactMatch ? name == m_needle : name.contains(m_needle);
    if (m_how.exactMatch)
        return equalLowered(name, m_needle);
    if (name.size() < m_needle.size())
        return false;
    lowerInto(name, m_hay);
    return m_hay.contains(m_needle);
}

QStringList SearchContactNames(const QStringList &source, const QString &findText,
                               ContactNameSearch how)
{
    const ContactNameMatcher matches(findText, how);
    QStringList found;
    for (const QString &name : source) {
        if (matches(name))
            found.append(name);
    }
    return found;
}

QStringList SearchContactsAnyField(const QStringList &source, const QString &findText,
                                   ContactNameSearch how, const TContactSearchIndex &index)
{
    const bool nameField = !how.matchCase && !how.exactMatch;
    // Searched forgivingly, a name holds whatever the plain rule finds in it, unless the find
    // text has no word to look for (blanks alone).
    if (nameField && !ForgivingSearch::NeedleWords(findText).isEmpty())
        return index.Find(source, findText, true);
    return index.Find(source, findText, nameField, ContactNameMatcher(findText, how));
}
