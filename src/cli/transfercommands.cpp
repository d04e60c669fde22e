// import, export: contacts from and to other programs' files.
#include "cli/clashanswer.h"
#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/clioutput.h"
#include "cli/cliprofile.h"
#include "csvexport/csvexport.h"
#include "import/contactimport.h"
#include "import/csvcontacts.h"
#include "import/csvparser.h"
#include "platform/atomicfile.h"
#include "platform/iniidentity.h"
#include "profiles/untprofiles.h"
#include "reports/untreportgen.h"
#include "vcard/vcardfile.h"

#include <QStringBuilder>
#include <functional>

namespace {

// --- import -----------------------------------------------------------------------------------

bool isVCard(QByteArrayView bytes)
{
    QByteArrayView text = bytes;
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    while (!text.isEmpty() && QByteArrayView(" \t\r\n").contains(text.front()))
        text = text.sliced(1);
    return text.size() >= 11 && text.first(11).compare("BEGIN:VCARD", Qt::CaseInsensitive) == 0;
}

int import(CliInvocation &call)
{
    const TClashAction clash = ChosenClashAction(call);
    const QString fileName = call.arguments().first();
    const FileContent file = ReadWholeFile(fileName);
    if (!file.identity.exists || !file.readable)
        throw CliError(QStringLiteral("Unable to read ") + fileName);

    QList<TImportedContact> contacts;
    int unreadable = 0;
    QString noun = QStringLiteral("row");
    qsizetype firstNumber = 2; // a CSV file's first contact is on its second line
    if (isVCard(file.bytes)) {
        TVCardContacts cards = ReadVCardContacts(file.bytes);
        contacts = std::move(cards.contacts);
        unreadable = cards.unreadable;
        noun = QStringLiteral("card");
        firstNumber = 1;
    } else {
        const TCsvTable table = TCsvParser::Parse(file.bytes);
        const TCsvContacts rows(table, LoadFieldAlignmentTable());
        for (qsizetype i = 0; i < rows.Count(); ++i)
            contacts.append(rows.Contact(i));
    }

    TProfile &profile = call.profileToFill();
    FixedClashAnswer answer(profile, clash);
    TContactImport importing(profile, answer, nullptr);
    const TImportResult result =
        importing.Run(contacts.size(), [&contacts](qsizetype i) { return contacts.at(i); });

    for (const qsizetype left : result.unstorable)
        PrintError(noun % QLatin1Char(' ') % QString::number(left + firstNumber) %
                   QStringLiteral(" was left out: book.db cannot hold its name \"") %
                   contacts.at(left).name % QLatin1Char('"'));
    if (unreadable > 0)
        PrintError(QString::number(unreadable) %
                   (unreadable == 1 ? QStringLiteral(" card was") : QStringLiteral(" cards were")) %
                   QStringLiteral(" left out: damaged, or nothing to name a contact by"));
    call.out().line(QStringLiteral("Imported ") % QString::number(result.added) %
                    (result.added == 1 ? QStringLiteral(" contact") : QStringLiteral(" contacts")) %
                    QStringLiteral(" into the profile ") % call.profileChoice().name() %
                    QLatin1Char('.'));
    return CliStatus::Ok;
}

// --- export -----------------------------------------------------------------------------------

QStringList namesToExport(CliInvocation &call)
{
    TProfile &profile = call.profile();
    QStringList names;
    if (!call.arguments().isEmpty()) {
        if (call.isSet(QStringLiteral("category")))
            throw UsageError(QStringLiteral("give contact names or --category, not both"),
                             call.command().name);
        for (const QString &name : call.arguments()) {
            if (!profile.ContactExists(name))
                throw CliError(QStringLiteral("there is no contact named \"") + name +
                               QLatin1Char('"'));
            names.append(name);
        }
    } else if (call.isSet(QStringLiteral("category"))) {
        profile.GetContactsInCategory(names, call.value(QStringLiteral("category")));
    } else {
        profile.GetContactNames(names);
    }
    return names;
}

// The HTML report with every part of each contact, as the window's report makes it.
QByteArray htmlReport(const QStringList &names)
{
    TReportGenerator report;
    report.IncludeHome = true;
    report.IncludeWork = true;
    report.IncludeNotes = true;
    report.WriteHeader();
    report.WriteContacts(names);
    report.WriteFooter();
    QByteArray page("\xEF\xBB\xBF");
    for (const QString &line : report.Lines())
        page += line.toUtf8() + "\r\n";
    return page;
}

using BlockWriter = std::function<void(const TProfile &, const QStringList &,
                                       const std::function<void(const QByteArray &)> &)>;

BlockWriter writerFor(const QString &format)
{
    if (format == QLatin1String("vcard3") || format == QLatin1String("vcard4")) {
        const TVCardVersion version =
            format == QLatin1String("vcard4") ? TVCardVersion::V40 : TVCardVersion::V30;
        return [version](const TProfile &profile, const QStringList &names, const auto &take) {
            ForEachVCardBlock(profile, names, version, take);
        };
    }
    if (format.startsWith(QLatin1String("csv"))) {
        const TCsvLayout layout =
            format == QLatin1String("csv-google") ? TCsvLayout::Google : TCsvLayout::Outlook;
        return [layout](const TProfile &profile, const QStringList &names, const auto &take) {
            ForEachCsvExportBlock(profile, names, layout, take);
        };
    }
    return [](const TProfile &, const QStringList &names, const auto &take) {
        take(htmlReport(names));
    };
}

int exportContacts(CliInvocation &call)
{
    const QString format = call.choice(QStringLiteral("format"),
                                       {QStringLiteral("vcard3"), QStringLiteral("vcard4"),
                                        QStringLiteral("csv-outlook"), QStringLiteral("csv-google"),
                                        QStringLiteral("html")},
                                       QStringLiteral("vcard3"));
    const QStringList names = namesToExport(call);
    const BlockWriter write = writerFor(format);
    const QString output = call.value(QStringLiteral("output"));
    if (output.isEmpty() || output == QLatin1String("-")) {
        write(call.profile(), names, [&call](const QByteArray &block) { call.out().write(block); });
        return CliStatus::Ok;
    }
    AtomicFileWriter file(output);
    write(call.profile(), names, [&file](const QByteArray &block) { file.write(block); });
    file.commit();
    return CliStatus::Ok;
}

} // namespace

