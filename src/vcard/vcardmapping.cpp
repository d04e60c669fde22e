#include "vcard/vcardmapping.h"

#include "profiles/contactfields.h"
#include "vcard/vcardfile.h"
#include "vcard/vcardwriter.h"

using S = TVCardSlot;
using L = QLatin1String;

// clang-format off
const std::array<TVCardMapping, 34> VCardMappings = {{
    {L("aContactName"), S::ContactName, L(VCardContactNameProperty), L(), L()},
    {L("pRealName"), S::FullName, L("FN"), L(), L()},
    {L("pNickName"), S::Text, L("NICKNAME"), L(), L()},
    {L("pEmailAddress"), S::PrimaryEmail, L("EMAIL"), L("INTERNET,PREF"), L()},
    {L("hEmail"), S::Text, L("EMAIL"), L("INTERNET,HOME"), L("home")},
    {L("wEmail"), S::Text, L("EMAIL"), L("INTERNET,WORK"), L("work")},
    {L("pOtherEmail"), S::OtherEmails, L("EMAIL"), L("INTERNET"), L()},
    {L("pMobile"), S::Phone, L("TEL"), L("CELL"), L("cell|mobile|iphone")},
    {L("hPhone"), S::Phone, L("TEL"), L("HOME,VOICE"), L("-fax -pager -cell -mobile -iphone -work")},
    {L("hPhoneExt"), S::Extension, L("TEL"), L(), L()},
    {L("hFax"), S::Phone, L("TEL"), L("HOME,FAX"), L("fax -work")},
    {L("hPager"), S::Phone, L("TEL"), L("PAGER"), L("pager -work")},
    {L("wPhoneNumber"), S::Phone, L("TEL"), L("WORK,VOICE"), L("work -fax -pager -cell -mobile -iphone")},
    {L("wPhoneExt"), S::Extension, L("TEL"), L(), L()},
    {L("wFax"), S::Phone, L("TEL"), L("WORK,FAX"), L("fax work")},
    {L("wPager"), S::Phone, L("TEL"), L("WORK,PAGER"), L("pager work")},
    {L("hAddress"), S::Street, L("ADR"), L("HOME"), L("-work")},
    {L("hCitg"), S::Locality, L("ADR"), L(), L()},
    {L("hState"), S::Region, L("ADR"), L(), L()},
    {L("hZipCode"), S::PostalCode, L("ADR"), L(), L()},
    {L("hCountry"), S::Country, L("ADR"), L(), L()},
    {L("wAddress"), S::Street, L("ADR"), L("WORK"), L("work")},
    {L("wCity"), S::Locality, L("ADR"), L(), L()},
    {L("wState"), S::Region, L("ADR"), L(), L()},
    {L("wZipCode"), S::PostalCode, L("ADR"), L(), L()},
    {L("wCountry"), S::Country, L("ADR"), L(), L()},
    {L("wCompany"), S::Company, L("ORG"), L(), L()},
    {L("pHomePage"), S::Text, L("URL"), L(), L("-home -work")},
    {L("hWebSite"), S::Text, L("URL"), L("HOME"), L("home")},
    {L("wWebSite"), S::Text, L("URL"), L("WORK"), L("work")},
    {L("aNotes"), S::Notes, L("NOTE"), L(), L()},
    {L("aContactCat"), S::Category, L("CATEGORIES"), L(), L()},
    {L("pIcq"), S::Icq, L("X-ICQ"), L(), L()},
    {L("aIcon"), S::Icon, L(VCardIconProperty), L(), L()},
}};
// clang-format on

