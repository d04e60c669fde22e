#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstddef>
#include <string_view>

/// How a contact field is stored in its key of book.db.
enum class ContactFieldKind
{
    Text,      // one line; line breaks are stored as blanks
    Integer,   // decimal
    MultiLine, // one line, "|" for each line break
};

struct ContactField
{
    QLatin1String key;
    ContactFieldKind kind;
    /// The objectName of the contact editor's control for the key (the picture is the index
    /// chosen in aContactIcon); the names differ from the keys in places.
    QLatin1String editorControl;

    bool isMultiLine() const { return kind == ContactFieldKind::MultiLine; }
};

/// Every key of a contact, in the order the contact editor saves them. The editor, the
/// report, the summary and the import all take their keys from here.
inline constexpr std::array<ContactField, 34> ContactFields = {{
    {QLatin1String("aContactName"), ContactFieldKind::Text, QLatin1String("aContactName")},
    {QLatin1String("aContactCat"), ContactFieldKind::Text, QLatin1String("aContactCat")},
    {QLatin1String("pRealName"), ContactFieldKind::Text, QLatin1String("pRealName")},
    {QLatin1String("pNickName"), ContactFieldKind::Text, QLatin1String("pNickName")},
    {QLatin1String("pEmailAddress"), ContactFieldKind::Text, QLatin1String("pEmailAddress")},
    {QLatin1String("pHomePage"), ContactFieldKind::Text, QLatin1String("pHomePage")},
    {QLatin1String("pMobile"), ContactFieldKind::Text, QLatin1String("pMobileNumber")},
    {QLatin1String("pIcq"), ContactFieldKind::Text, QLatin1String("pIcqNumber")},
    // "hCitg", sic: the files have always used it.
    {QLatin1String("hCitg"), ContactFieldKind::Text, QLatin1String("hCity")},
    {QLatin1String("hZipCode"), ContactFieldKind::Text, QLatin1String("hZipCode")},
    {QLatin1String("hCountry"), ContactFieldKind::Text, QLatin1String("hCountry")},
    {QLatin1String("hState"), ContactFieldKind::Text, QLatin1String("hState")},
    {QLatin1String("hPhone"), ContactFieldKind::Text, QLatin1String("hPhone")},
    {QLatin1String("hPhoneExt"), ContactFieldKind::Text, QLatin1String("hExt")},
    {QLatin1String("hFax"), ContactFieldKind::Text, QLatin1String("hFax")},
    {QLatin1String("hPager"), ContactFieldKind::Text, QLatin1String("hPager")},
    {QLatin1String("hWebSite"), ContactFieldKind::Text, QLatin1String("hWebSite")},
    {QLatin1String("wCompany"), ContactFieldKind::Text, QLatin1String("wCompany")},
    {QLatin1String("wCity"), ContactFieldKind::Text, QLatin1String("wCity")},
    {QLatin1String("wZipCode"), ContactFieldKind::Text, QLatin1String("wZipCode")},
    {QLatin1String("wCountry"), ContactFieldKind::Text, QLatin1String("wCountry")},
    {QLatin1String("wState"), ContactFieldKind::Text, QLatin1String("wState")},
    {QLatin1String("wPhoneNumber"), ContactFieldKind::Text, QLatin1String("wPhone")},
    {QLatin1String("wPhoneExt"), ContactFieldKind::Text, QLatin1String("wExt")},
    {QLatin1String("wFax"), ContactFieldKind::Text, QLatin1String("wFax")},
    {QLatin1String("wPager"), ContactFieldKind::Text, QLatin1String("wPager")},
    {QLatin1String("wWebSite"), ContactFieldKind::Text, QLatin1String("wWebSite")},
    {QLatin1String("hEmail"), ContactFieldKind::Text, QLatin1String("hEmail")},
    {QLatin1String("wEmail"), ContactFieldKind::Text, QLatin1String("wEmail")},
    {QLatin1String("aIcon"), ContactFieldKind::Integer, QLatin1String("aContactIcon")},
    {QLatin1String("aNotes"), ContactFieldKind::MultiLine, QLatin1String("mNotes")},
    {QLatin1String("hAddress"), ContactFieldKind::MultiLine, QLatin1String("hAddress")},
    {QLatin1String("wAddress"), ContactFieldKind::MultiLine, QLatin1String("wAddress")},
    {QLatin1String("pOtherEmail"), ContactFieldKind::MultiLine, QLatin1String("pOtherAddresses")},
}};

/// The place of key in ContactFields; a key that is not in it does not compile.
consteval std::size_t ContactFieldIndex(std::string_view key)
{
    for (std::size_t i = 0; i < ContactFields.size(); ++i) {
        if (std::string_view(ContactFields[i].key.data(),
                             std::size_t(ContactFields[i].key.size())) == key)
            return i;
    }
    throw "not a contact field key";
}

/// The keys of ContactFields, in order, for reading a whole contact at once.
QStringList ContactFieldKeys();

/// The entry for key (matched without regard to case, as book.db matches keys), or nullptr.
const ContactField *FindContactField(QStringView key);

/// Multi-line text in its one-line stored form: each line break (CR LF, a lone CR or a lone LF)
/// becomes "|".
QString EncodeMultiLine(QStringView text);
/// The same, sharing text when it has no line break.
QString EncodeMultiLine(const QString &text);
/// The stored form back to text: each "|" becomes CR LF.
QString DecodeMultiLine(QStringView stored);
/// The same, sharing stored when it has no "|".
QString DecodeMultiLine(const QString &stored);
