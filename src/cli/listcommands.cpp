// profiles, list, show: what is in the address book.
#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/clioutput.h"
#include "cli/cliprofile.h"
#include "cli/contactkeys.h"
#include "profiles/contactfields.h"
#include "profiles/inivalue.h"
#include "profiles/untprofiles.h"
#include "vcard/vcardfile.h"

#include <QStringBuilder>

namespace {

int profiles(CliInvocation &call)
{
    QStringList names;
    ListProfiles(names);
    const QString chosen = call.profileChoice().name();
    for (const QString &name : std::as_const(names))
        call.out().line((name == chosen ? QStringLiteral("* ") : QStringLiteral("  ")) + name);
    return CliStatus::Ok;
}

QStringList namesToList(CliInvocation &call)
{
    TProfile &profile = call.profile();
    QStringList names;
    if (call.isSet(QStringLiteral("category")))
        profile.GetContactsInCategory(names, call.value(QStringLiteral("category")));
    else
        profile.GetContactNames(names);
    return names;
}

int list(CliInvocation &call)
{
    call.onlyReads();
    const QStringList names = namesToList(call);
    if (!call.isSet(QStringLiteral("parsable"))) {
        for (const QString &name : names)
            call.out().line(name);
        return CliStatus::Ok;
    }
    const TProfile &profile = call.profile();
    const QStringList keys{QStringLiteral("pEmailAddress"), QStringLiteral("aContactCat")};
    const TProfile::ContactReadScope reading(profile);
    for (const QString &name : names) {
        const QStringList values = profile.ReadFields(name, keys);
        call.out().line(name % QLatin1Char('\t') % values[0] % QLatin1Char('\t') % values[1]);
    }
    return CliStatus::Ok;
}

// Label: value lines of the fields that hold something; a multi-line value goes on under its
// first line.
void showText(CliInvocation &call, const QString &name)
{
    const QList<ContactKeyName> &fields = ContactKeyNames();
    qsizetype width = 0;
    for (const ContactKeyName &field : fields)
        width = qMax(width, field.label.size());
    QStringList keys;
    for (const ContactKeyName &field : fields)
        keys.append(field.key);
    const QStringList values = call.profile().ReadFields(name, keys);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const ContactField *field = FindContactField(QString(fields[i].key));
        // Picture 0 is the one every contact has unless another was chosen.
        if (values[i].isEmpty() ||
            (field->kind == ContactFieldKind::Integer && values[i] == QLatin1String("0")))
            continue;
        const QStringList lines =
            field->isMultiLine() ? values[i].split(QLatin1Char('|')) : values.mid(i, 1);
        const QString label = QString(fields[i].label) + QLatin1Char(':');
        for (qsizetype line = 0; line < lines.size(); ++line)
            call.out().line((line == 0 ? label : QString()).leftJustified(width + 2) + lines[line]);
    }
}

// The contact's section as book.db holds it.
void showIni(CliInvocation &call, const QString &name)
{
    const TProfile &profile = call.profile();
    QStringList keys;
    for (const ContactField &field : ContactFields)
        keys.append(field.key);
    keys.append(QLatin1String(VCardExtraKey));
    keys.append(QLatin1String(ContactUidKey));
    const QStringList values = profile.ReadFields(name, keys);
    call.out().line(QLatin1Char('[') + name + QLatin1Char(']'));
    for (qsizetype i = 0; i < keys.size(); ++i) {
        // Only our own keys may be missing; the editor writes all the others.
        if (i < qsizetype(ContactFields.size()) || !values[i].isEmpty())
            call.out().line(keys[i] + QLatin1Char('=') + QuoteIniValue(values[i]));
    }
}

int show(CliInvocation &call)
{
    call.onlyReads();
    const QString format =
        call.choice(QStringLiteral("format"),
                    {QStringLiteral("text"), QStringLiteral("vcard"), QStringLiteral("ini")},
                    QStringLiteral("text"));
    const QString name = call.existingContact(call.arguments().first());
    const TProfile::ContactReadScope reading(call.profile());
    if (format == QLatin1String("vcard"))
        call.out().write(WriteVCardContacts(call.profile(), {name}, TVCardVersion::V30));
    else if (format == QLatin1String("ini"))
        showIni(call, name);
    else
        showText(call, name);
    return CliStatus::Ok;
}

} // namespace

QList<CliCommand> ProfileAndListCommands()
{
    return {
        {QStringLiteral("profiles"),
         QString(),
         QStringLiteral("List the profiles; * marks the one calbrey uses."),
         {QStringLiteral("The names of the profiles, one a line. The one calbrey works on "
                         "(your own, or the one --profile names) is marked with \"* \", the "
                         "others start with two blanks.")},
         {},
         0,
         0,
         profiles},
        {QStringLiteral("list"),
         QString(),
         QStringLiteral("List the contacts."),
         {QStringLiteral("The contact names of the profile, one a line, in the order of the "
                         "address book."),
          QStringLiteral("With --parsable each line is the name, the e-mail address and the "
                         "category, separated by TABs.")},
         {{{QStringLiteral("category")},
           QStringLiteral("C"),
           QStringLiteral("Only the contacts of category C (letter case matters; "
                          "\"Uncategorized contacts\" lists those without one).")},
          {{QStringLiteral("parsable")},
           QString(),
           QStringLiteral("name<TAB>e-mail<TAB>category lines.")}},
         0,
         0,
         list},
        {QStringLiteral("show"),
         QStringLiteral("NAME"),
         QStringLiteral("Show one contact."),
         {QStringLiteral("Every field of the contact NAME that holds something, one a line, in "
                         "the order of `calbrey add --help`. --format vcard writes it as a vCard "
                         "3.0; --format ini as its section of book.db.")},
         {{{QStringLiteral("format")},
           QStringLiteral("text|vcard|ini"),
           QStringLiteral("The form to show it in (text by default).")}},
         1,
         1,
         show},
    };
}
