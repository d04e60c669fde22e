#include "csvexport/csvexport.h"

#include "platform/atomicfile.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"

#include <QStringBuilder>
#include <array>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");
// Rows are handed over in blocks of this many contacts.
constexpr qsizetype kBlock = 1000;
// Google joins several values of one kind in a cell with this.
const QString kValueJoin = QStringLiteral(" ::: ");

/// One contact as read: its name and the values of ContactFields, in that order.
class ContactValues
{
public:
    ContactValues(const QString &name, const QStringList &values) : m_name(name), m_values(values)
    {}

    const QString &name() const { return m_name; }
    template <std::size_t Key> const QString &at() const { return m_values[qsizetype(Key)]; }
    /// A value as one line, or with its line breaks (CR LF) where the field has them.
    template <std::size_t Key> QString text() const
    {
        if constexpr (ContactFields[Key].kind == ContactFieldKind::MultiLine)
            return DecodeMultiLine(at<Key>());
        else
            return at<Key>();
    }
    /// The lines of a multi-line value, empty ones left out.
    template <std::size_t Key> QStringList lines() const
    {
        QStringList lines = at<Key>().split(QLatin1Char('|'), Qt::SkipEmptyParts);
        lines.removeIf([](const QString &line) { return line.trimmed().isEmpty(); });
        return lines;
    }

    /// The person's name in its parts, from the real name or else the contact name: the first
    /// word, the words between, the last word.
    struct NameParts
    {
        QString first;
        QString middle;
        QString last;
    };
    NameParts nameParts() const
    {
        const QString &real = at<ContactFieldIndex("pRealName")>();
        QStringList words =
            (real.trimmed().isEmpty() ? m_name : real).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        NameParts parts;
        if (words.isEmpty())
            return parts;
        parts.first = words.takeFirst();
        if (!words.isEmpty())
            parts.last = words.takeLast();
        parts.middle = words.join(QLatin1Char(' '));
        return parts;
    }

private:
    const QString &m_name;
    const QStringList &m_values;
};

using CellsOf = QStringList (*)(const ContactValues &);

QString phoneWithExtension(const QString &number, const QString &extension)
{
    if (number.isEmpty() || extension.trimmed().isEmpty())
        return number;
    return number % QStringLiteral(" ext. ") % extension;
}

// --- Outlook ----------------------------------------------------------------------------------

const QStringList outlookHeaders = {
    QStringLiteral("First Name"),
    QStringLiteral("Last Name"),
    QStringLiteral("Middle Name"),
    QStringLiteral("Name"),
    QStringLiteral("Nickname"),
    QStringLiteral("E-mail Address"),
    QStringLiteral("E-mail 2 Address"),
    QStringLiteral("E-mail 3 Address"),
    QStringLiteral("Home Street"),
    QStringLiteral("Home City"),
    QStringLiteral("Home Postal Code"),
    QStringLiteral("Home State"),
    QStringLiteral("Home Country/Region"),
    QStringLiteral("Home Phone"),
    QStringLiteral("Home Fax"),
    QStringLiteral("Mobile Phone"),
    QStringLiteral("Personal Web Page"),
    QStringLiteral("Business Street"),
    QStringLiteral("Business City"),
    QStringLiteral("Business Postal Code"),
    QStringLiteral("Business State"),
    QStringLiteral("Business Country/Region"),
    QStringLiteral("Business Web Page"),
    QStringLiteral("Business Phone"),
    QStringLiteral("Business Fax"),
    QStringLiteral("Pager"),
    QStringLiteral("Company"),
    QStringLiteral("Categories"),
    QStringLiteral("Notes"),
};

// In the order of outlookHeaders. The names are the ones Outlook and Windows Mail write, and
// "Name" carries the contact's own name, which First, Middle and Last cannot always rebuild.
QStringList outlookCells(const ContactValues &c)
{
    const ContactValues::NameParts name = c.nameParts();
    return {
        name.first,
        name.last,
        name.middle,
        c.name(),
        c.text<ContactFieldIndex("pNickName")>(),
        c.text<ContactFieldIndex("pEmailAddress")>(),
        c.text<ContactFieldIndex("hEmail")>(),
        c.text<ContactFieldIndex("wEmail")>(),
        c.text<ContactFieldIndex("hAddress")>(),
        c.text<ContactFieldIndex("hCitg")>(),
        c.text<ContactFieldIndex("hZipCode")>(),
        c.text<ContactFieldIndex("hState")>(),
        c.text<ContactFieldIndex("hCountry")>(),
        phoneWithExtension(c.text<ContactFieldIndex("hPhone")>(),
                           c.text<ContactFieldIndex("hPhoneExt")>()),
        c.text<ContactFieldIndex("hFax")>(),
        c.text<ContactFieldIndex("pMobile")>(),
        c.text<ContactFieldIndex("pHomePage")>(),
        c.text<ContactFieldIndex("wAddress")>(),
        c.text<ContactFieldIndex("wCity")>(),
        c.text<ContactFieldIndex("wZipCode")>(),
        c.text<ContactFieldIndex("wState")>(),
        c.text<ContactFieldIndex("wCountry")>(),
        c.text<ContactFieldIndex("wWebSite")>(),
        phoneWithExtension(c.text<ContactFieldIndex("wPhoneNumber")>(),
                           c.text<ContactFieldIndex("wPhoneExt")>()),
        c.text<ContactFieldIndex("wFax")>(),
        c.text<ContactFieldIndex("hPager")>(),
        c.text<ContactFieldIndex("wCompany")>(),
        c.text<ContactFieldIndex("aContactCat")>(),
        c.text<ContactFieldIndex("aNotes")>(),
    };
}

