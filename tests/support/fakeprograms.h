#pragma once

// Stand-ins for the programs the system is asked to run (xdg-open, gio): shell scripts in a
// folder that is the whole PATH, or its first folder, while a FakePrograms lives. Unix only.

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cerrno>
#include <csignal>

class FakePrograms
{
public:
    /// PATH is the folder alone, or the folder first and then the PATH before (beforeSystem).
    explicit FakePrograms(bool beforeSystem = false) : m_savedPath(qgetenv("PATH"))
    {
        const QByteArray folder = QFile::encodeName(m_folder.path());
        qputenv("PATH", beforeSystem ? folder + ':' + m_savedPath : folder);
    }
    ~FakePrograms() { qputenv("PATH", m_savedPath); }
    FakePrograms(const FakePrograms &) = delete;
    FakePrograms &operator=(const FakePrograms &) = delete;

    /// A program of that name that notes its arguments and process id, then runs body.
    void add(const QString &name, const QByteArray &body) const
    {
        QFile script(path(name));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\necho $$ > \"$0.pid\"\n" +
                     body + '\n');
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    /// The arguments the program was started with last; empty when it has not run.
    QStringList arguments(const QString &name) const
    {
        QFile file(path(name) + QStringLiteral(".args"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    /// The process id of the program's last run; 0 until it has noted it.
    qint64 processId(const QString &name) const
    {
        QFile file(path(name) + QStringLiteral(".pid"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    }
    /// The program ran, ended and was reaped by the process that started it (who is told of
    /// the end in the same step).
    bool ranAndEnded(const QString &name) const
    {
        const qint64 id = processId(name);
        return id > 0 && ::kill(pid_t(id), 0) != 0 && errno == ESRCH;
    }

private:
    QString path(const QString &name) const { return m_folder.filePath(name); }

    QTemporaryDir m_folder;
    QByteArray m_savedPath;
};
