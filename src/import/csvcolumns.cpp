#include "import/csvcolumns.h"

#include "profiles/contactfields.h"

namespace {

const QString otherEmailsKey = QStringLiteral("pOtherEmail");

// The fields in the order a person looks for them, personal, home and work.
const QList<TCsvColumnChoice> &fieldChoices()
{
    static const QList<TCsvColumnChoice> choices = {
        {QStringLiteral("aContactName"), QStringLiteral("Contact name")},
        {QStringLiteral("aContactCat"), QStringLiteral("Category")},
        {QStringLiteral("pRealName"), QStringLiteral("Real name")},
        {QStringLiteral("pNickName"), QStringLiteral("Nick name")},
        {QStringLiteral("pEmailAddress"), QStringLiteral("E-mail address")},
        // Each column a further address.
        {QLatin1Char('+') + otherEmailsKey, QStringLiteral("Other e-mail addresses")},
        {QStringLiteral("pHomePage"), QStringLiteral("Home page")},
        {QStringLiteral("pMobile"), QStringLiteral("Mobile number")},
        {QStringLiteral("pIcq"), QStringLiteral("ICQ number")},
        {QStringLiteral("hAddress"), QStringLiteral("Home: Address")},
        {QStringLiteral("hCitg"), QStringLiteral("Home: City")},
        {QStringLiteral("hZipCode"), QStringLiteral("Home: Zip code")},
        {QStringLiteral("hState"), QStringLiteral("Home: State")},
        {QStringLiteral("hCountry"), QStringLiteral("Home: Country")},
        {QStringLiteral("hPhone"), QStringLiteral("Home: Phone number")},
        {QStringLiteral("hPhoneExt"), QStringLiteral("Home: Phone ext")},
        {QStringLiteral("hFax"), QStringLiteral("Home: Fax number")},
        {QStringLiteral("hPager"), QStringLiteral("Home: Pager")},
        {QStringLiteral("hEmail"), QStringLiteral("Home: E-mail address")},
        {QStringLiteral("hWebSite"), QStringLiteral("Home: Web site")},
        {QStringLiteral("wCompany"), QStringLiteral("Work: Company name")},
        {QStringLiteral("wAddress"), QStringLiteral("Work: Address")},
        {QStringLiteral("wCity"), QStringLiteral("Work: City")},
        {QStringLiteral("wZipCode"), QStringLiteral("Work: Zip code")},
        {QStringLiteral("wState"), QStringLiteral("Work: State")},
        {QStringLiteral("wCountry"), QStringLiteral("Work: Country")},
        {QStringLiteral("wPhoneNumber"), QStringLiteral("Work: Phone number")},
        {QStringLiteral("wPhoneExt"), QStringLiteral("Work: Phone ext")},
        {QStringLiteral("wFax"), QStringLiteral("Work: Fax number")},
        {QStringLiteral("wPager"), QStringLiteral("Work: Pager")},
        {QStringLiteral("wEmail"), QStringLiteral("Work: E-mail address")},
        {QStringLiteral("wWebSite"), QStringLiteral("Work: Web site")},
        {QStringLiteral("aNotes"), QStringLiteral("Notes")},
        {QStringLiteral("aIcon"), QStringLiteral("Picture number")},
    };
    return choices;
}

const QString extraText = QStringLiteral("(keep as extra)");
const QString skipText = QStringLiteral("(skip)");

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

} // namespace

TCsvColumnRule TCsvColumnRule::FromKey(const QString &key, const QString &header)
{
    using K = TCsvColumnKind;
    if (key == QLatin1String(CsvUnknownColumn))
        return {isBlank(header) ? K::Skip : K::Extra, QString()};
    if (key == QLatin1String(CsvExtraKey))
        return {K::Extra, QString()};
    if (key == QLatin1String(CsvSkipKey))
        return {K::Skip, QString()};
    if (key == QLatin1String(".label"))
        return {K::Label, QString()};
    if (key == QLatin1String(".category"))
        return {K::Category, QStringLiteral("aContactCat")};
    if (key.size() > 1) {
        const QString rest = key.sliced(1);
        switch (key.front().unicode()) {
        case u'+':
            return {K::AddLine, rest};
        case u'?':
            return {K::Fill, rest};
        case u'@':
            return {K::ByLabel, rest};
        default:
            break;
        }
    }
    return {K::Field, key};
}

const QList<TCsvColumnChoice> &CsvColumnChoices()
{
    static const QList<TCsvColumnChoice> choices = [] {
        QList<TCsvColumnChoice> list{{QLatin1String(CsvExtraKey), extraText},
                                     {QLatin1String(CsvSkipKey), skipText}};
        list += fieldChoices();
        return list;
    }();
    return choices;
}

bool IsCsvColumnChoice(const QString &key)
{
    for (const TCsvColumnChoice &choice : CsvColumnChoices())
        if (choice.key == key)
            return true;
    return false;
}

QString CsvChoiceOf(const QString &key)
{
    const TCsvColumnRule rule = TCsvColumnRule::FromKey(key, QStringLiteral("-"));
    switch (rule.kind) {
    case TCsvColumnKind::Extra:
        return QLatin1String(CsvExtraKey);
    case TCsvColumnKind::Skip:
        return QLatin1String(CsvSkipKey);
    case TCsvColumnKind::Field:
    case TCsvColumnKind::AddLine:
    case TCsvColumnKind::Fill:
    case TCsvColumnKind::Category:
        for (const TCsvColumnChoice &choice : fieldChoices()) {
            const QString field = TCsvColumnRule::FromKey(choice.key, QString()).key;
            if (field.compare(rule.key, Qt::CaseInsensitive) == 0)
                return choice.key;
        }
        return QString();
    case TCsvColumnKind::ByLabel:
    case TCsvColumnKind::Label:
        break;
    }
    return QString();
}

QString CsvColumnTargetText(const QString &key, const QString &header)
{
    const TCsvColumnRule rule = TCsvColumnRule::FromKey(key, header);
    switch (rule.kind) {
    case TCsvColumnKind::Extra:
        return extraText;
    case TCsvColumnKind::Skip:
        return skipText;
    case TCsvColumnKind::ByLabel:
        return QStringLiteral("(field by label)");
    case TCsvColumnKind::Label:
        return QStringLiteral("(label)");
    case TCsvColumnKind::Field:
        if (rule.key == QLatin1String(".name"))
            return QStringLiteral("(contact name)");
        break;
    case TCsvColumnKind::AddLine:
    case TCsvColumnKind::Fill:
    case TCsvColumnKind::Category:
        break;
    }
    const QString choice = CsvChoiceOf(key);
    for (const TCsvColumnChoice &field : fieldChoices())
        if (field.key == choice)
            return field.text;
    return rule.key; // a key of the table's own, written as it stands
}

QString CsvChoiceHeader(const QString &header)
{
    return header.toCaseFolded();
}

QString CsvExtraPropertyName(const QString &header, qsizetype column)
{
    QString name;
    bool hyphen = false;
    for (const QChar c : header.normalized(QString::NormalizationForm_KD)) {
        const char16_t u = c.unicode();
        const bool letterOrDigit =
            (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
        if (letterOrDigit) {
            if (hyphen && !name.isEmpty())
                name += u'-';
            name += c.toUpper();
            hyphen = false;
        } else if (!c.isMark()) {
            hyphen = true; // an accent is dropped, any other character parts words
        }
    }
    if (name.isEmpty())
        name = QStringLiteral("COLUMN-") + QString::number(column + 1);
    return QStringLiteral("X-CSV-") + name;
}
