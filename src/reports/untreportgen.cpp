#include "reports/untreportgen.h"

#include "app/untcommon.h"
#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"

#include <QFile>
#include <QFileInfo>
#include <QStringBuilder>
#include <QStringEncoder>
#include <algorithm>
#include <string_view>

namespace {
enum class FieldForm
{
    Text,           // label: value
    Block,          // label, then the value indented, "|" as line breaks
    Mail,           // a mailto: link
    Link,           // a link to the value itself
    OtherAddresses, // a mailto: link for each address; written for every contact
};

// The place of a key in the contact field table; a key that is not in it does not compile.
consteval std::size_t fieldKey(std::string_view key)
{
    for (std::size_t i = 0; i < ContactFields.size(); ++i) {
        const QLatin1String name = ContactFields[i].key;
        if (std::string_view(name.data(), std::size_t(name.size())) == key)
            return i;
    }
    throw "not a contact field key";
}
} // namespace

struct ReportField
{
    QLatin1String label;
    std::size_t key; // in ContactFields
    FieldForm form;
};

namespace {
// The three field tables in page order. Home and Work differ in order and in the label of the
// web field, as the page has always shown them.
constexpr ReportField MainFields[] = {
    {QLatin1String("E-Mail address"), fieldKey("pEmailAddress"), FieldForm::Mail},
    {QLatin1String("Other addresses"), fieldKey("pOtherEmail"), FieldForm::OtherAddresses},
    {QLatin1String("Home page"), fieldKey("pHomePage"), FieldForm::Link},
    {QLatin1String("Category"), fieldKey("aContactCat"), FieldForm::Text},
    {QLatin1String("Name"), fieldKey("pRealName"), FieldForm::Text},
    {QLatin1String("Nick name"), fieldKey("pNickName"), FieldForm::Text},
    {QLatin1String("Mobile number"), fieldKey("pMobile"), FieldForm::Text},
    {QLatin1String("ICQ Number"), fieldKey("pIcq"), FieldForm::Text},
};

constexpr ReportField HomeFields[] = {
    {QLatin1String("E-Mail address"), fieldKey("hEmail"), FieldForm::Mail},
    {QLatin1String("Home page"), fieldKey("hWebSite"), FieldForm::Link},
    {QLatin1String("Address"), fieldKey("hAddress"), FieldForm::Block},
    {QLatin1String("City"), fieldKey("hCitg"), FieldForm::Text},
    {QLatin1String("Zip code"), fieldKey("hZipCode"), FieldForm::Text},
    {QLatin1String("Country"), fieldKey("hCountry"), FieldForm::Text},
    {QLatin1String("Phone number"), fieldKey("hPhone"), FieldForm::Text},
    {QLatin1String("Phone ext"), fieldKey("hPhoneExt"), FieldForm::Text},
    {QLatin1String("Fax number"), fieldKey("hFax"), FieldForm::Text},
    {QLatin1String("Pager"), fieldKey("hPager"), FieldForm::Text},
    {QLatin1String("State"), fieldKey("hState"), FieldForm::Text},
};

constexpr ReportField WorkFields[] = {
    {QLatin1String("E-Mail address"), fieldKey("wEmail"), FieldForm::Mail},
    {QLatin1String("Web site"), fieldKey("wWebSite"), FieldForm::Link},
    {QLatin1String("Address"), fieldKey("wAddress"), FieldForm::Block},
    {QLatin1String("Company name"), fieldKey("wCompany"), FieldForm::Text},
    {QLatin1String("City"), fieldKey("wCity"), FieldForm::Text},
    {QLatin1String("Zip code"), fieldKey("wZipCode"), FieldForm::Text},
    {QLatin1String("Country"), fieldKey("wCountry"), FieldForm::Text},
    {QLatin1String("Phone number"), fieldKey("wPhoneNumber"), FieldForm::Text},
    {QLatin1String("Phone ext"), fieldKey("wPhoneExt"), FieldForm::Text},
    {QLatin1String("Fax number"), fieldKey("wFax"), FieldForm::Text},
    {QLatin1String("Pager"), fieldKey("wPager"), FieldForm::Text},
    {QLatin1String("State"), fieldKey("wState"), FieldForm::Text},
};

constexpr std::size_t NotesKey = fieldKey("aNotes");
const QString SeparatorPicture = QStringLiteral("quenlark_line.jpg");
const QString SeparatorLine = QStringLiteral("<BR><CENTER><IMG SRC=\"") % SeparatorPicture %
                              QStringLiteral("\"></CENTER><BR>");
const QString BlockquoteClose = QStringLiteral("</BLOCKQUOTE>");

// Every key of a contact, in the order the editor writes them, so that reading them all in
// one pass finds each at the first try.
const QStringList &contactKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const ContactField &field : ContactFields)
            list.append(field.key);
        return list;
    }();
    return keys;
}