QList<CliCommand> TransferCommands()
{
    return {
        {QStringLiteral("import"),
         QStringLiteral("FILE"),
         QStringLiteral("Import a CSV or vCard file."),
         {QStringLiteral("Adds the contacts of FILE, a vCard file (2.1, 3.0 or 4.0) or a CSV "
                         "file with a header line (Outlook's, Google's or Windows Mail's "
                         "column names), told apart by their content. The whole file is "
                         "written at once: when it cannot be, nothing is."),
          QStringLiteral("A contact whose name is taken is skipped by default; --on-clash "
                         "overwrite writes its fields over the existing contact, --on-clash "
                         "rename imports it under the name with the first free number added.")},
         {{{QStringLiteral("on-clash")},
           QStringLiteral("skip|overwrite|rename"),
           QStringLiteral("What to do with a contact whose name is taken (skip).")}},
         1,
         1,
         import},
        {QStringLiteral("export"),
         QStringLiteral("[NAME...]"),
         QStringLiteral("Export contacts as vCard, CSV or HTML."),
         {QStringLiteral("Writes the contacts named, those of one category, or all of them, to "
                         "standard output or to the file of --output, which is replaced whole "
                         "or not at all."),
          QStringLiteral("Formats: vcard3 and vcard4 (vCard 3.0 and 4.0), csv-outlook "
                         "(Outlook's columns, UTF-8 with a byte-order mark and CR LF, as Excel "
                         "opens it), csv-google (Google Contacts' columns), html (the report "
                         "of the window, every part of each contact).")},
         {{{QStringLiteral("format")},
           QStringLiteral("FORMAT"),
           QStringLiteral("vcard3 (default), vcard4, csv-outlook, csv-google or html.")},
          {{QStringLiteral("category")},
           QStringLiteral("C"),
           QStringLiteral("Only the contacts of category C.")},
          {{QStringLiteral("output"), QStringLiteral("o")},
           QStringLiteral("FILE"),
           QStringLiteral("Write to FILE instead of standard output.")}},
         0,
         -1,
         exportContacts},
    };
}
