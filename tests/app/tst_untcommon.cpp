#include "app/untcommon.h"
#include "platform/calbreyerror.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/username.h"
#include "recordinglauncher.h"
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QtTest>

namespace {
QByteArray pixelHash(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int y = 0; y < argb.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(argb.constScanLine(y)),
                                    qsizetype(argb.width()) * 4));
    return hash.result();
}
} // namespace

class TestUntCommon : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_folder;

private slots:
    void init() { m_folder = std::make_unique<TempProgramFolder>(); }
    void cleanup() { m_folder.reset(); }

    void programPaths()
    {
        const QString root = m_folder->path();
        QVERIFY(root.endsWith(QLatin1Char('/')));
        QCOMPARE(GetProgramPath(0), root);
        QCOMPARE(GetProgramPath(1), root);
        QCOMPARE(GetProgramPath(2), root + QStringLiteral("Profiles/"));
        QCOMPARE(GetProgramPath(3), root + QStringLiteral("Help/"));
        QCOMPARE(GetProgramPath(4), root + QStringLiteral("Reporter/"));
        QCOMPARE(GetProgramPath(5), root + QStringLiteral("report.html"));
        QCOMPARE(GetProgramPath(6), root + QStringLiteral("Reporter/report.def"));
        QCOMPARE(GetProgramPath(7), root + QStringLiteral("csv.def"));
        QCOMPARE(GetProgramPath(8), root);
        QCOMPARE(GetProgramPath(9), root);
        QCOMPARE(GetProgramPath(-1), root);

        QCOMPARE(GetUserDataFolder(), root);

        SetProgramFolder(QString());
        const QString real = QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
        QDir(real).mkdir(QStringLiteral("Profiles"));
        const auto removeProfiles =
            qScopeGuard([&] { QDir(real).rmdir(QStringLiteral("Profiles")); });
        QCOMPARE(GetProgramPath(ppProgramFolder), real + QLatin1Char('/'));
        QCOMPARE(GetProgramPath(ppHelp), real + QStringLiteral("/Help/"));
    }

    void installedCopyKeepsUserFilesInTheUsersDataFolder()
    {
        // No Profiles/ beside the executable: an installed copy, as under /usr/bin.
        QTemporaryDir prefix;
        QTemporaryDir dataHome;
        QVERIFY(QDir(prefix.path()).mkdir(QStringLiteral("bin")));
        SetProgramFolder(prefix.path() + QStringLiteral("/bin"));
        const QByteArray before = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", before); });

        const QString share = prefix.path() + QStringLiteral("/share/quenlark-calbrey/");
        const QString user = dataHome.path() + QStringLiteral("/quenlark-calbrey/");
        QCOMPARE(GetProgramPath(ppProgramFolder), share);
        QCOMPARE(GetProgramPath(ppHelp), share + QStringLiteral("Help/"));
        QCOMPARE(GetProgramPath(ppProfiles), user + QStringLiteral("Profiles/"));
        QVERIFY(QFileInfo(user + QStringLiteral("Profiles")).isDir());
        QCOMPARE(GetProgramPath(ppReportHtml), user + QStringLiteral("report.html"));
        QCOMPARE(GetUserDataFolder(), user);

        // The kind of copy is decided once: a Profiles/ folder that appears later changes
        // nothing until the next start, which finds a portable copy.
        QVERIFY(QDir(prefix.path()).mkdir(QStringLiteral("bin/Profiles")));
        QCOMPARE(GetProgramPath(ppProfiles), user + QStringLiteral("Profiles/"));
        SetProgramFolder(prefix.path() + QStringLiteral("/bin"));
        QCOMPARE(GetProgramPath(ppProfiles), prefix.path() + QStringLiteral("/bin/Profiles/"));
    }

    void validateEmail_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("asks");
        QTest::newRow("plain") << QStringLiteral("ann@example.org") << false;
        QTest::newRow("bare at and stop") << QStringLiteral("@.") << false;
        QTest::newRow("blanks and two ats") << QStringLiteral("a b@c@d.e") << false;
        QTest::newRow("no at") << QStringLiteral("ann.example.org") << true;
        QTest::newRow("stop only before at") << QStringLiteral("ann.lee@example") << true;
        QTest::newRow("at only") << QStringLiteral("ann@") << true;
        QTest::newRow("blank") << QStringLiteral(" ") << true;
    }
    void validateEmail()
    {
        QFETCH(QString, address);
        QFETCH(bool, asks);
        ScriptedMessageBox boxes;
        boxes.answer(MessageBoxResult::No);
        QCOMPARE(ValidateEmail(address, true), !asks);
        QCOMPARE(boxes.count(), asks ? 1 : 0);
        if (!asks)
            return;
        QCOMPARE(boxes.last().caption, QStringLiteral("Use e-mail address?"));
        QCOMPARE(boxes.last().text, QStringLiteral("It seems an e-mail address you specified \"") +
                                        address +
                                        QStringLiteral("\" is not valid.  Are you sure you want "
                                                       "to use this e-mail address?"));
        QCOMPARE(boxes.last().flags, MessageBoxFlag::Question);
        boxes.answer(MessageBoxResult::Yes);
        QVERIFY(ValidateEmail(address, true));
    }

    void validateEmailSkipped()
    {
        ScriptedMessageBox boxes;
        QVERIFY(ValidateEmail(QStringLiteral("nonsense"), false));
        QVERIFY(ValidateEmail(QString(), true));
        QCOMPARE(boxes.count(), 0);
    }

    void validateUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("asks");
        QTest::newRow("http") << QStringLiteral("http://example.org") << false;
        QTest::newRow("https") << QStringLiteral("https://example.org") << false;
        QTest::newRow("capital scheme") << QStringLiteral("HTTP://EXAMPLE.ORG") << false;
        QTest::newRow("scheme after words") << QStringLiteral("see http://x") << false;
        QTest::newRow("bare host") << QStringLiteral("www.Example.org") << true;
        QTest::newRow("other scheme") << QStringLiteral("ftp://example.org") << true;
        QTest::newRow("one slash") << QStringLiteral("http:/example.org") << true;
    }
    void validateUrl()
    {
        QFETCH(QString, url);
        QFETCH(bool, asks);
        ScriptedMessageBox boxes;
        QCOMPARE(ValidateUrl(url, true), !asks);
        QCOMPARE(boxes.count(), asks ? 1 : 0);
        if (!asks)
            return;
        QCOMPARE(boxes.last().caption, QStringLiteral("Use given URL?"));
        QCOMPARE(boxes.last().text,
                 QStringLiteral("It seems that the url you specified \"") + url +
                     QStringLiteral("\" is not valid.  Are you sure you want to use it?"));
        QCOMPARE(boxes.last().flags, MessageBoxFlag::Question);
        boxes.answer(MessageBoxResult::Yes);
        QVERIFY(ValidateUrl(url, true));
    }

    void validateUrlSkipped()
    {
        ScriptedMessageBox boxes;
        QVERIFY(ValidateUrl(QStringLiteral("nonsense"), false));
        QVERIFY(ValidateUrl(QString(), true));
        QCOMPARE(boxes.count(), 0);
    }

    void countryList()
    {
        QStringList list{QStringLiteral("old entry")};
        LoadCountryList(list);
        QCOMPARE(list.size(), 234);
        QCOMPARE(list.first(), QStringLiteral("Afghanistan"));
        QCOMPARE(list.last(), QStringLiteral("Zimbabwe"));
        QVERIFY(list.contains(QStringLiteral("New Zealand (Hamilton, Waikato)")));
        QVERIFY(list.contains(QStringLiteral("Cote d'Ivoire (Ivory Coast)")));
        for (const QString &name : std::as_const(list)) {
            QVERIFY(!name.isEmpty());
            QCOMPARE(name.trimmed(), name);
        }
        // Stored order, not sorted: "Congo (Zaire)" comes before "Congo".
        QCOMPARE(list.indexOf(QStringLiteral("Congo (Zaire)")) + 1,
                 list.indexOf(QStringLiteral("Congo")));
    }

    void userIcons()
    {
        QList<QImage> list{QImage(1, 1, QImage::Format_ARGB32)};
        LoadUserIconList(list);
        QCOMPARE(list.size(), 25);
        QSet<QByteArray> distinct;
        for (int n = 0; n < 25; ++n) {
            const QImage &icon = list.at(n);
            QCOMPARE(icon.size(), QSize(32, 32));
            QVERIFY(icon.hasAlphaChannel());
            // Transparent background, and a picture on it.
            QCOMPARE(qAlpha(icon.pixel(31, 31)), 0);
            int opaque = 0;
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    opaque += qAlpha(icon.pixel(x, y)) == 255;
            QVERIFY2(opaque > 100, qPrintable(QString::number(n)));
            QCOMPARE(pixelHash(LoadUserIcon(n)), pixelHash(icon));
            distinct.insert(pixelHash(icon));
        }
        QCOMPARE(distinct.size(), 25);
    }

    void userIconOutOfRangeIsNull()
    {
        QVERIFY(LoadUserIcon(25).isNull());
        QVERIFY(LoadUserIcon(-1).isNull());
        QVERIFY(LoadUserIcon(1000).isNull());
    }

    void resourceBitmapNamesIgnoreCase()
    {
        QImage upper, lower;
        LoadResourceBitmap(QStringLiteral("RESUSERICON7"), upper);
        LoadResourceBitmap(QStringLiteral("resUserIcon7"), lower);
        QCOMPARE(pixelHash(upper), pixelHash(lower));
        QCOMPARE(pixelHash(upper), pixelHash(LoadUserIcon(6)));

        // A name the program has no picture of is an error, not an empty picture.
        QImage missing(4, 4, QImage::Format_ARGB32);
        missing.fill(Qt::red);
        const QByteArray hash = pixelHash(missing);
        try {
            LoadResourceBitmap(QStringLiteral("NO_SUCH_PICTURE"), missing);
            QFAIL("no error for a missing picture");
        } catch (const CalbreyError &error) {
            QCOMPARE(error.message(), QStringLiteral("Resource NO_SUCH_PICTURE not found"));
        }
        QCOMPARE(pixelHash(missing), hash);
    }

    void transparencyByBottomRightPixel()
    {
        const QRgb background = qRgb(255, 0, 255);
        QImage image(4, 3, QImage::Format_ARGB32);
        image.fill(background);
        image.setPixel(1, 1, qRgb(10, 20, 30));
        image.setPixel(2, 1, qRgb(255, 0, 254)); // close to the key, but not it
        MakeBitmapTransparent(image);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(3, 2)), 0);
        QCOMPARE(image.pixel(1, 1), qRgb(10, 20, 30));
        QCOMPARE(image.pixel(2, 1), qRgb(255, 0, 254));

        // The key is the bottom-right pixel, whatever the rest of the border holds.
        QImage other(3, 3, QImage::Format_ARGB32);
        other.fill(qRgb(0, 0, 0));
        other.setPixel(2, 2, qRgb(1, 2, 3));
        other.setPixel(0, 0, qRgb(1, 2, 3));
        MakeBitmapTransparent(other);
        QCOMPARE(qAlpha(other.pixel(0, 0)), 0);
        QCOMPARE(other.pixel(1, 1), qRgb(0, 0, 0));

        QImage empty;
        MakeBitmapTransparent(empty);
        QVERIFY(empty.isNull());
    }

    void appendFileLines()
    {
        const QString crlf = m_folder->path() + QStringLiteral("crlf.txt");
        ReplaceFileBytes(crlf, "one\r\ntwo\r\n\r\nfour\r\n");
        QStringList list{QStringLiteral("kept")};
        AppendFileLines(list, crlf);
        QCOMPARE(list, QStringList({"kept", "one", "two", "", "four"}));

        const QString bare = m_folder->path() + QStringLiteral("bare.txt");
        ReplaceFileBytes(bare, "a\nb\rc");
        list.clear();
        AppendFileLines(list, bare);
        QCOMPARE(list, QStringList({"a", "b", "c"}));

        const QString empty = m_folder->path() + QStringLiteral("empty.txt");
        ReplaceFileBytes(empty, QByteArray());
        AppendFileLines(list, empty);
        QCOMPARE(list.size(), 3);
    }

    void appendFileLinesDecodesOldFiles()
    {
        const QString path = m_folder->path() + QStringLiteral("old.txt");
        ReplaceFileBytes(path, "Caf\xe9 \x80 10\r\nna\xc3\xafve\r\n");
        QStringList list;
        AppendFileLines(list, path);
        QCOMPARE(list, QStringList(
                           {QStringLiteral("Caf\u00e9 \u20ac 10"), QStringLiteral("na\u00efve")}));
    }

    void appendFileLinesReportsUnreadableFile()
    {
        QStringList list{QStringLiteral("kept")};
        const QString missing = m_folder->path() + QStringLiteral("missing.txt");
        try {
            AppendFileLines(list, missing);
            QFAIL("a missing file was not reported");
        } catch (const CalbreyError &error) {
            QCOMPARE(error.message(), QStringLiteral("Cannot open file ") + missing);
        }
        QVERIFY_THROWS_EXCEPTION(CalbreyError, AppendFileLines(list, m_folder->profiles()));
        QCOMPARE(list, QStringList{QStringLiteral("kept")});
    }

    void replaceChar()
    {
        QCOMPARE(
            ReplaceChar(QStringLiteral("mail * and *"), QLatin1Char('*'), QStringLiteral("a@b.c")),
            QStringLiteral("mail a@b.c and a@b.c"));
        QCOMPARE(ReplaceChar(QStringLiteral("no star"), QLatin1Char('*'), QStringLiteral("x")),
                 QStringLiteral("no star"));
        QCOMPARE(ReplaceChar(QStringLiteral("**"), QLatin1Char('*'), QString()), QString());
        // The replacement is not scanned again.
        QCOMPARE(ReplaceChar(QStringLiteral("a*"), QLatin1Char('*'), QStringLiteral("**")),
                 QStringLiteral("a**"));
    }

    void dotsAndPaths()
    {
        QVERIFY(IsDotOrDotDot(QStringLiteral(".")));
        QVERIFY(IsDotOrDotDot(QStringLiteral("..")));
        QVERIFY(!IsDotOrDotDot(QStringLiteral("...")));
        QVERIFY(!IsDotOrDotDot(QString()));
        QVERIFY(!IsDotOrDotDot(QStringLiteral(".hidden")));

        QVERIFY(!PathExists(QStringLiteral("..")));
        QVERIFY(!PathExists(QStringLiteral(".")));
        QVERIFY(PathExists(m_folder->profiles()));
        ReplaceFileBytes(m_folder->path() + QStringLiteral("file.txt"), "x");
        QVERIFY(PathExists(m_folder->path() + QStringLiteral("file.txt")));
        QVERIFY(!PathExists(m_folder->path() + QStringLiteral("nothing")));
    }

    void windowsUserName()
    {
        OverrideLoginUserName(QStringLiteral("ann"));
        QCOMPARE(GetWindowsUserName(), QStringLiteral("ann"));
        OverrideLoginUserName(QString());
        QCOMPARE(GetWindowsUserName(), QStringLiteral("(Default)"));
        OverrideLoginUserName(std::nullopt);
        QVERIFY(!GetWindowsUserName().isEmpty());
        QCOMPARE(GetWindowsUserName(), LoginUserName());
    }

    void helpTopicGoesToShell()
    {
        ScriptedMessageBox boxes;
        RecordingLauncher launcher;
        launcher.succeed = false;
        OpenHelpTopic(QStringLiteral("importcsv"));
        QCOMPARE(launcher.documents,
                 QStringList{m_folder->path() + QStringLiteral("Help/importcsv.html")});
        // A page that does not open is not reported.
        QCOMPARE(boxes.count(), 0);
    }

    void runKeyFollowsLoadOnStartup()
    {
        QTemporaryDir autostart;
        SetAutostartFolder(autostart.path());
        const QString entry = AutostartEntryPath();
        UpdateRunKey(true);
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString exec =
            QStringLiteral("Exec=\"") +
            QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath() +
            QStringLiteral("\" -tray");
        QVERIFY(QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')).contains(exec));
        file.close();

        UpdateRunKey(false);
        QVERIFY(!QFile::exists(entry));
        UpdateRunKey(false);
        QVERIFY(QDir(autostart.path()).isEmpty());
        SetAutostartFolder(QString());
    }
};

QTEST_GUILESS_MAIN(TestUntCommon)
#include "tst_untcommon.moc"