QString sectionHeading(const QString &text)
{
    return QStringLiteral("<FONT SIZE=\"+1\">") % text % QStringLiteral("</FONT>");
}

bool isMarkup(QChar c)
{
    return c == u'&' || c == u'<' || c == u'>' || c == u'"';
}

// The stored value as page text. Values are escaped so that none can put markup into a page
// the user opens in a browser or sends on; the one markup made from data is the line break.
QString pageText(const QString &value)
{
    if (std::none_of(value.begin(), value.end(), isMarkup))
        return value;
    return value.toHtmlEscaped();
}

QString pipesToBreaks(const QString &text)
{
    if (!text.contains(u'|'))
        return text;
    return ReplaceChar(text, u'|', QStringLiteral("<BR>"));
}

// Whether a browser would run the address rather than open it. It sees the scheme after
// leading blanks and control characters and ignores tabs and line breaks inside, so
// "  Java\tScript:" is still a script.
bool isScriptAddress(const QString &value)
{
    QString scheme;
    qsizetype i = 0;
    while (i < value.size() && value.at(i).unicode() <= 0x20)
        ++i;
    for (; i < value.size() && scheme.size() <= 10; ++i) {
        const char16_t c = value.at(i).unicode();
        if (c == u':') {
            return scheme == QLatin1String("javascript") || scheme == QLatin1String("vbscript") ||
                   scheme == QLatin1String("data");
        }
        if (c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if (c >= 0x80 || !(QChar::isLetterOrNumber(c) || c == u'+' || c == u'-' || c == u'.'))
            return false;
        scheme += QChar(c).toLower();
    }
    return false;
}

QString link(const QString &href, const QString &text)
{
    return QStringLiteral("<A HREF=\"") % href % QStringLiteral("\">") % text %
           QStringLiteral("</A>");
}

QString mailLink(const QString &address)
{
    const QString text = pageText(address);
    return link(QStringLiteral("mailto:") % text, text);
}

QString fieldLine(const ReportField &field, const QString &value)
{
    const QString text = pageText(value);
    const QString bold = QStringLiteral("<B>") % field.label % QStringLiteral("</B>");
    switch (field.form) {
    case FieldForm::Block:
        return bold % QStringLiteral(":<BLOCKQUOTE>") % pipesToBreaks(text) % BlockquoteClose;
    case FieldForm::Mail:
        return bold % QStringLiteral(": &nbsp;") % mailLink(value) % QStringLiteral("<BR>");
    case FieldForm::Link:
        return bold % QStringLiteral(": &nbsp;") %
               link(isScriptAddress(value) ? QString() : text, text) % QStringLiteral("<BR>");
    case FieldForm::Text:
    case FieldForm::OtherAddresses:
        break;
    }
    return bold % QStringLiteral(": &nbsp;") % text % QStringLiteral("<BR>");
}
} // namespace

