#include "vcard/vcardfile.h"

#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"
#include "platform/iniidentity.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"
#include "vcard/vcardmapping.h"
#include "vcard/vcardreader.h"

TVCardContacts ReadVCardContacts(const QByteArray &bytes)
{
    TVCardContacts result;
    int nameless = 0;
    result.unreadable = ReadVCards(bytes, [&](TVCard &&card) {
        TImportedContact contact = ContactFromVCard(card);
        if (contact.name.isEmpty())
            ++nameless; // nothing in it to name a contact by
        else
            result.contacts.append(std::move(contact));
    });
    result.unreadable += nameless;
    return result;
}

TVCardContacts ReadVCardFile(const QString &fileName)
{
    const FileContent content = ReadWholeFile(fileName);
    if (!content.identity.exists || !content.readable)
        throw CalbreyError(QStringLiteral("Cannot open file ") + fileName);
    return ReadVCardContacts(content.bytes);
}

QByteArray WriteVCardContacts(const TProfile &profile, const QStringList &names,
                              TVCardVersion version)
{
    QStringList keys;
    for (const ContactField &field : ContactFields)
        keys.append(field.key);
    keys.append(QLatin1String(VCardExtraKey));

    const TProfile::ContactReadScope reads(profile);
    QByteArray out;
    out.reserve(names.size() * 400);
    for (const QString &name : names)
        AppendVCard(out, name, profile.ReadFields(name, keys), version);
    return out;
}

void ExportVCardFile(const TProfile &profile, const QStringList &names, TVCardVersion version,
                     const QString &fileName)
{
    WriteFileAtomically(fileName, WriteVCardContacts(profile, names, version));
}