// --- Google -----------------------------------------------------------------------------------

// The kinds of value a contact has several of, each in numbered label and value columns.
struct GoogleSlot
{
    QLatin1String kind; // "E-mail", "Phone", "Website"
    QLatin1String label;
};

constexpr std::array<GoogleSlot, 14> googleSlots = {{
    {QLatin1String("E-mail"), QLatin1String("* Other")}, // the main address comes first
    {QLatin1String("E-mail"), QLatin1String("Home")},
    {QLatin1String("E-mail"), QLatin1String("Work")},
    {QLatin1String("E-mail"), QLatin1String("Other")},
    {QLatin1String("Phone"), QLatin1String("Mobile")},
    {QLatin1String("Phone"), QLatin1String("Home")},
    {QLatin1String("Phone"), QLatin1String("Work")},
    {QLatin1String("Phone"), QLatin1String("Home Fax")},
    {QLatin1String("Phone"), QLatin1String("Work Fax")},
    {QLatin1String("Phone"), QLatin1String("Pager")},
    {QLatin1String("Phone"), QLatin1String("Work Pager")},
    {QLatin1String("Website"), QLatin1String("Home Page")},
    {QLatin1String("Website"), QLatin1String("Home")},
    {QLatin1String("Website"), QLatin1String("Work")},
}};

const QStringList addressParts = {
    QStringLiteral("Label"),   QStringLiteral("Formatted"), QStringLiteral("Street"),
    QStringLiteral("City"),    QStringLiteral("Region"),    QStringLiteral("Postal Code"),
    QStringLiteral("Country"),
};

QStringList makeGoogleHeaders()
{
    QStringList headers = {
        QStringLiteral("First Name"), QStringLiteral("Middle Name"),
        QStringLiteral("Last Name"),  QStringLiteral("Nickname"),
        QStringLiteral("File As"),    QStringLiteral("Organization Name"),
        QStringLiteral("Notes"),      QStringLiteral("Labels"),
    };
    int number = 0;
    QLatin1String kind;
    for (const GoogleSlot &slot : googleSlots) {
        number = slot.kind == kind ? number + 1 : 1;
        kind = slot.kind;
        const QString prefix = slot.kind % QLatin1Char(' ') % QString::number(number);
        headers << prefix % QStringLiteral(" - Label") << prefix % QStringLiteral(" - Value");
    }
    for (int address = 1; address <= 2; ++address) {
        for (const QString &part : addressParts)
            headers << QStringLiteral("Address ") % QString::number(address) %
                           QStringLiteral(" - ") % part;
    }
    headers << QStringLiteral("IM 1 - Label") << QStringLiteral("IM 1 - Service")
            << QStringLiteral("IM 1 - Value");
    return headers;
}

const QStringList googleHeaders = makeGoogleHeaders();

// An address's cells (label, formatted, street, city, region, postal code, country); all empty
// when it has none of them.
QStringList googleAddress(const QString &label, const QString &street, const QString &city,
                          const QString &region, const QString &postalCode, const QString &country)
{
    QStringList formatted;
    if (!street.isEmpty())
        formatted << street;
    const QString cityLine = QStringList{postalCode, city}.join(QLatin1Char(' ')).trimmed();
    for (const QString &line : {cityLine, region, country}) {
        if (!line.isEmpty())
            formatted << line;
    }
    if (formatted.isEmpty())
        return QStringList(addressParts.size());
    return {label,  formatted.join(QStringLiteral("\r\n")), street, city, region, postalCode,
            country};
}