void ShowCannotSaveReport(const QString &fileName)
{
    ShowMessageBox(QStringLiteral("Quenlark Calbrey cannot save the report to \"") + fileName +
                       QStringLiteral("\".  Please try another file name and try again!"),
                   QStringLiteral("Cannot save report."), MessageBoxFlag::Error);
}

TReportGenerator::TReportGenerator() : m_page(QByteArrayLiteral("\xEF\xBB\xBF")) {}
TReportGenerator::~TReportGenerator() = default;

void TReportGenerator::AddLine(const QString &text)
{
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const qsizetype start = m_page.size();
    m_lineStarts.append(start);
    m_page.resize(start + utf8.requiredSpace(text.size()) + 2);
    char *end = utf8.appendToBuffer(m_page.data() + start, text);
    *end++ = '\r';
    *end++ = '\n';
    m_page.resize(end - m_page.constData());
}

void TReportGenerator::RemoveLastLine()
{
    m_page.truncate(m_lineStarts.takeLast());
}

QStringList TReportGenerator::Lines() const
{
    QStringList lines;
    lines.reserve(m_lineStarts.size());
    for (qsizetype i = 0; i < m_lineStarts.size(); ++i) {
        const qsizetype start = m_lineStarts.at(i);
        const qsizetype end = i + 1 < m_lineStarts.size() ? m_lineStarts.at(i + 1) : m_page.size();
        lines.append(QString::fromUtf8(m_page.constData() + start, end - start - 2));
    }
    return lines;
}

bool TReportGenerator::ShouldWrite(const QString &value) const
{
    return ShowBlankFields || !value.isEmpty();
}

void TReportGenerator::WriteHeader()
{
    AddLine(QStringLiteral("<HTML>"));
    AddLine(QStringLiteral("<HEAD>"));
    AddLine(QStringLiteral("<TITLE>Contact summary/report</TITLE>"));
    AddLine(QStringLiteral("<STYLE>"));
    AddLine(QStringLiteral("   BODY { margin:0; padding:0 }"));
    AddLine(QStringLiteral("   BODY, BLOCKQUOTE {font-size: 8pt;  font-family:") + FontName +
            QStringLiteral(";}"));
    AddLine(QStringLiteral("</STYLE>"));
    AddLine(QStringLiteral("</HEAD>"));
    AddLine(QString());
    AddLine(QStringLiteral(
        "<BODY BGCOLOR=\"WHITE\" TEXT=\"BLACK\" LINK=\"BLUE\" ALINK=\"RED\" VLINK=\"RED\">"));
    AddLine(QStringLiteral("<FONT SIZE=\"2\">"));
    AddLine(QString());
}

void TReportGenerator::WriteFields(std::span<const ReportField> fields, const QStringList &values)
{
    for (const ReportField &field : fields) {
        const QString &value = values.at(qsizetype(field.key));
        if (field.form == FieldForm::OtherAddresses)
            WriteOtherEmails(field.label, value);
        else if (ShouldWrite(value))
            AddLine(fieldLine(field, value));
    }
}

void TReportGenerator::WriteSection(const QString &title, std::span<const ReportField> fields,
                                    const QStringList &values)
{
    const qsizetype before = LineCount();
    AddLine(sectionHeading(QStringLiteral("<BR><B>") % title % QStringLiteral("</B><BLOCKQUOTE>")));
    WriteFields(fields, values);
    if (LineCount() == before + 1)
        RemoveLastLine();
    else
        AddLine(BlockquoteClose);
}

void TReportGenerator::WriteOtherEmails(const QString &label, const QString &value)
{
    QString line = QStringLiteral("<B>") % label % QStringLiteral(":</B> &nbsp;");
    // A "|" at the very end closes the last address rather than starting an empty one.
    QStringList addresses = value.split(u'|');
    if (addresses.last().isEmpty())
        addresses.removeLast();
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        if (i > 0)
            line += QStringLiteral(", ");
        line += mailLink(addresses.at(i));
    }
    AddLine(line + QStringLiteral("<BR>"));
}

