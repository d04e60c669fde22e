#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
class NullLauncher final : public ShellLauncher
{
public:
    bool openDocument(const QString &) override { return true; }
    bool startProgram(const QString &, const QStringList &) override { return true; }
};
} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void splitCommandLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("pieces");

        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("only blanks") << QStringLiteral("  \t ") << QStringList();
        QTest::newRow("plain words")
            << QStringLiteral("mailer -to  x") << QStringList{"mailer", "-to", "x"};
        QTest::newRow("quoted program with blanks")
            << QStringLiteral("\"C:\\Program Files\\x.exe\" /a \"b c\"")
            << QStringList{"C:\\Program Files\\x.exe", "/a", "b c"};
        QTest::newRow("quotes inside a piece join it")
            << QStringLiteral("prog --to=\"a b\"c d") << QStringList{"prog", "--to=a bc", "d"};
        QTest::newRow("empty quoted argument kept")
            << QStringLiteral("prog \"\" x") << QStringList{"prog", "", "x"};
        QTest::newRow("unclosed quote runs to the end")
            << QStringLiteral("prog \"a b") << QStringList{"prog", "a b"};
        QTest::newRow("leading and trailing blanks")
            << QStringLiteral("  prog  ") << QStringList{"prog"};
        QTest::newRow("tab separates") << QStringLiteral("prog\targ") << QStringList{"prog", "arg"};
        QTest::newRow("backslashes are literal")
            << QStringLiteral("\"C:\\dir\\\" next") << QStringList{"C:\\dir\\", "next"};
        QTest::newRow("shell characters are plain text")
            << QStringLiteral("prog a;b |c $(d)") << QStringList{"prog", "a;b", "|c", "$(d)"};
    }
    void splitCommandLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, pieces);
        QCOMPARE(SplitCommandLine(line), pieces);
    }

    void installedLauncherIsUsedAndRestored()
    {
        ShellLauncher &system = CurrentShellLauncher();
        NullLauncher fake;
        ShellLauncher *previous = SetShellLauncher(&fake);
        QCOMPARE(&CurrentShellLauncher(), static_cast<ShellLauncher *>(&fake));
        QVERIFY(previous);
        SetShellLauncher(previous);
        QCOMPARE(&CurrentShellLauncher(), &system);
        SetShellLauncher(&fake);
        SetShellLauncher(nullptr);
        QCOMPARE(&CurrentShellLauncher(), &system);
    }

    // Arguments reach the program as they are: nothing in them is read by a shell.
    void startProgramPassesArgumentsVerbatim()
    {
        const QString touch = QStandardPaths::findExecutable(QStringLiteral("touch"));
        if (touch.isEmpty())
            QSKIP("no touch program here");
        QTemporaryDir dir;
        const QString odd = dir.filePath(QStringLiteral("a b; touch injected"));
        QVERIFY(CurrentShellLauncher().startProgram(touch, {odd}));
        QTRY_VERIFY(QFile::exists(odd));
        QVERIFY(!QFile::exists(QDir::current().filePath(QStringLiteral("injected"))));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a b; touch injected"});
    }

    void startProgramReportsFailure()
    {
        QVERIFY(!CurrentShellLauncher().startProgram(
            QStringLiteral("/nonexistent/quenlark-no-such-program"), {}));
        QVERIFY(!CurrentShellLauncher().startProgram(QString(), {QStringLiteral("x")}));
    }

    void openDocumentRefusesWhatItCannotOpen()
    {
        QVERIFY(!CurrentShellLauncher().openDocument(QString()));
#ifndef Q_OS_WIN
        // Would be read by xdg-open as one of its own options.
        QVERIFY(!CurrentShellLauncher().openDocument(QStringLiteral("--manual")));
#endif
    }
};

QTEST_GUILESS_MAIN(TestShell)
#include "tst_shell.moc"