namespace {

constexpr qsizetype kFieldCount = qsizetype(ContactFields.size());

// What the rest of a split ORG or CATEGORIES is kept as, to be joined again on export.
const QString orgUnitsProperty = QStringLiteral("X-QUENLARK-ORGUNITS");
const QString moreCategoriesProperty = QLatin1String(VCardMoreCategoriesProperty);
const QString productId = QStringLiteral("-//Quenlark//Quenlark Calbrey//EN");

// The table read once: each row's place in ContactFields, the type words of its match as
// bits, and per property the rows that a property of that name may fill (the first row of an
// address block, a phone's row).
struct TTypeWord
{
    bool excluded = false;
    quint32 alternatives = 0; // bits of TMappingIndex::typeWords
};

struct TPropertyRows
{
    QLatin1String property;
    QList<qsizetype> rows;
};

struct TMappingIndex
{
    std::array<qsizetype, 34> field{};
    std::array<QList<TTypeWord>, 34> match;
    // A handful of names, looked through faster than a hash of them.
    QList<TPropertyRows> rowsByProperty;
    // Every type word a match names, in lower case; a bit each. A 4.0 PREF parameter counts
    // as the type "pref".
    QList<QLatin1String> typeWords;
    quint32 prefBit = 0;

    TMappingIndex()
    {
        for (qsizetype row = 0; row < qsizetype(VCardMappings.size()); ++row) {
            const TVCardMapping &mapping = VCardMappings[row];
            for (qsizetype f = 0; f < kFieldCount; ++f)
                if (ContactFields[f].key == mapping.key)
                    field[row] = f;
            for (QLatin1String word : split(mapping.match, ' ')) {
                const bool excluded = word.startsWith(u'-');
                TTypeWord typeWord{excluded, 0};
                for (QLatin1String type : split(word.sliced(excluded ? 1 : 0), '|'))
                    typeWord.alternatives |= bitOf(type);
                match[row].append(typeWord);
            }
            if (mapping.slot == S::Extension || mapping.slot == S::Locality ||
                mapping.slot == S::Region || mapping.slot == S::PostalCode ||
                mapping.slot == S::Country)
                continue;
            rowsOf(mapping.property).append(row);
        }
        const QList<qsizetype> icqRows = rowsOf(QLatin1String("X-ICQ"));
        rowsOf(QLatin1String("IMPP")) = icqRows;
    }

    const QList<qsizetype> *rowsFor(const QString &property) const
    {
        for (const TPropertyRows &entry : rowsByProperty)
            if (IsVCardWord(property, entry.property))
                return &entry.rows;
        return nullptr;
    }

    /// The type words of the property that some match names, as bits.
    quint32 typesOf(const TVCardProperty &property) const
    {
        quint32 types = 0;
        if (property.parameter(QLatin1String("PREF")))
            types |= prefBit;
        if (const TVCardParameter *parameter = property.parameter(QLatin1String("TYPE")))
            for (const QString &value : parameter->values)
                for (qsizetype bit = 0; bit < typeWords.size(); ++bit)
                    if (IsVCardWord(value, typeWords[bit], Qt::CaseInsensitive))
                        types |= quint32(1) << bit;
        return types;
    }

private:
    QList<qsizetype> &rowsOf(QLatin1String property)
    {
        for (TPropertyRows &entry : rowsByProperty)
            if (entry.property == property)
                return entry.rows;
        rowsByProperty.append({property, {}});
        return rowsByProperty.last().rows;
    }

    // The words of the table's text, which lives as long as the program.
    static QList<QLatin1String> split(QLatin1String text, char separator)
    {
        QList<QLatin1String> words;
        while (!text.isEmpty()) {
            const qsizetype end = text.indexOf(QLatin1Char(separator));
            const QLatin1String word = end < 0 ? text : text.first(end);
            if (!word.isEmpty())
                words.append(word);
            text = end < 0 ? QLatin1String() : text.sliced(end + 1);
        }
        return words;
    }

