#pragma once

#include "platform/username.h"
#include "tempprogramfolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

/// The built program running from a test's program folder, on the profile of the one who runs
/// it (opened at start), with a runtime folder of its own so that no other instance answers.
class RealProgram
{
public:
    /// False when the profile cannot be written or the program does not start.
    bool start(const TempProgramFolder &folder, const QString &program, const QStringList &args)
    {
        OverrideLoginUserName(std::nullopt);
        const QString profile = folder.profiles() + LoginUserName();
        QFile config(profile + QStringLiteral("/config.ini"));
        if (!QDir().mkpath(profile) || !config.open(QIODevice::WriteOnly))
            return false;
        config.write("[Config]\r\nLoad on startup=1\r\n");
        config.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        process.setProcessEnvironment(env);
        process.start(program, args);
        return process.waitForStarted(30000);
    }

    QProcess process;

private:
    QTemporaryDir m_runtime;
};
