#pragma once

#include "app/untcommon.h"

#include <QDir>
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

private:
    QTemporaryDir m_dir;
};
