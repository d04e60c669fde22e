#include "profiles/normalform.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <memory>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace {

// Expensive to make and not thread-safe: one per thread, made on first use.
icu::Transliterator &foldingTransliterator()
{
    thread_local std::unique_ptr<icu::Transliterator> transliterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> made(icu::Transliterator::createInstance(
            icu::UnicodeString::fromUTF8("NFD; [:Nonspacing Mark:] Remove; Latin-ASCII; NFC"),
            UTRANS_FORWARD, status));
        if (U_FAILURE(status) || !made)
            qFatal("ICU cannot fold accents: %s", u_errorName(status));
        return made;
    }();
    return *transliterator;
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// ICU's normal form of each letter of the Latin blocks, asked once: most names that are not
// ASCII are made of them alone, and a letter on its own folds as it does in a word.
constexpr char16_t FirstUnlisted = 0x250;

const std::array<QString, FirstUnlisted> &latinLetters()
{
    static const std::array<QString, FirstUnlisted> letters = [] {
        std::array<QString, FirstUnlisted> made;
        for (char16_t c = 0x80; c < FirstUnlisted; ++c) {
            icu::UnicodeString letter{UChar(c)};
            foldingTransliterator().transliterate(letter);
            letter.foldCase();
            made[c] = QString(reinterpret_cast<const QChar *>(letter.getBuffer()), letter.length());
        }
        return made;
    }();
    return letters;
}

bool isLatin(QStringView text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < FirstUnlisted; });
}

// Most of an address book is plain ASCII; only the rest pays for ICU.
QString lowerAscii(QStringView text)
{
    QString lowered(text.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(lowered.data());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        *out++ = u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u;
    }
    return lowered;
}

const QStringView roleMailboxes[] = {
    u"admin",    u"contact", u"help",         u"hello",      u"info",   u"mail",       u"marketing",
    u"no-reply", u"noreply", u"do-not-reply", u"donotreply", u"office", u"postmaster", u"sales",
    u"service",  u"support", u"team",         u"webmaster",  u"abuse",  u"billing",    u"enquiries",
    u"hr",       u"jobs",    u"news",         u"newsletter", u"root",
};

// The commonest English short forms; a name with several roots keeps its most usual one.
const QHash<QString, QString> &nicknames()
{
    static const QHash<QString, QString> table = [] {
        const char *pairs[][2] = {
            {"al", "albert"},         {"alex", "alexander"}, {"andy", "andrew"},
            {"ben", "benjamin"},      {"bill", "william"},   {"billy", "william"},
            {"bob", "robert"},        {"bobby", "robert"},   {"charlie", "charles"},
            {"chris", "christopher"}, {"chuck", "charles"},  {"dan", "daniel"},
            {"danny", "daniel"},      {"dave", "david"},     {"dick", "richard"},
            {"ed", "edward"},         {"eddie", "edward"},   {"fred", "frederick"},
            {"greg", "gregory"},      {"jack", "john"},      {"jim", "james"},
            {"jimmy", "james"},       {"joe", "joseph"},     {"johnny", "john"},
            {"jon", "jonathan"},      {"kate", "katherine"}, {"kathy", "katherine"},
            {"liz", "elizabeth"},     {"beth", "elizabeth"}, {"maggie", "margaret"},
            {"matt", "matthew"},      {"mike", "michael"},   {"nick", "nicholas"},
            {"pat", "patricia"},      {"peggy", "margaret"}, {"pete", "peter"},
            {"rick", "richard"},      {"rob", "robert"},     {"sam", "samuel"},
            {"steve", "stephen"},     {"sue", "susan"},      {"ted", "edward"},
            {"tom", "thomas"},        {"tony", "anthony"},   {"will", "william"},
        };
        QHash<QString, QString> built;
        for (const auto &pair : pairs)
            built.insert(QLatin1String(pair[0]), QLatin1String(pair[1]));
        return built;
    }();
    return table;
}

} // namespace

namespace NormalForm {

QString Text(QStringView text)
{
    if (isAscii(text))
        return lowerAscii(text);
    QString normal;
    AppendText(text, normal);
    return normal;
}

void AppendText(QStringView text, QString &out)
{
    if (isLatin(text)) {
        const std::array<QString, FirstUnlisted> &letters = latinLetters();
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u >= 0x80)
                out += letters[u];
            else
                out += QChar(u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u);
        }
        return;
    }
    icu::UnicodeString folded(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    foldingTransliterator().transliterate(folded);
    folded.foldCase();
    out.append(reinterpret_cast<const QChar *>(folded.getBuffer()), folded.length());
}

QStringList NameWords(QStringView name)
{
    const QString normal = Text(name);
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= normal.size(); ++i) {
        const bool inWord = i < normal.size() && normal[i].isLetterOrNumber();
        if (inWord && start < 0) {
            start = i;
        } else if (!inWord && start >= 0) {
            words.append(normal.mid(start, i - start));
            start = -1;
        }
    }
    words.sort();
    words.removeDuplicates();
    return words;
}

QString NameKey(QStringView name)
{
    return NameWords(name).join(QLatin1Char(' '));
}

QString Email(QStringView address)
{
    const QStringView trimmed = address.trimmed();
    return isAscii(trimmed) ? lowerAscii(trimmed) : trimmed.toString().toCaseFolded();
}

bool IsRoleAddress(QStringView address)
{
    const qsizetype at = address.lastIndexOf(u'@');
    if (at <= 0)
        return false;
    QStringView mailbox = address.left(at);
    // "info+shop@" is still the info mailbox.
    if (const qsizetype plus = mailbox.indexOf(u'+'); plus > 0)
        mailbox = mailbox.left(plus);
    return std::any_of(std::begin(roleMailboxes), std::end(roleMailboxes),
                       [mailbox](QStringView role) { return mailbox == role; });
}

QString Digits(QStringView text)
{
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
        else if (c.unicode() >= 0x80 && c.isDigit())
            digits.append(QChar(u'0' + c.digitValue()));
    }
    return digits;
}

QString NicknameRoot(QStringView word)
{
    const auto found = nicknames().constFind(word.toString());
    return found == nicknames().constEnd() ? word.toString() : *found;
}

} // namespace NormalForm
