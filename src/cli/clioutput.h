#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

/// Standard output, collected and written in large pieces. A reader that stops reading (a
/// pager closed, `head`) ends the output quietly; any other failure is an error.
class CliOutput
{
public:
    CliOutput() = default;
    ~CliOutput();
    CliOutput(const CliOutput &) = delete;
    CliOutput &operator=(const CliOutput &) = delete;

    void write(QByteArrayView bytes);
    /// text in UTF-8 and a line feed.
    void line(const QString &text);
    /// Writes what is collected; throws CliError when standard output cannot take it.
    void flush();

private:
    QByteArray m_pending;
    bool m_closed = false; // the reader has gone
};

/// "calbrey: " and the message, on one line of standard error.
void PrintError(const QString &message);

/// All of standard input.
QByteArray ReadStandardInput();