    quint32 bitOf(QLatin1String type)
    {
        qsizetype bit = typeWords.indexOf(type);
        if (bit < 0) {
            bit = typeWords.size();
            typeWords.append(type);
        }
        Q_ASSERT(bit < 32);
        if (type == QLatin1String("pref"))
            prefBit = quint32(1) << bit;
        return quint32(1) << bit;
    }
};

const TMappingIndex &mappingIndex()
{
    static const TMappingIndex index;
    return index;
}

bool matchesTypes(quint32 types, qsizetype row)
{
    for (const TTypeWord &word : mappingIndex().match[row])
        if (((types & word.alternatives) != 0) == word.excluded)
            return false;
    return true;
}

// "555 0100 x12", "tel:+1-555-0100;ext=12": the number and its extension.
std::pair<QString, QString> splitExtension(QString number)
{
    if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) {
        number.remove(0, 4);
        const qsizetype ext = number.indexOf(QLatin1String(";ext="), 0, Qt::CaseInsensitive);
        if (ext < 0)
            return {number, QString()};
        QString extension = number.mid(ext + 5);
        extension.truncate(extension.indexOf(u';') < 0 ? extension.size()
                                                       : extension.indexOf(u';'));
        return {number.left(ext), extension};
    }
    if (!number.contains(u'x', Qt::CaseInsensitive))
        return {number, QString()}; // every marker ends in x
    for (const QLatin1String marker :
         {QLatin1String("ext."), QLatin1String("ext"), QLatin1String("x")}) {
        const qsizetype at = number.lastIndexOf(marker, -1, Qt::CaseInsensitive);
        if (at < 0)
            continue;
        const QString extension = number.mid(at + marker.size()).trimmed();
        bool digits = !extension.isEmpty();
        for (const QChar c : extension)
            digits = digits && c.isDigit();
        if (!digits)
            continue;
        QString rest = number.left(at);
        while (rest.endsWith(u' '))
            rest.chop(1);
        return {rest, extension};
    }
    return {number, QString()};
}

QStringList padded(QStringList parts, qsizetype size)
{
    while (parts.size() < size)
        parts.append(QString());
    return parts;
}

// The card's contact as it is gathered.
class TCardReading
{
public:
    TImportedContact finish();

    void read(const TVCardProperty &property, bool primaryEmail);

private:
    bool fill(qsizetype row, const TVCardProperty &property);
    QString &value(qsizetype row) { return m_values[mappingIndex().field[row]]; }
    void keep(const TVCardProperty &property) { m_extras.append(property); }
    // The rest of a split ORG or CATEGORIES, after the properties of the card: an export
    // joins them to the mapped property again and a second import puts them back here.
    void keepRest(const QString &name, const QString &value)
    {
        TVCardProperty property;
        property.name = name;
        property.value = value;
        m_rests.append(property);
    }

    std::array<QString, 34> m_values;
    std::array<bool, 34> m_filled{};
    QList<TVCardProperty> m_extras;
    QList<TVCardProperty> m_rests;

    QString m_ownName;
    bool m_hasOwnName = false;
    QString m_fullName;
    bool m_hasFullName = false;
    const TVCardProperty *m_n = nullptr;
    QString m_nickname;
    QString m_firstEmail;
    QString m_firstPhone;
    QString m_uid;
};

