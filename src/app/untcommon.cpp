#include "app/untcommon.h"

#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "platform/textcodec.h"

#include <QFile>
#include <QFileInfo>

int ShowMessageBox(const QString &text, const QString &caption, int flags)
{
    return RunMessageBox(text, caption, flags);
}

QString GeneralErrorText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowGeneralError(const QString &message)
{
    ShowMessageBox(GeneralErrorText(message), QLatin1String(ApplicationTitle),
                   MessageBoxFlag::Error);
}

bool IsDotOrDotDot(const QString &name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}

bool PathExists(const QString &path)
{
    if (IsDotOrDotDot(path))
        return false;
    return QFileInfo::exists(path);
}

void AppendFileLines(QStringList &list, const QString &fileName)
{
    QFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly))
        throw CalbreyError(QStringLiteral("Cannot open file ") + fileName);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw CalbreyError(QStringLiteral("Cannot open file ") + fileName);
    list.append(SplitTextLines(DecodeText(bytes)));
}

QStringList SplitTextLines(QString text)
{
    if (text.isEmpty())
        return {};
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

QString ReplaceChar(const QString &text, QChar character, const QString &replacement)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == character)
            result += replacement;
        else
            result += c;
    }
    return result;
}
