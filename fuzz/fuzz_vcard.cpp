// Feeds arbitrary bytes to the vCard reader, turns each card into a contact and writes that
// contact out again: what we write must always read back as exactly one whole card holding the
// same contact keys.
#include "profiles/contactfields.h"
#include "vcard/vcardfile.h"
#include "vcard/vcardmapping.h"
#include "vcard/vcardreader.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_vcard: %s\n", what);
        std::abort();
    }
}

QStringList exportValues(const TImportedContact &contact)
{
    QStringList values(ContactFields.size() + 1);
    for (const auto &[key, value] : contact.fields) {
        for (qsizetype f = 0; f < qsizetype(ContactFields.size()); ++f)
            if (ContactFields[f].key == key)
                values[f] = value;
        if (key == QLatin1String(VCardExtraKey))
            values.last() = value;
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TVCardReadResult read =
        ReadVCards(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (const TVCard &card : read.cards) {
        const TImportedContact contact = ContactFromVCard(card);
        if (contact.name.isEmpty())
            continue;
        for (const TVCardVersion version : {TVCardVersion::V30, TVCardVersion::V40}) {
            QByteArray out;
            AppendVCard(out, contact.name, exportValues(contact), version);
            const TVCardReadResult again = ReadVCards(out);
            if (again.unreadable != 0 || again.cards.size() != 1)
                std::fprintf(stderr, "%s\n", out.constData());
            check(again.unreadable == 0 && again.cards.size() == 1,
                  "an exported card does not read back as one card");
            const TImportedContact back = ContactFromVCard(again.cards.first());
            if (back.name != contact.name)
                std::fprintf(stderr, "%s\n", out.constData());
            check(back.name == contact.name, "the name changed on the way out and back");
        }
    }
    return 0;
}
