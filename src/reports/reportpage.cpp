#include "reports/reportpage.h"

#include <QRegularExpression>

namespace {
// A page up to this size is laid out at once (about 300 contacts of a report with every field).
constexpr qsizetype WholePageSize = qsizetype(512) * 1024;
// The first page: at least a screen of contacts, small enough to be laid out in a blink.
constexpr qsizetype FirstPageSize = qsizetype(64) * 1024;

// What the report generator writes between two contacts, at the page's top level.
const QString ContactSeparator =
    QStringLiteral("<BR><CENTER><IMG SRC=\"quenlark_line.jpg\"></CENTER><BR>");
// What stays open at that place: the body's FONT, the BODY and the HTML.
const QString PageEnd = QStringLiteral("</FONT>\n</BODY>\n</HTML>\n");
} // namespace

QString ReportFirstPage(const QString &page)
{
    if (page.size() <= WholePageSize)
        return QString();
    const qsizetype cut = page.indexOf(ContactSeparator, FirstPageSize, Qt::CaseInsensitive);
    if (cut < 0)
        return QString();
    return page.left(cut) + PageEnd;
}

QString BrowserLayout(QString page)
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
