#include "fulldisk.h"
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"
#include "testfiles.h"

#include "platform/calbreyerror.h"
#include "profiles/untprofiles.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

const QString profileName = QStringLiteral("Prefs");

} // namespace

class TestProfileSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void blankProfileHasDefaults();
    void storedBooleans_data();
    void storedBooleans();
    void saveWritesAllKeysInOrder();
    void textsReadBackExactly_data();
    void textsReadBackExactly();
    void readOnlyWhenOpened();
    void saveKeepsForeignLines();
    void failedSaveIsReportedAndKeepsFile();
    void csvColumnChoicesReadBackExactly_data();
    void csvColumnChoicesReadBackExactly();
    void failedCsvColumnChoicesKeepFile();

private:
    QString configPath() const { return m_program->profiles() + profileName + "/config.ini"; }

    std::unique_ptr<TempProgramFolder> m_program;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
};

void TestProfileSettings::init()
{
    m_program = std::make_unique<TempProgramFolder>();
    m_boxes = std::make_unique<ScriptedMessageBox>();
    QVERIFY(CreateProfile(profileName));
}

void TestProfileSettings::cleanup()
{
    m_boxes.reset();
    m_program.reset();
}

void TestProfileSettings::blankProfileHasDefaults()
{
    TProfile profile(profileName);
    QVERIFY(!profile.ValidateEmails);
    QVERIFY(profile.ValidateUrls);
    QVERIFY(profile.DisplayTips);
    QVERIFY(!profile.DisplaySearchBar);
    QVERIFY(!profile.LoadOnStartup);
    QVERIFY(!profile.FullDisplay);
    QVERIFY(!profile.UseCustomEmailClient);
    QVERIFY(!profile.UseCustomWebBrowser);
    QVERIFY(profile.CustomEmailClient.isEmpty());
    QVERIFY(profile.CustomWebBrowser.isEmpty());
    // A missing config.ini reads the same.
    QVERIFY(QFile::remove(configPath()));
    TProfile bare(profileName);
    QVERIFY(bare.ValidateUrls);
    QVERIFY(!bare.ValidateEmails);
}

void TestProfileSettings::storedBooleans_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("validateEmails"); // default false
    QTest::addColumn<bool>("validateUrls");   // default true
    QTest::newRow("one") << QByteArray("1") << true << true;
    QTest::newRow("zero") << QByteArray("0") << false << false;
    QTest::newRow("two") << QByteArray("2") << true << true;
    QTest::newRow("negative") << QByteArray("-1") << true << true;
    QTest::newRow("hex one") << QByteArray("0x1") << true << true;
    QTest::newRow("hex zero") << QByteArray("0x0") << false << false;
    QTest::newRow("word yes") << QByteArray("yes") << false << true;
    QTest::newRow("word true") << QByteArray("true") << false << true;
    QTest::newRow("empty") << QByteArray("") << false << true;
    QTest::newRow("prefix alone") << QByteArray("0x") << false << true;
    QTest::newRow("quoted") << QByteArray("\"1\"") << true << true;
}

void TestProfileSettings::storedBooleans()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, validateEmails);
    QFETCH(bool, validateUrls);
    ReplaceFileBytes(configPath(), "[Config]\r\nValidate Emails=" + stored +
                                       "\r\nvalidate urls=" + stored + "\r\n");
    TProfile profile(profileName);
    QCOMPARE(profile.ValidateEmails, validateEmails);
    QCOMPARE(profile.ValidateUrls, validateUrls);
}

void TestProfileSettings::saveWritesAllKeysInOrder()
{
    TProfile profile(profileName);
    profile.LoadOnStartup = true;
    profile.ValidateUrls = false;
    profile.CustomWebBrowser = QStringLiteral("firefox *");
    profile.SaveSettings();
    QCOMPARE(ReadFileBytes(configPath()), QByteArray("; Quenlark Calbrey Config Holder.\r\n"
                                                     "[Config]\r\n"
                                                     "Validate Emails=0\r\n"
                                                     "Validate Urls=0\r\n"
                                                     "Display Tips=1\r\n"
                                                     "Display Search Bar=0\r\n"
                                                     "Load on startup=1\r\n"
                                                     "Full Display=0\r\n"
                                                     "Use custom email client=0\r\n"
                                                     "Use custom web browser=0\r\n"
                                                     "Custom web browser=firefox *\r\n"
                                                     "Custom email client=\r\n"
                                                     "Keep deleted contacts=30\r\n"));
}

void TestProfileSettings::textsReadBackExactly_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("readBack");
    const auto same = [](const char *name, const QString &text) {
        QTest::newRow(name) << text << text;
    };
    same("quoted program and address", QStringLiteral("\"/usr/bin/x\" \"*\""));
    same("quoted program", QStringLiteral("\"/opt/My Browser/run\" *"));
    same("single quotes", QStringLiteral("'mutt' '*'"));
    same("blanks at the ends", QStringLiteral("  thunderbird -compose * "));
    same("long", QString(3000, QLatin1Char('x')) + QStringLiteral(" *"));
    QTest::newRow("line break") << QStringLiteral("a\r\nb") << QStringLiteral("a b");
}