void TReportGenerator::WriteNotes(const QString &label, const QString &notes)
{
    if (!ShouldWrite(notes))
        return;
    AddLine(QStringLiteral("<BR><B>") % sectionHeading(label) % QStringLiteral("</B><BLOCKQUOTE>") %
            pipesToBreaks(pageText(notes)) % BlockquoteClose);
}

void TReportGenerator::WriteContact(const QString &name)
{
    if (m_contactWritten)
        AddLine(SeparatorLine);
    AddLine(QStringLiteral("<B><FONT SIZE=\"6\">") % pageText(name) %
            QStringLiteral("</FONT></B>"));
    AddLine(QStringLiteral("<BLOCKQUOTE>"));
    const QStringList values = ActiveProfile->ReadFields(name, contactKeys());
    WriteFields(MainFields, values);
    if (IncludeHome)
        WriteSection(QStringLiteral("Home details"), HomeFields, values);
    if (IncludeWork)
        WriteSection(QStringLiteral("Work details"), WorkFields, values);
    if (IncludeNotes)
        WriteNotes(QStringLiteral("Notes"), values.at(qsizetype(NotesKey)));
    AddLine(BlockquoteClose);
    m_contactWritten = true;
}

void TReportGenerator::WriteContacts(const QStringList &names)
{
    const TProfile::ContactReadScope scope(*ActiveProfile);
    for (const QString &name : names)
        WriteContact(name);
}

void TReportGenerator::WriteFooter()
{
    AddLine(QString());
    AddLine(QStringLiteral("</FONT>"));
    AddLine(QStringLiteral("</BODY>"));
    AddLine(QStringLiteral("</HTML>"));
    AddLine(QString());
    AddLine(QStringLiteral("<!-- Created using Quenlark Calbrey Report Generator -->"));
}

namespace {
QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CalbreyError(QStringLiteral("Cannot open file ") + path);
    return file.readAll();
}

// The page refers to its separator picture beside it: copies the program's own there when
// the page's folder has none. Without an installed picture nothing is copied.
void placeSeparatorBeside(const QString &page)
{
    const QString picture = QFileInfo(page).absolutePath() + QLatin1Char('/') + SeparatorPicture;
    const QString installed = GetProgramPath(ppProgramFolder) + SeparatorPicture;
    if (!QFileInfo::exists(picture) && QFileInfo::exists(installed))
        WriteFileAtomically(picture, fileBytes(installed));
}
} // namespace

bool TReportGenerator::SaveReport(const QString &fileName)
{
    const QString target = fileName.isEmpty() ? GetProgramPath(ppReportHtml) : fileName;
    try {
        WriteFileAtomically(target, m_page);
    } catch (const CalbreyError &) {
        if (!fileName.isEmpty()) {
            ShowCannotSaveReport(fileName);
        } else {
            ShowMessageBox(QStringLiteral("Quenlark Calbrey cannot save the report to the report "
                                          "file.  Please make sure you can write to the Quenlark "
                                          "Calbrey folder and try again!"),
                           QStringLiteral("Failed to save file."), MessageBoxFlag::Error);
        }
        return false;
    }
    // Where the report is kept apart from the program (an installed copy keeps it in the
    // user's data folder), the picture goes beside it, so a browser shows the separators too.
    // The report itself is saved by then; a picture that cannot be copied only looks plainer.
    try {
        placeSeparatorBeside(target);
    } catch (const CalbreyError &) {
    }
    return true;
}

bool SaveReportCopy(const QString &fileName)
{
    try {
        const QByteArray page = fileBytes(GetProgramPath(ppReportHtml));
        placeSeparatorBeside(fileName);
        WriteFileAtomically(fileName, page);
        return true;
    } catch (const CalbreyError &) {
        ShowCannotSaveReport(fileName);
        return false;
    }
}
