#include "platform/singleinstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

// The lock is checked across real processes: this test program, started again with
// "holdLock <folder>", takes the lock, says "held" or "busy", and keeps it until its input
// closes or it is killed.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static void startHolder(QProcess &holder, const QString &folder)
    {
        holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("holdLock"), folder});
    }
    static QByteArray firstAnswer(QProcess &holder)
    {
        if (!holder.waitForStarted(30000))
            return QByteArray();
        while (!holder.canReadLine()) {
            if (!holder.waitForReadyRead(30000))
                return QByteArray();
        }
        return holder.readLine().trimmed();
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        SetSingleInstanceFolder(m_dir.path());
    }
    void cleanupTestCase() { SetSingleInstanceFolder(QString()); }

    void secondLockInSameProcessRefused()
    {
        SingleInstanceLock first;
        QVERIFY(first.acquired());
        QVERIFY(QFile::exists(m_dir.filePath(QLatin1String(SingleInstanceMutexName))));
        SingleInstanceLock second;
        QVERIFY(!second.acquired());
    }

    void lockFreedWhenReleased()
    {
        {
            SingleInstanceLock first;
            QVERIFY(first.acquired());
        }
        SingleInstanceLock again;
        QVERIFY(again.acquired());
    }

    void otherProcessHoldingLockRefusesUs()
    {
        QProcess holder;
        startHolder(holder, m_dir.path());
        QCOMPARE(firstAnswer(holder), QByteArray("held"));
        {
            SingleInstanceLock mine;
            QVERIFY(!mine.acquired());
        }
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(30000));
        SingleInstanceLock mine;
        QVERIFY(mine.acquired());
    }

    void weHoldingLockRefusesOtherProcess()
    {
        SingleInstanceLock mine;
        QVERIFY(mine.acquired());
        QProcess other;
        startHolder(other, m_dir.path());
        QCOMPARE(firstAnswer(other), QByteArray("busy"));
        QVERIFY(other.waitForFinished(30000));
    }

    // A crashed program must not keep the next one from starting.
    void lockFreedWhenHolderIsKilled()
    {
        QProcess holder;
        startHolder(holder, m_dir.path());
        QCOMPARE(firstAnswer(holder), QByteArray("held"));
        holder.kill();
        QVERIFY(holder.waitForFinished(30000));
        SingleInstanceLock mine;
        QVERIFY(mine.acquired());
    }

    // Programs started from ours (a mail client, a browser) must not inherit the lock.
    void childProcessesDoNotInheritLock()
    {
        const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
        if (sleep.isEmpty())
            QSKIP("no sleep program here");
        QProcess child;
        {
            SingleInstanceLock mine;
            QVERIFY(mine.acquired());
            child.start(sleep, {QStringLiteral("30")});
            QVERIFY(child.waitForStarted());
        }
        SingleInstanceLock again;
        QVERIFY(again.acquired());
        child.kill();
        child.waitForFinished();
    }

    void sharedFolderLockCarriesTheUserId()
    {
        const QString temp = m_dir.path();
        QCOMPARE(SingleInstanceLockFile(temp, QStringLiteral("/unused"), QStringLiteral("M"), 1000),
                 QDir(temp).filePath(QStringLiteral("M")));
        for (const QString &runtime : {QString(), m_dir.filePath(QStringLiteral("missing"))}) {
            QCOMPARE(SingleInstanceLockFile(runtime, temp, QStringLiteral("M"), 1000),
                     QDir(temp).filePath(QStringLiteral("M-1000")));
            QCOMPARE(SingleInstanceLockFile(runtime, temp, QStringLiteral("M"), 1001),
                     QDir(temp).filePath(QStringLiteral("M-1001")));
        }
    }

    void unusableFolderMeansNoLock()
    {
        SetSingleInstanceFolder(m_dir.filePath(QStringLiteral("missing/folder")));
        SingleInstanceLock lock;
        QVERIFY(!lock.acquired());
    }
};

static int holdLock(const char *folder)
{
    SetSingleInstanceFolder(QString::fromLocal8Bit(folder));
    SingleInstanceLock lock;
    std::puts(lock.acquired() ? "held" : "busy");
    std::fflush(stdout);
    if (!lock.acquired())
        return 0;
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
    }
    return 0;
}

int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[1], "holdLock") == 0)
        return holdLock(argv[2]);
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