// In the order of googleHeaders.
QStringList googleCells(const ContactValues &c)
{
    const ContactValues::NameParts name = c.nameParts();
    const QString category = c.text<ContactFieldIndex("aContactCat")>();
    QStringList cells = {
        name.first,
        name.middle,
        name.last,
        c.text<ContactFieldIndex("pNickName")>(),
        c.name(),
        c.text<ContactFieldIndex("wCompany")>(),
        c.text<ContactFieldIndex("aNotes")>(),
        QStringLiteral("* myContacts") + (category.isEmpty() ? QString() : kValueJoin + category),
    };
    const QString values[googleSlots.size()] = {
        c.text<ContactFieldIndex("pEmailAddress")>(),
        c.text<ContactFieldIndex("hEmail")>(),
        c.text<ContactFieldIndex("wEmail")>(),
        c.lines<ContactFieldIndex("pOtherEmail")>().join(kValueJoin),
        c.text<ContactFieldIndex("pMobile")>(),
        phoneWithExtension(c.text<ContactFieldIndex("hPhone")>(),
                           c.text<ContactFieldIndex("hPhoneExt")>()),
        phoneWithExtension(c.text<ContactFieldIndex("wPhoneNumber")>(),
                           c.text<ContactFieldIndex("wPhoneExt")>()),
        c.text<ContactFieldIndex("hFax")>(),
        c.text<ContactFieldIndex("wFax")>(),
        c.text<ContactFieldIndex("hPager")>(),
        c.text<ContactFieldIndex("wPager")>(),
        c.text<ContactFieldIndex("pHomePage")>(),
        c.text<ContactFieldIndex("hWebSite")>(),
        c.text<ContactFieldIndex("wWebSite")>(),
    };
    for (std::size_t i = 0; i < googleSlots.size(); ++i) {
        const bool given = !values[i].isEmpty();
        cells << (given ? QString(googleSlots[i].label) : QString()) << values[i];
    }
    cells << googleAddress(
        QStringLiteral("Home"), c.text<ContactFieldIndex("hAddress")>(),
        c.text<ContactFieldIndex("hCitg")>(), c.text<ContactFieldIndex("hState")>(),
        c.text<ContactFieldIndex("hZipCode")>(), c.text<ContactFieldIndex("hCountry")>());
    cells << googleAddress(
        QStringLiteral("Work"), c.text<ContactFieldIndex("wAddress")>(),
        c.text<ContactFieldIndex("wCity")>(), c.text<ContactFieldIndex("wState")>(),
        c.text<ContactFieldIndex("wZipCode")>(), c.text<ContactFieldIndex("wCountry")>());
    const QString icq = c.text<ContactFieldIndex("pIcq")>();
    if (icq.isEmpty())
        cells << QString() << QString() << QString();
    else
        cells << QStringLiteral("Other") << QStringLiteral("ICQ") << icq;
    return cells;
}

// --- the file ---------------------------------------------------------------------------------

bool needsQuotes(QStringView text)
{
    for (const QChar c : text) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

void appendRow(QByteArray &out, const QStringList &cells)
{
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += ',';
        const QString &cell = cells[i];
        if (!needsQuotes(cell)) {
            out += cell.toUtf8();
            continue;
        }
        QString quoted = cell;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        // Every line break inside a cell is CR LF, as spreadsheets write them.
        quoted.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        quoted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        quoted.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        out += '"' + quoted.toUtf8() + '"';
    }
    out += "\r\n";
}

} // namespace

QStringList CsvExportHeaders(TCsvLayout layout)
{
    return layout == TCsvLayout::Outlook ? outlookHeaders : googleHeaders;
}

void ForEachCsvExportBlock(const TProfile &profile, const QStringList &names, TCsvLayout layout,
                           const std::function<void(const QByteArray &)> &take)
{
    const CellsOf cellsOf = layout == TCsvLayout::Outlook ? outlookCells : googleCells;
    QByteArray out;
    if (layout == TCsvLayout::Outlook)
        out += kByteOrderMark;
    appendRow(out, CsvExportHeaders(layout));

    const QStringList keys = ContactFieldKeys();
    const TProfile::ContactReadScope reading(profile);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QStringList values = profile.ReadFields(names[i], keys);
        appendRow(out, cellsOf(ContactValues(names[i], values)));
        if ((i + 1) % kBlock == 0) {
            take(out);
            out.clear();
        }
    }
    if (!out.isEmpty())
        take(out);
}

QByteArray WriteCsvContacts(const TProfile &profile, const QStringList &names, TCsvLayout layout)
{
    QByteArray file;
    ForEachCsvExportBlock(profile, names, layout,
                          [&file](const QByteArray &block) { file += block; });
    return file;
}

void ExportCsvFile(const TProfile &profile, const QStringList &names, TCsvLayout layout,
                   const QString &fileName)
{
    AtomicFileWriter file(fileName);
    ForEachCsvExportBlock(profile, names, layout,
                          [&file](const QByteArray &block) { file.write(block); });
    file.commit();
}
