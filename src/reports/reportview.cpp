#include "reports/reportview.h"

#include "app/untcommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

namespace {
const QString SeparatorPicture = QStringLiteral("quenlark_line.jpg");

// The page as Qt's rich text lays it out the way browsers do. Two of its habits differ: it
// ends a BLOCKQUOTE opened just before a FONT's end tag together with the FONT, and it puts
// text that follows a nested BLOCKQUOTE at the page's left edge instead of its own block's
// indent. So such a FONT ends first, and such text gets a block (DIV) of its own. The file
// itself is not changed.
QString browserLayout(QString page)
{
    page.replace(QStringLiteral("<BLOCKQUOTE></FONT>"), QStringLiteral("</FONT><BLOCKQUOTE>"),
                 Qt::CaseInsensitive);
    static const QRegularExpression blockquote(QStringLiteral("<(/?)BLOCKQUOTE>"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString result;
    result.reserve(page.size() + page.size() / 8);
    int depth = 0;
    bool afterNested = false;
    qsizetype done = 0;
    for (const QRegularExpressionMatch &tag : blockquote.globalMatch(page)) {
        const QStringView text = QStringView(page).mid(done, tag.capturedStart() - done);
        const bool wrapped = afterNested && !text.trimmed().isEmpty();
        if (wrapped)
            result += QStringLiteral("<DIV>");
        result += text;
        if (wrapped)
            result += QStringLiteral("</DIV>");
        result += tag.captured();
        const bool closing = !tag.capturedView(1).isEmpty();
        depth += closing ? -1 : 1;
        afterNested = closing && depth > 0;
        done = tag.capturedEnd();
    }
    result += QStringView(page).mid(done);
    return result;
}
} // namespace

TReportView::TReportView(QWidget *parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    // The page is shown without a source address, so a link reaches us as written, not
    // turned into a file of the report's folder.
    connect(this, &QTextBrowser::anchorClicked, this, &TReportView::linkActivated);
}

void TReportView::ShowFile(const QString &path)
{
    QFile file(path);
    const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QStringDecoder decoder = QStringDecoder::decoderForHtml(data);
    const QString page = decoder.isValid() ? decoder.decode(data) : QString::fromUtf8(data);
    m_folder = QFileInfo(path).absolutePath();
    document()->setBaseUrl(QUrl::fromLocalFile(m_folder + QLatin1Char('/')));
    setHtml(browserLayout(page));
}

QVariant TReportView::loadResource(int type, const QUrl &name)
{
    Q_UNUSED(type);
    // Only files: a report refers to nothing else, and the view must never go on the network.
    if (!name.isLocalFile() && !name.isRelative())
        return QVariant();
    QString path = name.isLocalFile() ? name.toLocalFile() : QDir(m_folder).filePath(name.path());
    // The separator is installed with the program; a report kept elsewhere still shows it.
    if (!QFileInfo::exists(path) && QFileInfo(path).fileName() == SeparatorPicture)
        path = GetProgramPath(ppProgramFolder) + SeparatorPicture;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QVariant();
    return file.readAll();
}
