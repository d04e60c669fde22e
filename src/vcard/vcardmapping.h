#pragma once

#include "import/contactimport.h"
#include "vcard/vcardreader.h"

#include <QByteArray>
#include <QLatin1String>
#include <QStringList>
#include <array>

enum class TVCardVersion;

/// What a contact key holds of a card.
enum class TVCardSlot
{
    FullName,     // FN
    ContactName,  // our own property: the contact's name where FN does not give it
    Text,         // the whole value as text
    PrimaryEmail, // the preferred EMAIL, else the first
    OtherEmails,  // one line per EMAIL
    Phone,        // a TEL; the extension goes to the key of the next row
    Extension,    // of the phone in the row before
    Street,       // ADR: the street (with any post office box and extended address before it)
    Locality,     // ADR, the parts after the street, in their order
    Region,
    PostalCode,
    Country,
    Company,  // ORG, its first part
    Category, // CATEGORIES, the first
    Notes,    // NOTE, line breaks stored as "|"
    Icq,      // X-ICQ, or IMPP with an icq: address
    Icon,     // our own property: the picture's number
};

/// One contact key and the vCard property it is written as and read from.
struct TVCardMapping
{
    QLatin1String key;
    TVCardSlot slot;
    QLatin1String property;
    /// The TYPE values written, as 3.0 spells them (4.0 writes them in lower case).
    QLatin1String types;
    /// The types a property must have to fill the key on import: words that must all be
    /// there, "a|b" for either, "-a" for one that must not be there. Empty: any.
    QLatin1String match;
};

/// Every contact key, in the order an exported card lists them.
extern const std::array<TVCardMapping, 34> VCardMappings;

/// N as an export writes it from FN: the last word the family name, the words before it the
/// given name (a single word is a given name).
QStringList NameFromFullName(const QString &fullName);

/// The name, a stand-in FN and the picture, which no common property holds.
inline constexpr char VCardContactNameProperty[] = "X-QUENLARK-NAME";
inline constexpr char VCardIconProperty[] = "X-QUENLARK-ICON";
/// The categories after the first (the contact's own), kept in the extra key: an export
/// writes them in CATEGORIES after it. Its value is a list as JoinVCardValue makes it.
inline constexpr char VCardMoreCategoriesProperty[] = "X-QUENLARK-CATEGORIES";

/// A card as a contact to import: the name built from X-QUENLARK-NAME, FN, N, NICKNAME, the
/// first EMAIL or the first TEL (empty when none gives one), all 34 keys in the order the
/// editor saves them, the properties no key holds in the extra key (VCardExtraKey) and the UID
/// in its own key (ContactUidKey).
TImportedContact ContactFromVCard(const TVCard &card);

/// The contact name and the values of ContactFields, then the extra key and the UID key (both
/// may be left out), as one card.
void AppendVCard(QByteArray &out, const QString &name, const QStringList &values,
                 TVCardVersion version);

/// The properties no key holds as the extra key's value (one line, "|" between properties)
/// and back.
QString EncodeVCardExtras(const QList<TVCardProperty> &properties);
QList<TVCardProperty> DecodeVCardExtras(QStringView stored);
