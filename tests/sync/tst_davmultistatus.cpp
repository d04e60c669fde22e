#include "sync/davmultistatus.h"

#include <QTest>

using Outcome = TDavMultistatusRead::Outcome;

namespace {
const QUrl Base(QStringLiteral("http://dav.example.com/u/book/"));

// One line per response, its href and status, then what it holds, then "token: ..." when
// the body ends with one: what the table compares.
QString summary(const TDavMultistatus &multistatus)
{
    QStringList lines;
    for (const TDavResponse &response : multistatus.responses) {
        QStringList parts = {response.href, QString::number(response.status)};
        if (!response.etag.isEmpty())
            parts.append(QStringLiteral("etag=") + response.etag);
        if (response.isCollection)
            parts.append(QStringLiteral("collection"));
        if (response.isAddressBook)
            parts.append(QStringLiteral("addressbook"));
        if (!response.displayName.isEmpty())
            parts.append(QStringLiteral("name=") + response.displayName);
        if (!response.syncToken.isEmpty())
            parts.append(QStringLiteral("token=") + response.syncToken);
        if (response.hasAddressData)
            parts.append(QStringLiteral("data=") + QString::fromUtf8(response.addressData));
        if (!response.principalHref.isEmpty())
            parts.append(QStringLiteral("principal=") + response.principalHref);
        if (!response.homeSetHrefs.isEmpty())
            parts.append(QStringLiteral("homes=") + response.homeSetHrefs.join(QLatin1Char(',')));
        lines.append(parts.join(QLatin1Char(' ')));
    }
    if (!multistatus.syncToken.isEmpty())
        lines.append(QStringLiteral("token: ") + multistatus.syncToken);
    return lines.join(QLatin1Char('\n'));
}
} // namespace

