#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QStringView>

/// Writes content lines into a buffer: UTF-8, folded at 75 octets on character boundaries
/// (the continuation starting with a blank), each ended by CR LF. Control characters other
/// than TAB are left out.
class TVCardLineWriter
{
public:
    /// Appends to out. The buffer is written through a pointer, with room made ahead: out holds
    /// exactly the lines written once the writer is gone.
    explicit TVCardLineWriter(QByteArray &out);
    ~TVCardLineWriter();
    TVCardLineWriter(const TVCardLineWriter &) = delete;
    TVCardLineWriter &operator=(const TVCardLineWriter &) = delete;

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
    /// Where the next size octets go, with room for them.
    char *room(qsizetype size)
    {
        if (m_out.size() - m_size < size)
            grow(size);
        return m_out.data() + m_size;
    }
    void grow(qsizetype size);

    QByteArray &m_out;
    qsizetype m_size = 0; // the octets written; m_out may be longer, the rest is room
    qsizetype m_lineStart = 0;
};
