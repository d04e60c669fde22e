#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QStringView>

/// Writes content lines into a buffer: UTF-8, folded at 75 octets on character boundaries
/// (the continuation starting with a blank), each ended by CR LF.
class TVCardLineWriter
{
public:
    explicit TVCardLineWriter(QByteArray &out) : m_out(out) {}

    /// Starts a line with its name and parameters, as given.
    TVCardLineWriter &Begin(QLatin1String nameAndParameters);
    TVCardLineWriter &Begin(QStringView nameAndParameters);
    TVCardLineWriter &Ascii(QLatin1String text);
    /// Text escaped for a value (backslash, comma, semicolon, line breaks).
    TVCardLineWriter &Text(QStringView text);
    /// Text already in its escaped form.
    TVCardLineWriter &Raw(QStringView text);
    /// Folds the line and ends it.
    void End();

    /// A whole line of text already escaped.
    void Line(QStringView contentLine)
    {
        Begin(contentLine);
        End();
    }

private:
    void appendUtf8(QStringView text, bool escape);

    QByteArray &m_out;
    qsizetype m_lineStart = 0;
};
