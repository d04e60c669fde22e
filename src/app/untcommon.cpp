#include "app/untcommon.h"

#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/textcodec.h"
#include "platform/username.h"
#include "profiles/untprofiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

namespace {
QString &programFolderOverride()
{
    static QString folder;
    return folder;
}

QString withClosingSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}
} // namespace

void SetProgramFolder(const QString &folder)
{
    programFolderOverride() = folder.isEmpty() ? QString() : withClosingSeparator(folder);
}

QString GetProgramPath(int kind)
{
    QString folder = programFolderOverride();
    if (folder.isEmpty())
        folder = withClosingSeparator(
            QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath());
    switch (kind) {
    case ppProfiles:
        return folder + QStringLiteral("Profiles/");
    case ppHelp:
        return folder + QStringLiteral("Help/");
    case ppReporter:
        return folder + QStringLiteral("Reporter/");
    case ppReportHtml:
        return folder + QStringLiteral("report.html");
    case ppReportDef:
        return folder + QStringLiteral("Reporter/report.def");
    case ppCsvDef:
        return folder + QStringLiteral("csv.def");
    default:
        return folder;
    }
}

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

namespace {
QString quotedText(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool askToKeep(const QString &text, const QString &caption)
{
    return ShowMessageBox(text, caption, MessageBoxFlag::Question) == MessageBoxResult::Yes;
}

// Only A to Z are folded, so that no other letter can turn into part of a scheme.
QString asciiLower(const QString &text)
{
    QString lower = text;
    for (QChar &c : lower) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return lower;
}

QImage renderSvg(const QString &path, QSize size)
{
    if (!QFile::exists(path))
        return QImage();
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return QImage();
    if (size.isEmpty())
        size = renderer.defaultSize();
    if (size.isEmpty())
        return QImage();
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

} // namespace

// The pictures were drawn with the colour of their bottom-right pixel as background.
void MakeBitmapTransparent(QImage &image)
{
    if (image.isNull())
        return;
    if (image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(image.width() - 1, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
}

namespace {

QImage loadBitmap(const QString &resourceName, QSize size)
{
    QImage image = renderSvg(
        QStringLiteral(":/bitmaps/") + resourceName.toLower() + QStringLiteral(".svg"), size);
    MakeBitmapTransparent(image);
    return image;
}
} // namespace

bool ValidateEmail(const QString &address)
{
    if (address.isEmpty() || !ActiveProfile || !ActiveProfile->ValidateEmails)
        return true;
    bool seenAt = false;
    bool seenStopAfterAt = false;
    for (const QChar c : address) {
        if (c == QLatin1Char('@'))
            seenAt = true;
        else if (c == QLatin1Char('.') && seenAt)
            seenStopAfterAt = true;
    }
    if (seenAt && seenStopAfterAt)
        return true;
    return askToKeep(QStringLiteral("It seems an e-mail address you specified ") +
                         quotedText(address) +
                         QStringLiteral(" is not valid.  Are you sure you want to use this "
                                        "e-mail address?"),
                     QStringLiteral("Use e-mail address?"));
}

bool ValidateUrl(const QString &url)
{
    if (url.isEmpty() || !ActiveProfile || !ActiveProfile->ValidateUrls)
        return true;
    const QString lower = asciiLower(url);
    if (lower.contains(QLatin1String("http://")) || lower.contains(QLatin1String("https://")))
        return true;
    return askToKeep(QStringLiteral("It seems that the url you specified ") + quotedText(url) +
                         QStringLiteral(" is not valid.  Are you sure you want to use it?"),
                     QStringLiteral("Use given URL?"));
}

void OpenHelpTopic(const QString &topic)
{
    // Nothing is reported when the page cannot be opened.
    CurrentShellLauncher().openDocument(GetProgramPath(ppHelp) + topic + QStringLiteral(".html"));
}

void UpdateRunKey()
{
    if (!ActiveProfile)
        return;
    const QString executable =
        QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    SetStartWithLogin(ActiveProfile->LoadOnStartup, executable);
}

QString GetWindowsUserName()
{
    const QString name = LoginUserName();
    return name.isEmpty() ? QStringLiteral("(Default)") : name;
}

void LoadCountryList(QStringList &list)
{
    QFile file(QStringLiteral(":/rescountry.txt"));
    if (!file.open(QIODevice::ReadOnly))
        throw CalbreyError(QStringLiteral("Resource resCountry not found"));
    list = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
}

void LoadUserIconList(QList<QImage> &list)
{
    list.clear();
    for (int n = 0; n < UserIconCount; ++n)
        list.append(LoadUserIcon(n));
}

QImage LoadUserIcon(int n)
{
    if (n < 0 || n >= UserIconCount)
        return QImage();
    return loadBitmap(QStringLiteral("resUserIcon") + QString::number(n + 1),
                      QSize(UserIconSize, UserIconSize));
}

bool LoadResourceBitmap(const QString &resourceName, QImage &bitmap)
{
    bitmap = loadBitmap(resourceName, QSize());
    return !bitmap.isNull();
}

void AppendFileLines(QStringList &list, const QString &fileName)
{
    QFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly))
        throw CalbreyError(QStringLiteral("Cannot open file ") + fileName);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw CalbreyError(QStringLiteral("Cannot open file ") + fileName);
    QString text = DecodeText(bytes);
    if (text.isEmpty())
        return;
    // Lines end with CR LF, LF or a lone CR; a last line end adds no empty line.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    list.append(text.split(QLatin1Char('\n')));
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
