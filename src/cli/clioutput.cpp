#include "cli/clioutput.h"

#include "cli/clicommand.h"

#include <QFile>
#include <cerrno>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr qsizetype kFlushAt = qsizetype(1) << 20;

// False when the whole of data could not be written: errno says why.
bool writeAll(int fd, QByteArrayView data)
{
    while (!data.isEmpty()) {
#ifdef Q_OS_WIN
        const int written =
            ::_write(fd, data.data(), unsigned(qMin<qsizetype>(data.size(), 1 << 30)));
#else
        const ssize_t written = ::write(fd, data.data(), size_t(data.size()));
#endif
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data = data.sliced(written);
    }
    return true;
}

} // namespace

CliOutput::~CliOutput()
{
    try {
        flush();
    } catch (const CliError &) {
        // Only reached when the command itself failed first; its message has been told.
    }
}

void CliOutput::write(QByteArrayView bytes)
{
    m_pending.append(bytes.data(), bytes.size());
    if (m_pending.size() >= kFlushAt)
        flush();
}

void CliOutput::line(const QString &text)
{
    m_pending += text.toUtf8();
    m_pending += '\n';
    if (m_pending.size() >= kFlushAt)
        flush();
}

void CliOutput::flush()
{
    if (m_pending.isEmpty())
        return;
    const QByteArray pending = std::exchange(m_pending, QByteArray());
    if (m_closed || writeAll(1, pending))
        return;
    if (errno == EPIPE) {
        m_closed = true;
        return;
    }
    throw CliError(QStringLiteral("Unable to write to standard output"));
}

void PrintError(const QString &message)
{
    // One line, whatever the message holds.
    const QByteArray text = (QStringLiteral("calbrey: ") + message.simplified()).toUtf8() + '\n';
    writeAll(2, text);
}

QByteArray ReadStandardInput()
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        throw CliError(QStringLiteral("Unable to read standard input"));
    return in.readAll();
}
