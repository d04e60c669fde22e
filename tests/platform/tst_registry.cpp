#include "platform/calbreyerror.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class TestRegistry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_folder;

    QString entryText() const
    {
        QFile file(AutostartEntryPath());
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromUtf8(file.readAll());
    }

private slots:
    void init()
    {
        m_folder = m_dir.filePath(QStringLiteral("config/autostart"));
        QDir(m_folder).removeRecursively();
        SetAutostartFolder(m_folder);
    }
    void cleanupTestCase() { SetAutostartFolder(QString()); }

    void defaultLocationFollowsXdgConfigHome()
    {
        SetAutostartFolder(QString());
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toLocal8Bit());
        QCOMPARE(AutostartEntryPath(),
                 m_dir.filePath(QStringLiteral("xdg/autostart/quenlark-calbrey.desktop")));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(AutostartEntryPath(),
                 QDir::homePath() + QStringLiteral("/.config/autostart/quenlark-calbrey.desktop"));
        if (wasSet)
            qputenv("XDG_CONFIG_HOME", saved);
    }

    void onWritesEntryWithTraySwitch()
    {
        QVERIFY(!StartWithLoginExists());
        SetStartWithLogin(true, QStringLiteral("/opt/quenlark/quenlark-calbrey"));
        QVERIFY(StartWithLoginExists());
        QCOMPARE(AutostartEntryPath(), m_folder + QStringLiteral("/quenlark-calbrey.desktop"));
        const QString text = entryText();
        QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY(text.contains(QStringLiteral("\nType=Application\n")));
        QVERIFY(text.contains(QStringLiteral("\nExec=\"/opt/quenlark/quenlark-calbrey\" -tray\n")));

        // Writing again replaces the entry instead of adding to it.
        SetStartWithLogin(true, QStringLiteral("/usr/bin/other"));
        QCOMPARE(entryText().count(QStringLiteral("Exec=")), 1);
        QVERIFY(entryText().contains(QStringLiteral("\nExec=\"/usr/bin/other\" -tray\n")));
        QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"quenlark-calbrey.desktop"});
    }

    void offRemovesEntry()
    {
        SetStartWithLogin(true, QStringLiteral("/opt/q"));
        SetStartWithLogin(false, QStringLiteral("/opt/q"));
        QVERIFY(!StartWithLoginExists());
        QVERIFY(QDir(m_folder).isEmpty());
    }

    void offWhenAbsentCreatesNothing()
    {
        SetStartWithLogin(false, QStringLiteral("/opt/q"));
        QVERIFY(!QFileInfo::exists(m_folder));
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("blank") << QStringLiteral("/opt/my apps/q")
                               << QStringLiteral("\"/opt/my apps/q\" -tray");
        QTest::newRow("quote dollar backtick")
            << QStringLiteral("/o\"p$t`/q") << QStringLiteral("\"/o\\\\\"p\\\\$t\\\\`/q\" -tray");
        QTest::newRow("backslash becomes four")
            << QStringLiteral("/a\\b") << QStringLiteral("\"/a\\\\\\\\b\" -tray");
        QTest::newRow("percent doubled")
            << QStringLiteral("/a%fb") << QStringLiteral("\"/a%%fb\" -tray");
        QTest::newRow("line break escaped")
            << QStringLiteral("/a\nb") << QStringLiteral("\"/a\\nb\" -tray");
    }
    void execQuoting()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        SetStartWithLogin(true, path);
        const QStringList lines = entryText().split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("Exec=") + exec));
    }

    // A folder that cannot hold the entry: the failure is reported, nothing is half made.
    void unwritableFolderReported()
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("config")));
        QFile blocker(m_folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY_THROWS_EXCEPTION(CalbreyError, SetStartWithLogin(true, QStringLiteral("/opt/q")));
        QVERIFY(QFileInfo(m_folder).isFile());
        QVERIFY(QFile::remove(m_folder));
    }

    void entryThatCannotBeRemovedReported()
    {
        QVERIFY(QDir().mkpath(AutostartEntryPath() + QStringLiteral("/inside")));
        QVERIFY_THROWS_EXCEPTION(CalbreyError, SetStartWithLogin(false, QStringLiteral("/q")));
    }

    // The machine-wide store keeps each value's type in the file, as a registry export does.
    void machineValueTypes_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("number");
        using V = MachineKey::Value;
        QTest::newRow("quoted text keeps blanks")
            << "sz:\" a \"b\" \"" << int(V::Text) << " a \"b\" " << 0u;
        QTest::newRow("bare text") << "SZ:proxy" << int(V::Text) << "proxy" << 0u;
        QTest::newRow("dword") << "dword:00001f90" << int(V::Integer) << "" << 8080u;
        QTest::newRow("short dword, capitals") << "DWORD:1F90" << int(V::Integer) << "" << 8080u;
        QTest::newRow("untyped number") << "8080" << int(V::OtherType) << "" << 0u;
        QTest::newRow("dword of letters") << "dword:xyz" << int(V::OtherType) << "" << 0u;
        QTest::newRow("dword of nine digits") << "dword:100000000" << int(V::OtherType) << "" << 0u;
        QTest::newRow("dword without digits") << "dword:" << int(V::OtherType) << "" << 0u;
    }
    void machineValueTypes()
    {
        QFETCH(QString, stored);
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(uint, number);
        const QString store = m_dir.filePath(QStringLiteral("typed.ini"));
        QFile file(store);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[Soft\\Key]\r\nv=%1\r\n").arg(stored).toUtf8());
        file.close();
        const MachineKey::Value value = MachineKey(QStringLiteral("soft\\key"), store).value("V");
        QCOMPARE(int(value.type), type);
        QCOMPARE(value.text, text);
        QCOMPARE(value.number, number);
    }

    void machineValuesWrittenTogether()
    {
        const QString store = m_dir.filePath(QStringLiteral("machine.ini"));
        QFile::remove(store);
        {
            MachineKey key(QStringLiteral("Soft\\Key"), store);
            QCOMPARE(int(key.value(QStringLiteral("T")).type), int(MachineKey::Value::Missing));
            key.setText(QStringLiteral("T"), QStringLiteral(" x "));
            key.setInteger(QStringLiteral("N"), 70000);
            QVERIFY(!QFileInfo::exists(store));
            key.flush();
        }
        QFile file(store);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Soft\\Key]\r\nT=sz:\" x \"\r\nN=dword:00011170\r\n"));

        // A value the file cannot hold fails like a write, and nothing set with it is kept.
        MachineKey key(QStringLiteral("Soft\\Key"), store);
        key.setInteger(QStringLiteral("N"), 1);
        QVERIFY_THROWS_EXCEPTION(CalbreyError, key.setText(QStringLiteral("T"), "a\nb"));
        key.flush();
        QCOMPARE(MachineKey(QStringLiteral("Soft\\Key"), store).value("N").number, 70000u);
    }

    void existingEntryKeptWhenDiskIsFull()
    {
        SetStartWithLogin(true, QStringLiteral("/opt/old"));
        const QString before = entryText();
        // The child writes with a file-size limit of zero blocks, as on a full disk.
        QProcess child;
        child.setProgram(QStringLiteral("/bin/sh"));
        child.setArguments({QStringLiteral("-c"),
                            QStringLiteral("ulimit -f 0; exec \"$0\" fullDiskChild"),
                            QCoreApplication::applicationFilePath()});
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("REGISTRY_CHILD_FOLDER"), m_folder);
        child.setProcessEnvironment(env);
        child.start();
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(entryText(), before);
    }
};

// Runs in a child process under `ulimit -f 0`: the write must fail and say so.
static int fullDiskChild()
{
    signal(SIGXFSZ, SIG_IGN);
    SetAutostartFolder(qEnvironmentVariable("REGISTRY_CHILD_FOLDER"));
    try {
        SetStartWithLogin(true, QStringLiteral("/opt/a/much/longer/path/to/the/new/program"));
    } catch (const CalbreyError &) {
        return 0;
    }
    return 1;
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "fullDiskChild") == 0)
        return fullDiskChild();
    QCoreApplication app(argc, argv);
    TestRegistry test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registry.moc"