bool TCardReading::fill(qsizetype row, const TVCardProperty &property)
{
    const TVCardMapping &mapping = VCardMappings[row];
    if (mapping.slot != S::OtherEmails && m_filled[row])
        return false;
    m_filled[row] = true;
    switch (mapping.slot) {
    case S::Phone: {
        const bool hasExtension = row + 1 < qsizetype(VCardMappings.size()) &&
                                  VCardMappings[row + 1].slot == S::Extension;
        QString number = UnescapeVCardText(property.value);
        if (hasExtension || number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) {
            auto [phone, extension] = splitExtension(number);
            number = phone;
            if (hasExtension)
                value(row + 1) = extension;
            else if (!extension.isEmpty())
                number += QLatin1String(" x") + extension;
        }
        value(row) = number;
        break;
    }
    case S::Street: {
        const QStringList parts = padded(SplitVCardValue(property.value, u';'), 7);
        QStringList street;
        for (qsizetype i = 0; i < 3; ++i)
            if (!parts[i].isEmpty())
                street.append(parts[i]);
        value(row) = EncodeMultiLine(street.join(u'\n'));
        for (qsizetype i = 1; i <= 4; ++i)
            value(row + i) = parts[2 + i];
        break;
    }
    case S::Company:
    case S::Category: {
        const bool company = mapping.slot == S::Company;
        const QChar separator = company ? u';' : u',';
        if (!property.value.contains(separator)) {
            value(row) = UnescapeVCardText(property.value); // one part: nothing to keep
            break;
        }
        QStringList parts = SplitVCardValue(property.value, separator);
        value(row) = parts.takeFirst();
        if (!parts.isEmpty())
            keepRest(company ? orgUnitsProperty : moreCategoriesProperty,
                     JoinVCardValue(parts, separator));
        break;
    }
    case S::OtherEmails: {
        QString &emails = value(row);
        emails += (emails.isEmpty() ? QString() : QStringLiteral("|")) +
                  EncodeMultiLine(UnescapeVCardText(property.value));
        break;
    }
    case S::Notes:
        value(row) = EncodeMultiLine(UnescapeVCardText(property.value));
        break;
    case S::Icq: {
        QString number = UnescapeVCardText(property.value);
        if (property.name == QLatin1String("IMPP"))
            number.remove(0, 4); // "icq:"
        value(row) = number;
        break;
    }
    default:
        value(row) = UnescapeVCardText(property.value);
        break;
    }
    return true;
}

void TCardReading::read(const TVCardProperty &property, bool primaryEmail)
{
    const QString &name = property.name;
    if (IsVCardWord(name, QLatin1String("PRODID")))
        return; // about the program that wrote the file, not the contact
    if (IsVCardWord(name, QLatin1String(VCardContactNameProperty)) && !m_hasOwnName) {
        m_ownName = UnescapeVCardText(property.value);
        m_hasOwnName = true;
        return;
    }
    if (IsVCardWord(name, QLatin1String("UID")) && m_uid.isEmpty() && !property.value.isEmpty()) {
        m_uid = UnescapeVCardText(property.value);
        return;
    }
    if (IsVCardWord(name, QLatin1String("N")) && !m_n) {
        m_n = &property;
        return;
    }
    if (IsVCardWord(name, QLatin1String("FN")) && !m_hasFullName) {
        m_fullName = UnescapeVCardText(property.value);
        m_hasFullName = true;
    }
    if (IsVCardWord(name, QLatin1String("NICKNAME")) && m_nickname.isEmpty())
        m_nickname = UnescapeVCardText(property.value);
    if (IsVCardWord(name, QLatin1String("EMAIL")) && m_firstEmail.isEmpty())
        m_firstEmail = UnescapeVCardText(property.value);
    if (IsVCardWord(name, QLatin1String("TEL")) && m_firstPhone.isEmpty())
        m_firstPhone = splitExtension(UnescapeVCardText(property.value)).first;

    const QList<qsizetype> *rows = mappingIndex().rowsFor(name);
    if (rows && !property.value.isEmpty()) {
        if (IsVCardWord(name, QLatin1String("IMPP")) &&
            !property.value.startsWith(QLatin1String("icq:"), Qt::CaseInsensitive)) {
            keep(property);
            return;
        }
        const quint32 types = mappingIndex().typesOf(property);
        for (const qsizetype row : *rows) {
            const TVCardMapping &mapping = VCardMappings[row];
            if ((mapping.slot == S::PrimaryEmail) != primaryEmail)
                continue;
            if (matchesTypes(types, row) && fill(row, property))
                return;
        }
    }
    keep(property);
}

