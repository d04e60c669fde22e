#pragma once

#include "app/untcommon.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

/// A fresh program folder (with an empty Profiles/) for one test; restores the real one after.
class TempProgramFolder
{
public:
    TempProgramFolder()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("Profiles"));
        SetProgramFolder(m_dir.path());
        // Decides the kind of copy now, while Profiles/ is there: a portable one, so a test
        // that removes the folder never sends files to the user's data folder.
        GetProgramPath(ppProfiles);
    }
    ~TempProgramFolder() { SetProgramFolder(QString()); }
    TempProgramFolder(const TempProgramFolder &) = delete;
    TempProgramFolder &operator=(const TempProgramFolder &) = delete;

    /// The folder, with its closing separator.
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString profiles() const { return path() + QStringLiteral("Profiles/"); }

    /// A copy of the built program (CALBREY_TEST_PROGRAM) in this folder, so that the profiles
    /// it opens are the test's; empty where the environment names no built program (a copy
    /// that failed then fails to start).
    QString copyBuiltProgram() const
    {
        const QString built = qEnvironmentVariable("CALBREY_TEST_PROGRAM");
        if (built.isEmpty())
            return QString();
        QString copy = path() + QStringLiteral("quenlark-calbrey");
        QFile::copy(built, copy);
        return copy;
    }

private:
    QTemporaryDir m_dir;
};