void TestProfileSettings::textsReadBackExactly()
{
    QFETCH(QString, command);
    QFETCH(QString, readBack);
    {
        TProfile profile(profileName);
        profile.CustomEmailClient = command;
        profile.CustomWebBrowser = command;
        profile.SaveSettings();
    }
    TProfile reopened(profileName);
    QCOMPARE(reopened.CustomEmailClient, readBack);
    QCOMPARE(reopened.CustomWebBrowser, readBack);
}

void TestProfileSettings::readOnlyWhenOpened()
{
    TProfile profile(profileName);
    ReplaceFileBytes(configPath(), "[Config]\r\nFull Display=1\r\n");
    QVERIFY(!profile.FullDisplay);
    profile.LoadSettings();
    QVERIFY(profile.FullDisplay);
}

void TestProfileSettings::saveKeepsForeignLines()
{
    ReplaceFileBytes(configPath(),
                     "; mine\r\n[Other]\r\nx=1\r\n[config]\r\n; note\r\nFull Display=1\r\n"
                     "Window Left=10\r\n");
    {
        TProfile profile(profileName);
        QVERIFY(profile.FullDisplay);
        profile.FullDisplay = false;
    } // saved on close
    const QByteArray saved = ReadFileBytes(configPath());
    QVERIFY(saved.startsWith("; mine\r\n[Other]\r\nx=1\r\n[config]\r\n; note\r\nFull Display=0\r\n"
                             "Window Left=10\r\n"));
    QVERIFY(saved.contains("Custom email client=\r\n"));
    QCOMPARE(saved.count("Full Display"), 1);
}

void TestProfileSettings::failedSaveIsReportedAndKeepsFile()
{
    TProfile profile(profileName);
    QVERIFY(QFile::remove(configPath()));
    QVERIFY(QDir().mkdir(configPath())); // a folder where the file should be
    profile.DisplaySearchBar = true;
    try {
        profile.SaveSettings();
        QFAIL("saving into a folder succeeded");
    } catch (const CalbreyError &error) {
        QCOMPARE(error.message(), QStringLiteral("Unable to write to ") + configPath());
    }
    QVERIFY(profile.DisplaySearchBar); // kept in memory
    QVERIFY(QDir(configPath()).isEmpty());
}

void TestProfileSettings::csvColumnChoicesReadBackExactly_data()
{
    // Headers are any text: each is kept as a key that reads back as it.
    QTest::addColumn<QString>("header");
    QTest::newRow("plain") << QStringLiteral("Business Phone 2");
    QTest::newRow("equals sign") << QStringLiteral("a=b");
    QTest::newRow("a comment's start") << QStringLiteral(";x");
    QTest::newRow("a section's brackets") << QStringLiteral("[Config]");
    QTest::newRow("blanks at the ends") << QStringLiteral(" Title\t");
    QTest::newRow("percent") << QStringLiteral("100%25");
    QTest::newRow("quotes") << QStringLiteral("\"Name\"");
    QTest::newRow("other letters") << QStringLiteral("Straße geschäftlich");
}

void TestProfileSettings::csvColumnChoicesReadBackExactly()
{
    QFETCH(QString, header);
    const QString other = QStringLiteral("Other");
    {
        TProfile profile(profileName);
        profile.WriteCsvColumnChoices(
            {{header, QStringLiteral("pRealName")}, {other, QStringLiteral(".skip")}});
    }
    TProfile reopened(profileName);
    const QList<std::pair<QString, QString>> both = {{header, QStringLiteral("pRealName")},
                                                     {other, QStringLiteral(".skip")}};
    QCOMPARE(reopened.ReadCsvColumnChoices(), both);
    QVERIFY(ReadFileBytes(configPath()).contains("[CSV Columns]\r\n"));

    // An empty key forgets the header.
    reopened.WriteCsvColumnChoices({{header, QString()}});
    const QList<std::pair<QString, QString>> rest = {{other, QStringLiteral(".skip")}};
    QCOMPARE(reopened.ReadCsvColumnChoices(), rest);
}

void TestProfileSettings::failedCsvColumnChoicesKeepFile()
{
    TProfile profile(profileName);
    profile.WriteCsvColumnChoices({{QStringLiteral("Title"), QStringLiteral("pRealName")}});
    const QByteArray before = ReadFileBytes(configPath());
    SKIP_WITHOUT_FULL_DISK();
    const int code = RunWithFileSizeLimit(before.size(), [&] {
        try {
            profile.WriteCsvColumnChoices({{QStringLiteral("Birthday"), QStringLiteral(".skip")}});
            return 1;
        } catch (const CalbreyError &error) {
            return error.message() == QStringLiteral("Unable to write to ") + configPath() ? 0 : 2;
        }
    });
    QCOMPARE(code, 0);
    QCOMPARE(ReadFileBytes(configPath()), before);
}

QTEST_GUILESS_MAIN(TestProfileSettings)
#include "tst_profilesettings.moc"
