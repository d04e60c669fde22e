#pragma once

#include "platform/shell.h"

#include <QList>
#include <QStringList>

/// Installed while it lives: records every document opened and program started instead of
/// starting anything, and answers with succeed.
class RecordingLauncher : public ShellLauncher
{
public:
    struct Start
    {
        QString program;
        QStringList arguments;
    };

    RecordingLauncher() : m_previous(SetShellLauncher(this)) {}
    ~RecordingLauncher() override { SetShellLauncher(m_previous); }
    RecordingLauncher(const RecordingLauncher &) = delete;
    RecordingLauncher &operator=(const RecordingLauncher &) = delete;

    bool openDocument(const QString &target, const LateLaunchFailure & = {}) override
    {
        documents.append(target);
        return succeed;
    }
    bool startProgram(const QString &program, const QStringList &arguments) override
    {
        starts.append({program, arguments});
        return succeed;
    }
    void clear()
    {
        documents.clear();
        starts.clear();
    }

    bool succeed = true;
    QStringList documents;
    QList<Start> starts;

private:
    ShellLauncher *m_previous;
};