TImportedContact TCardReading::finish()
{
    constexpr qsizetype nameRow = 0;
    constexpr qsizetype realNameRow = 1;
    constexpr qsizetype iconRow = 33;
    // Our own card names the contact where FN does not: an FN equal to that name stood in
    // for a real name the contact did not have.
    if (m_hasOwnName && m_filled[realNameRow] && value(realNameRow) == m_ownName)
        value(realNameRow).clear();

    QString name = m_hasOwnName ? m_ownName : m_fullName;
    const QStringList n = m_n ? padded(SplitVCardValue(m_n->value, u';'), 5) : QStringList();
    if (name.trimmed().isEmpty() && m_n) {
        QStringList words;
        for (const QString &part : {n[1], n[2], n[0]})
            if (!part.trimmed().isEmpty())
                words.append(part.trimmed());
        name = words.join(u' ');
    }
    for (const QString *fallback : {&m_nickname, &m_firstEmail, &m_firstPhone})
        if (name.trimmed().isEmpty())
            name = *fallback;
    name = name.trimmed();

    // An N that an export makes again from FN is not kept.
    if (m_n) {
        const QString &exportedFullName = value(realNameRow).isEmpty() ? name : value(realNameRow);
        if (!m_n->group.isEmpty() || !m_n->parameters.isEmpty() ||
            n != padded(NameFromFullName(exportedFullName), 5))
            m_extras.prepend(*m_n);
    }

    m_extras += m_rests;
    TImportedContact contact;
    contact.name = name;
    value(nameRow) = name;
    if (value(iconRow).isEmpty())
        value(iconRow) = QStringLiteral("0");
    contact.fields.reserve(kFieldCount + 2);
    static const QStringList keys = [] {
        QStringList list;
        for (const ContactField &field : ContactFields)
            list.append(field.key);
        return list;
    }();
    for (qsizetype f = 0; f < kFieldCount; ++f)
        contact.fields.append({keys[f], std::move(m_values[f])});
    if (!m_extras.isEmpty())
        contact.fields.append({QLatin1String(VCardExtraKey), EncodeVCardExtras(m_extras)});
    else
        contact.clearedKeys.append(QLatin1String(VCardExtraKey));
    if (!m_uid.isEmpty())
        contact.fields.append({QLatin1String(ContactUidKey), m_uid});
    return contact;
}

} // namespace

QStringList NameFromFullName(const QString &fullName)
{
    const QString name = fullName.trimmed();
    const qsizetype blank = name.lastIndexOf(u' ');
    if (blank < 0)
        return {QString(), name, QString(), QString(), QString()};
    return {name.mid(blank + 1), name.left(blank).trimmed(), QString(), QString(), QString()};
}

TImportedContact ContactFromVCard(const TVCard &card)
{
    qsizetype primaryEmail = -1;
    for (qsizetype i = 0; i < card.properties.size(); ++i) {
        const TVCardProperty &property = card.properties[i];
        if (property.name != QLatin1String("EMAIL") || property.value.isEmpty())
            continue;
        if (primaryEmail < 0)
            primaryEmail = i;
        if (property.hasType(u"pref")) {
            primaryEmail = i;
            break;
        }
    }
    TCardReading reading;
    for (qsizetype i = 0; i < card.properties.size(); ++i)
        reading.read(card.properties[i], i == primaryEmail);
    return reading.finish();
}

