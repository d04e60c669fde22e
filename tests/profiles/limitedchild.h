#pragma once

// A full disk, simulated: the test program runs itself again with a file-size limit (what
// `ulimit -f` sets), so every write past the limit fails with EFBIG instead of succeeding.

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

namespace LimitedChild {

inline const char *const flag = "--limited-child";

struct Result
{
    int exitCode = -1;
    QString output;
};

/// Runs this program as `program --limited-child <limit> arguments...`; its main() hands such a
/// run to the test's child function instead of the test runner.
inline Result run(qint64 limitBytes, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(QStringList{QString::fromLatin1(flag), QString::number(limitBytes)} +
                         arguments);
    process.start();
    Result result;
    if (!process.waitForFinished(60000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    return result;
}

/// In the child: limits the size of every file it writes, keeping the process alive when a
/// write goes past the limit.
inline void limitFileSize(qint64 bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace LimitedChild

/// main() for a test that also serves as its own limited child: childMain(arguments) runs with
/// the limit in force and its result is the exit code.
#define LIMITED_CHILD_TEST_MAIN(TestClass, childMain)                                              \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        if (argc >= 3 && qstrcmp(argv[1], LimitedChild::flag) == 0) {                              \
            QStringList arguments = app.arguments().mid(3);                                        \
            LimitedChild::limitFileSize(QByteArray(argv[2]).toLongLong());                         \
            return childMain(arguments);                                                           \
        }                                                                                          \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
