#include "platform/shell.h"

#ifndef Q_OS_WIN
#include "fakeprograms.h"
#endif

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
class NullLauncher final : public ShellLauncher
{
public:
    bool openDocument(const QString &, const LateLaunchFailure &) override { return true; }
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

#ifndef Q_OS_WIN
    void openDocumentGoesThroughXdgOpenOrGio_data()
    {
        QTest::addColumn<QString>("program"); // the one on PATH; empty: neither
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("lateFailure");

        const QString target = QStringLiteral("mailto:ann@example.org");
        QTest::newRow("xdg-open opens it") << "xdg-open" << 0 << QStringList{target} << false;
        QTest::newRow("xdg-open finds no handler")
            << "xdg-open" << 3 << QStringList{target} << true;
        QTest::newRow("xdg-open's handler fails") << "xdg-open" << 4 << QStringList{target} << true;
        QTest::newRow("gio without xdg-open") << "gio" << 0 << QStringList{"open", target} << false;
        QTest::newRow("gio finds no handler") << "gio" << 2 << QStringList{"open", target} << true;
        QTest::newRow("neither") << QString() << 0 << QStringList() << false;
    }
    // Started and watched without waiting: a failure status is told when the handler ends.
    void openDocumentGoesThroughXdgOpenOrGio()
    {
        QFETCH(QString, program);
        QFETCH(int, exitCode);
        QFETCH(QStringList, arguments);
        QFETCH(bool, lateFailure);

        const FakePrograms fakes;
        if (!program.isEmpty())
            fakes.add(program, "exit " + QByteArray::number(exitCode));
        bool failed = false;
        const bool started = CurrentShellLauncher().openDocument(
            QStringLiteral("mailto:ann@example.org"), [&failed] { failed = true; });
        QCOMPARE(started, !program.isEmpty());
        if (!started)
            return;
        QTRY_VERIFY(fakes.ranAndEnded(program));
        QCOMPARE(fakes.arguments(program), arguments);
        QCOMPARE(failed, lateFailure);
    }

    // A handler may run as long as the browser it runs: the window goes on, and one ended by a
    // signal (the user closed it) is no failure.
    void aHandlerThatRunsOnIsNotWaitedFor()
    {
        const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
        if (sleep.isEmpty())
            QSKIP("no sleep program here");
        const FakePrograms fakes;
        fakes.add(QStringLiteral("xdg-open"), "exec '" + QFile::encodeName(sleep) + "' 600");
        bool failed = false;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(CurrentShellLauncher().openDocument(QStringLiteral("http://example.org"),
                                                    [&failed] { failed = true; }));
        QVERIFY(!clock.hasExpired(60'000)); // the handler runs ten minutes
        QTRY_VERIFY(fakes.processId(QStringLiteral("xdg-open")) > 0);
        QVERIFY(!fakes.ranAndEnded(QStringLiteral("xdg-open")));
        ::kill(pid_t(fakes.processId(QStringLiteral("xdg-open"))), SIGTERM);
        QTRY_VERIFY(fakes.ranAndEnded(QStringLiteral("xdg-open")));
        QVERIFY(!failed);
    }
#endif
};

QTEST_GUILESS_MAIN(TestShell)
#include "tst_shell.moc"
