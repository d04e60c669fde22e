#include "fulldisk.h"
#include "scriptedmessagebox.h"
#include "testfiles.h"
#include "testprofile.h"

#include "app/untcommon.h"
#include "profiles/contactfields.h"
#include "reports/untreportgen.h"

#include <QDir>
#include <QtTest>

namespace {
// The expected page, written out from the page's tables rather than from the generator.
QStringList header(const QString &font)
{
    return {"<HTML>",
            "<HEAD>",
            "<TITLE>Contact summary/report</TITLE>",
            "<STYLE>",
            "   BODY { margin:0; padding:0 }",
            "   BODY, BLOCKQUOTE {font-size: 8pt;  font-family:" + font + ";}",
            "</STYLE>",
            "</HEAD>",
            "",
            R"(<BODY BGCOLOR="WHITE" TEXT="BLACK" LINK="BLUE" ALINK="RED" VLINK="RED">)",
            R"(<FONT SIZE="2">)",
            ""};
}
const QStringList Footer = {"",        "</FONT>",
                            "</BODY>", "</HTML>",
                            "",        "<!-- Created using Quenlark Calbrey Report Generator -->"};
const QString Separator = R"(<BR><CENTER><IMG SRC="quenlark_line.jpg"></CENTER><BR>)";
const QString Close = "</BLOCKQUOTE>";

QStringList opening(const QString &name)
{
    return {R"(<B><FONT SIZE="6">)" + name + "</FONT></B>", "<BLOCKQUOTE>"};
}
QString text(const QString &label, const QString &value)
{
    return "<B>" + label + "</B>: &nbsp;" + value + "<BR>";
}
QString block(const QString &label, const QString &value)
{
    return "<B>" + label + "</B>:<BLOCKQUOTE>" + value + "</BLOCKQUOTE>";
}
QString link(const QString &label, const QString &href, const QString &value)
{
    return "<B>" + label + R"(</B>: &nbsp;<A HREF=")" + href + R"(">)" + value + "</A><BR>";
}
QString mail(const QString &label, const QString &value)
{
    return link(label, "mailto:" + value, value);
}
QString others(const QStringList &addresses)
{
    QStringList links;
    for (const QString &a : addresses)
        links.append(R"(<A HREF="mailto:)" + a + R"(">)" + a + "</A>");
    return "<B>Other addresses:</B> &nbsp;" + links.join(", ") + "<BR>";
}
QString heading(const QString &title)
{
    return R"(<FONT SIZE="+1"><BR><B>)" + title + "</B><BLOCKQUOTE></FONT>";
}
QString notes(const QString &value)
{
    return R"(<BR><B><FONT SIZE="+1">Notes</FONT></B><BLOCKQUOTE>)" + value + "</BLOCKQUOTE>";
}

// Every line of a contact, in table order, each value being its key's (empty: "").
QStringList everyLine(const QString &name, const std::function<QString(const char *)> &value)
{
    QStringList lines = opening(name);
    lines << mail("E-Mail address", value("pEmailAddress"))
          << (value("pOtherEmail").isEmpty() ? others({}) : others({value("pOtherEmail")}))
          << link("Home page", value("pHomePage"), value("pHomePage"))
          << text("Category", value("aContactCat")) << text("Name", value("pRealName"))
          << text("Nick name", value("pNickName")) << text("Mobile number", value("pMobile"))
          << text("ICQ Number", value("pIcq")) << heading("Home details")
          << mail("E-Mail address", value("hEmail"))
          << link("Home page", value("hWebSite"), value("hWebSite"))
          << block("Address", value("hAddress")) << text("City", value("hCitg"))
          << text("Zip code", value("hZipCode")) << text("Country", value("hCountry"))
          << text("Phone number", value("hPhone")) << text("Phone ext", value("hPhoneExt"))
          << text("Fax number", value("hFax")) << text("Pager", value("hPager"))
          << text("State", value("hState")) << Close << heading("Work details")
          << mail("E-Mail address", value("wEmail"))
          << link("Web site", value("wWebSite"), value("wWebSite"))
          << block("Address", value("wAddress")) << text("Company name", value("wCompany"))
          << text("City", value("wCity")) << text("Zip code", value("wZipCode"))
          << text("Country", value("wCountry")) << text("Phone number", value("wPhoneNumber"))
          << text("Phone ext", value("wPhoneExt")) << text("Fax number", value("wFax"))
          << text("Pager", value("wPager")) << text("State", value("wState")) << Close
          << notes(value("aNotes")) << Close;
    return lines;
}
const auto Blank = [](const char *) {
    return QString();
};

// A contact with every field stored, each value naming its key ("v.hCitg").
TestContact fullContact()
{
    TestContact contact{"Ann Full", {}};
    for (const ContactField &field : ContactFields)
        contact.fields.append({QString(field.key), "v." + QString(field.key)});
    return contact;
}
} // namespace