namespace {

// "%", "|" and line breaks as %25, %7C, %0D and %0A, so that "|" can separate properties.
QString percentEscaped(const QString &line)
{
    QString escaped;
    escaped.reserve(line.size());
    for (const QChar c : line) {
        switch (c.unicode()) {
        case u'%':
            escaped += QLatin1String("%25");
            break;
        case u'|':
            escaped += QLatin1String("%7C");
            break;
        case u'\r':
            escaped += QLatin1String("%0D");
            break;
        case u'\n':
            escaped += QLatin1String("%0A");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString percentUnescaped(QStringView escaped)
{
    QString line;
    line.reserve(escaped.size());
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const QStringView code = escaped.sliced(i, qMin<qsizetype>(3, escaped.size() - i));
        if (code == u"%25")
            line += u'%';
        else if (code.compare(u"%7C", Qt::CaseInsensitive) == 0)
            line += u'|';
        else if (code.compare(u"%0D", Qt::CaseInsensitive) == 0)
            line += u'\r';
        else if (code.compare(u"%0A", Qt::CaseInsensitive) == 0)
            line += u'\n';
        else {
            line += escaped[i];
            continue;
        }
        i += 2;
    }
    return line;
}

} // namespace

QString EncodeVCardExtras(const QList<TVCardProperty> &properties)
{
    QString stored;
    for (const TVCardProperty &property : properties) {
        if (!stored.isEmpty())
            stored += u'|';
        stored += percentEscaped(property.contentLine());
    }
    return stored;
}

QList<TVCardProperty> DecodeVCardExtras(QStringView stored)
{
    QList<TVCardProperty> properties;
    for (const QStringView line : stored.split(u'|', Qt::SkipEmptyParts)) {
        TVCardProperty property;
        if (TVCardProperty::FromContentLine(percentUnescaped(line), property))
            properties.append(std::move(property));
    }
    return properties;
}

namespace {

// The TYPE (and 4.0 PREF) parameters of a row, as each version writes them.
struct TTypeParameters
{
    std::array<QString, 34> v30;
    std::array<QString, 34> v40;

    TTypeParameters()
    {
        for (qsizetype row = 0; row < qsizetype(VCardMappings.size()); ++row) {
            const QString types = VCardMappings[row].types;
            if (types.isEmpty())
                continue;
            v30[row] = QStringLiteral(";TYPE=") + types;
            QStringList v4types;
            bool preferred = false;
            for (const QString &type : types.split(u',')) {
                if (type == QLatin1String("PREF"))
                    preferred = true;
                else if (type != QLatin1String("INTERNET")) // no 4.0 type
                    v4types.append(type.toLower());
            }
            if (v4types.size() == 1)
                v40[row] = QStringLiteral(";TYPE=") + v4types.first();
            else if (v4types.size() > 1)
                v40[row] = QStringLiteral(";TYPE=\"") + v4types.join(u',') + u'"';
            if (preferred)
                v40[row] += QLatin1String(";PREF=1");
        }
    }
};

const TTypeParameters &typeParameters()
{
    static const TTypeParameters parameters;
    return parameters;
}

// Takes the first property of that name out of the list.
std::optional<TVCardProperty> takeProperty(QList<TVCardProperty> &properties, QStringView name)
{
    for (qsizetype i = 0; i < properties.size(); ++i)
        if (properties[i].name == name)
            return properties.takeAt(i);
    return std::nullopt;
}

// 4.0 has no inline encoding: a picture is a data: address.
void convertTo40(TVCardProperty &property)
{
    if (!property.isBase64())
        return;
    QString mediaType = QStringLiteral("application/octet-stream");
    for (qsizetype i = property.parameters.size() - 1; i >= 0; --i) {
        const TVCardParameter &parameter = property.parameters[i];
        if (parameter.name == QLatin1String("TYPE") && !parameter.values.isEmpty()) {
            const QString type = parameter.values.first().toLower();
            mediaType = type.contains(u'/') ? type : QStringLiteral("image/") + type;
        }
        if (parameter.name == QLatin1String("TYPE") || parameter.name == QLatin1String("ENCODING"))
            property.parameters.removeAt(i);
    }
    property.value =
        QStringLiteral("data:") + mediaType + QStringLiteral(";base64,") + property.value;
}

void writeStructured(TVCardLineWriter &line, const QStringList &parts)
{
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            line.Ascii(QLatin1String(";"));
        line.Text(parts[i]);
    }
}

} // namespace

void AppendVCard(QByteArray &out, const QString &name, const QStringList &values,
                 TVCardVersion version)
{
    const TMappingIndex &index = mappingIndex();
    const bool v40 = version == TVCardVersion::V40;
    const auto &types = v40 ? typeParameters().v40 : typeParameters().v30;
    const auto field = [&](qsizetype row) -> const QString & {
        return values[index.field[row]];
    };
    QList<TVCardProperty> extras;
    if (values.size() > kFieldCount && !values[kFieldCount].isEmpty())
        extras = DecodeVCardExtras(values[kFieldCount]);
    const std::optional<TVCardProperty> n = takeProperty(extras, u"N");
    const std::optional<TVCardProperty> orgUnits = takeProperty(extras, orgUnitsProperty);
    const std::optional<TVCardProperty> moreCategories =
        takeProperty(extras, moreCategoriesProperty);
    // A UID kept among the extras before it had a key of its own gives way to the key.
    const QString uid = values.value(kFieldCount + 1);
    if (!uid.isEmpty())
        takeProperty(extras, u"UID");

    TVCardLineWriter line(out);
    line.Begin(QLatin1String("BEGIN:VCARD")).End();
    line.Begin(QLatin1String(v40 ? "VERSION:4.0" : "VERSION:3.0")).End();
    line.Begin(QLatin1String("PRODID:")).Raw(productId).End();
    const QString &realName = field(1);
    const QString &fullName = realName.isEmpty() ? name : realName;
    line.Begin(QLatin1String("FN:")).Text(fullName).End();
    if (n) {
        line.Line(n->contentLine());
    } else {
        line.Begin(QLatin1String("N:"));
        writeStructured(line, NameFromFullName(fullName));
        line.End();
    }
    if (name != realName)
        line.Begin(QLatin1String(VCardContactNameProperty))
            .Ascii(QLatin1String(":"))
            .Text(name)
            .End();
    if (!uid.isEmpty())
        line.Begin(QLatin1String("UID:")).Text(uid).End();

    for (qsizetype row = 2; row < qsizetype(VCardMappings.size()); ++row) {
        const TVCardMapping &mapping = VCardMappings[row];
        const QString &value = field(row);
        const auto begin = [&] {
            line.Begin(mapping.property).Raw(types[row]).Ascii(QLatin1String(":"));
        };
        switch (mapping.slot) {
        case S::Phone: {
            const bool hasExtension = VCardMappings[row + 1].slot == S::Extension;
            const QString extension = hasExtension ? field(row + 1) : QString();
            if (value.isEmpty() && extension.isEmpty())
                break;
            begin();
            line.Text(value);
            if (!extension.isEmpty())
                line.Ascii(QLatin1String(" x")).Text(extension);
            line.End();
            break;
        }
        case S::Street: {
            const QStringList parts{QString(),      QString(),      DecodeMultiLine(value),
                                    field(row + 1), field(row + 2), field(row + 3),
                                    field(row + 4)};
            bool any = false;
            for (const QString &part : parts)
                any = any || !part.isEmpty();
            if (!any)
                break;
            begin();
            writeStructured(line, parts);
            line.End();
            break;
        }
        case S::Company:
        case S::Category: {
            const std::optional<TVCardProperty> &rest =
                mapping.slot == S::Company ? orgUnits : moreCategories;
            if (value.isEmpty() && !rest)
                break;
            begin();
            line.Text(value);
            if (rest)
                line.Ascii(QLatin1String(mapping.slot == S::Company ? ";" : ",")).Raw(rest->value);
            line.End();
            break;
        }
        case S::OtherEmails:
            for (const QStringView email : QStringView(value).split(u'|', Qt::SkipEmptyParts)) {
                begin();
                line.Text(email).End();
            }
            break;
        case S::Notes:
            if (!value.isEmpty()) {
                begin();
                line.Text(DecodeMultiLine(value)).End();
            }
            break;
        case S::Icq:
            if (!value.isEmpty()) {
                line.Begin(QLatin1String(v40 ? "IMPP:icq:" : "X-ICQ:")).Text(value).End();
            }
            break;
        case S::Icon:
            if (!value.isEmpty() && value != QLatin1String("0")) {
                begin();
                line.Text(value).End();
            }
            break;
        case S::Extension:
        case S::Locality:
        case S::Region:
        case S::PostalCode:
        case S::Country:
            break; // written with their phone or address
        default:
            if (!value.isEmpty()) {
                begin();
                line.Text(value).End();
            }
            break;
        }
    }
    for (TVCardProperty &property : extras) {
        if (v40)
            convertTo40(property);
        line.Line(property.contentLine());
    }
    line.Begin(QLatin1String("END:VCARD")).End();
}
