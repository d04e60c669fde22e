// add, edit, remove, add-email: changing the address book, with the contact editor's checks.
#include "app/untcommon.h"
#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/clioutput.h"
#include "cli/contactkeys.h"
#include "cli/mailsender.h"
#include "profiles/addressquery.h"
#include "profiles/contactfields.h"
#include "profiles/inivalue.h"
#include "profiles/trashbatch.h"
#include "profiles/untprofiles.h"

#include <QStringBuilder>

namespace {

struct FieldValue
{
    const ContactField *field;
    QString value;
};

// The KEY=VALUE arguments, keys by their book.db names or their friendly ones.
QList<FieldValue> assignments(const CliInvocation &call, qsizetype first)
{
    QList<FieldValue> values;
    const QStringList &arguments = call.arguments();
    for (qsizetype i = first; i < arguments.size(); ++i) {
        const qsizetype equals = arguments[i].indexOf(QLatin1Char('='));
        if (equals <= 0)
            throw UsageError(QLatin1Char('"') + arguments[i] +
                                 QStringLiteral("\" is not KEY=VALUE"),
                             call.command().name);
        const QString key = arguments[i].left(equals);
        const ContactField *field = FindContactKey(key);
        if (!field)
            throw UsageError(QStringLiteral("unknown key \"") + key + QLatin1Char('"'),
                             call.command().name);
        if (field->key == QLatin1String("aContactName"))
            throw CliError(QStringLiteral("a contact's name cannot be set by a key; it is the "
                                          "NAME argument"),
                           CliStatus::Usage);
        values.append({field, arguments[i].mid(equals + 1)});
    }
    return values;
}

void checkName(const QString &name)
{
    if (name.isEmpty())
        throw CliError(QStringLiteral("a contact needs a name"));
    if (!TProfile::IsStorableContactName(name))
        throw CliError(QStringLiteral("the name \"") + name +
                       QStringLiteral("\" cannot be stored: a contact name cannot begin or end "
                                      "with blanks, nor hold the \"]\" character or a line "
                                      "break"));
}

// The editor's checks of what it saves: no "|" in the notes, a picture that exists, and
// the e-mail and web address checks when the profile asks for them.
void checkValues(const TProfile &profile, const QList<FieldValue> &values)
{
    for (const FieldValue &value : values) {
        const QLatin1String key = value.field->key;
        if (key == QLatin1String("aNotes") && value.value.contains(QLatin1Char('|')))
            throw CliError(QStringLiteral("the notes cannot hold the | character"));
        if (key == QLatin1String("aIcon")) {
            const std::optional<int> picture = ParseIniInteger(value.value);
            if (!picture || *picture < 0 || *picture >= UserIconCount)
                throw CliError(QStringLiteral("picture must be a number from 0 to ") +
                               QString::number(UserIconCount - 1));
        }
        if (key == QLatin1String("pEmailAddress") && profile.ValidateEmails &&
            !PassesEmailCheck(value.value))
            throw CliError(QLatin1Char('"') + value.value +
                           QStringLiteral("\" is not a valid e-mail address (this profile "
                                          "checks e-mail addresses)"));
        if ((key == QLatin1String("pHomePage") || key == QLatin1String("hWebSite")) &&
            profile.ValidateUrls && !PassesUrlCheck(value.value))
            throw CliError(QLatin1Char('"') + value.value +
                           QStringLiteral("\" is not a valid web address: it needs http:// or "
                                          "https:// (this profile checks web addresses)"));
    }
}

void writeValue(TProfile &profile, const QString &name, const FieldValue &value)
{
    switch (value.field->kind) {
    case ContactFieldKind::Integer:
        profile.WriteIntField(name, value.field->key, ParseIniInteger(value.value).value_or(0));
        break;
    case ContactFieldKind::MultiLine:
        profile.WriteMultiLineField(name, value.field->key, value.value);
        break;
    case ContactFieldKind::Text:
        profile.WriteField(name, value.field->key, value.value);
        break;
    }
}

// One replacement of book.db for all of them, as the editor saves a contact.
void writeValues(TProfile &profile, const QString &name, const QList<FieldValue> &values)
{
    TProfile::ContactBatch batch(profile);
    for (const FieldValue &value : values)
        writeValue(profile, name, value);
    batch.commit();
}

// Every key, as the editor writes a new contact: the real name follows the name, the rest
// is empty unless given.
QList<FieldValue> newContact(const QString &name, const QList<FieldValue> &given)
{
    QList<FieldValue> values;
    for (const ContactField &field : ContactFields) {
        QString value;
        if (field.key == QLatin1String("aContactName") || field.key == QLatin1String("pRealName"))
            value = name;
        else if (field.kind == ContactFieldKind::Integer)
            value = QStringLiteral("0");
        for (const FieldValue &set : given) {
            if (set.field == &field)
                value = set.value;
        }
        values.append({&field, value});
    }
    return values;
}

void addContact(TProfile &profile, const QString &name, const QList<FieldValue> &given)
{
    checkName(name);
    if (profile.ContactExists(name))
        throw CliError(QStringLiteral("a contact named \"") + name +
                       QStringLiteral("\" already exists"));
    checkValues(profile, given);
    writeValues(profile, name, newContact(name, given));
}

int add(CliInvocation &call)
{
    const QList<FieldValue> given = assignments(call, 1);
    addContact(call.profileToFill(), call.arguments().first(), given);
    return CliStatus::Ok;
}

int edit(CliInvocation &call)
{
    const QList<FieldValue> given = assignments(call, 1);
    const QString name = call.existingContact(call.arguments().first());
    checkName(name);
    checkValues(call.profile(), given);
    writeValues(call.profile(), name, given);
    return CliStatus::Ok;
}

int removeContacts(CliInvocation &call)
{
    QStringList names;
    for (const QString &name : call.arguments()) {
        if (!names.contains(name))
            names.append(call.existingContact(name));
    }
    // As the window's delete, after its question: the contacts go to the trash, all at once.
    MoveContactsToTrash(call.profile(), names, TTrashReason::Deleted);
    return CliStatus::Ok;
}

bool addressKnown(const TProfile &profile, const QString &address)
{
    for (const TFoundAddress &found : FindEmailAddresses(profile, address)) {
        if (found.address.compare(address, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int addEmail(CliInvocation &call)
{
    const std::optional<TMailSender> sender = ReadMailSender(ReadStandardInput());
    if (!sender)
        throw CliError(QStringLiteral("the message on standard input has no From: address"));
    TProfile &profile = call.profileToFill();
    if (addressKnown(profile, sender->address)) {
        call.out().line(sender->address + QStringLiteral(" is already in the address book."));
        return CliStatus::Ok;
    }
    QString name = sender->name.isEmpty() ? sender->address : sender->name;
    if (!TProfile::IsStorableContactName(name))
        name = sender->address;
    if (!profile.ContactExists(name)) {
        const ContactField *email = FindContactField(QStringLiteral("pEmailAddress"));
        addContact(profile, name, {{email, sender->address}});
        call.out().line(QStringLiteral("Added ") + name + QStringLiteral(" <") + sender->address +
                        QStringLiteral(">."));
        return CliStatus::Ok;
    }
    // Someone of that name: a new address of theirs, kept with their other addresses.
    const QString main = profile.ReadField(name, QStringLiteral("pEmailAddress"));
    if (main.isEmpty()) {
        writeValues(profile, name,
                    {{FindContactField(QStringLiteral("pEmailAddress")), sender->address}});
    } else {
        QString others = profile.ReadMultiLineField(name, QStringLiteral("pOtherEmail"));
        if (!others.isEmpty())
            others += QStringLiteral("\r\n");
        writeValues(profile, name,
                    {{FindContactField(QStringLiteral("pOtherEmail")), others + sender->address}});
    }
    call.out().line(QStringLiteral("Added ") + sender->address + QStringLiteral(" to ") + name +
                    QLatin1Char('.'));
    return CliStatus::Ok;
}

QString keyList()
{
    QStringList keys;
    for (const ContactKeyName &name : ContactKeyNames()) {
        if (name.key != QLatin1String("aContactName"))
            keys.append(name.alias + QStringLiteral(" (") + name.key + QLatin1Char(')'));
    }
    return QStringLiteral("Keys, by their friendly names or their names in book.db, any letter "
                          "case: ") +
           keys.join(QStringLiteral(", ")) + QLatin1Char('.');
}

const QString valueRules =
    QStringLiteral("Notes, addresses and other e-mail addresses take several lines: put line "
                   "breaks in the value. picture is a number from 0 to 24. The notes cannot "
                   "hold \"|\". When the profile checks e-mail and web addresses (Options), "
                   "email must have an \"@\" and a \".\" after it, homepage and home-web must "
                   "start with http:// or https://.");

} // namespace

QList<CliCommand> EditCommands()
{
    return {
        {QStringLiteral("add"),
         QStringLiteral("NAME [KEY=VALUE...]"),
         QStringLiteral("Add a contact."),
         {QStringLiteral("Adds the contact NAME with the fields given, as the window's New "
                         "Contact does: the real name is NAME unless real-name is given. NAME "
                         "must not be taken, nor begin or end with blanks, nor hold \"]\"."),
          keyList(), valueRules,
          QStringLiteral("Example: calbrey add \"Ann Lee\" email=ann@example.org "
                         "mobile=\"+47 555 1234\" category=Friend")},
         {},
         1,
         -1,
         add},
        {QStringLiteral("edit"),
         QStringLiteral("NAME KEY=VALUE..."),
         QStringLiteral("Change fields of a contact."),
         {QStringLiteral("Sets the fields given of the contact NAME; the others stay as they "
                         "are. An empty value empties the field (notes=)."),
          keyList(), valueRules},
         {},
         2,
         -1,
         edit},
        {QStringLiteral("remove"),
         QStringLiteral("NAME..."),
         QStringLiteral("Move contacts to the trash."),
         {QStringLiteral("Moves the contacts named to the trash, all at once, as the window's "
                         "Delete Contact does: \"calbrey trash restore NAME\" or the window's "
                         "Deleted Contacts bring them back. When one of them does not exist, none "
                         "is moved.")},
         {},
         1,
         -1,
         removeContacts},
        {QStringLiteral("add-email"),
         QString(),
         QStringLiteral("Add the sender of a mail message read on standard input."),
         {QStringLiteral("Reads a mail message on standard input and adds its sender (the From: "
                         "header) when that address is not in the address book yet: as a new "
                         "contact named after the sender, or as another address of the contact "
                         "of that name when there is one. For a mail client's key, e.g. in "
                         "mutt: macro index,pager A \"<pipe-message>calbrey add-email<return>\"")},
         {},
         0,
         0,
         addEmail},
    };
}