class TestDavMultistatus : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<qsizetype>("cap");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("expected");
        const qsizetype cap = DavMaxResponseSize;

        QTest::newRow("default namespace")
            << QByteArray("<?xml version='1.0' encoding='utf-8'?>\n"
                          "<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                          "<response><href>/u/book/</href><propstat><prop>"
                          "<resourcetype><collection /><C:addressbook /></resourcetype>"
                          "<displayname>Friends &amp; family</displayname>"
                          "<sync-token>http://x/sync/7</sync-token>"
                          "</prop><status>HTTP/1.1 200 OK</status></propstat></response>"
                          "</multistatus>")
            << cap << Outcome::Ok
            << "/u/book/ 0 collection addressbook name=Friends & family token=http://x/sync/7";
        // Prefixes of any name, the status before the properties, blanks around text.
        QTest::newRow("prefixes and order")
            << QByteArray("<ns0:multistatus xmlns:ns0=\"DAV:\" "
                          "xmlns:ns1=\"urn:ietf:params:xml:ns:carddav\"><ns0:response>"
                          "<ns0:href>\n  /u/book/a.vcf\n</ns0:href><ns0:propstat>"
                          "<ns0:status>HTTP/1.1 200 OK</ns0:status><ns0:prop>"
                          "<ns0:getetag>\"e1\"</ns0:getetag><ns0:resourcetype/>"
                          "<ns1:address-data>BEGIN:VCARD\nFN:A &lt;B&gt;\nEND:VCARD\n"
                          "</ns1:address-data></ns0:prop></ns0:propstat></ns0:response>"
                          "</ns0:multistatus>")
            << cap << Outcome::Ok
            << "/u/book/a.vcf 0 etag=\"e1\" data=BEGIN:VCARD\nFN:A <B>\nEND:VCARD\n";
        QTest::newRow("vCard in CDATA")
            << QByteArray("<d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:"
                          "carddav\"><d:response><d:href>/u/book/b.vcf</d:href><d:propstat>"
                          "<d:prop><c:address-data><![CDATA[FN:<x> & y]]></c:address-data>"
                          "</d:prop></d:propstat></d:response></d:multistatus>")
            << cap << Outcome::Ok << "/u/book/b.vcf 0 data=FN:<x> & y";
        // A property the server has not is reported in a 404 part, and reads as absent.
        QTest::newRow("propstat 404 parts")
            << QByteArray("<multistatus xmlns=\"DAV:\"><response><href>/u/book/a.vcf</href>"
                          "<propstat><prop><getetag>\"e2\"</getetag></prop>"
                          "<status>HTTP/1.1 200 OK</status></propstat>"
                          "<propstat><prop><displayname>Ghost</displayname><resourcetype>"
                          "<collection/></resourcetype></prop>"
                          "<status>HTTP/1.1 404 Not Found</status></propstat></response>"
                          "<response><href>/u/book/c.vcf</href><propstat><prop><getetag>\"x\""
                          "</getetag></prop><status>HTTP/1.1 404 Not Found</status></propstat>"
                          "</response></multistatus>")
            << cap << Outcome::Ok << "/u/book/a.vcf 0 etag=\"e2\"\n/u/book/c.vcf 0";
        QTest::newRow("removed since the token")
            << QByteArray("<multistatus xmlns=\"DAV:\"><response><href>/u/book/gone.vcf</href>"
                          "<status>HTTP/1.1 404 Not Found</status></response>"
                          "<response><href>/u/book/x.vcf</href><href>/u/book/y.vcf</href>"
                          "<status>HTTP/1.1 410 Gone</status></response>"
                          "<sync-token>tok-2</sync-token></multistatus>")
            << cap << Outcome::Ok
            << "/u/book/gone.vcf 404\n/u/book/x.vcf 410\n/u/book/y.vcf 410\ntoken: tok-2";
        // However the server escapes it, a card's path reads the same.
        QTest::newRow("href escaping")
            << QByteArray("<multistatus xmlns=\"DAV:\">"
                          "<response><href>/u/book/a%40b.vcf</href><status>HTTP/1.1 404 x"
                          "</status></response>"
                          "<response><href>/u/book/a@b.vcf</href><status>HTTP/1.1 404 x"
                          "</status></response>"
                          "<response><href>http://dav.example.com/u/book/a%40b.vcf</href>"
                          "<status>HTTP/1.1 404 x</status></response>"
                          "<response><href>a@b.vcf</href><status>HTTP/1.1 404 x</status>"
                          "</response>"
                          "<response><href>/u/x/%2E%2E/book/./a%40b.vcf</href><status>HTTP/1.1 "
                          "404 x</status>"
                          "</response>"
                          "<response><href>http://dav.example.com//u/book/a%40b.vcf</href>"
                          "<status>HTTP/1.1 404 x</status>"
                          "</response>"
                          "<response><href>/u/book/J%C3%BCrgen%20M.vcf</href><status>HTTP/1.1 "
                          "404 x</status></response>"
                          "<response><href>/u/book/Jürgen M.vcf</href><status>HTTP/1.1 "
                          "404 x</status></response>"
                          "</multistatus>")
            << cap << Outcome::Ok
            << "/u/book/a%40b.vcf 404\n/u/book/a%40b.vcf 404\n/u/book/a%40b.vcf 404\n"
               "/u/book/a%40b.vcf 404\n/u/book/a%40b.vcf 404\n/u/book/a%40b.vcf "
               "404\n/u/book/J%C3%BCrgen%20M.vcf 404\n"
               "/u/book/J%C3%BCrgen%20M.vcf 404";
        QTest::newRow("principal and homes")
            << QByteArray("<D:multistatus xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:"
                          "carddav\"><D:response><D:href>/</D:href><D:propstat><D:prop>"
                          "<D:current-user-principal><D:href>/p/alice/</D:href>"
                          "</D:current-user-principal><C:addressbook-home-set>"
                          "<D:href>/h/one/</D:href><D:href>/h/two/</D:href>"
                          "</C:addressbook-home-set><D:unknown><D:getetag>no</D:getetag>"
                          "</D:unknown></D:prop><D:status>HTTP/1.1 200 OK</D:status>"
                          "</D:propstat></D:response></D:multistatus>")
            << cap << Outcome::Ok << "/ 0 principal=/p/alice/ homes=/h/one/,/h/two/";
        // The same names in another namespace are not DAV's.
        QTest::newRow("foreign namespace")
            << QByteArray("<multistatus xmlns=\"DAV:\" xmlns:x=\"urn:x\"><response>"
                          "<href>/u/book/a.vcf</href><propstat><prop><x:getetag>\"no\""
                          "</x:getetag><x:address-data>no</x:address-data></prop></propstat>"
                          "</response></multistatus>")
            << cap << Outcome::Ok << "/u/book/a.vcf 0";
        QTest::newRow("empty multistatus")
            << QByteArray("<multistatus xmlns=\"DAV:\"/>") << cap << Outcome::Ok << "";

        QTest::newRow("root of another namespace")
            << QByteArray("<multistatus xmlns=\"urn:x\"/>") << cap << Outcome::Malformed << "";
        QTest::newRow("truncated body")
            << QByteArray("<multistatus xmlns=\"DAV:\"><response><href>/u/book/a.vcf</href>"
                          "<propstat><prop><getetag>\"e")
            << cap << Outcome::Malformed << "";
        QTest::newRow("empty body") << QByteArray() << cap << Outcome::Malformed << "";
        QTest::newRow("HTML") << QByteArray("<html><body>Login</body></html>") << cap
                              << Outcome::Malformed << "";
        QTest::newRow("text after the root")
            << QByteArray("<multistatus xmlns=\"DAV:\"/><multistatus xmlns=\"DAV:\"/>") << cap
            << Outcome::Malformed << "";
        QTest::newRow("mismatched tags")
            << QByteArray("<multistatus xmlns=\"DAV:\"><response></href></multistatus>") << cap
            << Outcome::Malformed << "";
        const QByteArray small = "<multistatus xmlns=\"DAV:\"/>";
        QTest::newRow("at the cap") << small << small.size() << Outcome::Ok << "";
        QTest::newRow("above the cap") << small + ' ' << small.size() << Outcome::TooLarge << "";
    }
    void read()
    {
        QFETCH(QByteArray, body);
        QFETCH(qsizetype, cap);
        QFETCH(Outcome, outcome);
        QFETCH(QString, expected);
        const TDavMultistatusRead read = ReadDavMultistatus(body, Base, cap);
        QCOMPARE(read.outcome, outcome);
        if (outcome == Outcome::Malformed)
            QVERIFY(!read.error.isEmpty());
        QCOMPARE(summary(read.value), expected);
    }
};

QTEST_GUILESS_MAIN(TestDavMultistatus)
#include "tst_davmultistatus.moc"