using Book = QList<TestContact>;
Q_DECLARE_METATYPE(Book)

class TestReportGenerator : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;

private slots:
    void initTestCase()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
    }
    void cleanupTestCase() { m_profile.reset(); }

    // options: the letters of the sections on (H home, W work, N notes), B for blank fields.
    void page_data()
    {
        QTest::addColumn<Book>("book");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("font");
        QTest::addColumn<QStringList>("body"); // between header and footer

        QTest::newRow("every field, sections in their orders")
            << Book{fullContact()} << QStringList{"Ann Full"} << "HWN"
            << "Tahoma"
            << everyLine("Ann Full", [](const char *key) { return QString("v.") + key; });

        QTest::newRow("three contacts, two separators")
            << Book{{"Al", {{"pRealName", "Al Real"}}}, {"Bé", {}}, {"Cy", {{"pMobile", "555"}}}}
            << QStringList{"Cy", "Al", "Bé"} << "HWN"
            << "Tahoma"
            << (opening("Cy") << others({}) << text("Mobile number", "555") << Close << Separator
                              << opening("Al") << others({}) << text("Name", "Al Real") << Close
                              << Separator << opening("Bé") << others({}) << Close);

        const Book phoneOnly = {{"P", {{"hPhone", "123"}}}};
        QTest::newRow("blank fields off: a section without fields leaves no trace")
            << phoneOnly << QStringList{"P"} << "HWN"
            << "Tahoma"
            << (opening("P") << others({}) << heading("Home details") << text("Phone number", "123")
                             << Close << Close);
        QTest::newRow("blank fields on: every line")
            << phoneOnly << QStringList{"P"} << "HWNB"
            << "Tahoma" << everyLine("P", [](const char *key) {
                   return QString(key) == "hPhone" ? "123" : "";
               });
        QTest::newRow("name not in the database, blank fields on")
            << phoneOnly << QStringList{"Ghost"} << "HWNB"
            << "Tahoma" << everyLine("Ghost", Blank);
        QTest::newRow("name not in the database, empty font")
            << phoneOnly << QStringList{"Ghost"} << "HWN"
            << "" << (opening("Ghost") << others({}) << Close);

        QTest::newRow("other addresses and notes")
            << Book{{"Two", {{"pOtherEmail", "a@x.org|b@x.org"}, {"aNotes", "one|two"}}},
                    {"End", {{"pOtherEmail", "a@x.org|b@x.org|"}, {"aNotes", "end|"}}},
                    {"Gap", {{"pOtherEmail", "a@x.org||b@x.org"}, {"aNotes", ""}}},
                    {"None", {{"pOtherEmail", ""}}}}
            << QStringList{"Two", "End", "Gap", "None"} << "N"
            << "Tahoma"
            << (opening("Two") << others({"a@x.org", "b@x.org"}) << notes("one<BR>two") << Close
                               << Separator << opening("End") << others({"a@x.org", "b@x.org"})
                               << notes("end<BR>") << Close << Separator << opening("Gap")
                               << others({"a@x.org", "", "b@x.org"}) << Close << Separator
                               << opening("None") << "<B>Other addresses:</B> &nbsp;<BR>" << Close);

        // Stored values never become markup; the one markup from data is the line break.
        const QString script = "<script>alert('x')</script>";
        const QString attribute = "\"><img src=x onerror=alert(1)>";
        const QString escapedScript = "&lt;script&gt;alert('x')&lt;/script&gt;";
        const QString escapedAttribute = "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;";
        QTest::newRow("values escaped")
            << Book{{"A&B <i>",
                     {{"pEmailAddress", attribute},
                      {"pOtherEmail", "x@y.org|" + attribute},
                      {"pHomePage", "http://x.org/?a=1&b=" + attribute},
                      {"pRealName", script},
                      {"hAddress", "<b>1|2</b> & 3"},
                      {"aNotes", script + "|" + attribute}}}}
            << QStringList{"A&B <i>"} << "HN"
            << "Tahoma"
            << (opening("A&amp;B &lt;i&gt;")
                << mail("E-Mail address", escapedAttribute) << others({"x@y.org", escapedAttribute})
                << link("Home page", "http://x.org/?a=1&amp;b=" + escapedAttribute,
                        "http://x.org/?a=1&amp;b=" + escapedAttribute)
                << text("Name", escapedScript) << heading("Home details")
                << block("Address", "&lt;b&gt;1<BR>2&lt;/b&gt; &amp; 3") << Close
                << notes(escapedScript + "<BR>" + escapedAttribute) << Close);

        QTest::newRow("script addresses get an empty link")
            << Book{{"J",
                     {{"pHomePage", "\"  JavaScript:alert(1)\""},
                      {"hWebSite", "\"\tjava\tscript:y\""},
                      {"wWebSite", "DATA:text/html,<b>"}}},
                    {"H",
                     {{"pHomePage", "https://example.org/data:x"},
                      {"hWebSite", "mailto:javascript@x.org"},
                      {"wWebSite", "vbscript:x"}}}}
            << QStringList{"J", "H"} << "HW"
            << "Tahoma"
            << (opening("J")
                << others({}) << link("Home page", "", "  JavaScript:alert(1)")
                << heading("Home details") << link("Home page", "", "\tjava\tscript:y") << Close
                << heading("Work details") << link("Web site", "", "DATA:text/html,&lt;b&gt;")
                << Close << Close << Separator << opening("H") << others({})
                << link("Home page", "https://example.org/data:x", "https://example.org/data:x")
                << heading("Home details")
                << link("Home page", "mailto:javascript@x.org", "mailto:javascript@x.org") << Close
                << heading("Work details") << link("Web site", "", "vbscript:x") << Close << Close);
    }

    // The page line by line, and the saved file byte by byte: UTF-8 behind a byte-order mark,
    // CR LF after every line, the closing comment included.
    void page()
    {
        QFETCH(Book, book);
        QFETCH(QStringList, names);
        QFETCH(QString, options);
        QFETCH(QString, font);
        QFETCH(QStringList, body);
        m_profile->fill(book);
        TReportGenerator report;
        report.IncludeHome = options.contains('H');
        report.IncludeWork = options.contains('W');
        report.IncludeNotes = options.contains('N');
        report.ShowBlankFields = options.contains('B');
        report.FontName = font;
        report.WriteHeader();
        report.WriteContacts(names);
        report.WriteFooter();

        const QStringList expected = header(font) + body + Footer;
        const QStringList actual = report.Lines();
        for (qsizetype i = 0; i < qMax(actual.size(), expected.size()); ++i) {
            const QString where = QStringLiteral("line %1: ").arg(i + 1);
            QCOMPARE(where + actual.value(i, "<none>"), where + expected.value(i, "<none>"));
        }
        QVERIFY(report.SaveReport(QString()));
        QCOMPARE(ReadFileBytes(GetProgramPath(ppReportHtml)),
                 "\xEF\xBB\xBF" + expected.join("\r\n").toUtf8() + "\r\n");
    }

    // An installed copy keeps report.html in the user's data folder: the separator picture
    // goes beside it, so a browser shows the separators too.
    void installedCopyPutsThePictureBesideTheReport()
    {
        QTemporaryDir prefix;
        QTemporaryDir dataHome;
        QVERIFY(QDir(prefix.path()).mkpath("bin"));
        QVERIFY(QDir(prefix.path()).mkpath("share/quenlark-calbrey"));
        ReplaceFileBytes(prefix.path() + "/share/quenlark-calbrey/quenlark_line.jpg", "picture");
        const QByteArray before = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        SetProgramFolder(prefix.path() + "/bin");
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_DATA_HOME", before);
            SetProgramFolder(m_profile->folder().path());
        });
        TReportGenerator report;
        report.WriteHeader();
        report.WriteFooter();
        QVERIFY(report.SaveReport(QString()));
        const QString user = dataHome.path() + "/quenlark-calbrey/";
        QCOMPARE(GetProgramPath(ppReportHtml), user + "report.html");
        QVERIFY(QFileInfo::exists(user + "report.html"));
        QCOMPARE(ReadFileBytes(user + "quenlark_line.jpg"), QByteArray("picture"));
    }

    // Each failure shows its own message, and an earlier report stays as it was.
    void saveFailures()
    {
        SKIP_WITHOUT_FULL_DISK();
        ScriptedMessageBox boxes;
        const QString reportFile = GetProgramPath(ppReportHtml);
        m_profile->fill({fullContact()});
        TReportGenerator report;
        report.WriteHeader();
        report.WriteContact("Ann Full");

        const QString missing = m_profile->folder().path() + "no such folder/r.html";
        QVERIFY(!report.SaveReport(missing));
        ReplaceFileBytes(reportFile, "earlier report");
        {
            FileSizeLimit limit(64);
            QVERIFY(!report.SaveReport(QString()));
        }
        QCOMPARE(ReadFileBytes(reportFile), QByteArray("earlier report"));
        QCOMPARE(boxes.captions(), (QStringList{"Cannot save report.", "Failed to save file."}));
        QCOMPARE(boxes.shown.at(0).text, "Quenlark Calbrey cannot save the report to \"" + missing +
                                             "\".  Please try another file name and try again!");
        QCOMPARE(boxes.shown.at(1).text,
                 "Quenlark Calbrey cannot save the report to the report file.  Please make sure "
                 "you can write to the Quenlark Calbrey folder and try again!");
        QCOMPARE(boxes.last().flags, 16);
    }
};

QTEST_GUILESS_MAIN(TestReportGenerator)
#include "tst_reportgenerator.moc"
