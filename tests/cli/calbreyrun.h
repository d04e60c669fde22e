#pragma once

// Runs the built calbrey (CALBREY_CLI) on a test's program folder, as a user would from a
// terminal: its standard output, standard error and exit status; and a test case that runs it on
// a fresh profile for each test function.

#include "testfiles.h"
#include "testprofile.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>
#include <memory>

struct CalbreyResult
{
    int status = -1;
    QByteArray out;
    QByteArray err;

    QString text() const { return QString::fromUtf8(out); }
    QString error() const { return QString::fromUtf8(err); }
    /// The lines of standard output, without their line ends.
    QStringList lines() const
    {
        QStringList lines = text().split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
};

/// A failed comparison shows what calbrey said.
inline QByteArray Describe(const CalbreyResult &result)
{
    return "status " + QByteArray::number(result.status) + ", stderr: " + result.err +
           ", stdout: " + result.out.left(400);
}

/// calbrey --program-folder folder arguments..., input on its standard input. shell, when
/// given, is a line of sh run first in the same process (a `ulimit`).
inline CalbreyResult RunCalbrey(const QString &folder, const QStringList &arguments,
                                const QByteArray &input = QByteArray(),
                                const QString &shell = QString())
{
    const QString program = qEnvironmentVariable("CALBREY_CLI");
    QStringList all{QStringLiteral("--program-folder"), folder};
    all += arguments;
    QProcess process;
    if (shell.isEmpty()) {
        process.start(program, all);
    } else {
        process.start(QStringLiteral("sh"),
                      QStringList{QStringLiteral("-c"),
                                  shell + QStringLiteral("; exec \"$0\" \"$@\""), program} +
                          all);
    }
    CalbreyResult result;
    if (!process.waitForStarted(30000))
        return result;
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

/// A test case whose every test function has a fresh profile "tester" to run calbrey on; init()
/// fills it with the suite's book.
class CalbreyTestCase : public QObject
{
protected:
    /// For init(): a new profile holding contacts; check it with QVERIFY.
    bool startProfile(const QList<TestContact> &contacts)
    {
        m_profile = std::make_unique<TestProfile>(QStringLiteral("tester"));
        if (!m_profile->activated())
            return false;
        m_profile->fill(contacts);
        return true;
    }
    /// For cleanup().
    void endProfile() { m_profile.reset(); }

    CalbreyResult calbrey(const QStringList &arguments, const QByteArray &input = QByteArray(),
                          const QString &shell = QString()) const
    {
        return RunCalbrey(m_profile->folder().path(),
                          QStringList{QStringLiteral("--profile"), QStringLiteral("tester")} +
                              arguments,
                          input, shell);
    }
    TProfile &profile() const { return m_profile->profile(); }
    QByteArray book() const { return ReadFileBytes(m_profile->databasePath()); }

    std::unique_ptr<TestProfile> m_profile;
};
